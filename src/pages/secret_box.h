#pragma once
// A one-line box for a secret: the logon password and PIN, the security answers, an entry's
// password and its confirmation. Text selected in it never reaches the X primary selection (the
// selection that any program on the display can read and a middle click pastes): a plain box puts
// every selection made with the mouse or the keyboard there. Copying with Ctrl+C or the context
// menu still works as in any box. Boxes that hide their text (password echo) never copy at all.

#include <QLineEdit>

namespace keyloft {

class SecretBox : public QLineEdit {
    Q_OBJECT
  public:
    explicit SecretBox(QWidget* parent = nullptr);

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // Does what the box does for a key that selects, copies, undoes or redoes, without the copy to
    // the primary selection that the box adds after every key it handles. False for other keys.
    bool selectWithoutPrimary(QKeyEvent* event);
};

}  // namespace keyloft

#pragma once
// The search box above the entry list. Escape in it empties it and does nothing else: the key
// never reaches the window's Cancel, so an entry being edited below is kept.

#include <QLineEdit>

namespace keyloft {

class SearchBox final : public QLineEdit {
    Q_OBJECT
  public:
    explicit SearchBox(QWidget* parent = nullptr);

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace keyloft

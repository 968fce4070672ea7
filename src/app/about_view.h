#pragma once
// The about view (fraAbout): the program's name, its version and picture, and "Close".

#include <QFrame>

class QLabel;

namespace keyloft {

class AboutView : public QFrame {
    Q_OBJECT
  public:
    explicit AboutView(QWidget* parent = nullptr);

    // "V. " and the major, minor and revision numbers followed by a fixed 2.
    static QString VersionText(int major, int minor, int revision);
    void setVersion(const QString& text);

  signals:
    void closeClicked();

  private:
    QLabel* versionLabel;
};

}  // namespace keyloft

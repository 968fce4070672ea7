#pragma once
// The setup view's frame (fraSecurityOptions): room for the security boxes, the auto-lock
// controls and the buttons to the About and Category views.

#include <QGroupBox>

class QCheckBox;
class QPushButton;
class QSlider;

namespace keyloft {

class SetupFrame : public QGroupBox {
    Q_OBJECT
public:
    explicit SetupFrame(QWidget* parent = nullptr);

    // Where the security boxes go.
    QWidget* content() const { return content_; }
    // Shows auto-lock as on or off after so many minutes (the slider only while it is on, the
    // check box's caption saying which); no signal comes of it.
    void showAutoLock(bool on, int minutes);

signals:
    // The user ticked or unticked the check box, or moved the slider.
    void autoLockToggled(bool on);
    void minutesChanged(int minutes);
    void aboutClicked();
    void categoryClicked();

private:
    void showAutoLockState();

    QWidget* content_;
    QCheckBox* chkTimeout;
    QSlider* slTimer;
    QPushButton* cmdAbout;
    QPushButton* cmdCategory;
};

}  // namespace keyloft

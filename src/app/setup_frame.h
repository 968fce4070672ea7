#pragma once
// The setup view's frame (fraSecurityOptions): room for the security boxes, the auto-lock
// controls, the other lock triggers and the clipboard's seconds, and the buttons to the About and
// Category views.

#include <QGroupBox>

#include "app/lock_options.h"

class QCheckBox;
class QPushButton;
class QSlider;
class QSpinBox;

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
    // Shows the lock triggers and the clipboard's seconds; no signal comes of it.
    void showLockOptions(const LockOptions& options);

  signals:
    // The user ticked or unticked the check box, or moved the slider.
    void autoLockToggled(bool on);
    void minutesChanged(int minutes);
    // The user changed a lock trigger or the clipboard's seconds.
    void lockOptionsChanged(const keyloft::LockOptions& options);
    void aboutClicked();
    void categoryClicked();

  private:
    void showAutoLockState();
    LockOptions shownLockOptions() const;

    QWidget* content_;
    QCheckBox* autoLockCheck;
    QSlider* minutesSlider;
    QSpinBox* clearClipboardBox;
    QCheckBox* lockOnScreenLockCheck;
    QCheckBox* lockOnMinimizeCheck;
    QPushButton* aboutButton;
    QPushButton* categoriesButton;
};

}  // namespace keyloft

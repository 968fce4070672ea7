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

    // Shows the slider and sets the check box caption for the box's state and the slider's value.
    void showAutoLockState();

    QWidget* content;  // the security boxes go here
    QCheckBox* chkTimeout;
    QSlider* slTimer;
    QPushButton* cmdAbout;
    QPushButton* cmdCategory;
};

}  // namespace keyloft

#include "app/setup_frame.h"

#include <QCheckBox>
#include <QSignalBlocker>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/idle_lock.h"
#include "pages/tab_order.h"

namespace keyloft {
SetupFrame::SetupFrame(QWidget* parent) : QGroupBox(QStringLiteral("Security Options"), parent) {
    setObjectName(QStringLiteral("fraSecurityOptions"));

    content_ = new QWidget(this);
    content_->setObjectName(QStringLiteral("setupContent"));

    autoLockCheck = new QCheckBox(this);
    autoLockCheck->setObjectName(QStringLiteral("chkTimeout"));
    minutesSlider = new QSlider(Qt::Horizontal, this);
    minutesSlider->setObjectName(QStringLiteral("slTimer"));
    minutesSlider->setRange(kFewestAutoLockMinutes, kMostAutoLockMinutes);
    minutesSlider->setSingleStep(5);
    minutesSlider->setPageStep(10);
    minutesSlider->setTickInterval(5);
    minutesSlider->setTickPosition(QSlider::TicksBelow);
    minutesSlider->setValue(kFewestAutoLockMinutes);
    minutesSlider->setAccessibleName(QStringLiteral("Minutes before auto lock"));

    // "Clear copied text after N seconds": the box shows "N seconds".
    auto* clearBefore = new QLabel(QStringLiteral("Clear copied &text after"), this);
    clearBefore->setObjectName(QStringLiteral("lblClearClipboard"));
    clearClipboardBox = new QSpinBox(this);
    clearClipboardBox->setObjectName(QStringLiteral("spnClearClipboard"));
    clearClipboardBox->setRange(kClearClipboardSetting.least, kClearClipboardSetting.most);
    clearClipboardBox->setValue(kClearClipboardSetting.defaultValue);
    clearClipboardBox->setSuffix(QStringLiteral(" seconds"));
    clearClipboardBox->setToolTip(QStringLiteral("0 leaves copied text on the clipboard"));
    clearClipboardBox->setAccessibleName(QStringLiteral("Clear copied text after"));
    clearBefore->setBuddy(clearClipboardBox);
    lockOnScreenLockCheck = new QCheckBox(QStringLiteral("Loc&k when the screen locks"), this);
    lockOnScreenLockCheck->setObjectName(QStringLiteral("chkLockOnScreenLock"));
    lockOnMinimizeCheck = new QCheckBox(QStringLiteral("Lock when the window is parked or &minimized"), this);
    lockOnMinimizeCheck->setObjectName(QStringLiteral("chkLockOnMinimize"));

    aboutButton = new QPushButton(QStringLiteral("&About"), this);
    aboutButton->setObjectName(QStringLiteral("cmdAbout"));
    categoriesButton = new QPushButton(QStringLiteral("&Category"), this);
    categoriesButton->setObjectName(QStringLiteral("cmdCategory"));

    auto* autoLock = new QHBoxLayout;
    autoLock->addWidget(autoLockCheck);
    autoLock->addWidget(minutesSlider, 1);
    auto* triggers = new QHBoxLayout;
    triggers->addWidget(lockOnScreenLockCheck);
    triggers->addWidget(lockOnMinimizeCheck);
    triggers->addStretch(1);
    auto* clearing = new QHBoxLayout;
    clearing->addWidget(clearBefore);
    clearing->addWidget(clearClipboardBox);
    clearing->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(categoriesButton);
    buttons->addWidget(aboutButton);

    auto* column = new QVBoxLayout(this);
    column->addWidget(content_, 1);
    column->addLayout(autoLock);
    column->addLayout(triggers);
    column->addLayout(clearing);
    column->addLayout(buttons);

    // Tab as the rows read, the buttons left to right.
    ChainTabOrder({autoLockCheck, minutesSlider, lockOnScreenLockCheck, lockOnMinimizeCheck,
                   clearClipboardBox, categoriesButton, aboutButton});

    connect(autoLockCheck, &QCheckBox::toggled, this, [this](bool on) {
        showAutoLockState();
        emit autoLockToggled(on);
    });
    connect(minutesSlider, &QSlider::valueChanged, this, [this](int minutes) {
        showAutoLockState();
        emit minutesChanged(minutes);
    });
    for (QCheckBox* box : {lockOnScreenLockCheck, lockOnMinimizeCheck}) {
        connect(box, &QCheckBox::toggled, this, [this] { emit lockOptionsChanged(shownLockOptions()); });
    }
    connect(clearClipboardBox, &QSpinBox::valueChanged, this,
            [this] { emit lockOptionsChanged(shownLockOptions()); });
    connect(aboutButton, &QPushButton::clicked, this, &SetupFrame::aboutClicked);
    connect(categoriesButton, &QPushButton::clicked, this, &SetupFrame::categoryClicked);
    showAutoLockState();
}

void SetupFrame::showAutoLock(bool on, int minutes) {
    {
        const QSignalBlocker blockSlider(minutesSlider);
        const QSignalBlocker blockBox(autoLockCheck);
        minutesSlider->setValue(minutes);
        autoLockCheck->setChecked(on);
    }
    showAutoLockState();
}

void SetupFrame::showLockOptions(const LockOptions& options) {
    const QSignalBlocker blockSeconds(clearClipboardBox);
    const QSignalBlocker blockScreen(lockOnScreenLockCheck);
    const QSignalBlocker blockMinimize(lockOnMinimizeCheck);
    clearClipboardBox->setValue(options.clearClipboardSeconds);
    lockOnScreenLockCheck->setChecked(options.lockOnScreenLock);
    lockOnMinimizeCheck->setChecked(options.lockOnMinimize);
}

LockOptions SetupFrame::shownLockOptions() const {
    return {clearClipboardBox->value(), lockOnScreenLockCheck->isChecked(), lockOnMinimizeCheck->isChecked()};
}

void SetupFrame::showAutoLockState() {
    const bool on = autoLockCheck->isChecked();
    minutesSlider->setVisible(on);
    autoLockCheck->setText(on ? QStringLiteral("Auto &lock after %1 minutes").arg(minutesSlider->value())
                              : QStringLiteral("Auto &lock after time expires"));
}

}  // namespace keyloft

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

    chkTimeout = new QCheckBox(this);
    chkTimeout->setObjectName(QStringLiteral("chkTimeout"));
    slTimer = new QSlider(Qt::Horizontal, this);
    slTimer->setObjectName(QStringLiteral("slTimer"));
    slTimer->setRange(kFewestAutoLockMinutes, kMostAutoLockMinutes);
    slTimer->setSingleStep(5);
    slTimer->setPageStep(10);
    slTimer->setTickInterval(5);
    slTimer->setTickPosition(QSlider::TicksBelow);
    slTimer->setValue(kFewestAutoLockMinutes);
    slTimer->setAccessibleName(QStringLiteral("Minutes before auto lock"));

    // "Clear copied text after N seconds": the box shows "N seconds".
    auto* clearBefore = new QLabel(QStringLiteral("Clear copied &text after"), this);
    clearBefore->setObjectName(QStringLiteral("lblClearClipboard"));
    spnClearClipboard = new QSpinBox(this);
    spnClearClipboard->setObjectName(QStringLiteral("spnClearClipboard"));
    spnClearClipboard->setRange(kClearClipboardSetting.least, kClearClipboardSetting.most);
    spnClearClipboard->setValue(kClearClipboardSetting.defaultValue);
    spnClearClipboard->setSuffix(QStringLiteral(" seconds"));
    spnClearClipboard->setToolTip(QStringLiteral("0 leaves copied text on the clipboard"));
    spnClearClipboard->setAccessibleName(QStringLiteral("Clear copied text after"));
    clearBefore->setBuddy(spnClearClipboard);
    chkLockOnScreenLock = new QCheckBox(QStringLiteral("Loc&k when the screen locks"), this);
    chkLockOnScreenLock->setObjectName(QStringLiteral("chkLockOnScreenLock"));
    chkLockOnMinimize = new QCheckBox(QStringLiteral("Lock when the window is parked or &minimized"), this);
    chkLockOnMinimize->setObjectName(QStringLiteral("chkLockOnMinimize"));

    cmdAbout = new QPushButton(QStringLiteral("&About"), this);
    cmdAbout->setObjectName(QStringLiteral("cmdAbout"));
    cmdCategory = new QPushButton(QStringLiteral("&Category"), this);
    cmdCategory->setObjectName(QStringLiteral("cmdCategory"));

    auto* autoLock = new QHBoxLayout;
    autoLock->addWidget(chkTimeout);
    autoLock->addWidget(slTimer, 1);
    auto* triggers = new QHBoxLayout;
    triggers->addWidget(chkLockOnScreenLock);
    triggers->addWidget(chkLockOnMinimize);
    triggers->addStretch(1);
    auto* clearing = new QHBoxLayout;
    clearing->addWidget(clearBefore);
    clearing->addWidget(spnClearClipboard);
    clearing->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdCategory);
    buttons->addWidget(cmdAbout);

    auto* column = new QVBoxLayout(this);
    column->addWidget(content_, 1);
    column->addLayout(autoLock);
    column->addLayout(triggers);
    column->addLayout(clearing);
    column->addLayout(buttons);

    // Tab as the rows read, the buttons left to right.
    ChainTabOrder({chkTimeout, slTimer, chkLockOnScreenLock, chkLockOnMinimize, spnClearClipboard, cmdCategory, cmdAbout});

    connect(chkTimeout, &QCheckBox::toggled, this, [this](bool on) {
        showAutoLockState();
        emit autoLockToggled(on);
    });
    connect(slTimer, &QSlider::valueChanged, this, [this](int minutes) {
        showAutoLockState();
        emit minutesChanged(minutes);
    });
    for (QCheckBox* box : {chkLockOnScreenLock, chkLockOnMinimize}) {
        connect(box, &QCheckBox::toggled, this, [this] { emit lockOptionsChanged(shownLockOptions()); });
    }
    connect(spnClearClipboard, &QSpinBox::valueChanged, this,
            [this] { emit lockOptionsChanged(shownLockOptions()); });
    connect(cmdAbout, &QPushButton::clicked, this, &SetupFrame::aboutClicked);
    connect(cmdCategory, &QPushButton::clicked, this, &SetupFrame::categoryClicked);
    showAutoLockState();
}

void SetupFrame::showAutoLock(bool on, int minutes) {
    {
        const QSignalBlocker blockSlider(slTimer);
        const QSignalBlocker blockBox(chkTimeout);
        slTimer->setValue(minutes);
        chkTimeout->setChecked(on);
    }
    showAutoLockState();
}

void SetupFrame::showLockOptions(const LockOptions& options) {
    const QSignalBlocker blockSeconds(spnClearClipboard);
    const QSignalBlocker blockScreen(chkLockOnScreenLock);
    const QSignalBlocker blockMinimize(chkLockOnMinimize);
    spnClearClipboard->setValue(options.clearClipboardSeconds);
    chkLockOnScreenLock->setChecked(options.lockOnScreenLock);
    chkLockOnMinimize->setChecked(options.lockOnMinimize);
}

LockOptions SetupFrame::shownLockOptions() const {
    return {spnClearClipboard->value(), chkLockOnScreenLock->isChecked(), chkLockOnMinimize->isChecked()};
}

void SetupFrame::showAutoLockState() {
    const bool on = chkTimeout->isChecked();
    slTimer->setVisible(on);
    chkTimeout->setText(on ? QStringLiteral("Auto &lock after %1 minutes").arg(slTimer->value())
                           : QStringLiteral("Auto &lock after time expires"));
}

}  // namespace keyloft

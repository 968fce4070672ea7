#include "app/setup_frame.h"

#include <QCheckBox>
#include <QSignalBlocker>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "app/idle_lock.h"

namespace keyloft {
SetupFrame::SetupFrame(QWidget* parent) : QGroupBox(QStringLiteral("Security Options"), parent) {
    setObjectName(QStringLiteral("fraSecurityOptions"));

    content_ = new QWidget(this);
    content_->setObjectName(QStringLiteral("setupContent"));

    chkTimeout = new QCheckBox(this);
    chkTimeout->setObjectName(QStringLiteral("chkTimeout"));
    slTimer = new QSlider(Qt::Horizontal, this);
    slTimer->setObjectName(QStringLiteral("slTimer"));
    slTimer->setRange(IdleLock::kFewestMinutes, IdleLock::kMostMinutes);
    slTimer->setSingleStep(5);
    slTimer->setPageStep(10);
    slTimer->setTickInterval(5);
    slTimer->setTickPosition(QSlider::TicksBelow);
    slTimer->setValue(IdleLock::kFewestMinutes);
    slTimer->setAccessibleName(QStringLiteral("Minutes before auto lock"));

    cmdAbout = new QPushButton(QStringLiteral("&About"), this);
    cmdAbout->setObjectName(QStringLiteral("cmdAbout"));
    cmdCategory = new QPushButton(QStringLiteral("&Category"), this);
    cmdCategory->setObjectName(QStringLiteral("cmdCategory"));

    auto* autoLock = new QHBoxLayout;
    autoLock->addWidget(chkTimeout);
    autoLock->addWidget(slTimer, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdCategory);
    buttons->addWidget(cmdAbout);

    auto* column = new QVBoxLayout(this);
    column->addWidget(content_, 1);
    column->addLayout(autoLock);
    column->addLayout(buttons);

    connect(chkTimeout, &QCheckBox::toggled, this, [this](bool on) {
        showAutoLockState();
        emit autoLockToggled(on);
    });
    connect(slTimer, &QSlider::valueChanged, this, [this](int minutes) {
        showAutoLockState();
        emit minutesChanged(minutes);
    });
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

void SetupFrame::showAutoLockState() {
    const bool on = chkTimeout->isChecked();
    slTimer->setVisible(on);
    chkTimeout->setText(on ? QStringLiteral("Auto &lock after %1 minutes").arg(slTimer->value())
                           : QStringLiteral("Auto &lock after time expires"));
}

}  // namespace keyloft

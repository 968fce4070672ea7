#include "app/setup_frame.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace keyloft {
namespace {
constexpr int kFewestMinutes = 5;
constexpr int kMostMinutes = 60;
}  // namespace

SetupFrame::SetupFrame(QWidget* parent) : QGroupBox(QStringLiteral("Security Options"), parent) {
    setObjectName(QStringLiteral("fraSecurityOptions"));

    content = new QWidget(this);
    content->setObjectName(QStringLiteral("setupContent"));

    chkTimeout = new QCheckBox(this);
    chkTimeout->setObjectName(QStringLiteral("chkTimeout"));
    slTimer = new QSlider(Qt::Horizontal, this);
    slTimer->setObjectName(QStringLiteral("slTimer"));
    slTimer->setRange(kFewestMinutes, kMostMinutes);
    slTimer->setSingleStep(5);
    slTimer->setPageStep(10);
    slTimer->setTickInterval(5);
    slTimer->setTickPosition(QSlider::TicksBelow);
    slTimer->setValue(kFewestMinutes);
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
    column->addWidget(content, 1);
    column->addLayout(autoLock);
    column->addLayout(buttons);

    showAutoLockState();
}

void SetupFrame::showAutoLockState() {
    const bool on = chkTimeout->isChecked();
    slTimer->setVisible(on);
    chkTimeout->setText(on ? QStringLiteral("Auto &lock after %1 minutes").arg(slTimer->value())
                           : QStringLiteral("Auto &lock after time expires"));
}

}  // namespace keyloft

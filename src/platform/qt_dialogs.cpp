#include "platform/qt_dialogs.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace keyloft::platform {
namespace {

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Exclamation:
            return QMessageBox::Warning;
        case MessageIcon::Critical:
            return QMessageBox::Critical;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

QtDialogs::QtDialogs(std::function<QWidget*()> owner) : owner_(std::move(owner)) {}

MessageAnswer QtDialogs::showMessage(const MessageRequest& request) {
    QWidget* parent = owner_ ? owner_() : nullptr;
    QMessageBox box(parent);
    box.setIcon(ToQtIcon(request.icon));
    box.setWindowTitle(QString::fromStdU16String(request.title));
    box.setText(QString::fromStdU16String(request.text));
    box.setTextFormat(Qt::PlainText);
    if (request.buttons == MessageButtons::YesNo) {
        QPushButton* yes = box.addButton(QMessageBox::Yes);
        QPushButton* no = box.addButton(QMessageBox::No);
        yes->setText(QStringLiteral("&Yes"));
        no->setText(QStringLiteral("&No"));
        box.setDefaultButton(request.defaultAnswer == MessageAnswer::Yes ? yes : no);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
    return MessageAnswer::Ok;
}

void QtDialogs::closeAll() { CloseOpenDialogs(); }

void CloseOpenDialogs() {
    // Rejecting one dialog may delete others (a box over a file question): hold them weakly. A
    // dialog that the desktop shows for Qt (a native file question) is not visible as a widget,
    // but it is shown modally.
    QList<QPointer<QDialog>> shown;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(window);
        if (dialog != nullptr && (dialog->isVisible() || dialog->testAttribute(Qt::WA_ShowModal)))
            shown.append(dialog);
    }
    // Each nested event loop of a dialog ends once the loops opened inside it have ended.
    for (const QPointer<QDialog>& dialog : shown) {
        if (dialog) dialog->reject();
    }
}

void ShowBusyPointer() {
    if (QApplication::overrideCursor() == nullptr) {
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
}

void ShowIdlePointer() {
    while (QApplication::overrideCursor() != nullptr) {
        QApplication::restoreOverrideCursor();
    }
}

}  // namespace keyloft::platform

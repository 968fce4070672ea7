#include "app/passwords_keys.h"

#include <QAction>
#include <QEvent>
#include <QKeySequence>
#include <QWidget>

#include "entries/passwords_view.h"

namespace keyloft {
namespace {

// Keeps the actions usable only while the page is shown, so that elsewhere the keys do what
// they always did.
class EnabledWhileShown final : public QObject {
  public:
    EnabledWhileShown(QWidget& page, QList<QAction*> actions) : QObject(&page), actions_(std::move(actions)) {
        page.installEventFilter(this);
        update(page.isVisible());
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show || event->type() == QEvent::Hide)
            update(static_cast<QWidget*>(watched)->isVisible());
        return QObject::eventFilter(watched, event);
    }

  private:
    void update(bool shown) {
        for (QAction* action : actions_) action->setEnabled(shown);
    }
    QList<QAction*> actions_;
};

QAction* AddKey(QWidget& window, const char* name, const QString& text, const QKeySequence& key) {
    auto* action = new QAction(text, &window);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    window.addAction(action);
    return action;
}

}  // namespace

void AddPasswordsKeys(QWidget& window, PasswordsView& page) {
    QAction* search = AddKey(window, "Search", QStringLiteral("Search"), QKeySequence::Find);
    QObject::connect(search, &QAction::triggered, &page, &PasswordsView::focusSearch);
    QAction* copyPassword =
        AddKey(window, "CopyPassword", QStringLiteral("Copy password"), QKeySequence::Copy);
    QObject::connect(copyPassword, &QAction::triggered, &page,
                     [&page] { page.copyEntryField(PasswordsView::CopiedField::Password); });
    QAction* copyUserCode =
        AddKey(window, "CopyUserCode", QStringLiteral("Copy user code"), QKeySequence(Qt::CTRL | Qt::Key_B));
    QObject::connect(copyUserCode, &QAction::triggered, &page,
                     [&page] { page.copyEntryField(PasswordsView::CopiedField::UserCode); });
    new EnabledWhileShown(page, {search, copyPassword, copyUserCode});
}

}  // namespace keyloft

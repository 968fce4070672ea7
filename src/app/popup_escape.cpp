#include "app/popup_escape.h"

#include <QApplication>
#include <QKeyEvent>

namespace keyloft {
namespace {

class PopupEscape final : public QObject {
  public:
    explicit PopupEscape(QObject* owner) : QObject(owner) { qApp->installEventFilter(this); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Accepting the override hands the key to the open list, which closes itself.
        if (event->type() == QEvent::ShortcutOverride && QApplication::activePopupWidget() != nullptr) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
                event->accept();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

void KeepEscapeForOpenPopups(QObject* owner) { new PopupEscape(owner); }

}  // namespace keyloft

#include "support/gui_widget_helpers.h"

namespace keyloft::testing {

QAction* findAction(QWidget* root, const QString& key) {
    QAction* action = root->findChild<QAction*>(key);
    if (action == nullptr) {
        ADD_FAILURE() << "no toolbar button with key " << key.toStdString();
    }
    return action;
}

bool triggerEnabled(QWidget* root, const QString& key) {
    QAction* action = findAction(root, key);
    if (action == nullptr) {
        return false;
    }
    if (!action->isVisible() || !action->isEnabled()) {
        ADD_FAILURE() << "toolbar button " << key.toStdString() << " is "
                      << (action->isVisible() ? "" : "hidden ") << (action->isEnabled() ? "" : "disabled");
        return false;
    }
    action->trigger();
    return true;
}

}  // namespace keyloft::testing

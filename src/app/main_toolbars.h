#pragma once
// The two toolbars of the main window: Toolbar1 switches between the activities of a session,
// Toolbar2 holds the record commands. Each button is a QAction whose objectName is its key and
// whose text is its caption.

#include <QHash>
#include <QIcon>
#include <QString>

class QAction;
class QKeySequence;
class QToolBar;
class QWidget;

namespace keyloft {

struct MainToolbars {
    QToolBar* Toolbar1 = nullptr;
    QToolBar* Toolbar2 = nullptr;
    QHash<QString, QAction*> buttons;  // by key
    QAction* filterSeparator = nullptr;  // shown with "Filter"

    QAction* button(const QString& key) const { return buttons.value(key, nullptr); }
};

// Builds both toolbars (owned by `parent`) with their captions, tool tips, pictures, styles and
// the visibility and enabling of the locked window.
MainToolbars BuildMainToolbars(QWidget* parent);

// A command's tool tip with its key after it: "Save this Record (Ctrl+S)".
QString ToolTipWithShortcut(const QString& toolTip, const QKeySequence& shortcut);

// Pictures of ImageList1 by key ("Unlock", "Lock", "Setup", ...).
QIcon ToolbarPicture(const QString& key);

}  // namespace keyloft

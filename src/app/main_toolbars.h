#pragma once
// The two toolbars of the main window and their commands. Toolbar1 switches between the
// activities of a session, Toolbar2 holds the record commands. Each command is one QAction whose
// objectName is its key ("Unlock", "Delete", ...) and whose text is its caption.

#include <QIcon>
#include <QString>

class QAction;
class QKeySequence;
class QToolBar;
class QWidget;

namespace keyloft {

// One action per command.
struct MainActions {
    QAction* lock = nullptr;  // key "Unlock": captioned "Unlock" while locked, "Lock" in a session
    QAction* setup = nullptr;
    QAction* passwords = nullptr;
    QAction* show = nullptr;
    QAction* generate = nullptr;
    QAction* print = nullptr;
    QAction* importFile = nullptr;  // key "Import", captioned "Import…"
    QAction* add = nullptr;
    QAction* remove = nullptr;  // key "Delete"
    QAction* save = nullptr;
    QAction* cancel = nullptr;
    QAction* filter = nullptr;
};

struct MainToolbars {
    QToolBar* sessionBar = nullptr;      // Toolbar1
    QToolBar* recordBar = nullptr;       // Toolbar2
    QAction* filterSeparator = nullptr;  // shown with "Filter"
    MainActions actions;
};

// Builds both toolbars (owned by `parent`) with their captions, tool tips, keys, pictures and
// styles; the keys work wherever the focus is in `parent`, also while a toolbar is hidden.
MainToolbars BuildMainToolbars(QWidget* parent);

// A command's tool tip with its key after it: "Save this Record (Ctrl+S)".
QString ToolTipWithShortcut(const QString& toolTip, const QKeySequence& shortcut);

// Pictures of the toolbar by name ("Unlock", "Lock", "Setup", ...).
QIcon ToolbarPicture(const QString& name);

}  // namespace keyloft

#include "app/main_toolbars.h"

#include <QAction>
#include <QKeySequence>
#include <QToolBar>
#include <QToolButton>

namespace keyloft {
namespace {

struct CommandDef {
    QAction* MainActions::*action;
    const char* key;
    const char* toolTip;
    const char* picture;
    bool checkable;
};

// Toolbar1, in order.
const CommandDef kSessionCommands[] = {
    {&MainActions::lock, "Unlock", "Unlock Keyloft Database", "Unlock", true},
    {&MainActions::setup, "Setup", "Setup Keyloft Configuration", "Setup", true},
    {&MainActions::passwords, "Passwords", "Display Password Details", "Passwords", true},
    {&MainActions::show, "Show", "Show  Password \"popup\"", "Show", false},
    {&MainActions::generate, "Generate", "Generate Random Highly Secure Password", "Generate", false},
    {&MainActions::print, "Print", "Print Master List of Passwords", "Printer2", false},
    {&MainActions::importFile, "Import", "Import Entries from Another Password Manager", "Import", false},
};

// Toolbar2, in order; a separator stands before "Filter".
const CommandDef kRecordCommands[] = {
    {&MainActions::add, "Add", "Add New Record", "Add", false},
    {&MainActions::remove, "Delete", "Delete this Record", "Delete", false},
    {&MainActions::save, "Save", "Save this Record", "Save", false},
    {&MainActions::cancel, "Cancel", "Cancel this Change", "Cancel", false},
    {&MainActions::filter, "Filter", "Filter by Category", "Filter", true},
};

// The keys of the commands: the platform's standard ones where it has one.
QKeySequence Shortcut(QAction* MainActions::*action) {
    if (action == &MainActions::lock) return QKeySequence(Qt::CTRL | Qt::Key_L);
    if (action == &MainActions::passwords) return QKeySequence(Qt::CTRL | Qt::Key_1);
    if (action == &MainActions::setup) return QKeySequence(Qt::CTRL | Qt::Key_2);
    if (action == &MainActions::show) return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C);
    if (action == &MainActions::generate) return QKeySequence(Qt::CTRL | Qt::Key_G);
    if (action == &MainActions::print) return QKeySequence(QKeySequence::Print);
    if (action == &MainActions::importFile) return QKeySequence(Qt::CTRL | Qt::Key_I);
    if (action == &MainActions::add) return QKeySequence(QKeySequence::New);
    if (action == &MainActions::remove) return QKeySequence(QKeySequence::Delete);
    if (action == &MainActions::save) return QKeySequence(QKeySequence::Save);
    if (action == &MainActions::cancel) return QKeySequence(Qt::Key_Escape);
    return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F);  // filter; Ctrl+F searches
}

QAction* AddCommand(QToolBar* bar, const CommandDef& def) {
    const QString key = QString::fromLatin1(def.key);
    auto* action = new QAction(ToolbarPicture(QString::fromLatin1(def.picture)), key, bar);
    action->setObjectName(key);
    action->setShortcut(Shortcut(def.action));
    action->setToolTip(ToolTipWithShortcut(QString::fromLatin1(def.toolTip), action->shortcut()));
    action->setCheckable(def.checkable);
    bar->addAction(action);
    // Tab reaches every enabled command.
    if (QWidget* button = bar->widgetForAction(action)) button->setFocusPolicy(Qt::TabFocus);
    return action;
}

QToolBar* MakeBar(QWidget* parent, const char* name) {
    auto* bar = new QToolBar(parent);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setWindowTitle(QString::fromLatin1(name));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar->setIconSize(QSize(32, 32));
    bar->toggleViewAction()->setVisible(false);
    return bar;
}

}  // namespace

QString ToolTipWithShortcut(const QString& toolTip, const QKeySequence& shortcut) {
    if (shortcut.isEmpty()) return toolTip;
    return toolTip + QStringLiteral(" (") + shortcut.toString(QKeySequence::NativeText) + QStringLiteral(")");
}

QIcon ToolbarPicture(const QString& name) {
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(name.toLower()));
}

MainToolbars BuildMainToolbars(QWidget* parent) {
    MainToolbars bars;
    bars.sessionBar = MakeBar(parent, "Toolbar1");
    for (const CommandDef& def : kSessionCommands)
        bars.actions.*def.action = AddCommand(bars.sessionBar, def);
    bars.actions.importFile->setText(QStringLiteral("Import…"));  // it asks for a file first
    bars.recordBar = MakeBar(parent, "Toolbar2");
    for (const CommandDef& def : kRecordCommands) {
        if (def.action == &MainActions::filter) bars.filterSeparator = bars.recordBar->addSeparator();
        bars.actions.*def.action = AddCommand(bars.recordBar, def);
    }
    for (QAction* action :
         {bars.actions.lock, bars.actions.setup, bars.actions.passwords, bars.actions.show,
          bars.actions.generate, bars.actions.print, bars.actions.importFile, bars.actions.add,
          bars.actions.remove, bars.actions.save, bars.actions.cancel, bars.actions.filter})
        parent->addAction(action);
    return bars;
}

}  // namespace keyloft

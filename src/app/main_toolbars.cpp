#include "app/main_toolbars.h"

#include <QAction>
#include <QKeySequence>
#include <QToolBar>
#include <QToolButton>

namespace keyloft {
namespace {

struct ButtonDef {
    const char* key;
    const char* toolTip;
    const char* picture;
    bool checkable;
    bool visibleAtStart;
    bool enabledAtStart;
};

constexpr ButtonDef kToolbar1[] = {
    {"Unlock", "Unlock Keyloft Database", "Unlock", true, true, true},
    {"Setup", "Setup Keyloft Configuration", "Setup", true, true, false},
    {"Passwords", "Display Password Details", "Passwords", true, true, false},
    {"Show", "Show  Password \"popup\"", "Show", false, false, false},
    {"Generate", "Generate Random Highly Secure Password", "Generate", false, false, false},
    {"Print", "Print Master List of Passwords", "Printer2", false, false, false},
};

constexpr ButtonDef kToolbar2[] = {
    {"Add", "Add New Record", "Add", false, false, false},
    {"Delete", "Delete this Record", "Delete", false, false, false},
    {"Save", "Save this Record", "Save", false, false, false},
    {"Cancel", "Cancel this Change", "Cancel", false, false, false},
    {"Filter", "Filter by Category", "Filter", true, false, true},
};

// The keys of the commands: the platform's standard ones where it has one.
QKeySequence Shortcut(const QString& key) {
    if (key == QStringLiteral("Unlock")) return QKeySequence(Qt::CTRL | Qt::Key_L);
    if (key == QStringLiteral("Passwords")) return QKeySequence(Qt::CTRL | Qt::Key_1);
    if (key == QStringLiteral("Setup")) return QKeySequence(Qt::CTRL | Qt::Key_2);
    if (key == QStringLiteral("Show")) return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C);
    if (key == QStringLiteral("Generate")) return QKeySequence(Qt::CTRL | Qt::Key_G);
    if (key == QStringLiteral("Print")) return QKeySequence(QKeySequence::Print);
    if (key == QStringLiteral("Add")) return QKeySequence(QKeySequence::New);
    if (key == QStringLiteral("Delete")) return QKeySequence(QKeySequence::Delete);
    if (key == QStringLiteral("Save")) return QKeySequence(QKeySequence::Save);
    if (key == QStringLiteral("Cancel")) return QKeySequence(Qt::Key_Escape);
    if (key == QStringLiteral("Filter")) return QKeySequence(QKeySequence::Find);
    return {};
}

QAction* AddButton(QToolBar* bar, const ButtonDef& def) {
    const QString key = QString::fromLatin1(def.key);
    auto* action = new QAction(ToolbarPicture(QString::fromLatin1(def.picture)), key, bar);
    action->setObjectName(key);
    action->setShortcut(Shortcut(key));
    action->setToolTip(ToolTipWithShortcut(QString::fromLatin1(def.toolTip), action->shortcut()));
    action->setCheckable(def.checkable);
    action->setVisible(def.visibleAtStart);
    action->setEnabled(def.enabledAtStart);
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

QIcon ToolbarPicture(const QString& key) {
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(key.toLower()));
}

MainToolbars BuildMainToolbars(QWidget* parent) {
    MainToolbars bars;
    bars.Toolbar1 = MakeBar(parent, "Toolbar1");
    for (const ButtonDef& def : kToolbar1) {
        bars.buttons.insert(QString::fromLatin1(def.key), AddButton(bars.Toolbar1, def));
    }
    bars.Toolbar2 = MakeBar(parent, "Toolbar2");
    for (const ButtonDef& def : kToolbar2) {
        if (QString::fromLatin1(def.key) == QStringLiteral("Filter")) {
            bars.filterSeparator = bars.Toolbar2->addSeparator();
            bars.filterSeparator->setVisible(false);
        }
        bars.buttons.insert(QString::fromLatin1(def.key), AddButton(bars.Toolbar2, def));
    }
    bars.Toolbar2->hide();
    // The keys work wherever the focus is in the window, also while a toolbar is hidden.
    for (QAction* action : bars.buttons) parent->addAction(action);
    return bars;
}

}  // namespace keyloft

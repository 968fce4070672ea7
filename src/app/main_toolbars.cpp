#include "app/main_toolbars.h"

#include <QAction>
#include <QToolBar>

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

QAction* AddButton(QToolBar* bar, const ButtonDef& def) {
    const QString key = QString::fromLatin1(def.key);
    auto* action = new QAction(ToolbarPicture(QString::fromLatin1(def.picture)), key, bar);
    action->setObjectName(key);
    action->setToolTip(QString::fromLatin1(def.toolTip));
    action->setCheckable(def.checkable);
    action->setVisible(def.visibleAtStart);
    action->setEnabled(def.enabledAtStart);
    bar->addAction(action);
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
    return bars;
}

}  // namespace keyloft

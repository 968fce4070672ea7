#include "app/main_toolbars.h"

#include <QAction>
#include <QToolBar>

namespace keyloft {
namespace {

struct ButtonSpec {
    const char* key;
    const char* toolTip;
    const char* picture;
    bool checkable;
    bool visibleAtStart;
    bool enabledAtStart;
};

constexpr ButtonSpec kToolbar1[] = {
    {"Unlock", "Unlock Keyloft Database", "Unlock", true, true, true},
    {"Setup", "Setup Keyloft Configuration", "Setup", true, true, false},
    {"Passwords", "Display Password Details", "Passwords", true, true, false},
    {"Show", "Show  Password \"popup\"", "Show", false, false, false},
    {"Generate", "Generate Random Highly Secure Password", "Generate", false, false, false},
    {"Print", "Print Master List of Passwords", "Printer2", false, false, false},
};

constexpr ButtonSpec kToolbar2[] = {
    {"Add", "Add New Record", "Add", false, false, false},
    {"Delete", "Delete this Record", "Delete", false, false, false},
    {"Save", "Save this Record", "Save", false, false, false},
    {"Cancel", "Cancel this Change", "Cancel", false, false, false},
    {"Filter", "Filter by Category", "Filter", true, false, true},
};

QAction* AddButton(QToolBar* bar, const ButtonSpec& spec) {
    const QString key = QString::fromLatin1(spec.key);
    auto* action = new QAction(ToolbarPicture(QString::fromLatin1(spec.picture)), key, bar);
    action->setObjectName(key);
    action->setToolTip(QString::fromLatin1(spec.toolTip));
    action->setCheckable(spec.checkable);
    action->setVisible(spec.visibleAtStart);
    action->setEnabled(spec.enabledAtStart);
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
    for (const ButtonSpec& spec : kToolbar1) {
        bars.buttons.insert(QString::fromLatin1(spec.key), AddButton(bars.Toolbar1, spec));
    }
    bars.Toolbar2 = MakeBar(parent, "Toolbar2");
    for (const ButtonSpec& spec : kToolbar2) {
        if (QString::fromLatin1(spec.key) == QStringLiteral("Filter")) {
            bars.filterSeparator = bars.Toolbar2->addSeparator();
            bars.filterSeparator->setVisible(false);
        }
        bars.buttons.insert(QString::fromLatin1(spec.key), AddButton(bars.Toolbar2, spec));
    }
    bars.Toolbar2->hide();
    return bars;
}

}  // namespace keyloft

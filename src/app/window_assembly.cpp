#include "app/window_assembly.h"

#include <algorithm>

#include <QAction>
#include <QComboBox>

#include "app/data_folder.h"
#include "app/main_window.h"
#include "app/setup_view.h"
#include "desktop/tray_icon.h"
#include "desktop/welcome_animation.h"
#include "entries/category_view.h"
#include "entries/entry_list_model.h"
#include "entries/password_popup.h"
#include "entries/passwords_view.h"
#include "entries/print_master_list.h"

namespace keyloft {

WindowParts::~WindowParts() {
    if (window) {
        window->setPopup(nullptr);
        window->setWelcomeAnimation(nullptr);
        window->setTray(nullptr);
    }
    delete popup.data();
    delete welcome.data();
}

namespace {

// Show, Generate, Print and Filter work on the passwords page.
void ConnectPasswordsCommands(MainWindow& window, PasswordsView& page, PasswordPopup& popup) {
    QObject::connect(window.toolbarButton(QStringLiteral("Show")), &QAction::triggered, &page, [&page, &popup] {
        if (const auto fields = page.selectedEntryFields()) popup.showEntry(*fields);
    });
    QObject::connect(window.toolbarButton(QStringLiteral("Generate")), &QAction::triggered, &page,
                     &PasswordsView::Generate);
    QObject::connect(window.toolbarButton(QStringLiteral("Print")), &QAction::triggered, &page, [&window, &page] {
        std::vector<MasterListRow> rows;
        for (const EntryListModel::Row& row : page.listModel()->rows()) {
            MasterListRow printed;
            std::copy(row.cells.begin(), row.cells.end(), printed.begin());
            rows.push_back(printed);
        }
        PrintMasterList(window.dialogs(), rows, &window, window.services().openPrinter);
    });
    // Releasing Filter also drops text typed into the filter box.
    QObject::connect(window.toolbarButton(QStringLiteral("Filter")), &QAction::toggled, &page, [&page](bool on) {
        if (!on && !page.cboFilter->isHidden()) page.Filter(false);
    });
}

}  // namespace

std::unique_ptr<WindowParts> AssembleWindow(MainWindow& window, platform::Clipboard& clipboard,
                                            platform::Shell& shell, std::function<QDate()> today) {
    auto parts = std::make_unique<WindowParts>();
    parts->window = &window;

    auto* passwords =
        new PasswordsView(window.pageServices(), clipboard, std::move(today), window.passwordsFrame(), window.filterBox());
    passwords->setObjectName(QStringLiteral("passwordsContent"));  // the frame itself is fraPasswords
    window.setPasswordsPage(passwords);
    parts->passwords = passwords;
    parts->setup = new SetupView(window.pageServices(), window.setupContent());
    window.setSetupPage(parts->setup);
    parts->category = new CategoryView(window.pageServices(), window.categoryContent());
    window.setCategoryPage(parts->category);

    parts->popupTimer = std::make_unique<QtPassTimer>(*window.passTimer());
    parts->popup = new PasswordPopup(clipboard, shell, *parts->popupTimer, &window);
    parts->popup->setDialogs(&window.dialogs());
    window.setPopup(parts->popup);
    ConnectPasswordsCommands(window, *passwords, *parts->popup);

    parts->welcome = WelcomeAnimation::createIn(window.welcomeArea(), window.dialogs(), BuiltInWelcomePicture());
    window.setWelcomeAnimation(parts->welcome);
    parts->tray = std::make_unique<TrayIcon>(window.dialogs(), &window);
    window.setTray(parts->tray.get());
    return parts;
}

}  // namespace keyloft

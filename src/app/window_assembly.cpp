#include "app/window_assembly.h"

#include <QAction>
#include <QComboBox>

#include "app/data_folder.h"
#include "app/main_window.h"
#include "app/passwords_keys.h"
#include "app/popup_escape.h"
#include "app/setup_view.h"
#include "desktop/tray_icon.h"
#include "desktop/welcome_animation.h"
#include "entries/category_view.h"
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
    const MainActions& actions = window.actions();
    QObject::connect(actions.show, &QAction::triggered, &page, [&page, &popup] {
        if (const auto entry = page.selectedEntry()) popup.showEntry(*entry);
    });
    QObject::connect(actions.generate, &QAction::triggered, &page, &PasswordsView::generate);
    // A lock while the printer's file question is open prints nothing.
    QObject::connect(actions.print, &QAction::triggered, &page, [&window, &page] {
        const std::uint64_t session = window.sessionNumber();
        PrintMasterList(
            window.profileDialogs(), [&page] { return page.masterListRows(); }, &window,
            {window.services().openPrinter, window.services().askForPdf},
            [&window, session] { return window.sessionNumber() == session; });
    });
    // Releasing Filter also drops text typed into the filter box.
    QObject::connect(actions.filter, &QAction::toggled, &page, [&window, &page](bool on) {
        if (!on && !window.filterBox()->isHidden()) page.filter(false);
    });
}

}  // namespace

std::unique_ptr<WindowParts> AssembleWindow(MainWindow& window, platform::Shell& shell,
                                            std::function<QDate()> today) {
    platform::Clipboard& clipboard = window.clipboard();
    auto parts = std::make_unique<WindowParts>();
    parts->window = &window;

    auto* passwords =
        new PasswordsView(window.pageServices(), clipboard, std::move(today), nullptr, window.filterBox());
    passwords->setObjectName(QStringLiteral("passwordsContent"));  // the screen itself is fraPasswords
    window.setPasswordsPage(passwords);
    parts->passwords = passwords;
    parts->setup = new SetupView(window.pageServices(), nullptr);
    window.setSetupPage(parts->setup);
    parts->category = new CategoryView(window.pageServices(), nullptr);
    window.setCategoryPage(parts->category);

    parts->popupTimer = std::make_unique<QtPopupTimer>(window.popupTimer());
    parts->popup = new PasswordPopup(clipboard, shell, *parts->popupTimer, &window);
    parts->popup->setDialogs(&window.profileDialogs());
    window.setPopup(parts->popup);
    ConnectPasswordsCommands(window, *passwords, *parts->popup);
    AddPasswordsKeys(window, *passwords);
    KeepEscapeForOpenPopups(&window);

    parts->welcome =
        WelcomeAnimation::createIn(window.welcomeArea(), window.dialogs(), BuiltInWelcomePicture());
    window.setWelcomeAnimation(parts->welcome);
    parts->tray = std::make_unique<TrayIcon>(window.dialogs(), &window);
    QObject::connect(parts->tray.get(), &TrayIcon::lockClicked, &window,
                     [&window] { window.lockFrom(LockTrigger::Command); });
    window.setTray(parts->tray.get());
    return parts;
}

}  // namespace keyloft

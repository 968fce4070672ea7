#include "app/window_assembly.h"

#include <algorithm>

#include <QLayout>
#include <QVBoxLayout>

#include "app/data_folder.h"
#include "app/frm_new_main.h"
#include "app/setup_view.h"
#include "desktop/desktop_hooks.h"
#include "entries/category_view.h"
#include "entries/entry_list_model.h"
#include "entries/frm_show_pass.h"
#include "app/passwords_view_hooks.h"
#include "entries/print_master_list.h"

namespace keyloft {

CategoryView* PlugCategoryView(frmNewMain& window) {
    QWidget* content = window.categoryContent();
    auto* view = new CategoryView(window, content);
    if (content->layout() == nullptr) {
        auto* layout = new QVBoxLayout(content);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    content->layout()->addWidget(view);
    window.setCategoryView(view);
    return view;
}

WindowParts::~WindowParts() {
    if (window) {
        window->setPopup(nullptr);
        window->setWelcomeAnimation(nullptr);
        window->setTray(nullptr);
    }
}

std::unique_ptr<WindowParts> AssembleWindow(frmNewMain& window, platform::Clipboard& clipboard,
                                            platform::Shell& shell, std::function<QDate()> today) {
    auto parts = std::make_unique<WindowParts>();
    parts->window = &window;
    parts->passwords = new PasswordsViewHooks(window, clipboard, std::move(today));
    parts->popup = std::make_unique<PassPopup>(clipboard, shell, *window.passTimer(), &window);
    parts->popup->setDialogs(&window.dialogs());
    window.setPopup(parts->popup.get());
    PassPopup* popup = parts->popup.get();
    parts->passwords->setShowHandler([popup](const std::vector<std::u16string>& fields) { popup->Show(fields); });
    PasswordsViewHooks* passwords = parts->passwords;
    parts->passwords->setPrintHandler([&window, passwords] {
        std::vector<MasterListRow> rows;
        if (passwords->view() != nullptr) {
            for (const EntryListModel::Row& row : passwords->view()->listModel()->rows()) {
                MasterListRow printed;
                std::copy(row.cells.begin(), row.cells.end(), printed.begin());
                rows.push_back(printed);
            }
        }
        PrintMasterList(window, rows, &window, window.services().openPrinter);
    });
    parts->setup = PlugSetupView(window);
    parts->category = PlugCategoryView(window);
    parts->welcome =
        std::make_unique<WelcomeAnimation>(window.dialogs(), window.welcomeArea(), BuiltInWelcomePicture());
    window.setWelcomeAnimation(parts->welcome.get());
    parts->tray = std::make_unique<SystemTray>(window.dialogs(), &window);
    window.setTray(parts->tray.get());
    return parts;
}

}  // namespace keyloft

#pragma once
// Puts the passwords view into the main window: the view is built inside the window's passwords
// frame, uses the window's filter box and answers the window's toolbar dispatch.

#include <QObject>
#include <QPointer>
#include <functional>
#include <string>
#include <vector>

#include "pages/view_hooks.h"
#include "entries/passwords_view.h"

namespace keyloft {

class frmNewMain;

class PasswordsViewHooks : public QObject, public PasswordsViewApi {
    Q_OBJECT
public:
    // Builds the view and plugs it into the window, which then owns this object.
    PasswordsViewHooks(frmNewMain& window, platform::Clipboard& clipboard, PasswordsView::TodayProvider today);

    PasswordsView* view() const { return view_; }

    // Toolbar1 "Show": receives the selected entry split at "|" (the pop-up window).
    void setShowHandler(std::function<void(const std::vector<std::u16string>&)> handler) { show_ = std::move(handler); }
    // Toolbar1 "Print".
    void setPrintHandler(std::function<void()> handler) { print_ = std::move(handler); }

    void onShowPasswords(bool bol) override;
    void RefreshEntryLists() override;
    void ClearEntryEditor() override;
    void beginNewEntry() override;
    void DeleteEntry() override;
    bool SaveEntry() override;
    void SelectSavedEntry() override;
    void ShowSelectedEntry() override;
    void GenerateIntoEditor() override;
    void PrintMasterList() override;
    void ForgetProfile() override;
    void RestoreSplit(int listHeight, int editorHeight) override;

private:
    QPointer<PasswordsView> view_;
    std::function<void(const std::vector<std::u16string>&)> show_;
    std::function<void()> print_;
};

}  // namespace keyloft

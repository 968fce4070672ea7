#pragma once
// What the main window asks of the views that other parts of the program put into its frames.
// The window owns the frames, the toolbars, the session state and the view switching; each hook
// below does only the view's own work. Every hook has a harmless default so that the window runs
// with a frame left empty.
//
// A view is plugged in with frmNewMain::setPasswordsView / setSetupView / setCategoryView /
// setWelcomeAnimation / setTray / setPopup; it builds its widgets inside the frame that
// frmNewMain::passwordsFrame() / setupContent() / categoryContent() / welcomeArea() return and
// reaches the window through ViewHost.

#include <QString>

namespace keyloft {

// The passwords view (frame fraPasswords): entry list, editor, generator, pop-up, printing.
class PasswordsViewApi {
public:
    virtual ~PasswordsViewApi() = default;
    // Called at the end of ShowPasswords(bol), after the window has set the toolbar buttons and
    // the frame's visibility: the view's own part (the NEW marker hidden, ...).
    virtual void onShowPasswords(bool bol) { (void)bol; }
    // Refill the entry list and the filter list (after "Passwords" and "Cancel").
    virtual void RefreshEntryLists() {}
    // Empty the editor; the window sets the fill-in guard around it when needed.
    virtual void ClearEntryEditor() {}
    // "Add": the window has the fill-in guard on and has emptied the editor; the view shows its
    // NEW marker and puts the focus in the user code box.
    virtual void beginNewEntry() {}
    // "Delete" answered Yes: delete the selected entry, if a row is selected.
    virtual void DeleteEntry() {}
    // "Save": validate and store; true when the entry was stored.
    virtual bool SaveEntry() { return false; }
    // After a stored entry and ShowPasswords(true): the stored entry (now the profile's last) is
    // chosen, scrolled into view and in the editor, as a click on its row leaves it.
    virtual void SelectSavedEntry() {}
    // Toolbar1 "Show": hand the selected entry to the pop-up (nothing without a selection).
    virtual void ShowSelectedEntry() {}
    // Toolbar1 "Generate", including the question before overwriting a password.
    virtual void GenerateIntoEditor() {}
    // Toolbar1 "Print".
    virtual void PrintMasterList() {}
    // The session was locked: drop every row, filter item and box that came from the profile.
    virtual void ForgetProfile() {}
    // The heights of the list and the editor as the user left them last time.
    virtual void RestoreSplit(int listHeight, int editorHeight) { (void)listHeight, (void)editorHeight; }
};

// The security setup view's own boxes (inside fraSecurityOptions; the auto-lock controls, About
// and Category belong to the window).
class SetupViewApi {
public:
    virtual ~SetupViewApi() = default;
    // Fill the boxes from the profile (the window holds the fill-in guard meanwhile).
    virtual void FillSetup() {}
    // Validate and store into the profile and write the file. False when a check failed (its
    // message was shown); the window then keeps the unsaved-changes flag. True when stored: the
    // window then writes the "Timer" setting, disables Save and Cancel and clears the flag.
    virtual bool SaveSecurityOptions() { return true; }
    // The session was locked: empty every box.
    virtual void ForgetProfile() {}
};

// The category view (frame fraCategory; cmdCloseCategory belongs to the window).
class CategoryViewApi {
public:
    virtual ~CategoryViewApi() = default;
    // ShowCategory(true): txtCategory hidden and emptied, lblNewCategory hidden, list filled.
    virtual void onShowCategory(bool bol) { (void)bol; }
    virtual void FillCategoryList() {}
    // "Add": name box shown and emptied, New marker shown, focus to the name box.
    virtual void beginNewCategory() {}
    // "Delete" answered Yes: delete the selected category, if one is selected.
    virtual void DeleteCategory() {}
    // "Save": SaveCategory (a new one when the New marker is visible).
    virtual void SaveCategory() {}
    // The session was locked: empty the list and the name box.
    virtual void ForgetProfile() {}
};

// The welcome animation (control AGif in the welcome area).
class WelcomeAnimationApi {
public:
    virtual ~WelcomeAnimationApi() = default;
    // Load the picture file and start it (an empty or missing file shows nothing).
    virtual void LoadAndStart(const QString& gifFileName) { (void)gifFileName; }
    virtual void Start() {}
    virtual void Stop() {}
};

// The notification-area icon.
class TrayApi {
public:
    virtual ~TrayApi() = default;
    virtual void SetupTray() {}
    // The window was minimized (Park): hide it so that only the icon remains.
    virtual void onWindowMinimized() {}
    // The window is about to close: remove the icon.
    virtual void onWindowClosing() {}
};

// The password pop-up window, closed by tmrPass.
class PopupApi {
public:
    virtual ~PopupApi() = default;
    virtual bool isPopupVisible() const { return false; }
    // Close the pop-up as its own Close button does.
    virtual void closePopup() {}
};

}  // namespace keyloft

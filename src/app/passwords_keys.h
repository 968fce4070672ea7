#pragma once
// The keys of the passwords view that have no toolbar button: Ctrl+F searches, Ctrl+C copies the
// chosen entry's password and Ctrl+B its user code. They work wherever the focus is in the window
// while the view is shown; a text box with its own Ctrl+C (a selection to copy) keeps it.

class QWidget;

namespace keyloft {

class PasswordsView;

// The actions (objectName "Search", "CopyPassword", "CopyUserCode") go into `window`.
void AddPasswordsKeys(QWidget& window, PasswordsView& page);

}  // namespace keyloft

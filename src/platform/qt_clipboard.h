#pragma once
// The clipboard seam. The editor's copy button and the pop-up's copy buttons use it.
// A copied password is marked as secret so that clipboard managers keep it out of their history,
// and the program can take back what it copied as long as nothing else was copied since.

#include <QString>

namespace keyloft::platform {

class Clipboard {
  public:
    virtual ~Clipboard() = default;
    // Empties the clipboard and puts the text on it, marked as secret for clipboard managers.
    virtual void setSecretText(const QString& text) = 0;
    virtual QString text() const = 0;
    // Empties the clipboard if it still holds what the last setSecretText put there; true then.
    // Whatever was copied since (here or in another program) is left alone.
    virtual bool clearIfOwn() = 0;
    // Empties the X primary selection while this program owns it (text selected in one of its
    // boxes); true then. A selection made in another program is left alone.
    virtual bool clearSelectionIfOwn() = 0;
};

// The system clipboard (QClipboard). Implemented in qt_clipboard.cpp.
Clipboard& SystemClipboard();

// The clipboard formats that mark a copied text as secret on Windows; each holds a DWORD zero.
inline constexpr const char* kWindowsSecretFormats[] = {
    "application/x-qt-windows-mime;value=\"ExcludeClipboardContentFromMonitorProcessing\"",
    "application/x-qt-windows-mime;value=\"CanIncludeInClipboardHistory\"",
    "application/x-qt-windows-mime;value=\"CanUploadToCloudClipboard\"",
};

}  // namespace keyloft::platform

#pragma once
// The clipboard seam. The editor's copy button and the pop-up's copy buttons use it.
// A copied password is marked as secret so that clipboard managers keep it out of their history.

#include <QString>

namespace keyloft::platform {

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Empties the clipboard and puts the text on it, marked as secret for clipboard managers.
    virtual void setSecretText(const QString& text) = 0;
    virtual QString text() const = 0;
};

// The system clipboard (QClipboard). Implemented in qt_clipboard.cpp.
Clipboard& SystemClipboard();

}  // namespace keyloft::platform

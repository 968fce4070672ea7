#pragma once
// The shell seam: hands a web address or a "mailto:" address to the system's default handler.

#include <QString>
#include <QUrl>

namespace keyloft::platform {

class Shell {
  public:
    virtual ~Shell() = default;
    // Opens the item with its default handler; false when there is none or it refused.
    virtual bool open(const QString& item) = 0;
};

// The address the system is given for an item: "mailto:" items as they are, anything else read
// the way a user would type it into a browser ("www.example.com" becomes an http address).
QUrl ShellUrl(const QString& item);

// The system's handler (QDesktopServices).
Shell& SystemShell();

}  // namespace keyloft::platform

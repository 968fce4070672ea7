#pragma once
// The password pop-up: a small shaped window, always on top, showing one entry's user code and
// password in clear with its expiry date, web site and e-mail address. The copy buttons put the
// user code or the password on the clipboard; the links open the web site or a new e-mail. The
// main window's tmrPass closes it one minute after it was first shown.

#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "pages/view_hooks.h"
#include "store/ui_host.h"
#include "desktop/shaped_window.h"
#include "platform/qt_clipboard.h"
#include "platform/qt_shell.h"

class QLineEdit;
class QTimer;

namespace keyloft {

// The main window's tmrPass as the pop-up sees it.
class PassTimer {
public:
    virtual ~PassTimer() = default;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

// tmrPass itself: a QTimer of 60000 ms.
class QtPassTimer final : public PassTimer {
public:
    explicit QtPassTimer(QTimer& timer) : timer_(timer) {}
    void start() override;
    void stop() override;
    bool isActive() const override;

private:
    QTimer& timer_;
};

class PasswordPopup : public QWidget {
    Q_OBJECT
public:
    // Loads the window: sized and shaped from its picture, floating above other windows. It is
    // deleted when it closes; keep it in a QPointer.
    PasswordPopup(platform::Clipboard& clipboard, platform::Shell& shell, PassTimer& tmrPass,
                QWidget* parent = nullptr);
    ~PasswordPopup() override;

    // varList: the entry record split at "|" (field 0 the record kind). Fills the window, starts
    // tmrPass unless it runs already, and shows the window.
    void GetItem(const QStringList& varList);
    // Closes the window (and stops tmrPass).
    void cmdClose_Click();
    // What the main window does on a tmrPass tick: close the pop-up when it is shown.
    static void tmrPass_Timer(PasswordPopup* popup);

    // Sizes the window to its picture.
    void FormResize();

    // Where a link that cannot be opened is reported; without one, nothing is said.
    void setDialogs(Dialogs* dialogs) { dialogs_ = dialogs; }

    // Clicks and pointer moves, as the controls' events call them.
    void ImgCopyUser_Click();
    void ImgPass_Click();
    void lblWeb_Click();
    void lblEmail_Click();

    const ShapedWindow* shaper() const { return shaper_.get(); }
    static QColor linkColor();       // white
    static QColor linkHoverColor();  // RGB 170, 170, 255

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* pictureHolder(const char* name, const QString& resource);
    QLabel* link(const char* name);
    void backgroundMove();
    void hoverCopy(QLabel* button);
    void hoverLink(QLabel* label);
    void setLinkColor(QLabel* label, const QColor& color);
    void copyToClipboard(const QLineEdit* box);
    void unload();
    void placeBesideOwner();
    void openLink(const QString& item);

    platform::Clipboard& clipboard_;
    platform::Shell& shell_;
    PassTimer& tmrPass_;
    std::unique_ptr<ShapedWindow> shaper_;
    QImage picture_;
    bool unloaded_ = false;
    Dialogs* dialogs_ = nullptr;

public:
    // Controls, by the names the window's code and tests use.
    QLabel* lblTitle = nullptr;  // the entry's description
    QLineEdit* txtcode = nullptr;
    QLineEdit* txtpass = nullptr;
    QLineEdit* txtExpiryDate = nullptr;
    QLabel* lblWeb = nullptr;
    QLabel* lblEmail = nullptr;
    QLabel* ImgCopyUser = nullptr;
    QLabel* ImgPass = nullptr;
    QLabel* cmdClose = nullptr;
    QLabel* ImgCopy = nullptr;
    QLabel* ImgCopyMove = nullptr;
    QLabel* Imgbkg = nullptr;
    QLabel* Imgmousemove = nullptr;
    QLabel* ImgCursor = nullptr;
};

// The one pop-up of the main window: loaded on the first Show, refilled by later ones while it is
// open, loaded afresh after it closed. The window's tmrPass closes it through PopupApi.
class PassPopup final : public PopupApi {
public:
    PassPopup(platform::Clipboard& clipboard, platform::Shell& shell, QTimer& tmrPass, QWidget* parent = nullptr);
    ~PassPopup() override;

    // Shows the entry record split at "|".
    void Show(const QStringList& varList);
    void Show(const std::vector<std::u16string>& varList);
    bool isPopupVisible() const override;
    void closePopup() override;
    PasswordPopup* window() const { return popup_; }
    void setDialogs(Dialogs* dialogs) { dialogs_ = dialogs; }

private:
    platform::Clipboard& clipboard_;
    platform::Shell& shell_;
    QtPassTimer timer_;
    QPointer<QWidget> parent_;
    QPointer<PasswordPopup> popup_;
    Dialogs* dialogs_ = nullptr;
};

// Text of the message about a web site or e-mail address that could not be opened (the item follows).
inline constexpr char16_t kLinkNotOpenedText[] = u"No program could open ";

}  // namespace keyloft

#pragma once
// The password pop-up: a small shaped window, always on top, showing one entry's user code and
// password in clear with its expiry date, web site and e-mail address. The copy buttons put the
// user code or the password on the clipboard; the links open the web site or a new e-mail. The
// main window's tmrPass closes it one minute after it was opened.
//
// Its layout follows the font, and it widens to show whole values (up to most of the screen's
// width; a longer value scrolls in its box with the arrow keys). Shown, it takes the focus: Tab
// goes through the boxes, the copy buttons, the links and Close (Enter or Space works the one
// that has the focus); Alt+U copies the user code, Alt+P the password, Escape closes it. The user
// code and the password can never be selected, so they never reach the X selection.

#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "pages/view_hooks.h"
#include "store/profile.h"
#include "store/ui_host.h"
#include "desktop/shaped_window.h"
#include "platform/qt_clipboard.h"
#include "platform/qt_shell.h"

class QLineEdit;
class QTimer;

namespace keyloft {

// The main window's tmrPass as the pop-up sees it.
class PopupTimer {
  public:
    virtual ~PopupTimer() = default;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

// tmrPass itself: a QTimer of 60000 ms.
class QtPopupTimer final : public PopupTimer {
  public:
    explicit QtPopupTimer(QTimer& timer) : timer_(timer) {}
    void start() override;
    void stop() override;
    bool isActive() const override;

  private:
    QTimer& timer_;
};

// The window's picture at `size`: a rounded panel with a line under its title at `lineY`, and
// the key colour (pure blue) outside the outline, which shaping cuts away.
QImage PopupPicture(const QSize& size, int lineY);

// The one pop-up of the main window: loaded (sized, shaped, floating) once, shown by Show with
// an entry, refilled by later ones while it is open. Closing it (its Close button, or the main
// window's tmrPass through PopupApi) hides it and empties its boxes.
class PasswordPopup : public QWidget, public PopupApi {
    Q_OBJECT
  public:
    PasswordPopup(platform::Clipboard& clipboard, platform::Shell& shell, PopupTimer& timer,
                  QWidget* parent = nullptr);
    ~PasswordPopup() override;

    // Fills the window with the entry, starts tmrPass unless it runs already, and shows the window
    // beside its owner with the focus in the user code.
    void showEntry(const Entry& entry);

    // PopupApi: closes the window as its own Close button does (and stops tmrPass).
    bool isPopupVisible() const override { return isVisible(); }
    void closePopup() override;

    // Where a link that cannot be opened is reported; without one, nothing is said.
    void setDialogs(Dialogs* dialogs) { dialogs_ = dialogs; }

    const ShapedWindow* shaper() const { return shaper_.get(); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Escape closes the window and gives the focus back to the main window.
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLabel* pictureHolder(const char* name, const QString& resource);
    QLabel* link(const char* name, const QString& accessibleName);
    QLabel* pictureButton(const char* name, const QString& accessibleName);
    // The boxes and links as wide as their values (within the screen), the window as large as
    // its layout, its picture and shape renewed.
    void fitToValues();
    void renewPicture();
    void backgroundMove();
    void hoverCopy(QLabel* button);
    void hoverLink(QLabel* label);
    void setLinkColor(QLabel* label, const QColor& color);
    // The focused control shows as the pointer over it would show it.
    void showFocus(QObject* control, bool focused);
    void copyToClipboard(const QLineEdit* box);
    void placeBesideOwner();
    void keepOnScreen();
    void openLink(const QString& item);
    void copyUserCode();
    void copyPassword();
    void openWebSite();
    void openEmail();
    void emptyBoxes();
    // Enter or Space on a control that works like a button.
    void activate(QObject* control);

    platform::Clipboard& clipboard_;
    platform::Shell& shell_;
    PopupTimer& timer_;
    std::unique_ptr<ShapedWindow> shaper_;
    QImage picture_;
    Dialogs* dialogs_ = nullptr;
    QString webSite_;  // the links' whole texts (a long one is shown shortened)
    QString email_;

    QLabel* title_ = nullptr;  // the entry's description
    QLineEdit* userCodeBox_ = nullptr;
    QLineEdit* passwordBox_ = nullptr;
    QLineEdit* expiryBox_ = nullptr;
    QLabel* webLink_ = nullptr;
    QLabel* emailLink_ = nullptr;
    QLabel* copyUserButton_ = nullptr;
    QLabel* copyPasswordButton_ = nullptr;
    QLabel* closeButton_ = nullptr;
    QLabel* copyPicture_ = nullptr;
    QLabel* copyHoverPicture_ = nullptr;
    QLabel* closePicture_ = nullptr;
    QLabel* closeHoverPicture_ = nullptr;
    QLabel* cursorPicture_ = nullptr;
};

// Text of the message about a web site or e-mail address that could not be opened (the item follows).
inline constexpr char16_t kLinkNotOpenedText[] = u"No program could open ";

}  // namespace keyloft

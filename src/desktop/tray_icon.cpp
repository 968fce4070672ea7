#include "desktop/tray_icon.h"
#include "pages/text_rules.h"

#include <QAction>
#include <QApplication>
#include <algorithm>
#include <QCursor>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QWidget>

namespace keyloft {

namespace {

constexpr char16_t kTip[] = u"Keyloft Password Manager";
constexpr char16_t kAboutCaption[] = u"About Keyloft";
constexpr char16_t kAboutText[] = u"Keyloft Password Manager Version 2.0";
constexpr char16_t kAboutTitle[] = u"About";
constexpr char16_t kDefaultIconName[] = u"DEFAULT";
constexpr int kTipField = 64;

bool isMinimized(const QWidget* window) { return window->windowState().testFlag(Qt::WindowMinimized); }

bool isMaximized(const QWidget* window) { return window->windowState().testFlag(Qt::WindowMaximized); }

}  // namespace

QString TrayClickName(int code) {
    switch (code) {
        case tray_message::MouseMove:
            return QStringLiteral("MOUSEMOVE");
        case tray_message::LButtonDown:
            return QStringLiteral("LBUTTONDOWN");
        case tray_message::LButtonUp:
            return QStringLiteral("LBUTTONUP");
        case tray_message::LButtonDblClk:
            return QStringLiteral("LBUTTONDBLCLK");
        case tray_message::RButtonDown:
            return QStringLiteral("RBUTTONDOWN");
        case tray_message::RButtonUp:
            return QStringLiteral("RBUTTONUP");
        case tray_message::RButtonDblClk:
            return QStringLiteral("RBUTTONDBLCLK");
        case tray_message::MButtonDown:
            return QStringLiteral("MBUTTONDOWN");
        case tray_message::MButtonUp:
            return QStringLiteral("MBUTTONUP");
        case tray_message::MButtonDblClk:
            return QStringLiteral("MBUTTONDBLCLK");
        default:
            return QStringLiteral("OTHER....: ") + QString::number(code);
    }
}

int TrayMessageFor(int qtActivationReason) {
    switch (static_cast<QSystemTrayIcon::ActivationReason>(qtActivationReason)) {
        case QSystemTrayIcon::Context:
            return tray_message::RButtonUp;
        case QSystemTrayIcon::DoubleClick:
            return tray_message::LButtonDblClk;
        case QSystemTrayIcon::Trigger:
            return tray_message::LButtonUp;
        case QSystemTrayIcon::MiddleClick:
            return tray_message::MButtonUp;
        case QSystemTrayIcon::Unknown:
            break;
    }
    return 0;
}

// A small key on a dark blue disc: the icon shown in the notification area.
QPixmap TrayIcon::trayPicture() {
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(24, 48, 120));
    p.drawEllipse(1, 1, 30, 30);
    p.setBrush(QColor(240, 200, 60));
    p.drawEllipse(6, 10, 12, 12);
    p.drawRect(16, 14, 11, 4);
    p.drawRect(22, 18, 3, 4);
    p.drawRect(26, 18, 2, 3);
    p.setBrush(QColor(24, 48, 120));
    p.drawEllipse(9, 13, 6, 6);
    return picture;
}

// A plain padlock: the default picture.
QPixmap TrayIcon::defaultPicture() {
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 90, 90), 3));
    p.setBrush(Qt::NoBrush);
    p.drawArc(9, 3, 14, 18, 0, 180 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 90, 90));
    p.drawRoundedRect(6, 13, 20, 16, 3, 3);
    p.setBrush(QColor(230, 230, 230));
    p.drawEllipse(14, 18, 4, 4);
    return picture;
}

TrayIcon::TrayIcon(Dialogs& dialogs, QWidget* window) : dialogs_(dialogs), window_(window) {
    menu_ = std::make_unique<QMenu>();
    menu_->setObjectName(QStringLiteral("mPopupMenu"));
    auto addItem = [this](const char* name, const QString& caption) {
        QAction* action = menu_->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    auto addSeparator = [this](const char* name) {
        menu_->addSeparator()->setObjectName(QString::fromLatin1(name));
    };
    about_ = addItem("mAbout", QStringLiteral("&About"));
    addSeparator("mSep1");
    maximize_ = addItem("mMaximize", QStringLiteral("Ma&ximize"));
    restore_ = addItem("mRestore", QStringLiteral("&Restore"));
    minimize_ = addItem("mMinimize", QStringLiteral("&Minimize"));
    addSeparator("mSep2");
    lock_ = addItem("mLock", QStringLiteral("&Lock"));
    lock_->setEnabled(false);
    exit_ = addItem("mExit", QStringLiteral("&Exit"));
    connect(about_, &QAction::triggered, this, &TrayIcon::onAboutClicked);
    connect(maximize_, &QAction::triggered, this, &TrayIcon::onMaximizeClicked);
    connect(restore_, &QAction::triggered, this, &TrayIcon::onRestoreClicked);
    connect(minimize_, &QAction::triggered, this, &TrayIcon::onMinimizeClicked);
    connect(lock_, &QAction::triggered, this, &TrayIcon::lockClicked);
    connect(exit_, &QAction::triggered, this, &TrayIcon::onExitClicked);
    connect(menu_.get(), &QMenu::aboutToShow, this, &TrayIcon::updateMenu);
}

TrayIcon::~TrayIcon() { unload(); }

void TrayIcon::install() {
    if (installed_) return;
    installed_ = true;
    icon_ = QIcon(trayPicture());
    emit iconChanged(this);
    setTooltip(QtText(kTip));
    about_->setText(QtText(kAboutCaption));

    tray_ = std::make_unique<QSystemTrayIcon>(icon_);
    tray_->setContextMenu(menu_.get());
    connect(tray_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { onMouseMessage(TrayMessageFor(reason)); });
    setNotificationAreaAvailable(QSystemTrayIcon::isSystemTrayAvailable());
    loaded_ = true;
    if (window_) {
        window_->installEventFilter(this);
        connect(window_.data(), &QObject::destroyed, this, &TrayIcon::unload, Qt::UniqueConnection);
    }
}

void TrayIcon::setNotificationAreaAvailable(bool available) {
    trayAvailable_ = available;
    if (!tray_) return;
    if (available) {
        tray_->setIcon(icon_);
        tray_->setToolTip(tooltip().section(QChar(0), 0, 0));
        tray_->show();
    } else {
        tray_->hide();
    }
}

bool TrayIcon::iconInNotificationArea() const { return tray_ && trayAvailable_ && tray_->isVisible(); }

QString TrayIcon::tooltip() const { return QString::fromUtf16(tip_.data(), kTipField); }

void TrayIcon::setTooltip(const QString& text) {
    tip_.fill(u' ');
    const QString cut = text.left(kTipField - 1);
    for (qsizetype i = 0; i < cut.size(); ++i) tip_[static_cast<std::size_t>(i)] = cut.at(i).unicode();
    tip_[static_cast<std::size_t>(cut.size())] = u'\0';
}

void TrayIcon::setIcon(const QString& text) {
    if (text.compare(QtText(kDefaultIconName), Qt::CaseInsensitive) == 0) {
        icon_ = QIcon(defaultPicture());
    } else {
        const QPixmap picture(text);
        if (!picture.isNull()) icon_ = QIcon(picture);
    }
    updateIcon();
}

void TrayIcon::setIcon(const QPixmap& picture) {
    if (!picture.isNull()) icon_ = QIcon(picture);
    updateIcon();
}

void TrayIcon::setIcon(const QWidget* object) {
    // A picture label gives its picture; any other object its own icon.
    if (const auto* picture = qobject_cast<const QLabel*>(object); picture && !picture->pixmap().isNull())
        icon_ = QIcon(picture->pixmap());
    else if (object && !object->windowIcon().isNull())
        icon_ = object->windowIcon();
    updateIcon();
}

void TrayIcon::updateIcon() {
    emit iconChanged(this);
    if (!tray_) return;
    tray_->setIcon(icon_);
    tray_->setToolTip(tooltip().section(QChar(0), 0, 0));
}

void TrayIcon::onWindowMinimized() {
    if (!window_) return;
    if (isMinimized(window_)) {
        if (trayAvailable_) window_->hide();  // parked: only the icon remains
        return;
    }
    remembered_ = isMaximized(window_) ? Qt::WindowMaximized : Qt::WindowNoState;
}

void TrayIcon::unload() {
    if (!loaded_) return;
    loaded_ = false;
    if (tray_) {
        tray_->hide();
        tray_.reset();
    }
    if (window_) window_->removeEventFilter(this);
}

bool TrayIcon::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::WindowStateChange && !isMinimized(window_))
        remembered_ = isMaximized(window_) ? Qt::WindowMaximized : Qt::WindowNoState;
    return false;
}

void TrayIcon::setLockable(bool lockable) {
    lockable_ = lockable;
    lock_->setEnabled(lockable);
}

void TrayIcon::updateMenu() {
    about_->setEnabled(true);
    exit_->setEnabled(true);
    lock_->setEnabled(lockable_);
    if (!window_) {
        maximize_->setEnabled(false);
        restore_->setEnabled(false);
        minimize_->setEnabled(false);
        return;
    }
    const bool hidden = !window_->isVisible();
    const bool minimized = isMinimized(window_);
    const bool maximized = isMaximized(window_);
    if (hidden || minimized) {
        maximize_->setEnabled(true);
        restore_->setEnabled(true);
        minimize_->setEnabled(false);
    } else if (maximized) {
        maximize_->setEnabled(false);
        restore_->setEnabled(false);
        minimize_->setEnabled(true);
    } else {
        maximize_->setEnabled(true);
        restore_->setEnabled(false);
        minimize_->setEnabled(true);
    }
}

void TrayIcon::onMouseMessage(int code) {
    if (code == tray_message::RButtonUp) {
        updateMenu();
        emit clicked(TrayClickName(code));
        showPopupMenu();
        return;
    }
    emit clicked(TrayClickName(code));
    // A keyboard cannot double-click: the one activation that a notification area sends for
    // Enter or Space on the icon (a single click) brings a parked window back as well.
    const bool parked = window_ && window_->isHidden();
    if (code == tray_message::LButtonDblClk || (code == tray_message::LButtonUp && parked))
        onRestoreClicked();
}

void TrayIcon::showPopupMenu() {
    // Where the notification area shows the icon, it also opens the menu on a right click.
    if (iconInNotificationArea()) return;
    menu_->popup(QCursor::pos());
}

void TrayIcon::onAboutClicked() {
    MessageRequest request;
    request.text = kAboutText;
    request.title = kAboutTitle;
    request.icon = MessageIcon::Information;
    dialogs_.showMessage(request);
}

void TrayIcon::onMaximizeClicked() {
    if (!window_) return;
    window_->setWindowState((window_->windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
    window_->show();
}

void TrayIcon::onRestoreClicked() {
    if (!window_) return;
    if (window_->isVisible() && !isMinimized(window_)) return;
    window_->setWindowState((window_->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized)) |
                            remembered_);
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void TrayIcon::onMinimizeClicked() {
    if (!window_) return;
    window_->setWindowState(window_->windowState() | Qt::WindowMinimized);
}

void TrayIcon::onExitClicked() {
    if (!window_) return;
    const bool wasShown = window_->isVisible();
    // Closing runs the window's own checks, which may keep it open.
    if (!window_->close()) return;
    unload();
    // Closing a parked (hidden) window does not count as closing the last window: end the
    // program here unless some other window is still shown.
    if (!wasShown) {
        const auto windows = QApplication::topLevelWidgets();
        const bool anyShown = std::any_of(windows.begin(), windows.end(), [](const QWidget* w) {
            return w->isVisible() && !w->testAttribute(Qt::WA_DontShowOnScreen);
        });
        if (!anyShown) endProgram_ ? endProgram_() : QCoreApplication::quit();
    }
}

}  // namespace keyloft

// The main window: construction, the load step, what pages work with, closing, Park and Help.
// Screens, the commands' states and the profile choice are in main_window_screens.cpp, the store's
// host and the answers to its questions in main_window_store.cpp, the logon in
// main_window_logon.cpp, locking in main_window_locking.cpp, the toolbar commands in
// main_window_commands.cpp.
#include "app/main_window.h"

#include <cstdlib>
#include <optional>
#include <utility>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/about_view.h"
#include "app/clearing_clipboard.h"
#include "app/data_folder.h"
#include "app/idle_lock.h"
#include "app/logon_view.h"
#include "app/profile_view.h"
#include "app/setup_frame.h"
#include "entries/passwords_view.h"
#include "keyloft_version.h"
#include "pages/focus_in_view.h"
#include "platform/qt_dialogs.h"
#include "platform/qt_screen_lock.h"
#include "store/profile_store.h"

// Pictures compiled into this library must be registered before the first use.
static void InitAppResources() { Q_INIT_RESOURCE(keyloft_app); }

namespace keyloft {
namespace {

constexpr int kPopupTimerMs = 60000;

// The screens, one shown at a time. The stack takes the size hints of the shown screen only, so
// that a hidden screen does not make the window larger.
class ScreenStack final : public QStackedWidget {
  public:
    explicit ScreenStack(QWidget* parent) : QStackedWidget(parent) {
        setObjectName(QStringLiteral("screens"));
        connect(this, &QStackedWidget::currentChanged, this, [this] { updateGeometry(); });
    }
    QSize sizeHint() const override { return currentWidget() ? currentWidget()->sizeHint() : QSize(); }
    QSize minimumSizeHint() const override {
        return currentWidget() ? currentWidget()->minimumSizeHint() : QSize();
    }
};

// A screen that shows `view` at the top at its own height.
QWidget* AtTheTop(QWidget* view) {
    auto* screen = new QWidget;
    screen->setObjectName(view->objectName() + QStringLiteral("Screen"));
    auto* column = new QVBoxLayout(screen);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(view);
    column->addStretch(1);
    return screen;
}

// A screen that scrolls when the window is lower or narrower than it (a large font, a small or
// highly scaled screen), instead of pushing the window beyond the screen.
QWidget* Scrolling(QWidget* view) {
    auto* area = new QScrollArea;
    area->setObjectName(view->objectName() + QStringLiteral("Scroll"));
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setFocusPolicy(Qt::NoFocus);
    area->setWidget(view);
    KeepFocusInView(area);
    return area;
}

void PlaceIn(QWidget* content, Page* page) {
    if (page == nullptr) return;
    if (content->layout() == nullptr) {
        auto* layout = new QVBoxLayout(content);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    if (page->parentWidget() != content) page->setParent(content);
    content->layout()->addWidget(page);
}

// "920x680" or "300,240": two whole numbers; nothing when the text is anything else.
std::optional<std::pair<int, int>> TwoNumbers(const std::u16string& text, QChar separator) {
    const QStringList parts = QString::fromStdU16String(text).split(separator);
    if (parts.size() != 2) return std::nullopt;
    bool firstOk = false;
    bool secondOk = false;
    const int first = parts[0].trimmed().toInt(&firstOk);
    const int second = parts[1].trimmed().toInt(&secondOk);
    if (!firstOk || !secondOk || first <= 0 || second <= 0) return std::nullopt;
    return std::make_pair(first, second);
}

}  // namespace

MainWindow::MainWindow(const AppServices& services, QWidget* parent)
    : QMainWindow(parent), services_(services) {
    InitAppResources();
    setObjectName(QStringLiteral("frmNewMain"));
    setWindowTitle(QStringLiteral("Keyloft"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/keyloft.svg")));

    store_ = std::make_unique<ProfileStore>(*this, *services_.files, *services_.settings, *services_.clock,
                                            services_.applicationFolder, services_.defaultDatabaseFolder,
                                            services_.sealingLimits);
    // Idle time counts from the moment the window exists.
    idleLock_ = new IdleLock(*services_.clock, this);
    clipboard_ = new ClearingClipboard(services_.clipboard, this);
    screenLock_ = new platform::ScreenLockWatcher(this);
    buildWindow();
    connectControls();
    connectCommands();
    updateActions();
    orderTabStops();
    qApp->installEventFilter(this);
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
    // A logon that is making its key ends first (it works on its own copy of the file).
    if (logonThread_ != nullptr) logonThread_->wait();
}

void MainWindow::buildWindow() {
    toolbars_ = BuildMainToolbars(this);
    addToolBar(Qt::TopToolBarArea, toolbars_.sessionBar);
    addToolBar(Qt::TopToolBarArea, toolbars_.recordBar);

    auto* body = new QWidget(this);
    body->setObjectName(QStringLiteral("body"));
    // Mouse movements anywhere over the window reach it (activity for auto-lock).
    setMouseTracking(true);
    body->setMouseTracking(true);

    filterBox_ = new QComboBox(body);
    filterBox_->setObjectName(QStringLiteral("cboFilter"));
    filterBox_->setMinimumWidth(180);
    filterBox_->setToolTip(QStringLiteral("Filter by Category"));
    filterBox_->setAccessibleName(QStringLiteral("Filter by category"));
    filterBox_->setAccessibleDescription(
        QStringLiteral("The category whose entries the list shows; usable while Filter is pressed"));
    filterBox_->setEnabled(false);
    auto* park = new QPushButton(QStringLiteral("&Park"), body);
    park->setObjectName(QStringLiteral("cmdPark"));
    park->setToolTip(QStringLiteral("Minimize Keyloft in System Tray"));
    connect(park, &QPushButton::clicked, this, &MainWindow::onParkClicked);
    // "?" says nothing to a screen reader: the button is named Help, and F1 works anywhere.
    auto* help = new QPushButton(QStringLiteral("?"), body);
    help->setObjectName(QStringLiteral("cmdHelp"));
    auto* helpKey = new QAction(QStringLiteral("Help"), this);
    helpKey->setObjectName(QStringLiteral("Help"));
    helpKey->setShortcut(QKeySequence::HelpContents);
    helpKey->setShortcutContext(Qt::WindowShortcut);
    addAction(helpKey);
    help->setToolTip(ToolTipWithShortcut(QStringLiteral("Online Help"), helpKey->shortcut()));
    help->setAccessibleName(QStringLiteral("Help"));
    help->setAccessibleDescription(QStringLiteral("Opens the help page in a web browser"));
    connect(help, &QPushButton::clicked, this, &MainWindow::onHelpClicked);
    connect(helpKey, &QAction::triggered, this, &MainWindow::onHelpClicked);
    auto* strip = new QHBoxLayout;
    strip->addWidget(filterBox_);
    strip->addStretch(1);
    strip->addWidget(park);
    strip->addWidget(help);

    welcomeScreen_ = new QWidget;
    welcomeScreen_->setObjectName(QStringLiteral("welcomeView"));
    auto* welcomeLayout = new QVBoxLayout(welcomeScreen_);
    welcomePicture_ = new QLabel(welcomeScreen_);
    welcomePicture_->setObjectName(QStringLiteral("AGif"));
    welcomePicture_->setAlignment(Qt::AlignCenter);
    welcomePicture_->setPixmap(BuiltInWelcomePicture());
    welcomeLayout->addWidget(welcomePicture_, 1);

    profileView_ = new ProfileView;
    logonView_ = new LogonView;
    passwordsScreen_ = new QFrame;
    passwordsScreen_->setObjectName(QStringLiteral("fraPasswords"));
    passwordsScreen_->setLayout(new QVBoxLayout);
    passwordsScreen_->layout()->setContentsMargins(0, 0, 0, 0);
    setupFrame_ = new SetupFrame;
    aboutView_ = new AboutView;
    aboutView_->setVersion(
        AboutView::VersionText(KEYLOFT_VERSION_MAJOR, KEYLOFT_VERSION_MINOR, KEYLOFT_VERSION_PATCH));

    // In the order of Screen.
    screens_ = new ScreenStack(body);
    screens_->addWidget(welcomeScreen_);
    screens_->addWidget(Scrolling(AtTheTop(profileView_)));
    screens_->addWidget(Scrolling(AtTheTop(logonView_)));
    screens_->addWidget(new QWidget);       // empty: after a logon, until Passwords or Setup
    screens_->addWidget(passwordsScreen_);  // its list and its editor scroll on their own
    screens_->addWidget(Scrolling(setupFrame_));
    screens_->addWidget(Scrolling(buildCategoryScreen()));
    screens_->addWidget(Scrolling(aboutView_));
    screens_->setCurrentIndex(static_cast<int>(Screen::Welcome));

    // The shown screen takes all the height below the strip.
    auto* column = new QVBoxLayout(body);
    column->addLayout(strip);
    column->addWidget(screens_, 1);
    setCentralWidget(body);

    statusBar_ = new QStatusBar(this);
    statusBar_->setObjectName(QStringLiteral("StatusBar1"));
    statusBar_->setAccessibleName(QStringLiteral("Status"));
    setStatusBar(statusBar_);
    logonBusy_ = new QProgressBar(statusBar_);
    logonBusy_->setObjectName(QStringLiteral("logonBusy"));
    logonBusy_->setRange(0, 0);  // busy, with no share of the work to show
    logonBusy_->setTextVisible(false);
    logonBusy_->setAccessibleName(QStringLiteral("Busy"));
    logonBusy_->setMaximumWidth(120);
    statusBar_->addPermanentWidget(logonBusy_);
    logonBusy_->hide();

    popupTimer_ = new QTimer(this);
    popupTimer_->setObjectName(QStringLiteral("tmrPass"));
    popupTimer_->setInterval(kPopupTimerMs);

    // No fixed least size: the layouts' own, which grow with the font.
    resize(kDefaultWindowSize);
}

QWidget* MainWindow::buildCategoryScreen() {
    categoryScreen_ = new QFrame;
    categoryScreen_->setObjectName(QStringLiteral("fraCategory"));
    categoryScreen_->setFrameShape(QFrame::StyledPanel);
    auto* title = new QLabel(QStringLiteral("Category"), categoryScreen_);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    categoryContent_ = new QWidget(categoryScreen_);
    categoryContent_->setObjectName(QStringLiteral("categoryContent"));
    auto* close = new QPushButton(QStringLiteral("&Close"), categoryScreen_);
    close->setObjectName(QStringLiteral("cmdCloseCategory"));
    connect(close, &QPushButton::clicked, this, [this] { showScreen(Screen::Setup); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* column = new QVBoxLayout(categoryScreen_);
    column->addWidget(title);
    column->addWidget(categoryContent_, 1);
    column->addLayout(buttons);
    return categoryScreen_;
}

void MainWindow::connectControls() {
    connect(profileView_, &ProfileView::continueClicked, this, &MainWindow::onContinueClicked);
    connect(profileView_, &ProfileView::databaseClicked, this, &MainWindow::onDatabaseClicked);
    connect(logonView_, &LogonView::logonClicked, this, &MainWindow::onLogonClicked);
    connect(logonView_, &LogonView::forgotClicked, this, &MainWindow::onForgotLogonClicked);
    connect(idleLock_, &IdleLock::idle, this, [this] { lockFrom(LockTrigger::Idle); });
    connect(screenLock_, &platform::ScreenLockWatcher::screenLocked, this,
            [this] { lockFrom(LockTrigger::ScreenLocked); });
    connect(setupFrame_, &SetupFrame::lockOptionsChanged, this, &MainWindow::onLockOptionsChanged);
    connect(popupTimer_, &QTimer::timeout, this, &MainWindow::onPopupTimer);
    connect(setupFrame_, &SetupFrame::autoLockToggled, this, &MainWindow::onAutoLockToggled);
    connect(setupFrame_, &SetupFrame::minutesChanged, this, &MainWindow::onAutoLockMinutesChanged);
    // About and Category leave the Setup button pressed and Save and Cancel as they are.
    connect(setupFrame_, &SetupFrame::aboutClicked, this, [this] {
        screens_->setCurrentIndex(static_cast<int>(Screen::Empty));
        QCoreApplication::processEvents();
        screens_->setCurrentIndex(static_cast<int>(Screen::About));
        updateActions();
    });
    connect(aboutView_, &AboutView::closeClicked, this, [this] {
        screens_->setCurrentIndex(static_cast<int>(Screen::Setup));
        updateActions();
    });
    connect(setupFrame_, &SetupFrame::categoryClicked, this, [this] { showScreen(Screen::Category); });
}

// The split of the passwords page is put back by the page when it is first shown.
void MainWindow::restoreLayout() {
    std::u16string value;
    if (store_->folder().readSetting(kSettingWindowSize, value)) {
        if (const auto size = TwoNumbers(value, QLatin1Char('x'))) resize(size->first, size->second);
    }
    // A small or highly scaled screen gets the window within its bounds, frame included.
    if (const QScreen* shown = screen()) {
        const QSize frame = frameGeometry().size() - geometry().size();
        const QSize room = shown->availableGeometry().size() - frame.expandedTo(QSize(8, 32));
        if (room.isValid()) resize(size().boundedTo(room));
    }
}

void MainWindow::saveLayout() {
    const QSize size = isMaximized() || isMinimized() ? normalGeometry().size() : this->size();
    if (size.isValid()) {
        store_->folder().writeSetting(
            kSettingWindowSize,
            QStringLiteral("%1x%2").arg(size.width()).arg(size.height()).toStdU16String());
    }
    const auto* splitter = passwordsScreen_->findChild<QSplitter*>(QStringLiteral("splitPasswords"));
    if (splitter != nullptr && splitter->sizes().size() == 2 && splitter->sizes()[0] > 0) {
        const QList<int> sizes = splitter->sizes();
        store_->folder().writeSetting(kSettingEntrySplit,
                                      QStringLiteral("%1,%2").arg(sizes[0]).arg(sizes[1]).toStdU16String());
    }
}

void MainWindow::load() {
    restoreLayout();
    applyLockSettings();
    show();
    platform::ShowBusyPointer();
    QCoreApplication::processEvents();
    fillProfileList(listProfiles());
    tray_->install();
    platform::ShowIdlePointer();
    welcome_->loadAndStart(welcomePicturePath());
}

QString MainWindow::dataFolder() const {
    const std::filesystem::path& folder =
        services_.dataFolder.empty() ? services_.applicationFolder : services_.dataFolder;
    return QString::fromStdU16String(folder.u16string());
}

// A picture in the database folder is the one shown; without one, the picture the program ships.
QString MainWindow::welcomePicturePath() const {
    const QString own = QDir(QString::fromStdU16String(store_->folder().databaseFolder().u16string()))
                            .filePath(QString::fromLatin1(kWelcomePictureName));
    if (QFileInfo::exists(own)) return own;
    return QDir(dataFolder()).filePath(QString::fromLatin1(kWelcomePictureName));
}

QString MainWindow::helpFilePath() const {
    return QDir(dataFolder()).filePath(QString::fromLatin1(kHelpFileName));
}

// ---- plugged-in parts ----

PageServices MainWindow::pageServices() {
    return PageServices{store_->edits(),
                        store_->open(),
                        store_->folder(),
                        profileDialogs_,
                        [this](const SaveResult& result) { return carryOutSave(result); },
                        [this] { return session_.isDirty(); },
                        [this] { return session_.number(); }};
}

void MainWindow::followPage(Page* page) {
    if (page == nullptr) return;
    connect(page, &Page::dirtyChanged, this, &MainWindow::setDirty);
    connect(page, &Page::commandsChanged, this, &MainWindow::applyCommands);
    // What a page says of the profile reaches the status line only while someone is logged on.
    connect(page, &Page::statusChanged, this, [this](const QString& text) {
        if (session_.loggedOn()) setStatusText(session_.logonStatus() + text);
    });
}

void MainWindow::setPasswordsPage(Page* page) {
    passwordsPage_ = page;
    PlaceIn(passwordsScreen_, page);
    followPage(page);
    orderTabStops();
}

void MainWindow::setSetupPage(Page* page) {
    setupPage_ = page;
    PlaceIn(setupFrame_->content(), page);
    followPage(page);
    orderTabStops();
}

void MainWindow::setCategoryPage(Page* page) {
    categoryPage_ = page;
    PlaceIn(categoryContent_, page);
    followPage(page);
    orderTabStops();
}

void MainWindow::setWelcomeAnimation(WelcomeAnimationApi* animation) {
    welcome_ = animation ? animation : &defaultWelcome_;
    if (animation != nullptr && welcomePicture_ != nullptr) {
        // The real animation control takes the placeholder's place and name.
        delete welcomePicture_;
        welcomePicture_ = nullptr;
    }
}

void MainWindow::setTray(TrayApi* tray) {
    tray_ = tray ? tray : &defaultTray_;
    trayInstalled_ = tray != nullptr;
    tray_->setLockable(session_.isOpen());
}

void MainWindow::setPopup(PopupApi* popup) { popup_ = popup ? popup : &defaultPopup_; }

LocalTime MainWindow::lastActivity() const { return idleLock_->lastActivity(); }

platform::Clipboard& MainWindow::clipboard() { return *clipboard_; }

// ---- closing, Park, Help, the pop-up's timer ----

void MainWindow::closeEvent(QCloseEvent* event) {
    if (session_.isDirty() && !confirmDiscardChanges()) {
        event->ignore();
        return;
    }
    saveLayout();
    // What Keyloft copied does not outlive it (nor is it handed to a clipboard manager at exit).
    clipboard_->clearIfOwn();
    tray_->onWindowClosing();
    event->accept();
    emit windowClosed();
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized()) lockFrom(LockTrigger::Minimized);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) fitToolbars();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    fitToolbars();
}

void MainWindow::bringToFront() {
    if (isHidden() || isMinimized()) {
        setWindowState(windowState() & ~Qt::WindowMinimized);
        show();
    }
    raise();
    activateWindow();
}

void MainWindow::onParkClicked() {
    setWindowState(windowState() | Qt::WindowMinimized);
    const bool trayAvailable = services_.trayAvailable ? services_.trayAvailable() : false;
    // Without a notification area the window only minimizes, so it stays reachable.
    if (trayAvailable && trayInstalled_) {
        tray_->onWindowMinimized();
    }
}

void MainWindow::onHelpClicked() {
    const QString path = helpFilePath();
    if (!QFileInfo::exists(path)) {
        MessageRequest request;
        request.text = kNoHelpText;
        showMessage(request);
        return;
    }
    const bool opened = services_.openUrl ? services_.openUrl(QUrl::fromLocalFile(path)) : false;
    if (!opened) {
        // Without a browser the page can still be read: say which file it is and where.
        MessageRequest request;
        request.text = std::u16string(kHelpErrorText) + u"\n" + kHelpNotOpenedText +
                       QDir::toNativeSeparators(path).toStdU16String();
        showMessage(request);
    }
}

void MainWindow::onPopupTimer() {
    if (storeCallsRunning_ > 0) {
        return;
    }
    if (popup_->isPopupVisible()) {
        popup_->closePopup();
    }
}

// ---- activity ----

// Enter in a one-line box of a view saves what the view holds, as Save does.
bool MainWindow::saveOnEnter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (box == nullptr || box->window() != this) return false;
    bool inView = false;
    for (const QWidget* view :
         {static_cast<QWidget*>(passwordsScreen_), static_cast<QWidget*>(categoryScreen_),
          static_cast<QWidget*>(profileView_), static_cast<QWidget*>(setupFrame_)}) {
        inView = inView || view->isAncestorOf(box);
    }
    QAction* save = toolbars_.actions.save;
    if (!inView || !save->isVisible() || !save->isEnabled()) return false;
    save->trigger();
    return true;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (saveOnEnter(watched, event)) {
        idleLock_->recordActivity();
        return true;
    }
    if (type == QEvent::KeyPress || type == QEvent::MouseMove || type == QEvent::HoverMove) {
        if (auto* widget = qobject_cast<QWidget*>(watched)) {
            if (widget == this || isAncestorOf(widget)) {
                idleLock_->recordActivity();
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace keyloft

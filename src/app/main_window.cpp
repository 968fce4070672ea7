// The main window: construction, the load step, the store's host, what pages work with, closing,
// Park and Help. View switching and logon are in main_window_screens.cpp, locking in
// main_window_locking.cpp, the toolbar commands in main_window_commands.cpp.
#include "app/main_window.h"

#include <cstdlib>
#include <optional>
#include <utility>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLineEdit>
#include <QSlider>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/about_view.h"
#include "app/logon_view.h"
#include "app/data_folder.h"
#include "app/profile_view.h"
#include "app/setup_frame.h"
#include "entries/passwords_view.h"
#include "keyloft_version.h"
#include "platform/qt_dialogs.h"
#include "store/file_system.h"
#include "store/profile_store.h"

// Pictures compiled into this library must be registered before the first use.
static void InitAppResources() { Q_INIT_RESOURCE(keyloft_app); }

namespace keyloft {
namespace {
constexpr int kTimerIntervalMs = 60000;
}  // namespace

MainWindow::MainWindow(const AppServices& services, QWidget* parent)
    : QMainWindow(parent), services_(services) {
    InitAppResources();
    setObjectName(QStringLiteral("frmNewMain"));
    setWindowTitle(QStringLiteral("Keyloft"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/keyloft.svg")));

    store_ = std::make_unique<ProfileStore>(*this, *services_.files, *services_.settings, *services_.clock,
                                            services_.applicationFolder);

    session_ = new Session(*services_.clock, this);
    buildWindow();
    connectControls();

    // Idle time counts from the moment the window exists.
    session_->recordActivity();
    qApp->installEventFilter(this);
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
}

void MainWindow::buildWindow() {
    toolbars = BuildMainToolbars(this);
    Toolbar1 = toolbars.Toolbar1;
    Toolbar2 = toolbars.Toolbar2;
    addToolBar(Qt::TopToolBarArea, Toolbar1);
    addToolBar(Qt::TopToolBarArea, Toolbar2);

    auto* body = new QWidget(this);
    body->setObjectName(QStringLiteral("body"));
    // Mouse movements anywhere over the window reach it (activity for auto-lock).
    setMouseTracking(true);
    body->setMouseTracking(true);

    cboFilter = new QComboBox(body);
    cboFilter->setObjectName(QStringLiteral("cboFilter"));
    cboFilter->setMinimumWidth(180);
    cboFilter->setToolTip(QStringLiteral("Filter by Category"));
    cmdPark = new QPushButton(QStringLiteral("&Park"), body);
    cmdPark->setObjectName(QStringLiteral("cmdPark"));
    cmdPark->setToolTip(QStringLiteral("Minimize Keyloft in System Tray"));
    cmdHelp = new QPushButton(QStringLiteral("?"), body);
    cmdHelp->setObjectName(QStringLiteral("cmdHelp"));
    cmdHelp->setToolTip(QStringLiteral("Online Help"));
    cmdHelp->setFixedWidth(32);
    auto* strip = new QHBoxLayout;
    strip->addWidget(cboFilter);
    strip->addStretch(1);
    strip->addWidget(cmdPark);
    strip->addWidget(cmdHelp);

    welcomeView = new QWidget(body);
    welcomeView->setObjectName(QStringLiteral("welcomeView"));
    auto* welcomeLayout = new QVBoxLayout(welcomeView);
    AGif = new QLabel(welcomeView);
    AGif->setObjectName(QStringLiteral("AGif"));
    AGif->setAlignment(Qt::AlignCenter);
    AGif->setPixmap(BuiltInWelcomePicture());
    welcomeLayout->addWidget(AGif, 1);

    fraProfile = new ProfileView(body);
    fraLogin = new LogonView(body);

    fraPasswords = new QFrame(body);
    fraPasswords->setObjectName(QStringLiteral("fraPasswords"));
    fraPasswords->setLayout(new QVBoxLayout);
    fraPasswords->layout()->setContentsMargins(0, 0, 0, 0);

    fraCategory = new QFrame(body);
    fraCategory->setObjectName(QStringLiteral("fraCategory"));
    fraCategory->setFrameShape(QFrame::StyledPanel);
    {
        auto* title = new QLabel(QStringLiteral("Category"), fraCategory);
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
        categoryContent_ = new QWidget(fraCategory);
        categoryContent_->setObjectName(QStringLiteral("categoryContent"));
        cmdCloseCategory = new QPushButton(QStringLiteral("&Close"), fraCategory);
        cmdCloseCategory->setObjectName(QStringLiteral("cmdCloseCategory"));
        auto* buttons = new QHBoxLayout;
        buttons->addStretch(1);
        buttons->addWidget(cmdCloseCategory);
        auto* column = new QVBoxLayout(fraCategory);
        column->addWidget(title);
        column->addWidget(categoryContent_, 1);
        column->addLayout(buttons);
    }

    fraSecurityOptions = new SetupFrame(body);
    fraAbout = new AboutView(body);
    fraAbout->lblVersion->setText(
        AboutView::VersionText(KEYLOFT_VERSION_MAJOR, KEYLOFT_VERSION_MINOR, KEYLOFT_VERSION_PATCH));

    auto* column = new QVBoxLayout(body);
    column->addLayout(strip);
    column->addWidget(welcomeView, 10);
    column->addWidget(fraProfile, 0);
    column->addWidget(fraLogin, 0);
    column->addWidget(fraPasswords, 10);
    column->addWidget(fraCategory, 10);
    column->addWidget(fraSecurityOptions, 10);
    column->addWidget(fraAbout, 10);
    column->addStretch(1);
    setCentralWidget(body);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    setStatusBar(StatusBar1);

    tmrLock = new QTimer(this);
    tmrLock->setObjectName(QStringLiteral("tmrLock"));
    tmrLock->setInterval(kTimerIntervalMs);
    tmrPass = new QTimer(this);
    tmrPass->setObjectName(QStringLiteral("tmrPass"));
    tmrPass->setInterval(kTimerIntervalMs);

    // The locked window: welcome view only.
    cboFilter->hide();
    cboFilter->setEnabled(false);
    fraProfile->hide();
    fraLogin->hide();
    fraPasswords->hide();
    fraCategory->hide();
    fraSecurityOptions->hide();
    fraAbout->hide();

    setMinimumSize(520, 400);
    resize(920, 680);
}

void MainWindow::connectControls() {
    connectCommands();
    connect(fraProfile->cmdNext, &QPushButton::clicked, this, &MainWindow::cmdNext_Click);
    connect(fraProfile->cmdDatabase, &QPushButton::clicked, this, &MainWindow::cmdDatabase_Click);
    connect(fraLogin->cmdLogin, &QPushButton::clicked, this, &MainWindow::cmdLogin_Click);
    connect(fraLogin->cmdForgot, &QPushButton::clicked, this, &MainWindow::cmdForgot_Click);
    connect(cmdPark, &QPushButton::clicked, this, &MainWindow::cmdPark_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &MainWindow::cmdHelp_Click);
    connect(tmrLock, &QTimer::timeout, this, &MainWindow::tmrLock_Timer);
    connect(tmrPass, &QTimer::timeout, this, &MainWindow::tmrPass_Timer);
    connect(fraSecurityOptions->chkTimeout, &QCheckBox::toggled, this, &MainWindow::chkTimeout_Click);
    connect(fraSecurityOptions->slTimer, &QSlider::valueChanged, this, &MainWindow::slTimer_Change);
    connect(fraSecurityOptions->cmdAbout, &QPushButton::clicked, this, [this] {
        fraSecurityOptions->hide();
        processEvents();
        fraAbout->show();
    });
    connect(fraAbout->cmdCloseAbout, &QPushButton::clicked, this, [this] {
        fraAbout->hide();
        fraSecurityOptions->show();
    });
    connect(fraSecurityOptions->cmdCategory, &QPushButton::clicked, this, [this] {
        fraSecurityOptions->hide();
        ShowCategory(true);
    });
    connect(cmdCloseCategory, &QPushButton::clicked, this, [this] {
        ShowCategory(false);
        ShowSetup(true);
    });
}

QSplitter* MainWindow::entrySplitter() const {
    return fraPasswords->findChild<QSplitter*>(QStringLiteral("splitPasswords"));
}

namespace {

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

// The split of the passwords page is put back by the page when it is first shown.
void MainWindow::restoreLayout() {
    std::u16string value;
    if (store_->ReadSetting(kSettingWindowSize, value)) {
        if (const auto size = TwoNumbers(value, QLatin1Char('x'))) resize(size->first, size->second);
    }
}

void MainWindow::saveLayout() {
    const QSize size = isMaximized() || isMinimized() ? normalGeometry().size() : this->size();
    if (size.isValid()) {
        store_->WriteSetting(kSettingWindowSize,
                             QStringLiteral("%1x%2").arg(size.width()).arg(size.height()).toStdU16String());
    }
    if (QSplitter* splitter = entrySplitter(); splitter && splitter->sizes().size() == 2 && splitter->sizes()[0] > 0) {
        const QList<int> sizes = splitter->sizes();
        store_->WriteSetting(kSettingEntrySplit, QStringLiteral("%1,%2").arg(sizes[0]).arg(sizes[1]).toStdU16String());
    }
}

void MainWindow::Form_Load() {
    restoreLayout();
    show();
    ShowBusyPointer();
    Toolbar2->hide();
    processEvents();
    fillProfileList(store_->ListProfiles());
    tray_->install();
    ShowIdlePointer();
    welcome_->loadAndStart(welcomePicturePath());
}

void MainWindow::fillProfileList(const std::vector<std::u16string>& names, const QString& wanted) {
    QStringList list;
    for (const std::u16string& name : names) {
        list.append(QString::fromStdU16String(name));
    }
    fraProfile->setProfileNames(list, wanted);
}

void MainWindow::refillProfileList(const QString& wanted) {
    fillProfileList(store_->ProfileNames(), wanted.isEmpty() ? fraProfile->chosenProfile() : wanted);
}

QString MainWindow::dataFolder() const {
    const std::filesystem::path& folder =
        services_.dataFolder.empty() ? services_.applicationFolder : services_.dataFolder;
    return QString::fromStdU16String(folder.u16string());
}

// A picture in the database folder is the one shown; without one, the picture the program ships.
QString MainWindow::welcomePicturePath() const {
    const QString own = QDir(QString::fromStdU16String(store_->databaseFolder().u16string()))
                            .filePath(QString::fromLatin1(kWelcomePictureName));
    if (QFileInfo::exists(own)) return own;
    return QDir(dataFolder()).filePath(QString::fromLatin1(kWelcomePictureName));
}

QString MainWindow::helpFilePath() const {
    return QDir(dataFolder()).filePath(QString::fromLatin1(kHelpFileName));
}

// ---- plugged-in views ----

PageServices MainWindow::pageServices() {
    return PageServices{*store_, *services_.dialogs, [this] { return saveProfile(); },
                        [this] { return session_->isDirty(); }};
}

namespace {

void PlaceIn(QWidget* content, Page* page) {
    if (page == nullptr) return;
    if (content->layout() == nullptr) {
        auto* layout = new QVBoxLayout(content);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    if (page->parentWidget() != content) page->setParent(content);
    content->layout()->addWidget(page);
}

}  // namespace

void MainWindow::followPage(Page* page) {
    if (page == nullptr) return;
    connect(page, &Page::dirtyChanged, this, &MainWindow::SetDirty);
    connect(page, &Page::commandsChanged, this, &MainWindow::applyCommands);
    connect(page, &Page::statusChanged, this,
            [this](const QString& text) { setStatusText(logonStatusText_ + text); });
}

void MainWindow::setPasswordsPage(Page* page) {
    passwordsPage_ = page;
    PlaceIn(fraPasswords, page);
    followPage(page);
}

void MainWindow::setSetupPage(Page* page) {
    setupPage_ = page;
    PlaceIn(fraSecurityOptions->content, page);
    followPage(page);
}

void MainWindow::setCategoryPage(Page* page) {
    categoryPage_ = page;
    PlaceIn(categoryContent_, page);
    followPage(page);
}

void MainWindow::setWelcomeAnimation(WelcomeAnimationApi* animation) {
    welcome_ = animation ? animation : &defaultWelcome_;
    if (animation != nullptr && AGif != nullptr) {
        // The real animation control takes the placeholder's place and name.
        delete AGif;
        AGif = nullptr;
    }
}
void MainWindow::setTray(TrayApi* tray) {
    tray_ = tray ? tray : &defaultTray_;
    trayInstalled_ = tray != nullptr;
}
void MainWindow::setPopup(PopupApi* popup) { popup_ = popup ? popup : &defaultPopup_; }
QWidget* MainWindow::passwordsFrame() const { return fraPasswords; }
QWidget* MainWindow::setupContent() const { return fraSecurityOptions->content; }
QWidget* MainWindow::categoryContent() const { return categoryContent_; }
QWidget* MainWindow::welcomeArea() const { return welcomeView; }

// ---- UiHost ----

MessageAnswer MainWindow::showMessage(const MessageRequest& request) { return services_.dialogs->showMessage(request); }

void MainWindow::lockSession() {
    releaseSessionButtons();
    hideEveryView();
    fraProfile->showNameBox(false);
    fraProfile->txtFileName->clear();
    fraProfile->cmdNext->show();
    fraProfile->cmdNext->setEnabled(true);
    processEvents();
    resetSession();
    Toolbar2->hide();
}

void MainWindow::closeMainWindow() {
    // The store closes the window after a failure it has already reported: no question first.
    session_->setDirty(false);
    close();
}

void MainWindow::processEvents() { QCoreApplication::processEvents(); }

void MainWindow::waitMilliseconds(int milliseconds) {
    inBlockingWait_ = true;
    if (services_.wait) {
        services_.wait(milliseconds);
    } else {
        QElapsedTimer elapsed;
        elapsed.start();
        while (elapsed.elapsed() < milliseconds) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents,
                                            static_cast<int>(milliseconds - elapsed.elapsed()));
        }
    }
    inBlockingWait_ = false;
}

void MainWindow::endProgramNow() {
    if (services_.endProgram) {
        services_.endProgram();
        return;
    }
    std::_Exit(EXIT_FAILURE);
}

void MainWindow::carryOut(const StoreReport& report) {
    for (const MessageRequest& message : report.messages) {
        showMessage(message);
    }
    if (report.clearDirty) {
        SetDirty(false);
    }
    if (report.lockSession) {
        lockSession();
    }
    if (report.endProgram) {
        endProgramNow();
    } else if (report.closeWindow) {
        closeMainWindow();
    }
}

// ---- what pages work with ----

ProfileStore& MainWindow::store() { return *store_; }

SaveOutcome MainWindow::saveProfile() {
    ShowBusyPointer();
    const SaveResult result = store_->WriteToFile();
    ShowIdlePointer();
    carryOut(result.report);
    return result.outcome;
}
Dialogs& MainWindow::dialogs() { return *services_.dialogs; }

void MainWindow::SetDirty(bool bolDirty) {
    session_->setDirty(bolDirty);
    QAction* save = toolbars.button(QStringLiteral("Save"));
    if (save->isVisible()) {
        save->setEnabled(true);
        toolbars.button(QStringLiteral("Cancel"))->setEnabled(true);
        toolbars.button(QStringLiteral("Add"))->setEnabled(false);
    }
}

bool MainWindow::ConfirmDiscardChanges() { return keyloft::ConfirmDiscardChanges(*services_.dialogs); }

QAction* MainWindow::toolbarButton(const QString& key) { return toolbars.button(key); }

void MainWindow::setStatusText(const QString& text) { StatusBar1->showMessage(text); }

void MainWindow::ShowBusyPointer() { platform::ShowBusyPointer(); }
void MainWindow::ShowIdlePointer() { platform::ShowIdlePointer(); }

// ---- closing, Park, Help ----

void MainWindow::closeEvent(QCloseEvent* event) {
    if (session_->isDirty() && !ConfirmDiscardChanges()) {
        event->ignore();
        return;
    }
    saveLayout();
    tray_->onWindowClosing();
    event->accept();
    emit windowClosed();
}

void MainWindow::cmdPark_Click() {
    setWindowState(windowState() | Qt::WindowMinimized);
    const bool trayAvailable = services_.trayAvailable ? services_.trayAvailable() : false;
    // Without a notification area the window only minimizes, so it stays reachable.
    if (trayAvailable && trayInstalled_) {
        tray_->onWindowMinimized();
    }
}

void MainWindow::cmdHelp_Click() {
    const QString path = helpFilePath();
    if (!QFileInfo::exists(path)) {
        MessageRequest request;
        request.text = kNoHelpText;
        showMessage(request);
        return;
    }
    const bool opened = services_.openUrl ? services_.openUrl(QUrl::fromLocalFile(path)) : false;
    if (!opened) {
        MessageRequest request;
        request.text = std::u16string(kHelpErrorText) + u"\n" +
                       u"The help page could not be opened in a web browser.";
        showMessage(request);
    }
}

void MainWindow::tmrPass_Timer() {
    if (inBlockingWait_) {
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
    for (const QWidget* view : {static_cast<QWidget*>(fraPasswords), static_cast<QWidget*>(fraCategory),
                                static_cast<QWidget*>(fraProfile), static_cast<QWidget*>(fraSecurityOptions)}) {
        inView = inView || view->isAncestorOf(box);
    }
    QAction* save = toolbars.button(QStringLiteral("Save"));
    if (!inView || !save->isVisible() || !save->isEnabled()) return false;
    save->trigger();
    return true;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (saveOnEnter(watched, event)) {
        recordActivity();
        return true;
    }
    if (type == QEvent::KeyPress || type == QEvent::MouseMove || type == QEvent::HoverMove) {
        if (auto* widget = qobject_cast<QWidget*>(watched)) {
            if (widget == this || isAncestorOf(widget)) {
                recordActivity();
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::recordActivity() { session_->recordActivity(); }

bool MainWindow::isShown(const QWidget* view) const { return view != nullptr && !view->isHidden(); }

}  // namespace keyloft

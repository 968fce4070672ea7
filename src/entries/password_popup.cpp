#include "entries/password_popup.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QShortcut>

#include <algorithm>
#include <QTimer>

#include "pages/text_rules.h"

// The pictures are compiled into the library; a static library needs its resources named once.
static void InitPopupPictures() {
    Q_INIT_RESOURCE(password_popup);
}

namespace keyloft {

namespace {

constexpr char16_t kUserCodeLabel[] = u"User Code";
constexpr char16_t kPasswordLabel[] = u"Password";
constexpr char16_t kExpiryLabel[] = u"Expiry date";
constexpr char16_t kCopyUserTip[] = u"Copy User Code to Clipboard ";
constexpr char16_t kCopyPasswordTip[] = u"Copy Password to Clipboard ";
constexpr char16_t kMailto[] = u"mailto:";

int vbButton(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton: return 1;
        case Qt::RightButton: return 2;
        case Qt::MiddleButton: return 4;
        default: return 0;
    }
}

QColor linkColor() { return QColor(255, 255, 255); }
QColor linkHoverColor() { return QColor(170, 170, 255); }

}  // namespace

void QtPopupTimer::start() {
    timer_.start();
}
void QtPopupTimer::stop() {
    timer_.stop();
}
bool QtPopupTimer::isActive() const {
    return timer_.isActive();
}

PasswordPopup::PasswordPopup(platform::Clipboard& clipboard, platform::Shell& shell, PopupTimer& timer, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), clipboard_(clipboard), shell_(shell), timer_(timer) {
    InitPopupPictures();
    setObjectName(QStringLiteral("frmshowpass"));
    setMouseTracking(true);
    picture_ = QImage(QStringLiteral(":/popup/background.png")).convertToFormat(QImage::Format_ARGB32);

    // Picture holders.
    copyPicture_ = pictureHolder("ImgCopy", QStringLiteral(":/popup/copy.png"));
    copyHoverPicture_ = pictureHolder("ImgCopyMove", QStringLiteral(":/popup/copy_hover.png"));
    closePicture_ = pictureHolder("Imgbkg", QStringLiteral(":/popup/close.png"));
    closeHoverPicture_ = pictureHolder("Imgmousemove", QStringLiteral(":/popup/close_hover.png"));
    cursorPicture_ = pictureHolder("ImgCursor", QStringLiteral(":/popup/cursor.png"));

    QPalette text = palette();
    text.setColor(QPalette::WindowText, QColor(230, 235, 250));
    auto caption = [&](const char* name, const QString& label, int y) {
        auto* widget = new QLabel(label, this);
        widget->setObjectName(QString::fromLatin1(name));
        widget->setPalette(text);
        widget->setGeometry(18, y, 78, 22);
        widget->setMouseTracking(true);
    };
    auto box = [&](const char* name, int y, int width) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setReadOnly(true);
        edit->setGeometry(98, y, width, 22);
        return edit;
    };
    auto title = new QLabel(QStringLiteral("Keyloft"), this);
    title->setObjectName(QStringLiteral("lblTitle"));
    title->setPalette(text);
    title->setGeometry(18, 4, 248, 20);
    title->setTextFormat(Qt::PlainText);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setMouseTracking(true);
    title_ = title;

    caption("lblUserCode", QtText(kUserCodeLabel), 34);
    caption("lblPassword", QtText(kPasswordLabel), 62);
    caption("lblExpiryDate", QtText(kExpiryLabel), 90);
    userCodeBox_ = box("txtcode", 34, 150);
    passwordBox_ = box("txtpass", 62, 150);
    expiryBox_ = box("txtExpiryDate", 90, 150);
    // The user code and the password leave the window by the copy buttons only, which mark them
    // as secret: no selection puts them into the X selection, no menu or key copies them.
    for (QLineEdit* secret : {userCodeBox_, passwordBox_}) {
        secret->setFocusPolicy(Qt::NoFocus);
        secret->setContextMenuPolicy(Qt::NoContextMenu);
        secret->setDragEnabled(false);
        secret->installEventFilter(this);
    }

    auto copyButton = [&](const char* name, const QString& tip, int y) {
        auto* button = new QLabel(this);
        button->setObjectName(QString::fromLatin1(name));
        button->setPixmap(copyPicture_->pixmap());
        button->setToolTip(tip);
        button->setGeometry(256, y - 1, 24, 24);
        button->setMouseTracking(true);
        button->installEventFilter(this);
        return button;
    };
    // The copy buttons' keys, named after the tool tip's own text (which ends in a blank).
    copyUserButton_ = copyButton("ImgCopyUser", QtText(kCopyUserTip) + QStringLiteral("(Alt+U)"), 34);
    copyPasswordButton_ = copyButton("ImgPass", QtText(kCopyPasswordTip) + QStringLiteral("(Alt+P)"), 62);
    copyUserButton_->setAccessibleName(QStringLiteral("Copy user code (Alt+U)"));
    copyPasswordButton_->setAccessibleName(QStringLiteral("Copy password (Alt+P)"));
    connect(new QShortcut(QKeySequence(Qt::ALT | Qt::Key_U), this), &QShortcut::activated, this,
            &PasswordPopup::copyUserCode);
    connect(new QShortcut(QKeySequence(Qt::ALT | Qt::Key_P), this), &QShortcut::activated, this,
            &PasswordPopup::copyPassword);
    setFocusPolicy(Qt::StrongFocus);

    webLink_ = link("lblWeb");
    webLink_->setGeometry(18, 118, 264, 18);
    emailLink_ = link("lblEmail");
    emailLink_->setGeometry(18, 138, 264, 18);

    closeButton_ = new QLabel(this);
    closeButton_->setObjectName(QStringLiteral("cmdClose"));
    closeButton_->setGeometry(272, 5, 20, 20);
    closeButton_->setMouseTracking(true);
    closeButton_->installEventFilter(this);

    // Load: size from the picture, shape, close button, float.
    fitToPicture();
    shaper_ = std::make_unique<ShapedWindow>();
    shaper_->shape(this, kBlueKeyColor);
    closeButton_->setPixmap(closePicture_->pixmap());
    FloatWindow(this, true);
}

PasswordPopup::~PasswordPopup() {
    timer_.stop();
}

QLabel* PasswordPopup::pictureHolder(const char* name, const QString& resource) {
    auto* holder = new QLabel(this);
    holder->setObjectName(QString::fromLatin1(name));
    holder->setPixmap(QPixmap(resource));
    holder->hide();
    return holder;
}

QLabel* PasswordPopup::link(const char* name) {
    auto* label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setMouseTracking(true);
    label->installEventFilter(this);
    setLinkColor(label, linkColor());
    return label;
}

void PasswordPopup::setLinkColor(QLabel* label, const QColor& color) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

void PasswordPopup::fitToPicture() {
    if (!picture_.isNull()) resize(picture_.size());
}

void PasswordPopup::showEntry(const Entry& entry) {
    const auto text = [](const std::u16string& value) { return QString::fromStdU16String(value); };
    // The entry's description heads the window, so that it says whose password it shows.
    const QString description = text(entry.description);
    title_->setText(description.isEmpty() ? QStringLiteral("Keyloft")
                                            : title_->fontMetrics().elidedText(description, Qt::ElideRight,
                                                                                 title_->width()));
    title_->setToolTip(description);
    userCodeBox_->setText(text(entry.userCode));
    passwordBox_->setText(text(entry.password));
    expiryBox_->setText(text(entry.expiryDate));
    webLink_->setText(text(entry.webSite));
    emailLink_->setText(text(entry.email));
    if (!timer_.isActive()) timer_.start();  // a running timer keeps its time
    if (!isVisible()) placeBesideOwner();
    show();
    raise();
    activateWindow();
    setFocus(Qt::ActiveWindowFocusReason);
}

void PasswordPopup::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Escape || event->modifiers() != Qt::NoModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    closePopup();
    if (QWidget* owner = parentWidget()) owner->activateWindow();
}

void PasswordPopup::closePopup() {
    timer_.stop();
    close();
}

void PasswordPopup::emptyBoxes() {
    title_->setText(QStringLiteral("Keyloft"));
    title_->setToolTip(QString());
    for (QLineEdit* box : {userCodeBox_, passwordBox_, expiryBox_}) EmptyBox(box);
    webLink_->clear();
    emailLink_->clear();
}

// A closed pop-up keeps nothing of the entry and starts afresh when it is shown again.
void PasswordPopup::closeEvent(QCloseEvent* event) {
    timer_.stop();
    emptyBoxes();
    backgroundMove();
    QWidget::closeEvent(event);
}

void PasswordPopup::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
    if (isVisible()) FloatWindow(this, true);  // not while the shaper reads the picture
}

void PasswordPopup::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        closeButton_->setPixmap(closePicture_->pixmap());
        unsetCursor();
        FloatWindow(this, true);
    }
    QWidget::changeEvent(event);
}

void PasswordPopup::mousePressEvent(QMouseEvent* event) {
    ShapedWindow::drag(this, vbButton(event->button()), event->globalPosition().toPoint());
}

void PasswordPopup::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() == Qt::NoButton) backgroundMove();
}

void PasswordPopup::backgroundMove() {
    closeButton_->setPixmap(closePicture_->pixmap());
    setLinkColor(webLink_, linkColor());
    setLinkColor(emailLink_, linkColor());
    copyUserButton_->setPixmap(copyPicture_->pixmap());
    copyPasswordButton_->setPixmap(copyPicture_->pixmap());
    unsetCursor();
}

void PasswordPopup::hoverCopy(QLabel* button) {
    QLabel* other = button == copyUserButton_ ? copyPasswordButton_ : copyUserButton_;
    button->setPixmap(copyHoverPicture_->pixmap());
    other->setPixmap(copyPicture_->pixmap());
}

void PasswordPopup::hoverLink(QLabel* label) {
    setLinkColor(label, linkHoverColor());
    setLinkColor(label == webLink_ ? emailLink_ : webLink_, linkColor());
}

bool PasswordPopup::eventFilter(QObject* watched, QEvent* event) {
    if (watched == userCodeBox_ || watched == passwordBox_) {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseMove:
            case QEvent::KeyPress:
            case QEvent::ContextMenu:
                return true;  // nothing is selected
            default:
                return QWidget::eventFilter(watched, event);
        }
    }
    const bool move = event->type() == QEvent::MouseMove || event->type() == QEvent::Enter;
    const bool press = event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
    const bool click = event->type() == QEvent::MouseButtonRelease &&
                       static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    if (watched == copyUserButton_ || watched == copyPasswordButton_) {
        auto* button = static_cast<QLabel*>(watched);
        if (move) hoverCopy(button);
        if (click) (button == copyUserButton_) ? copyUserCode() : copyPassword();
        return click || press;  // a press here does not drag the window
    }
    if (watched == webLink_ || watched == emailLink_) {
        auto* label = static_cast<QLabel*>(watched);
        if (move) hoverLink(label);
        if (click) (label == webLink_) ? openWebSite() : openEmail();
        return click || press;
    }
    if (watched == closeButton_) {
        if (move) closeButton_->setPixmap(closeHoverPicture_->pixmap());
        if (press) return true;
        if (click) {
            // Closing hides the window: leave the event handling first.
            QTimer::singleShot(0, this, &PasswordPopup::closePopup);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PasswordPopup::copyToClipboard(const QLineEdit* box) {
    if (!box->text().isEmpty()) clipboard_.setSecretText(box->text());
    setCursor(QCursor(cursorPicture_->pixmap(), 0, 0));
}

void PasswordPopup::copyUserCode() {
    copyToClipboard(userCodeBox_);
}

void PasswordPopup::copyPassword() {
    copyToClipboard(passwordBox_);
}

// Beside the main window (right of it, else left of it), top edges level, inside the screen.
// Where the screen has no room on either side (a wide or maximized window), over the window's
// lower right corner, clear of the toolbars and the list's top rows.
void PasswordPopup::placeBesideOwner() {
    const QWidget* owner = parentWidget();
    if (owner == nullptr) return;
    const QRect frame = owner->frameGeometry();
    const QScreen* screen = owner->screen();
    const QRect room = screen != nullptr ? screen->availableGeometry() : frame;
    constexpr int kGap = 8;
    QPoint at(frame.right() + 1 + kGap, frame.top());
    if (at.x() + width() > room.right() + 1) at.setX(frame.left() - kGap - width());
    if (at.x() < room.left()) at = QPoint(frame.right() + 1 - kGap - width(), frame.bottom() + 1 - kGap - height());
    at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() + 1 - width())));
    at.setY(std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() + 1 - height())));
    move(at);
}

void PasswordPopup::openLink(const QString& item) {
    if (shell_.open(item) || dialogs_ == nullptr) return;
    MessageRequest told;
    told.text = kLinkNotOpenedText + item.toStdU16String() + u".";
    told.icon = MessageIcon::Exclamation;
    dialogs_->showMessage(told);
}

void PasswordPopup::openWebSite() {
    if (!webLink_->text().isEmpty()) openLink(webLink_->text());
}

void PasswordPopup::openEmail() {
    if (!emailLink_->text().isEmpty()) openLink(QtText(kMailto) + emailLink_->text());
}

}  // namespace keyloft

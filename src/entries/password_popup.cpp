#include "entries/password_popup.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <QTimer>

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

QString u16(const char16_t* text) {
    return QString::fromUtf16(text);
}

QString field(const QStringList& fields, qsizetype index) {
    return index < fields.size() ? fields.at(index) : QString();
}

int vbButton(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton: return 1;
        case Qt::RightButton: return 2;
        case Qt::MiddleButton: return 4;
        default: return 0;
    }
}

}  // namespace

void QtPassTimer::start() {
    timer_.start();
}
void QtPassTimer::stop() {
    timer_.stop();
}
bool QtPassTimer::isActive() const {
    return timer_.isActive();
}

QColor PasswordPopup::linkColor() {
    return QColor(255, 255, 255);  // 16777215
}

QColor PasswordPopup::linkHoverColor() {
    return QColor(170, 170, 255);  // 16755370
}

PasswordPopup::PasswordPopup(platform::Clipboard& clipboard, platform::Shell& shell, PassTimer& tmrPass, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), clipboard_(clipboard), shell_(shell), tmrPass_(tmrPass) {
    InitPopupPictures();
    setObjectName(QStringLiteral("frmshowpass"));
    setAttribute(Qt::WA_DeleteOnClose);
    setMouseTracking(true);
    picture_ = QImage(QStringLiteral(":/popup/background.png")).convertToFormat(QImage::Format_ARGB32);

    // Picture holders.
    ImgCopy = pictureHolder("ImgCopy", QStringLiteral(":/popup/copy.png"));
    ImgCopyMove = pictureHolder("ImgCopyMove", QStringLiteral(":/popup/copy_hover.png"));
    Imgbkg = pictureHolder("Imgbkg", QStringLiteral(":/popup/close.png"));
    Imgmousemove = pictureHolder("Imgmousemove", QStringLiteral(":/popup/close_hover.png"));
    ImgCursor = pictureHolder("ImgCursor", QStringLiteral(":/popup/cursor.png"));

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
    lblTitle = title;

    caption("lblUserCode", u16(kUserCodeLabel), 34);
    caption("lblPassword", u16(kPasswordLabel), 62);
    caption("lblExpiryDate", u16(kExpiryLabel), 90);
    txtcode = box("txtcode", 34, 150);
    txtpass = box("txtpass", 62, 150);
    txtExpiryDate = box("txtExpiryDate", 90, 150);

    auto copyButton = [&](const char* name, const QString& tip, int y) {
        auto* button = new QLabel(this);
        button->setObjectName(QString::fromLatin1(name));
        button->setPixmap(ImgCopy->pixmap());
        button->setToolTip(tip);
        button->setGeometry(256, y - 1, 24, 24);
        button->setMouseTracking(true);
        button->installEventFilter(this);
        return button;
    };
    ImgCopyUser = copyButton("ImgCopyUser", u16(kCopyUserTip), 34);
    ImgPass = copyButton("ImgPass", u16(kCopyPasswordTip), 62);

    lblWeb = link("lblWeb");
    lblWeb->setGeometry(18, 118, 264, 18);
    lblEmail = link("lblEmail");
    lblEmail->setGeometry(18, 138, 264, 18);

    cmdClose = new QLabel(this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setGeometry(272, 5, 20, 20);
    cmdClose->setMouseTracking(true);
    cmdClose->installEventFilter(this);

    // Load: size from the picture, shape, close button, float.
    FormResize();
    shaper_ = std::make_unique<ShapedWindow>();
    shaper_->ShapeMe(this, kBlueKeyColor);
    cmdClose->setPixmap(Imgbkg->pixmap());
    FloatWindow(this, true);
}

PasswordPopup::~PasswordPopup() {
    unload();
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

void PasswordPopup::FormResize() {
    if (!picture_.isNull()) resize(picture_.size());
}

void PasswordPopup::GetItem(const QStringList& varList) {
    // The entry's description heads the window, so that it says whose password it shows.
    const QString description = field(varList, 2);
    lblTitle->setText(description.isEmpty() ? QStringLiteral("Keyloft")
                                            : lblTitle->fontMetrics().elidedText(description, Qt::ElideRight,
                                                                                 lblTitle->width()));
    lblTitle->setToolTip(description);
    txtcode->setText(field(varList, 3));
    txtpass->setText(field(varList, 4));
    txtExpiryDate->setText(field(varList, 6));
    lblWeb->setText(field(varList, 7));
    lblEmail->setText(field(varList, 8));
    if (!tmrPass_.isActive()) tmrPass_.start();  // a running timer keeps its time
    if (!isVisible()) placeBesideOwner();
    show();
    raise();
    activateWindow();
}

void PasswordPopup::cmdClose_Click() {
    tmrPass_.stop();
    close();
}

void PasswordPopup::tmrPass_Timer(PasswordPopup* popup) {
    if (popup != nullptr && popup->isVisible()) popup->cmdClose_Click();
}

void PasswordPopup::unload() {
    if (unloaded_) return;
    unloaded_ = true;
    shaper_.reset();
    tmrPass_.stop();
}

void PasswordPopup::closeEvent(QCloseEvent* event) {
    unload();
    QWidget::closeEvent(event);
}

void PasswordPopup::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
    if (isVisible()) FloatWindow(this, true);  // not while the shaper reads the picture
}

void PasswordPopup::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        cmdClose->setPixmap(Imgbkg->pixmap());
        unsetCursor();
        FloatWindow(this, true);
    }
    QWidget::changeEvent(event);
}

void PasswordPopup::mousePressEvent(QMouseEvent* event) {
    ShapedWindow::DragForm(this, vbButton(event->button()), event->globalPosition().toPoint());
}

void PasswordPopup::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() == Qt::NoButton) backgroundMove();
}

void PasswordPopup::backgroundMove() {
    cmdClose->setPixmap(Imgbkg->pixmap());
    setLinkColor(lblWeb, linkColor());
    setLinkColor(lblEmail, linkColor());
    ImgCopyUser->setPixmap(ImgCopy->pixmap());
    ImgPass->setPixmap(ImgCopy->pixmap());
    unsetCursor();
}

void PasswordPopup::hoverCopy(QLabel* button) {
    QLabel* other = button == ImgCopyUser ? ImgPass : ImgCopyUser;
    button->setPixmap(ImgCopyMove->pixmap());
    other->setPixmap(ImgCopy->pixmap());
}

void PasswordPopup::hoverLink(QLabel* label) {
    setLinkColor(label, linkHoverColor());
    setLinkColor(label == lblWeb ? lblEmail : lblWeb, linkColor());
}

bool PasswordPopup::eventFilter(QObject* watched, QEvent* event) {
    const bool move = event->type() == QEvent::MouseMove || event->type() == QEvent::Enter;
    const bool press = event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
    const bool click = event->type() == QEvent::MouseButtonRelease &&
                       static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    if (watched == ImgCopyUser || watched == ImgPass) {
        auto* button = static_cast<QLabel*>(watched);
        if (move) hoverCopy(button);
        if (click) (button == ImgCopyUser) ? ImgCopyUser_Click() : ImgPass_Click();
        return click || press;  // a press here does not drag the window
    }
    if (watched == lblWeb || watched == lblEmail) {
        auto* label = static_cast<QLabel*>(watched);
        if (move) hoverLink(label);
        if (click) (label == lblWeb) ? lblWeb_Click() : lblEmail_Click();
        return click || press;
    }
    if (watched == cmdClose) {
        if (move) cmdClose->setPixmap(Imgmousemove->pixmap());
        if (press) return true;
        if (click) {
            // Closing deletes the window: leave the event handling first.
            QTimer::singleShot(0, this, &PasswordPopup::cmdClose_Click);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PasswordPopup::copyToClipboard(const QLineEdit* box) {
    if (!box->text().isEmpty()) clipboard_.setSecretText(box->text());
    setCursor(QCursor(ImgCursor->pixmap(), 0, 0));
}

void PasswordPopup::ImgCopyUser_Click() {
    copyToClipboard(txtcode);
}

void PasswordPopup::ImgPass_Click() {
    copyToClipboard(txtpass);
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

void PasswordPopup::lblWeb_Click() {
    if (!lblWeb->text().isEmpty()) openLink(lblWeb->text());
}

void PasswordPopup::lblEmail_Click() {
    if (!lblEmail->text().isEmpty()) openLink(u16(kMailto) + lblEmail->text());
}

PassPopup::PassPopup(platform::Clipboard& clipboard, platform::Shell& shell, QTimer& tmrPass, QWidget* parent)
    : clipboard_(clipboard), shell_(shell), timer_(tmrPass), parent_(parent) {}

PassPopup::~PassPopup() {
    delete popup_.data();
}

void PassPopup::Show(const QStringList& varList) {
    if (!popup_) popup_ = new PasswordPopup(clipboard_, shell_, timer_, parent_);
    popup_->setDialogs(dialogs_);
    popup_->GetItem(varList);
}

void PassPopup::Show(const std::vector<std::u16string>& varList) {
    QStringList fields;
    fields.reserve(static_cast<qsizetype>(varList.size()));
    for (const std::u16string& value : varList) fields.append(QString::fromStdU16String(value));
    Show(fields);
}

bool PassPopup::isPopupVisible() const {
    return popup_ && popup_->isVisible();
}

void PassPopup::closePopup() {
    if (popup_) popup_->cmdClose_Click();
}

}  // namespace keyloft

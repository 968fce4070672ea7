#include "entries/password_popup.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "pages/tab_order.h"
#include "pages/text_rules.h"

// The pictures are compiled into the library; a static library needs its resources named once.
static void InitPopupPictures() { Q_INIT_RESOURCE(password_popup); }

namespace keyloft {

namespace {

constexpr char16_t kUserCodeLabel[] = u"User Code";
constexpr char16_t kPasswordLabel[] = u"Password";
constexpr char16_t kExpiryLabel[] = u"Expiry date";
constexpr char16_t kCopyUserTip[] = u"Copy User Code to Clipboard ";
constexpr char16_t kCopyPasswordTip[] = u"Copy Password to Clipboard ";
constexpr char16_t kMailto[] = u"mailto:";

// The panel's colours: its border, the line under the title, and the top and bottom of its fill.
const QColor kBorder(150, 170, 220);
const QColor kTitleLine(110, 130, 190);
const QColor kFillTop(34, 48, 92);
const QColor kFillBottom(53, 71, 121);
const QColor kCaption(230, 235, 250);
constexpr int kCornerRadius = 12;
constexpr int kBorderWidth = 2;

int vbButton(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return 1;
        case Qt::RightButton:
            return 2;
        case Qt::MiddleButton:
            return 4;
        default:
            return 0;
    }
}

QColor linkColor() { return QColor(255, 255, 255); }
QColor linkHoverColor() { return QColor(170, 170, 255); }

bool IsActivationKey(const QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    return key->modifiers() == Qt::NoModifier &&
           (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Space);
}

// A box whose whole value can be read (the arrow keys, Home and End move through a long one)
// but never selected: no mouse drag, double click, Shift or Ctrl+A selects, no menu copies, and
// reaching it by Tab selects nothing either. So nothing of it reaches the X selection.
class UnselectableBox final : public QLineEdit {
  public:
    explicit UnselectableBox(QWidget* parent) : QLineEdit(parent) {
        setReadOnly(true);
        setFocusPolicy(Qt::TabFocus);
        setContextMenuPolicy(Qt::NoContextMenu);
        setDragEnabled(false);
    }

  protected:
    void focusInEvent(QFocusEvent*) override {
        // Reached by Tab, a line box selects all of its text: this one shows the value's start.
        QFocusEvent plain(QEvent::FocusIn, Qt::OtherFocusReason);
        QLineEdit::focusInEvent(&plain);
        home(false);
    }
    void keyPressEvent(QKeyEvent* event) override {
        const bool moves = event->key() == Qt::Key_Left || event->key() == Qt::Key_Right ||
                           event->key() == Qt::Key_Home || event->key() == Qt::Key_End;
        if (moves && !(event->modifiers() & Qt::ShiftModifier)) {
            QLineEdit::keyPressEvent(event);
            return;
        }
        event->ignore();  // the window's own keys (Escape) go on to it
    }
    void mousePressEvent(QMouseEvent* event) override {
        setFocus(Qt::MouseFocusReason);
        event->accept();  // nor does a press here drag the window
    }
    void mouseMoveEvent(QMouseEvent* event) override { event->accept(); }
    void mouseReleaseEvent(QMouseEvent* event) override { event->accept(); }
    void mouseDoubleClickEvent(QMouseEvent* event) override { event->accept(); }
};

}  // namespace

void QtPopupTimer::start() { timer_.start(); }
void QtPopupTimer::stop() { timer_.stop(); }
bool QtPopupTimer::isActive() const { return timer_.isActive(); }

QImage PopupPicture(const QSize& size, int lineY) {
    QImage picture(size, QImage::Format_ARGB32);
    picture.fill(QColor(0, 0, 255));
    QPainter painter(&picture);
    // Hard edges: every pixel is either the panel's or the key colour's.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(size)), kCornerRadius, kCornerRadius);
    painter.fillPath(outline, kBorder);
    QPainterPath inside;
    const QRectF inner = QRectF(QPointF(0, 0), QSizeF(size))
                             .adjusted(kBorderWidth, kBorderWidth, -kBorderWidth, -kBorderWidth);
    inside.addRoundedRect(inner, kCornerRadius - kBorderWidth, kCornerRadius - kBorderWidth);
    QLinearGradient fill(0, 0, 0, size.height());
    fill.setColorAt(0, kFillTop);
    fill.setColorAt(1, kFillBottom);
    painter.fillPath(inside, fill);
    painter.setPen(kTitleLine);
    painter.drawLine(16, lineY, size.width() - 17, lineY);
    return picture;
}

PasswordPopup::PasswordPopup(platform::Clipboard& clipboard, platform::Shell& shell, PopupTimer& timer,
                             QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      clipboard_(clipboard),
      shell_(shell),
      timer_(timer) {
    InitPopupPictures();
    setObjectName(QStringLiteral("frmshowpass"));
    setAccessibleName(QStringLiteral("Password pop-up"));
    setMouseTracking(true);

    // Picture holders.
    copyPicture_ = pictureHolder("ImgCopy", QStringLiteral(":/popup/copy.png"));
    copyHoverPicture_ = pictureHolder("ImgCopyMove", QStringLiteral(":/popup/copy_hover.png"));
    closePicture_ = pictureHolder("Imgbkg", QStringLiteral(":/popup/close.png"));
    closeHoverPicture_ = pictureHolder("Imgmousemove", QStringLiteral(":/popup/close_hover.png"));
    cursorPicture_ = pictureHolder("ImgCursor", QStringLiteral(":/popup/cursor.png"));

    QPalette text = palette();
    text.setColor(QPalette::WindowText, kCaption);
    title_ = new QLabel(QStringLiteral("Keyloft"), this);
    title_->setObjectName(QStringLiteral("lblTitle"));
    title_->setPalette(text);
    title_->setTextFormat(Qt::PlainText);
    title_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);  // long ones are shortened
    QFont titleFont = title_->font();
    titleFont.setBold(true);
    title_->setFont(titleFont);
    title_->setMouseTracking(true);
    closeButton_ = pictureButton("cmdClose", QStringLiteral("Close"));

    auto* grid = new QGridLayout;
    auto row = [&](int at, const char* labelName, const QString& caption, QLineEdit* box,
                   const char* boxName) {
        auto* label = new QLabel(caption, this);
        label->setObjectName(QString::fromLatin1(labelName));
        label->setPalette(text);
        label->setMouseTracking(true);
        box->setObjectName(QString::fromLatin1(boxName));
        box->setAccessibleName(caption);
        box->setMinimumWidth(box->fontMetrics().averageCharWidth() * 20);
        grid->addWidget(label, at, 0);
        grid->addWidget(box, at, 1);
    };
    userCodeBox_ = new UnselectableBox(this);
    passwordBox_ = new UnselectableBox(this);
    expiryBox_ = new QLineEdit(this);
    expiryBox_->setReadOnly(true);
    row(0, "lblUserCode", QtText(kUserCodeLabel), userCodeBox_, "txtcode");
    row(1, "lblPassword", QtText(kPasswordLabel), passwordBox_, "txtpass");
    row(2, "lblExpiryDate", QtText(kExpiryLabel), expiryBox_, "txtExpiryDate");

    // The copy buttons' keys, named after the tool tip's own text (which ends in a blank).
    copyUserButton_ = pictureButton("ImgCopyUser", QStringLiteral("Copy user code (Alt+U)"));
    copyUserButton_->setToolTip(QtText(kCopyUserTip) + QStringLiteral("(Alt+U)"));
    copyPasswordButton_ = pictureButton("ImgPass", QStringLiteral("Copy password (Alt+P)"));
    copyPasswordButton_->setToolTip(QtText(kCopyPasswordTip) + QStringLiteral("(Alt+P)"));
    for (QLabel* button : {copyUserButton_, copyPasswordButton_}) button->setPixmap(copyPicture_->pixmap());
    grid->addWidget(copyUserButton_, 0, 2);
    grid->addWidget(copyPasswordButton_, 1, 2);
    connect(new QShortcut(QKeySequence(Qt::ALT | Qt::Key_U), this), &QShortcut::activated, this,
            &PasswordPopup::copyUserCode);
    connect(new QShortcut(QKeySequence(Qt::ALT | Qt::Key_P), this), &QShortcut::activated, this,
            &PasswordPopup::copyPassword);
    setFocusPolicy(Qt::NoFocus);  // the focus goes round its controls

    webLink_ = link("lblWeb", QStringLiteral("Web site"));
    emailLink_ = link("lblEmail", QStringLiteral("E-mail address"));

    // The title with Close beside it, the line under them (drawn with the picture), the boxes,
    // the links.
    auto* titleRow = new QHBoxLayout;
    titleRow->addWidget(title_, 1);
    titleRow->addWidget(closeButton_);
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);  // as large as what it shows, no larger
    column->setContentsMargins(18, 5, 14, 12);
    column->addLayout(titleRow);
    column->addSpacing(8);
    column->addLayout(grid);
    column->addWidget(webLink_);
    column->addWidget(emailLink_);
    ChainTabOrder({userCodeBox_, copyUserButton_, passwordBox_, copyPasswordButton_, expiryBox_, webLink_,
                   emailLink_, closeButton_});

    // Load: size from the layout, picture and shape, close button, float.
    shaper_ = std::make_unique<ShapedWindow>();
    fitToValues();
    closeButton_->setPixmap(closePicture_->pixmap());
    FloatWindow(this, true);
}

PasswordPopup::~PasswordPopup() { timer_.stop(); }

QLabel* PasswordPopup::pictureHolder(const char* name, const QString& resource) {
    auto* holder = new QLabel(this);
    holder->setObjectName(QString::fromLatin1(name));
    holder->setPixmap(QPixmap(resource));
    holder->hide();
    return holder;
}

QLabel* PasswordPopup::pictureButton(const char* name, const QString& accessibleName) {
    auto* button = new QLabel(this);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(accessibleName);
    button->setFocusPolicy(Qt::TabFocus);
    button->setMouseTracking(true);
    button->installEventFilter(this);
    return button;
}

QLabel* PasswordPopup::link(const char* name, const QString& accessibleName) {
    auto* label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(name));
    label->setAccessibleName(accessibleName);
    label->setTextFormat(Qt::PlainText);
    label->setFocusPolicy(Qt::TabFocus);
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

void PasswordPopup::fitToValues() {
    const QScreen* shown = screen();
    const int room = shown != nullptr ? shown->availableGeometry().width() : 1024;
    // A box shows its whole value up to half the screen's width; a longer one scrolls.
    for (QLineEdit* box : {userCodeBox_, passwordBox_, expiryBox_}) {
        const int least = box->fontMetrics().averageCharWidth() * 20;
        const int whole = box->fontMetrics().horizontalAdvance(box->text()) +
                          box->fontMetrics().averageCharWidth() * 2 + box->textMargins().left() +
                          box->textMargins().right() + 8;
        box->setMinimumWidth(std::clamp(whole, least, std::max(least, room / 2)));
    }
    // A link longer than most of the screen's width is shown shortened in its middle.
    for (auto [label, value] : {std::pair{webLink_, &webSite_}, std::pair{emailLink_, &email_}}) {
        label->setText(label->fontMetrics().elidedText(*value, Qt::ElideMiddle, room * 3 / 5));
        label->setToolTip(label->text() != *value ? *value : QString());
        label->setAccessibleDescription(value->isEmpty() ? QStringLiteral("none") : *value);
    }
    layout()->activate();
    adjustSize();
    renewPicture();
}

void PasswordPopup::renewPicture() {
    // The window's picture for its size, and its outline from it.
    picture_ = PopupPicture(size(), title_->geometry().bottom() + 5);
    clearMask();
    shaper_->shape(this, kBlueKeyColor);
    const QString description = title_->toolTip();
    title_->setText(description.isEmpty()
                        ? QStringLiteral("Keyloft")
                        : title_->fontMetrics().elidedText(description, Qt::ElideRight, title_->width()));
}

void PasswordPopup::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // A font or screen change while it is shown: a new picture and outline for the new size.
    if (shaper_ && picture_.size() != size()) renewPicture();
}

void PasswordPopup::showEntry(const Entry& entry) {
    const auto text = [](const std::u16string& value) { return QString::fromStdU16String(value); };
    // The entry's description heads the window, so that it says whose password it shows.
    title_->setToolTip(text(entry.description));
    title_->setAccessibleName(text(entry.description));
    userCodeBox_->setText(text(entry.userCode));
    passwordBox_->setText(text(entry.password));
    expiryBox_->setText(text(entry.expiryDate));
    webSite_ = text(entry.webSite);
    email_ = text(entry.email);
    for (QLineEdit* box : {userCodeBox_, passwordBox_, expiryBox_}) box->home(false);
    fitToValues();
    if (!timer_.isActive()) timer_.start();  // a running timer keeps its time
    if (!isVisible()) {
        placeBesideOwner();
    } else {
        keepOnScreen();
    }
    show();
    raise();
    activateWindow();
    userCodeBox_->setFocus(Qt::ActiveWindowFocusReason);
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
    title_->setAccessibleName(QString());
    for (QLineEdit* box : {userCodeBox_, passwordBox_, expiryBox_}) EmptyBox(box);
    webSite_.clear();
    email_.clear();
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
    // The control with the focus keeps showing it.
    if (QWidget* focused = focusWidget(); focused != nullptr && isActiveWindow()) showFocus(focused, true);
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

void PasswordPopup::showFocus(QObject* control, bool focused) {
    if (control == copyUserButton_ || control == copyPasswordButton_) {
        static_cast<QLabel*>(control)->setPixmap(focused ? copyHoverPicture_->pixmap()
                                                         : copyPicture_->pixmap());
    } else if (control == closeButton_) {
        closeButton_->setPixmap(focused ? closeHoverPicture_->pixmap() : closePicture_->pixmap());
    } else if (control == webLink_ || control == emailLink_) {
        auto* label = static_cast<QLabel*>(control);
        setLinkColor(label, focused ? linkHoverColor() : linkColor());
        QFont font = label->font();
        font.setUnderline(focused);
        label->setFont(font);
    }
}

void PasswordPopup::activate(QObject* control) {
    if (control == copyUserButton_) copyUserCode();
    if (control == copyPasswordButton_) copyPassword();
    if (control == webLink_) openWebSite();
    if (control == emailLink_) openEmail();
    // Closing hides the window: leave the event handling first.
    if (control == closeButton_) QTimer::singleShot(0, this, &PasswordPopup::closePopup);
}

bool PasswordPopup::eventFilter(QObject* watched, QEvent* event) {
    const bool control = watched == copyUserButton_ || watched == copyPasswordButton_ ||
                         watched == webLink_ || watched == emailLink_ || watched == closeButton_;
    if (!control) return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        showFocus(watched, event->type() == QEvent::FocusIn);
        return false;
    }
    if (IsActivationKey(event)) {
        activate(watched);
        return true;
    }
    const bool move = event->type() == QEvent::MouseMove || event->type() == QEvent::Enter;
    const bool press =
        event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
    const bool click = event->type() == QEvent::MouseButtonRelease &&
                       static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    if (watched == copyUserButton_ || watched == copyPasswordButton_) {
        if (move) hoverCopy(static_cast<QLabel*>(watched));
    } else if (watched == webLink_ || watched == emailLink_) {
        if (move) hoverLink(static_cast<QLabel*>(watched));
    } else if (move) {
        closeButton_->setPixmap(closeHoverPicture_->pixmap());
    }
    if (click) activate(watched);
    return click || press;  // a press here does not drag the window
}

void PasswordPopup::copyToClipboard(const QLineEdit* box) {
    if (!box->text().isEmpty()) clipboard_.setSecretText(box->text());
    setCursor(QCursor(cursorPicture_->pixmap(), 0, 0));
}

void PasswordPopup::copyUserCode() { copyToClipboard(userCodeBox_); }

void PasswordPopup::copyPassword() { copyToClipboard(passwordBox_); }

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
    if (at.x() < room.left())
        at = QPoint(frame.right() + 1 - kGap - width(), frame.bottom() + 1 - kGap - height());
    move(at);
    keepOnScreen();
}

void PasswordPopup::keepOnScreen() {
    const QScreen* shown = parentWidget() != nullptr ? parentWidget()->screen() : screen();
    if (shown == nullptr) return;
    const QRect room = shown->availableGeometry();
    move(std::clamp(x(), room.left(), std::max(room.left(), room.right() + 1 - width())),
         std::clamp(y(), room.top(), std::max(room.top(), room.bottom() + 1 - height())));
}

void PasswordPopup::openLink(const QString& item) {
    if (shell_.open(item) || dialogs_ == nullptr) return;
    MessageRequest told;
    told.text = kLinkNotOpenedText + item.toStdU16String() + u".";
    told.icon = MessageIcon::Exclamation;
    dialogs_->showMessage(told);
}

void PasswordPopup::openWebSite() {
    if (!webSite_.isEmpty()) openLink(webSite_);
}

void PasswordPopup::openEmail() {
    if (!email_.isEmpty()) openLink(QtText(kMailto) + email_);
}

}  // namespace keyloft

#include "support/gui_widget_helpers.h"

#include <algorithm>
#include <memory>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QThread>
#include <QToolButton>

namespace keyloft::testing {
namespace {

// The controls a user works or reads; a line box inside a spin box or a drop-down belongs to it.
bool IsControl(const QWidget* widget) {
    if (qobject_cast<const QLineEdit*>(widget) != nullptr) {
        const QWidget* parent = widget->parentWidget();
        return qobject_cast<const QAbstractSpinBox*>(parent) == nullptr &&
               qobject_cast<const QComboBox*>(parent) == nullptr;
    }
    return qobject_cast<const QAbstractButton*>(widget) != nullptr ||
           qobject_cast<const QComboBox*>(widget) != nullptr ||
           qobject_cast<const QAbstractItemView*>(widget) != nullptr ||
           (qobject_cast<const QAbstractSlider*>(widget) != nullptr &&
            qobject_cast<const QScrollBar*>(widget) == nullptr) ||
           qobject_cast<const QAbstractSpinBox*>(widget) != nullptr ||
           qobject_cast<const QPlainTextEdit*>(widget) != nullptr ||
           (qobject_cast<const QHeaderView*>(widget) != nullptr && widget->focusPolicy() != Qt::NoFocus) ||
           (qobject_cast<const QLabel*>(widget) != nullptr && widget->focusPolicy() != Qt::NoFocus);
}

bool Seen(const QWidget* widget) { return widget->isVisible() && !widget->rect().isEmpty(); }

}  // namespace

QString ControlName(const QWidget* control) {
    if (control == nullptr) return QStringLiteral("(none)");
    if (const auto* button = qobject_cast<const QToolButton*>(control);
        button != nullptr && button->defaultAction())
        return QLatin1Char('[') + button->defaultAction()->objectName() + QLatin1Char(']');
    QString name = control->objectName();
    if (name.isEmpty()) name = QString::fromLatin1(control->metaObject()->className());
    if (const QVariant index = control->property("index"); index.isValid())
        name += QString::number(index.toInt());
    return name;
}

QStringList TabWalk(int count) {
    QStringList reached;
    for (int i = 0; i < count; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        const QWidget* focused = QApplication::focusWidget();
        reached << ControlName(focused) +
                       (focused != nullptr && Seen(focused) ? QString() : QStringLiteral(" (unseen)"));
    }
    return reached;
}

QStringList ClippedControls(QWidget* root) {
    QStringList clipped;
    for (QWidget* control : root->findChildren<QWidget*>()) {
        const bool shown = qobject_cast<QLabel*>(control) != nullptr
                               ? !qobject_cast<QLabel*>(control)->text().isEmpty()
                               : IsControl(control);
        if (!shown || !control->isVisible()) continue;
        // A list or a text area scrolls what it cannot show: only its place is checked.
        QSize wanted =
            qobject_cast<QAbstractScrollArea*>(control) != nullptr ? QSize() : control->minimumSizeHint();
        if (const auto* label = qobject_cast<QLabel*>(control); label != nullptr && label->wordWrap())
            wanted = QSize(0, label->heightForWidth(label->width()));
        if (control->width() < wanted.width() || control->height() < wanted.height()) {
            clipped << QStringLiteral("%1 is %2x%3, asks %4x%5")
                           .arg(ControlName(control))
                           .arg(control->width())
                           .arg(control->height())
                           .arg(wanted.width())
                           .arg(wanted.height());
            continue;
        }
        // Within each parent up to its window, or up to the scrolled area that holds it.
        QRect area = control->rect();
        for (QWidget* inner = control; inner != root->window(); inner = inner->parentWidget()) {
            QWidget* parent = inner->parentWidget();
            area.translate(inner->pos());
            if (qobject_cast<QAbstractScrollArea*>(parent->parentWidget()) != nullptr &&
                static_cast<QAbstractScrollArea*>(parent->parentWidget())->viewport() == parent)
                break;
            if (!parent->rect().contains(area)) {
                clipped << ControlName(control) + QStringLiteral(" is cut by ") + ControlName(parent);
                break;
            }
        }
    }
    return clipped;
}

QStringList UnnamedControls(QWidget* root) {
    QStringList unnamed;
    for (QWidget* control : root->findChildren<QWidget*>()) {
        if (!IsControl(control) || !control->isVisible()) continue;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
        const QString name = accessible != nullptr ? accessible->text(QAccessible::Name) : QString();
        const bool words = std::any_of(name.begin(), name.end(), [](QChar c) { return c.isLetter(); });
        const auto* dropDown = qobject_cast<QComboBox*>(control);
        if (!words || (dropDown != nullptr && control->accessibleName().isEmpty()))
            unnamed << ControlName(control) + QStringLiteral(" \"") + name + QLatin1Char('"');
    }
    return unnamed;
}

QAction* findAction(QWidget* root, const QString& key) {
    QAction* action = root->findChild<QAction*>(key);
    if (action == nullptr) {
        ADD_FAILURE() << "no toolbar button with key " << key.toStdString();
    }
    return action;
}

bool triggerEnabled(QWidget* root, const QString& key) {
    QAction* action = findAction(root, key);
    if (action == nullptr) {
        return false;
    }
    if (!action->isVisible() || !action->isEnabled()) {
        ADD_FAILURE() << "toolbar button " << key.toStdString() << " is "
                      << (action->isVisible() ? "" : "hidden ") << (action->isEnabled() ? "" : "disabled");
        return false;
    }
    action->trigger();
    return true;
}

bool RunBesideEvents(const std::function<void()>& body, int timeoutMs) {
    std::unique_ptr<QThread> thread(QThread::create(body));
    thread->start();
    const bool ended = QTest::qWaitFor([&thread] { return thread->isFinished(); }, timeoutMs);
    thread->wait();  // never left running past the test
    return ended;
}

}  // namespace keyloft::testing

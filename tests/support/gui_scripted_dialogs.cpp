#include "support/gui_scripted_dialogs.h"

#include <gtest/gtest.h>

namespace keyloft::testing {

ScriptedDialogs::~ScriptedDialogs() {
    for (const Expectation& e : queue_) {
        ADD_FAILURE() << "an expected message box never appeared: "
                      << (e.text ? QString::fromStdU16String(*e.text).toStdString() : std::string("(any)"));
    }
}

void ScriptedDialogs::answerNext(MessageAnswer answer) { queue_.push_back({std::nullopt, answer, {}}); }

void ScriptedDialogs::expect(const std::u16string& text, MessageAnswer answer) {
    queue_.push_back({text, answer, {}});
}

void ScriptedDialogs::whileOpen(std::function<void()> action) {
    ASSERT_FALSE(queue_.empty()) << "whileOpen needs a box queued first";
    queue_.back().whileOpen = std::move(action);
}

void ScriptedDialogs::expect(const QString& text, MessageAnswer answer) {
    expect(text.toStdU16String(), answer);
}

MessageAnswer ScriptedDialogs::showMessage(const MessageRequest& request) {
    shown_.push_back(request);
    const std::string shownText = QString::fromStdU16String(request.text).toStdString();
    if (queue_.empty()) {
        ADD_FAILURE() << "unexpected message box: \"" << shownText << "\" titled \""
                      << QString::fromStdU16String(request.title).toStdString() << "\"";
        return request.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
    const Expectation next = queue_.front();
    queue_.pop_front();
    if (next.text) {
        EXPECT_EQ(QString::fromStdU16String(*next.text).toStdString(), shownText);
    }
    if (next.whileOpen) {
        const int before = closeRequests_;
        next.whileOpen();
        if (closeRequests_ != before) {
            ++closedBoxes_;
            return request.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
        }
    }
    return next.answer;
}

const MessageRequest& ScriptedDialogs::last() const {
    if (shown_.empty()) {
        ADD_FAILURE() << "no message box was shown";
        static const MessageRequest none;
        return none;
    }
    return shown_.back();
}

void ScriptedDialogs::reset() {
    queue_.clear();
    shown_.clear();
}

}  // namespace keyloft::testing

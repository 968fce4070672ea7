#include "support/recording_host.h"

namespace keyloft::testing {

MessageAnswer RecordingHost::showMessage(const MessageRequest& request) {
    messages.push_back(request);
    if (request.buttons == MessageButtons::Ok) {
        return MessageAnswer::Ok;
    }
    if (answers.empty()) {
        return request.defaultAnswer;
    }
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

void RecordingHost::carryOut(const StoreReport& report) {
    messages.insert(messages.end(), report.messages.begin(), report.messages.end());
    if (report.clearDirty) {
        ++dirtyCleared;
    }
    if (report.lockSession) {
        ++locks;
        if (onLock) {
            onLock();
        }
    }
    if (report.endProgram) {
        ++programEnds;
    } else if (report.closeWindow) {
        ++mainWindowCloses;
    }
}

void RecordingHost::waitMilliseconds(int milliseconds) {
    waits.push_back(milliseconds);
    if (onWait) {
        onWait(milliseconds);
    }
}

std::vector<std::u16string> RecordingHost::texts() const {
    std::vector<std::u16string> result;
    for (const MessageRequest& message : messages) {
        result.push_back(message.text);
    }
    return result;
}

int RecordingHost::totalWaitMilliseconds() const {
    int total = 0;
    for (const int wait : waits) {
        total += wait;
    }
    return total;
}

void RecordingHost::clear() {
    messages.clear();
    waits.clear();
    locks = dirtyCleared = mainWindowCloses = programEnds = 0;
}

}  // namespace keyloft::testing

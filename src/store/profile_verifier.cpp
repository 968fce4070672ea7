#include "store/profile_verifier.h"

#include <algorithm>
#include <exception>
#include <string>

#include "store/bounded_lines.h"
#include "store/file_system.h"
#include "store/profile_codec.h"
#include "store/sealed_profile.h"
#include "store/text_convert.h"

namespace keyloft {
namespace {

std::u16string Number(std::size_t n) {
    const std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
}

std::u16string NumberText(double n) {
    if (n >= 0 && n < 1e15 && n == static_cast<double>(static_cast<std::int64_t>(n))) {
        const std::string digits = std::to_string(static_cast<std::int64_t>(n));
        return std::u16string(digits.begin(), digits.end());
    }
    const std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
}

void SetFault(VerifyReport& report, std::size_t line, std::u16string text) {
    if (report.fault.empty()) {
        report.faultLine = line;
        report.fault = line == 0 ? std::move(text) : u"line " + Number(line) + u": " + text;
    }
}

// Feeds lines to the loader's decoder one at a time and keeps the first fault; memory stays that
// of one line, whatever the size of the file.
class Checker {
  public:
    explicit Checker(VerifyReport& report) : report_(report), decoder_(profile_) {}

    // False once a fault ends the check (the loader would stop there).
    bool addLine(std::string_view line) {
        const std::size_t lineNumber = ++report_.lineCount;
        const ProfileDecoder::LineResult result = decoder_.addLine(line);
        if (result.sumFailures > 0) {
            SetFault(report_, lineNumber, u"the record sum check failed");
        }
        if (result.rejected) {
            SetFault(report_, lineNumber, u"the line does not decrypt (the loader would end the program)");
            stopped_ = true;
        } else if (result.error.failed()) {
            SetFault(report_, lineNumber,
                     u"the load fails with error " + ErrorNumberText(result.error.number) + u" \"" +
                         result.error.description + u"\"");
            stopped_ = true;
        }
        return !stopped_;
    }

    void finish() {
        if (!stopped_ && !decoder_.trailerMatches()) {
            std::u16string text = u"trailer check failed: ";
            if (!decoder_.sawTrailer()) {
                text += u"no trailer record";
            } else {
                text += u"line count " + NumberText(decoder_.expectedLineCount()) + u" (file has " +
                        Number(decoder_.linesRead()) + u"), total length " +
                        NumberText(decoder_.expectedTotal()) + u" (file has " +
                        NumberText(decoder_.runningLength()) + u")";
            }
            SetFault(report_, 0, text);
        }
        if (decoder_.sawVersion()) {
            report_.version = profile_.version;
        }
        report_.entryCount = profile_.entries.size();
        report_.categoryCount = profile_.categories.size();
        report_.questionCount = profile_.questions.size();
        report_.ok = report_.fault.empty();
    }

  private:
    VerifyReport& report_;
    Profile profile_;
    ProfileDecoder decoder_;
    bool stopped_ = false;
};

void Check(VerifyReport& report, const std::vector<std::string>& lines) {
    Checker checker(report);
    for (const std::string& line : lines) {
        if (!checker.addLine(line)) {
            break;
        }
    }
    checker.finish();
    report.lineCount = lines.size();
}

void CheckSealed(VerifyReport& report, const std::vector<std::string>& lines, const sealed::Limits& floor) {
    report.sealed = true;
    report.lineCount = lines.size();
    const std::optional<sealed::SealedFile> file = sealed::ParseSealedLines(lines, floor);
    if (!file) {
        SetFault(report, 0,
                 u"sealed file: the header, the framing or the check line is wrong (the file is damaged)");
        return;
    }
    report.version = file->version;
    report.questionCount = file->questions.size();
    report.slotCount = file->keySlots.size();
    report.ok = true;
}

bool LinesLookSealed(const std::vector<std::string>& lines) {
    return !lines.empty() && sealed::LooksSealed(lines[0], lines.size() > 1 ? lines[1] : std::string());
}

}  // namespace

VerifyReport VerifyProfileBytes(std::string_view bytes, const sealed::Limits& floor) {
    VerifyReport report;
    try {
        const std::vector<std::string> lines = SplitFileLines(bytes);
        if (LinesLookSealed(lines)) {
            CheckSealed(report, lines, floor);
            return report;
        }
        Check(report, lines);
    } catch (const std::exception&) {
        report.ok = false;
        SetFault(report, 0, u"the file could not be checked (out of memory)");
    }
    return report;
}

VerifyReport VerifyProfileFile(FileSystem& files, const std::filesystem::path& file,
                               const sealed::Limits& floor) {
    VerifyReport report;
    try {
        ErrorInfo error;
        std::unique_ptr<ReadableFile> reader = files.openHeld(file, error);
        if (!reader) {
            SetFault(report, 0,
                     u"the file cannot be opened: error " + ErrorNumberText(error.number) + u" \"" +
                         error.description + u"\"");
            return report;
        }
        std::vector<std::string> head;
        std::string line;
        ReadLimit passed = ReadLimit::None;
        {
            BoundedLineReader headReader(*reader);
            while (head.size() < 2 && headReader.next(line, error)) {
                head.push_back(line);
            }
            passed = headReader.passed();
        }
        const bool sealedFile = !error.failed() && LinesLookSealed(head);
        if (!error.failed()) {
            error = reader->rewind();
        }
        std::vector<std::string> lines;
        Checker checker(report);
        BoundedLineReader lineReader(*reader);
        bool going = true;
        while (going && !error.failed() && lineReader.next(line, error)) {
            if (sealedFile) {
                lines.push_back(line);
                continue;
            }
            going = checker.addLine(line);
        }
        if (error.failed()) {
            if (passed == ReadLimit::None) passed = lineReader.passed();
            std::u16string text;
            if (passed == ReadLimit::LineLength) {
                text = u"line " + Number(std::max(lineReader.lines(), head.size()) + 1) + u": longer than " +
                       Number(kMaxProfileLineLength) + u" characters (no profile line is that long)";
            } else if (passed == ReadLimit::FileSize) {
                text = u"the file holds more than " + Number(kMaxProfileFileLines) + u" lines or " +
                       Number(static_cast<std::size_t>(kMaxProfileFileBytes >> 20)) +
                       u" MiB (no profile is that large); it was not read further";
            } else {
                text = u"the file cannot be read: error " + ErrorNumberText(error.number) + u" \"" +
                       error.description + u"\"";
            }
            SetFault(report, 0, text);
            report.ok = false;
            return report;
        }
        if (sealedFile) {
            CheckSealed(report, lines, floor);
            return report;
        }
        checker.finish();
    } catch (const std::exception&) {
        report.ok = false;
        SetFault(report, 0, u"the file could not be checked (out of memory)");
    }
    return report;
}

}  // namespace keyloft

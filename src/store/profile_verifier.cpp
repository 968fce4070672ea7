#include "store/profile_verifier.h"

#include <exception>
#include <string>

#include "store/file_system.h"
#include "store/profile_codec.h"
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

void Check(VerifyReport& report, const std::vector<std::string>& lines) {
    report.lineCount = lines.size();
    Profile profile;
    ProfileDecoder decoder(profile);
    bool stopped = false;
    for (std::size_t i = 0; i < lines.size() && !stopped; ++i) {
        const std::size_t lineNumber = i + 1;
        const ProfileDecoder::LineResult result = decoder.addLine(lines[i]);
        if (result.sumFailures > 0) {
            SetFault(report, lineNumber, u"the record sum check failed");
        }
        if (result.rejected) {
            SetFault(report, lineNumber, u"the line does not decrypt (the loader would end the program)");
            stopped = true;
        } else if (result.error.failed()) {
            SetFault(report, lineNumber,
                     u"the load fails with error " + ErrorNumberText(result.error.number) + u" \"" +
                         result.error.description + u"\"");
            stopped = true;
        }
    }
    if (!stopped && !decoder.trailerMatches()) {
        std::u16string text = u"trailer check failed: ";
        if (!decoder.sawTrailer()) {
            text += u"no trailer record";
        } else {
            text += u"line count " + NumberText(decoder.expectedLineCount()) + u" (file has " +
                    Number(decoder.linesRead()) + u"), total length " + NumberText(decoder.expectedTotal()) +
                    u" (file has " + NumberText(decoder.runningLength()) + u")";
        }
        SetFault(report, 0, text);
    }
    if (decoder.sawVersion()) {
        report.version = profile.version;
    }
    report.entryCount = profile.entries.size();
    report.categoryCount = profile.categories.size();
    report.questionCount = profile.questions.size();
    report.ok = report.fault.empty();
}

}  // namespace

VerifyReport VerifyProfileBytes(std::string_view bytes) {
    VerifyReport report;
    try {
        Check(report, SplitFileLines(bytes));
    } catch (const std::exception&) {
        report.ok = false;
        SetFault(report, 0, u"the file could not be checked (out of memory)");
    }
    return report;
}

VerifyReport VerifyProfileFile(FileSystem& files, const std::filesystem::path& file) {
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
        std::vector<std::string> lines;
        std::string line;
        while (reader->readLine(line, error)) {
            lines.push_back(line);
        }
        reader.reset();
        if (error.failed()) {
            SetFault(report, 0,
                     u"the file cannot be read: error " + ErrorNumberText(error.number) + u" \"" +
                         error.description + u"\"");
            report.lineCount = lines.size();
            return report;
        }
        Check(report, lines);
    } catch (const std::exception&) {
        report.ok = false;
        SetFault(report, 0, u"the file could not be checked (out of memory)");
    }
    return report;
}

}  // namespace keyloft

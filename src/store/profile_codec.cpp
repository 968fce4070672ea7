#include "store/profile_codec.h"

#include <algorithm>
#include <charconv>
#include <cctype>
#include <limits>

#include "crypto/text_cipher.h"
#include "store/secret_memory.h"
#include "store/text_convert.h"

namespace keyloft {
namespace {

// Windows-1252 code units 0x80 to 0x9F and the UTF-16 code unit each stands for. The five bytes
// the code page leaves undefined stand for the C1 control of the same value.
constexpr char16_t kHighHalf[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view TrimNumberBlanks(std::u16string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::u16string AsciiToU16(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::u16string SumText(std::int64_t sum) { return AsciiToU16(std::to_string(sum)); }

// Length of the cipher text of a plain text of n code units.
std::size_t CipherLength(std::size_t n) { return StoredLineLength(n); }

std::u16string TrailerText(std::size_t lineCount, std::int64_t total) {
    return u"7|" + AsciiToU16(std::to_string(lineCount)) + u"|" + AsciiToU16(std::to_string(total));
}

}  // namespace

std::vector<std::u16string> SplitFields(std::u16string_view record) {
    std::vector<std::u16string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t bar = record.find(kFieldSeparator, start);
        if (bar == std::u16string_view::npos) {
            fields.emplace_back(record.substr(start));
            return fields;
        }
        fields.emplace_back(record.substr(start, bar - start));
        start = bar + 1;
    }
}

std::u16string JoinFields(const std::vector<std::u16string>& fields) {
    std::size_t size = fields.size();
    for (const std::u16string& field : fields) {
        size += field.size();
    }
    std::u16string joined;
    joined.reserve(size);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i != 0) {
            joined += kFieldSeparator;
        }
        joined += fields[i];
    }
    return joined;
}

std::u16string LogonRecord(const Profile& profile) {
    return JoinFields({u"2", profile.userId, profile.password, profile.pin});
}

std::u16string IdentityRecord(std::string_view identity) {
    return u"9|" + std::u16string(identity.begin(), identity.end());
}

bool IsProfileIdentity(std::string_view text) {
    return text.size() == 32 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

std::u16string CategoryRecord(const Category& category) { return JoinFields({u"3", category.name}); }

std::u16string EntryRecord(const Entry& entry) {
    return JoinFields({u"4", entry.category, entry.description, entry.userCode, entry.password, entry.notes,
                       entry.expiryDate, entry.webSite, entry.email});
}

std::u16string QuestionRecord(const SecurityQuestion& question) {
    return JoinFields({u"5", question.question, question.answer});
}

Entry EntryFromFields(std::vector<std::u16string>&& fields) {
    fields.resize(std::max<std::size_t>(fields.size(), 9));
    Entry entry;
    entry.category = std::move(fields[1]);
    entry.description = std::move(fields[2]);
    entry.userCode = std::move(fields[3]);
    entry.password = std::move(fields[4]);
    entry.notes = std::move(fields[5]);
    entry.expiryDate = std::move(fields[6]);
    entry.webSite = std::move(fields[7]);
    entry.email = std::move(fields[8]);
    return entry;
}

int SingleByteCode(char16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
        return unit;
    }
    for (int i = 0; i < 32; ++i) {
        if (kHighHalf[i] == unit) {
            return 0x80 + i;
        }
    }
    return '?';
}

std::int64_t RecordSum(std::u16string_view text) {
    std::int64_t sum = 0;
    for (const char16_t unit : text) {
        sum += SingleByteCode(unit);
    }
    return sum;
}

std::u16string AppendRecordSum(std::u16string_view text) {
    std::u16string result(text);
    result += kFieldSeparator;
    result += SumText(RecordSum(text));
    return result;
}

bool RSumofAC(std::u16string& line, const std::vector<std::u16string>& fields, int n) {
    if (n < 0 || fields.size() != static_cast<std::size_t>(n) + 1) {
        return false;
    }
    const std::size_t bar = line.rfind(kFieldSeparator);
    if (bar != std::u16string::npos) {
        line.erase(bar);
    }
    ErrorInfo ignored;
    const std::optional<double> stored = ParseNumber(fields[static_cast<std::size_t>(n)], ignored);
    return stored && *stored == static_cast<double>(RecordSum(line));
}

std::optional<std::int32_t> ParseInt32(std::u16string_view text, ErrorInfo& error) {
    text = TrimNumberBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == u'-' || text.front() == u'+')) {
        negative = text.front() == u'-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        error = ErrorInfo::of(error::kTypeMismatch);
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9') {
            error = ErrorInfo::of(error::kTypeMismatch);
            return std::nullopt;
        }
        value = value * 10 + (c - u'0');
        if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) {
            error = ErrorInfo::of(error::kOverflow);
            return std::nullopt;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > std::numeric_limits<std::int32_t>::max() ||
        value < std::numeric_limits<std::int32_t>::min()) {
        error = ErrorInfo::of(error::kOverflow);
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

std::optional<double> ParseNumber(std::u16string_view text, ErrorInfo& error) {
    text = TrimNumberBlanks(text);
    std::string ascii;
    ascii.reserve(text.size());
    for (const char16_t c : text) {
        const bool allowed =
            (c >= u'0' && c <= u'9') || c == u'.' || c == u'-' || c == u'+' || c == u'e' || c == u'E';
        if (!allowed) {
            error = ErrorInfo::of(error::kTypeMismatch);
            return std::nullopt;
        }
        ascii += static_cast<char>(c);
    }
    std::string_view digits = ascii;
    bool negative = false;
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty() ||
        !(std::isdigit(static_cast<unsigned char>(digits.front())) || digits.front() == '.')) {
        error = ErrorInfo::of(error::kTypeMismatch);
        return std::nullopt;
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc{} || end != digits.data() + digits.size()) {
        error = ErrorInfo::of(ec == std::errc::result_out_of_range ? error::kOverflow : error::kTypeMismatch);
        return std::nullopt;
    }
    return negative ? -value : value;
}

std::u16string Int32Text(std::int32_t value) { return AsciiToU16(std::to_string(value)); }

std::u16string KeyTimeText(double secondsSinceMidnight) {
    const auto single = static_cast<float>(secondsSinceMidnight);
    char buffer[48];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, single, std::chars_format::general, 7);
    std::string text(buffer, result.ptr);
    for (char& c : text) {
        if (c == 'e') {
            c = 'E';
        }
    }
    if (text.size() > 4) {
        text.erase(0, text.size() - 4);
    }
    return AsciiToU16(text);
}

std::string MakeProfileKey(std::u16string_view timeText) {
    return crypto::TryEncryptText(timeText, timeText);
}

std::int32_t NextVersion(std::int32_t version) {
    if (version >= kVersionWrap - 1) {
        return 1;
    }
    return version + 1;
}

bool VersionIsNewer(std::int32_t a, std::int32_t b) {
    // Where each version lies on the round of kVersionWrap - 1 versions (0 lies where 2147483639
    // does: NextVersion gives 1 after both).
    constexpr std::int64_t kRound = kVersionWrap - 1;
    const auto place = [](std::int32_t v) { return ((std::int64_t{v} - 1) % kRound + kRound) % kRound; };
    const std::int64_t ahead = (place(a) - place(b) + kRound) % kRound;
    return ahead != 0 && ahead < kRound / 2;
}

bool EncodeProfileTo(const Profile& profile, std::int32_t writtenVersion, std::u16string_view timeText,
                     bool creating, const LineSink& sink) {
    const std::string key = MakeProfileKey(timeText);
    if (key.empty()) {
        return false;
    }
    const std::u16string keyPassword = WidenBytes(key);

    const std::string line2 =
        crypto::TryEncryptText(AppendRecordSum(u"1|" + Int32Text(profile.logonMode)), keyPassword);
    if (line2.empty()) {
        return false;
    }
    const std::string keyLine = crypto::TryEncryptText(AppendRecordSum(WidenBytes(key)), WidenBytes(line2));
    if (keyLine.empty()) {
        return false;
    }
    std::size_t linesBefore = 0;
    std::int64_t before = 0;  // length of the lines before the trailer
    auto give = [&](const std::string& line) {
        ++linesBefore;
        before += static_cast<std::int64_t>(line.size());
        return sink(line);
    };
    if (!give(keyLine) || !give(line2)) {
        return false;
    }

    auto addRecord = [&](std::u16string_view recordText) {
        const std::string line = crypto::TryEncryptText(AppendRecordSum(recordText), keyPassword);
        return !line.empty() && give(line);
    };

    if (!addRecord(u"8|" + Int32Text(writtenVersion))) {
        return false;
    }
    if (IsProfileIdentity(profile.identity) && !addRecord(IdentityRecord(profile.identity))) {
        return false;
    }
    if (!addRecord(LogonRecord(profile))) {
        return false;
    }
    if (!creating) {
        for (const Category& category : profile.categories) {
            if (!addRecord(CategoryRecord(category))) {
                return false;
            }
        }
        for (const Entry& entry : profile.entries) {
            if (!addRecord(EntryRecord(entry))) {
                return false;
            }
        }
    }
    for (const SecurityQuestion& question : profile.questions) {
        if (!addRecord(QuestionRecord(question))) {
            return false;
        }
    }
    if (!addRecord(u"6|" + Int32Text(profile.answerMode))) {
        return false;
    }

    // The trailer counts itself. Its length is that of its own cipher text, which depends on the
    // digits of the total: start from the shortest cipher text and grow until the two agree. For
    // a trailer of up to 14 characters this is the length of the kind-6 line, as always.
    const std::size_t lineCount = linesBefore + 1;
    std::size_t trailerLength = CipherLength(1);
    std::u16string trailer;
    while (true) {
        trailer = TrailerText(lineCount, before + static_cast<std::int64_t>(trailerLength));
        const std::size_t needed = CipherLength(trailer.size());
        if (needed == trailerLength) {
            break;
        }
        trailerLength = needed;
    }
    const std::string trailerLine = crypto::TryEncryptText(trailer, keyPassword);
    return !trailerLine.empty() && sink(trailerLine);
}

EncodedProfile EncodeProfile(const Profile& profile, std::int32_t writtenVersion,
                             std::u16string_view timeText, bool creating) {
    EncodedProfile encoded;
    encoded.lines.reserve(8 + profile.categories.size() + profile.entries.size() + profile.questions.size());
    encoded.ok =
        EncodeProfileTo(profile, writtenVersion, timeText, creating, [&encoded](const std::string& line) {
            encoded.lines.push_back(line);
            return true;
        });
    return encoded;
}

std::string JoinFileLines(const std::vector<std::string>& lines) {
    std::size_t size = 0;
    for (const std::string& line : lines) {
        size += line.size() + 2;
    }
    std::string bytes;
    bytes.reserve(size);
    for (const std::string& line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    return bytes;
}

std::vector<std::string> SplitFileLines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(bytes.substr(start));
            break;
        }
        lines.emplace_back(bytes.substr(start, end - start));
        start = end + 1;
        if (bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n') {
            ++start;
        }
    }
    return lines;
}

KeyLineResult DecodeKeyLine(std::string_view keyLine, std::string_view secondLine) {
    KeyLineResult result;
    const crypto::DecryptResult decrypted = crypto::TryDecryptText(keyLine, WidenBytes(secondLine));
    if (decrypted.status == crypto::DecryptStatus::Rejected) {
        result.rejected = true;
        return result;
    }
    std::u16string keyText = decrypted.text;
    const std::vector<std::u16string> fields = SplitFields(keyText);
    result.sumFailed = !RSumofAC(keyText, fields, 1);
    result.key = fields[0];
    return result;
}

ProfileDecoder::ProfileDecoder(Profile& target) : profile_(target) {
    profile_.identity.clear();
    profile_.categories.clear();
    profile_.entries.clear();
    profile_.questions.clear();
}

// The file's key is a secret: it goes with the decoder.
ProfileDecoder::~ProfileDecoder() { Wipe(profileKey_); }

ProfileDecoder::LineResult ProfileDecoder::addLine(std::string_view line) {
    LineResult result;
    ++linesRead_;
    runningLength_ += static_cast<double>(line.size());
    if (linesRead_ == 1) {
        keyLine_ = line;
        return result;
    }
    if (linesRead_ == 2) {
        const KeyLineResult key = DecodeKeyLine(keyLine_, line);
        if (key.rejected) {
            result.rejected = true;
            return result;
        }
        if (key.sumFailed) {
            ++result.sumFailures;
        }
        profileKey_ = key.key;
    }

    const crypto::DecryptResult decrypted = crypto::TryDecryptText(line, profileKey_);
    if (decrypted.status == crypto::DecryptStatus::Rejected) {
        result.rejected = true;
        return result;
    }
    std::u16string plain = decrypted.text;
    std::vector<std::u16string> fields = SplitFields(plain);

    const std::optional<std::int32_t> kind = ParseInt32(fields[0], result.error);
    if (!kind) {
        return result;
    }
    result.kind = kind;
    auto check = [&](int n) {
        if (!RSumofAC(plain, fields, n)) {
            ++result.sumFailures;
        }
    };
    // Field i of the split, or the failure "Subscript out of range".
    auto field = [&](std::size_t i) -> const std::u16string* {
        if (i >= fields.size()) {
            result.error = ErrorInfo::of(error::kSubscriptOutOfRange);
            return nullptr;
        }
        return &fields[i];
    };
    auto integerField = [&](std::size_t i) -> std::optional<std::int32_t> {
        const std::u16string* text = field(i);
        if (text == nullptr) {
            return std::nullopt;
        }
        return ParseInt32(*text, result.error);
    };

    switch (*kind) {
        case 1:
            check(2);
            if (const auto value = integerField(1)) {
                profile_.logonMode = *value;
            }
            break;
        case 2: {
            check(4);
            const std::u16string* userId = field(1);
            if (userId == nullptr) {
                break;
            }
            profile_.userId = *userId;
            const std::u16string* password = field(2);
            if (password == nullptr) {
                break;
            }
            profile_.password = *password;
            const std::u16string* pin = field(3);
            if (pin == nullptr) {
                break;
            }
            profile_.pin = *pin;
            break;
        }
        case 3: {
            check(2);
            const std::u16string* name = field(1);
            if (name == nullptr) {
                break;
            }
            if (!profile_.categories.add(*name)) {
                result.error = ErrorInfo::of(error::kDuplicateKey);
            }
            break;
        }
        case 4:
            check(9);
            profile_.entries.push_back(EntryFromFields(std::move(fields)));
            break;
        case 5:
            // A record of the wrong length fails its check; what it holds is still taken.
            check(3);
            fields.resize(std::max<std::size_t>(fields.size(), 3));
            profile_.questions.push_back(SecurityQuestion{std::move(fields[1]), std::move(fields[2])});
            break;
        case 6:
            check(2);
            if (const auto value = integerField(1)) {
                profile_.answerMode = *value;
            }
            break;
        case 7: {
            const auto count = integerField(1);
            if (!count) {
                break;
            }
            expectedLines_ = *count;
            const std::u16string* total = field(2);
            if (total == nullptr) {
                break;
            }
            if (const auto value = ParseNumber(*total, result.error)) {
                expectedTotal_ = *value;
                sawTrailer_ = true;
            }
            break;
        }
        case 9:
            // The identity: taken when the record is sound, and skipped without a word otherwise, as
            // every reader before it skips the kind.
            if (std::u16string record = plain; RSumofAC(record, fields, 2)) {
                std::string identity;
                for (const char16_t c : fields[1]) identity += c < 0x80 ? static_cast<char>(c) : '?';
                if (IsProfileIdentity(identity)) profile_.identity = identity;
            }
            break;
        case 8:
            check(2);
            if (const auto value = integerField(1)) {
                profile_.version = *value;
                sawVersion_ = true;
            }
            break;
        default:
            break;
    }
    return result;
}

bool ProfileDecoder::trailerMatches() const {
    return static_cast<double>(expectedLines_) == static_cast<double>(linesRead_) &&
           expectedTotal_ == runningLength_;
}

}  // namespace keyloft

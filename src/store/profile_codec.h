#pragma once
// The profile file format as pure functions: a Profile becomes the exact lines of its file, and
// the lines of a file fill a Profile with every check the loader makes. No file access here.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/error_codes.h"
#include "store/profile.h"
#include "store/read_limits.h"

namespace keyloft {

// Record texts: the fields of a record joined by "|", its kind first ("4|category|...|email").
// Splits a record text on "|" (an empty text gives one empty field).
std::vector<std::u16string> SplitFields(std::u16string_view record);
std::u16string JoinFields(const std::vector<std::u16string>& fields);
// "9|identity": a record that readers before it skip, as they skip every kind they do not know.
std::u16string IdentityRecord(std::string_view identity);
// 32 lowercase hexadecimal digits.
bool IsProfileIdentity(std::string_view text);
// "2|userId|password|pin", "3|name", "4|category|description|userCode|password|notes|expiryDate|
// webSite|email" and "5|question|answer".
std::u16string LogonRecord(const Profile& profile);
std::u16string CategoryRecord(const Category& category);
std::u16string EntryRecord(const Entry& entry);
std::u16string QuestionRecord(const SecurityQuestion& question);
// The entry of the fields of a kind-4 record (field 0 the kind); missing fields are empty, fields
// past the email address are not read.
Entry EntryFromFields(std::vector<std::u16string>&& fields);

// Single-byte (Windows-1252) code of a UTF-16 code unit; 63 ("?") where that code page has none,
// so each half of a surrogate pair counts 63.
int SingleByteCode(char16_t unit);
// Sum of the single-byte codes of all code units of the text.
std::int64_t RecordSum(std::u16string_view text);
// text & "|" & record sum of text.
std::u16string AppendRecordSum(std::u16string_view text);

// The record-sum check: true when `fields` (the line split on "|") has exactly n + 1 fields and
// field n, read as a number, equals the record sum of the line up to its last "|". When the field
// count is right the line loses "|" and its sum whatever the outcome.
bool RSumofAC(std::u16string& line, const std::vector<std::u16string>& fields, int n);

// Number fields: optional blanks around an optional sign and decimal digits.
// Failures: 13 (not a number), 6 (does not fit).
std::optional<std::int32_t> ParseInt32(std::u16string_view text, ErrorInfo& error);
std::optional<double> ParseNumber(std::u16string_view text, ErrorInfo& error);
std::u16string Int32Text(std::int32_t value);

// T of the key scheme: the last four characters of the seconds since midnight written as a
// single-precision number ("." as decimal point, at most seven significant digits).
std::u16string KeyTimeText(double secondsSinceMidnight);
// The profile key made from T: EncryptText(T, T).
std::string MakeProfileKey(std::u16string_view timeText);
// The version a save writes after `version` (wraps to 1 where 2147483640 would be reached).
std::int32_t NextVersion(std::int32_t version);
// Whether a file at version `a` is newer than one at version `b`. Versions go round: from 1 up to
// 2147483639, then 1 again. `a` is newer when counting up from `b` reaches it in less than half a
// round, so that 3 comes after 2147483638 and 2147483638 before 3.
bool VersionIsNewer(std::int32_t a, std::int32_t b);
// The newer of two versions.
inline std::int32_t NewerOf(std::int32_t a, std::int32_t b) { return VersionIsNewer(a, b) ? a : b; }

inline constexpr std::int32_t kVersionWrap = 2147483640;

// Length of the stored line of a record of `units` UTF-16 code units (with its sum).
constexpr std::size_t StoredLineLength(std::size_t units) { return 64 * ((2 * units + 4 + 31) / 32); }

struct EncodedProfile {
    std::vector<std::string> lines;  // without line endings
    bool ok = false;                 // false when a line did not encrypt
};

// Takes each line of a file as it is made; false stops the encoding.
using LineSink = std::function<bool(const std::string& line)>;

// The lines of the file a save writes: key line, kinds 1, 8 (writtenVersion), 9 (the identity,
// when the Profile has one), 2, categories and
// entries (left out when creating), questions, kind 6 and the trailer, each given to `sink` as
// soon as it is made, so that a save holds one line at a time. False when a line did not encrypt
// or the sink stopped.
bool EncodeProfileTo(const Profile& profile, std::int32_t writtenVersion, std::u16string_view timeText,
                     bool creating, const LineSink& sink);
// The same lines, all at once.
EncodedProfile EncodeProfile(const Profile& profile, std::int32_t writtenVersion,
                             std::u16string_view timeText, bool creating);
// The whole file as bytes (every line followed by carriage return and line feed).
std::string JoinFileLines(const std::vector<std::string>& lines);
// Splits file bytes into lines the way the loader reads them (CR LF, LF or CR end a line; a last
// line without ending still counts).
std::vector<std::string> SplitFileLines(std::string_view bytes);

// Fills a Profile from file lines one line at a time, as the loader does. The caller acts on
// each line's result before giving the next line (the loader stops at a rejection or a failure).
class ProfileDecoder {
  public:
    struct LineResult {
        int sumFailures = 0;               // record-sum checks that failed on this line (values still taken)
        bool rejected = false;             // a line the cipher rejects (the program must end)
        ErrorInfo error;                   // any other failure: the load fails
        std::optional<std::int32_t> kind;  // the record's kind, once read (none for the key line)
    };

    // Replaces the collections of `target`; the other fields keep their values until a record
    // sets them.
    explicit ProfileDecoder(Profile& target);
    ~ProfileDecoder();
    ProfileDecoder(const ProfileDecoder&) = delete;
    ProfileDecoder& operator=(const ProfileDecoder&) = delete;

    LineResult addLine(std::string_view line);

    std::size_t linesRead() const { return linesRead_; }
    double runningLength() const { return runningLength_; }
    std::int32_t expectedLineCount() const { return expectedLines_; }
    double expectedTotal() const { return expectedTotal_; }
    // The trailer check made at the end of the file.
    bool trailerMatches() const;
    bool sawVersion() const { return sawVersion_; }
    bool sawTrailer() const { return sawTrailer_; }

  private:
    Profile& profile_;
    std::string keyLine_;
    std::u16string profileKey_;
    std::size_t linesRead_ = 0;
    double runningLength_ = 0;
    std::int32_t expectedLines_ = 0;
    double expectedTotal_ = 0;
    bool sawVersion_ = false;
    bool sawTrailer_ = false;
};

// Reads the profile key from the key line and the stored text of line 2.
struct KeyLineResult {
    std::u16string key;
    bool sumFailed = false;
    bool rejected = false;
};
KeyLineResult DecodeKeyLine(std::string_view keyLine, std::string_view secondLine);

}  // namespace keyloft

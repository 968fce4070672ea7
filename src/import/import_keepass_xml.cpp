// KeePass 2 XML, as keepassxc-cli export --format xml and KeePass's own XML export write it:
//   <KeePassFile><Meta>...<RecycleBinUUID/>...</Meta>
//     <Root><Group><UUID/><Name/> <Entry>...</Entry>... <Group>...</Group>... </Group></Root>
//   </KeePassFile>
//   <Entry><UUID/><Tags/><Times><ExpiryTime/><Expires/>...</Times>
//     <String><Key>Title</Key><Value>...</Value></String>...   (Title, UserName, Password, URL,
//     Notes, and any strings of the user's own)
//     <Binary><Key>file name</Key><Value Ref="0"/></Binary>  <AutoType/> <History><Entry/>...</History>
//   </Entry>
// The groups below the root group are the categories ("Work/Email"); every group becomes one. An
// exported file holds protected values (the password) in clear, marked ProtectInMemory; a value
// marked Protected is encrypted with the database's own key and cannot be read here. Times are
// written either as ISO 8601 text or (inside KDBX 4 databases) as base64 seconds since year 1.
// The file is read by expat, which streams it; a document type (and with it any entity) is refused.

#include <expat.h>
#include <sodium.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "import/import_formats.h"
#include "import/import_limits.h"
#include "store/utf8_text.h"

namespace keyloft {
namespace {

constexpr char kProtectedReason[] =
    "it holds values encrypted with its database's own key (marked Protected=\"True\"), which only that "
    "database can read; export the database to XML again with keepassxc-cli export --format xml "
    "DATABASE.kdbx "
    "and import that file";

constexpr std::size_t kNoParent = std::size_t(-1);

struct Group {
    std::size_t parent;  // index in the groups; kNoParent for the root group
    std::u16string name;
    std::string uuid;
    bool hasEntries = false;
};

struct PendingEntry {
    std::size_t group;
    RowBuilder row;
};

// "2027-03-14T23:00:00Z" or base64 of 8 bytes, little-endian seconds since 0001-01-01; nothing
// when it is neither.
std::optional<std::int64_t> UnixTimeOf(const std::string& text) {
    using namespace std::chrono;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (text.size() >= 19 &&
        std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d", &y, &mo, &d, &h, &mi, &s) == 6) {
        const year_month_day date{year(y), month(static_cast<unsigned>(mo)), day(static_cast<unsigned>(d))};
        if (!date.ok()) return std::nullopt;
        return sys_days(date).time_since_epoch().count() * 86400LL + h * 3600LL + mi * 60LL + s;
    }
    unsigned char bytes[8];
    std::size_t length = 0;
    if (sodium_base642bin(bytes, sizeof bytes, text.c_str(), text.size(), " \t\r\n", &length, nullptr,
                          sodium_base64_VARIANT_ORIGINAL) != 0 ||
        length != sizeof bytes)
        return std::nullopt;
    std::uint64_t sinceYearOne = 0;
    for (int i = 7; i >= 0; --i) sinceYearOne = sinceYearOne << 8 | bytes[i];
    constexpr std::int64_t kYearOneTo1970 = 62135596800LL;
    return static_cast<std::int64_t>(sinceYearOne) - kYearOneTo1970;
}

// The day of an instant where the user is: KeePassXC shows an expiry time in local time.
std::u16string LocalDateOf(std::int64_t unixTime) {
    const auto time = static_cast<std::time_t>(unixTime);
    const std::tm* local = std::localtime(&time);
    char text[16];
    if (local == nullptr || std::strftime(text, sizeof text, "%Y-%m-%d", local) == 0) return {};
    return AsciiToUtf16(text);
}

class KeePassXmlReader {
  public:
    KeePassXmlReader(ImportTable& table, const RowSink& onRow)
        : table_(table), ignored_(table.ignoredColumns), onRow_(onRow) {}

    void read(std::string_view text) {
        XML_Parser parser = XML_ParserCreate(nullptr);
        if (parser == nullptr) {
            table_.error = "there is not enough memory to read it";
            return;
        }
        parser_ = parser;
        XML_SetUserData(parser, this);
        XML_SetElementHandler(parser, &KeePassXmlReader::onStart, &KeePassXmlReader::onEnd);
        XML_SetCharacterDataHandler(parser, &KeePassXmlReader::onText);
        XML_SetStartDoctypeDeclHandler(parser, &KeePassXmlReader::onDoctype);
        constexpr std::size_t kChunk = std::size_t{1} << 20;
        bool ok = true;
        do {
            const std::size_t n = std::min(kChunk, text.size());
            ok = XML_Parse(parser, text.data(), static_cast<int>(n), n == text.size()) == XML_STATUS_OK;
            text.remove_prefix(n);
        } while (ok && !text.empty());
        if (!ok && !table_.error) {
            table_.error = "the file is not well-formed XML (line " +
                           std::to_string(XML_GetCurrentLineNumber(parser)) + ": " +
                           XML_ErrorString(XML_GetErrorCode(parser)) + ")";
        }
        XML_ParserFree(parser);
        if (table_.error) return;
        if (!sawRoot_) {
            table_.error = "it is XML, but no KeePass 2 XML export (it has no <Root> in <KeePassFile>)";
            return;
        }
        finish();
    }

  private:
    static void XMLCALL onStart(void* self, const XML_Char* name, const XML_Char** attributes) {
        static_cast<KeePassXmlReader*>(self)->start(name, attributes);
    }
    static void XMLCALL onEnd(void* self, const XML_Char* name) {
        static_cast<KeePassXmlReader*>(self)->end(name);
    }
    static void XMLCALL onText(void* self, const XML_Char* text, int length) {
        auto* reader = static_cast<KeePassXmlReader*>(self);
        if (reader->capturing_) reader->text_.append(text, static_cast<std::size_t>(length));
    }
    static void XMLCALL onDoctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*, int) {
        static_cast<KeePassXmlReader*>(self)->stop(
            "it declares a document type, which no KeePass 2 XML export has");
    }

    void stop(std::string reason) {
        if (!table_.error) table_.error = std::move(reason);
        XML_StopParser(parser_, XML_FALSE);
    }

    bool at(std::initializer_list<std::string_view> tail) const {
        if (path_.size() < tail.size()) return false;
        return std::equal(tail.begin(), tail.end(), path_.end() - static_cast<std::ptrdiff_t>(tail.size()));
    }

    void start(const char* name, const char** attributes) {
        path_.emplace_back(name);
        if (path_.size() > kMaxImportNesting) return stop(TooDeepReason("XML"));
        if (path_.size() == 1 && path_[0] != "KeePassFile") {
            return stop("it is XML, but no KeePass 2 XML export (its first element is <" + path_[0] +
                        ">); export from your password manager as KeePass 2 XML or CSV");
        }
        if (history_ > 0) {
            if (path_.back() == "Entry") historyHeld_ = true;
            return;
        }
        const std::string_view element = path_.back();
        if ((element == "Group" || element == "Entry") && groups_.size() + pending_.size() >= kMaxImportRows)
            return stop(TooManyRowsReason());
        if (at({"KeePassFile", "Root"}) && path_.size() == 2) sawRoot_ = true;
        if (element == "Group" && (at({"Root", "Group"}) || at({"Group", "Group"}))) {
            const std::size_t parent = groupStack_.empty() ? kNoParent : groupStack_.back();
            groupStack_.push_back(groups_.size());
            groups_.push_back({parent, {}, {}});
        } else if (element == "Entry" && at({"Group", "Entry"}) && !groupStack_.empty() && !entry_) {
            entry_.emplace(
                PendingEntry{groupStack_.back(), RowBuilder("entry " + std::to_string(++entries_))});
            groups_[groupStack_.back()].hasEntries = true;
            expires_ = false;
            expiryTime_.clear();
        } else if (entry_ && element == "History") {
            history_ = path_.size();
        } else if (entry_ && element == "String") {
            key_.clear();
            value_.clear();
        } else if (entry_ && element == "Value" && at({"String", "Value"})) {
            for (const char** a = attributes; *a != nullptr; a += 2)
                if (std::strcmp(a[0], "Protected") == 0 && std::strcmp(a[1], "True") == 0)
                    return stop(kProtectedReason);
        } else if (entry_ && (element == "Association" || element == "Item")) {
            ignored_.add(at({"AutoType", "Association"}) ? "AutoType" : "CustomData");
        }
        capturing_ = isTextElement();
        text_.clear();
    }

    // The elements whose text is kept.
    bool isTextElement() const {
        if (at({"Meta", "RecycleBinUUID"})) return true;
        if (at({"Group", "Name"}) || at({"Group", "UUID"})) return !entry_;
        if (!entry_) return false;
        return at({"String", "Key"}) || at({"String", "Value"}) || at({"Binary", "Key"}) ||
               at({"Entry", "Tags"}) || at({"Entry", "OverrideURL"}) || at({"Times", "ExpiryTime"}) ||
               at({"Times", "Expires"});
    }

    void end(const char*) {
        capturing_ = false;
        if (history_ > 0) {
            if (path_.size() == history_) {
                history_ = 0;
                if (std::exchange(historyHeld_, false)) ignored_.add("History");
            }
            path_.pop_back();
            return;
        }
        const std::string_view element = path_.back();
        if (at({"Meta", "RecycleBinUUID"})) {
            recycleBin_ = text_;
        } else if (!entry_ && at({"Group", "Name"}) && !groupStack_.empty()) {
            groups_[groupStack_.back()].name = Utf8ToUtf16(text_);
        } else if (!entry_ && at({"Group", "UUID"}) && !groupStack_.empty()) {
            groups_[groupStack_.back()].uuid = text_;
        } else if (element == "Group" && !entry_ && !groupStack_.empty() &&
                   (at({"Root", "Group"}) || at({"Group", "Group"}))) {
            groupStack_.pop_back();
        } else if (entry_) {
            endInEntry(element);
        }
        path_.pop_back();
    }

    void endInEntry(std::string_view element) {
        RowBuilder& row = entry_->row;
        if (at({"String", "Key"})) {
            key_ = text_;
        } else if (at({"String", "Value"})) {
            value_ = text_;
        } else if (element == "String") {
            takeString(row);
        } else if (at({"Binary", "Key"})) {
            row.addNote(u"Attachment", Utf8ToUtf16(text_) + u" (not imported)");
        } else if (at({"Entry", "Tags"})) {
            row.addNote(u"Tags", Utf8ToUtf16(text_));
        } else if (at({"Entry", "OverrideURL"})) {
            row.addNote(u"OverrideURL", Utf8ToUtf16(text_));
        } else if (at({"Times", "ExpiryTime"})) {
            expiryTime_ = text_;
        } else if (at({"Times", "Expires"})) {
            expires_ = text_ == "True" || text_ == "true";
        } else if (element == "Entry" && at({"Group", "Entry"})) {
            if (expires_) {
                const std::optional<std::int64_t> time = UnixTimeOf(expiryTime_);
                const std::u16string date = time ? LocalDateOf(*time) : std::u16string();
                row.setExpiry(u"ExpiryTime", date.empty() ? Utf8ToUtf16(expiryTime_) : date);
            }
            pending_.push_back(std::move(*entry_));
            entry_.reset();
        }
    }

    void takeString(RowBuilder& row) {
        const std::u16string value = Utf8ToUtf16(value_);
        Entry& fields = row.fields();
        if (key_ == "Title") {
            fields.description = value;
        } else if (key_ == "UserName") {
            fields.userCode = value;
        } else if (key_ == "Password") {
            fields.password = value;
        } else if (key_ == "URL") {
            fields.webSite = value;
        } else if (key_ == "Notes") {
            row.setOrNote(&Entry::notes, u"Notes", value);
        } else if (key_ == "Email" || key_ == "E-mail" || key_ == "email" || key_ == "E-Mail") {
            row.setOrNote(&Entry::email, Utf8ToUtf16(key_), value);
        } else if (key_ == "Expiry Date") {
            row.setExpiry(u"Expiry Date", value);
        } else {
            row.addNote(Utf8ToUtf16(key_), value);
        }
    }

    // The path of a group below the root group; empty for the root group and anything outside it.
    std::u16string pathOf(std::size_t index) const {
        std::vector<std::size_t> chain;
        for (std::size_t g = index; g < groups_.size() && groups_[g].parent != kNoParent;
             g = groups_[g].parent)
            chain.push_back(g);
        std::u16string path;
        for (auto g = chain.rbegin(); g != chain.rend(); ++g) {
            if (g != chain.rbegin()) path += u'/';
            path += groups_[*g].name;
        }
        return path;
    }

    void finish() {
        for (std::size_t g = 0; g < groups_.size(); ++g) {
            const bool bin = !recycleBin_.empty() && groups_[g].uuid == recycleBin_;
            if (!groups_[g].hasEntries && !bin && groups_[g].parent != kNoParent &&
                !TrimBlanks(groups_[g].name).empty())
                table_.emptyGroups.push_back(pathOf(g));
        }
        for (PendingEntry& pending : pending_) {
            pending.row.fields().category = pathOf(pending.group);
            pending.row.finishInto(onRow_);
        }
    }

    ImportTable& table_;
    IgnoredNames ignored_;
    const RowSink& onRow_;
    XML_Parser parser_ = nullptr;
    std::vector<std::string> path_;  // the open elements
    std::vector<Group> groups_;
    std::vector<std::size_t> groupStack_;
    std::optional<PendingEntry> entry_;
    std::vector<PendingEntry> pending_;
    std::size_t entries_ = 0;
    std::size_t history_ = 0;  // the depth of the History element being skipped
    bool historyHeld_ = false;
    bool sawRoot_ = false;
    bool capturing_ = false;
    bool expires_ = false;
    std::string text_, key_, value_, expiryTime_, recycleBin_;
};

}  // namespace

ImportTable ReadKeePassXmlRows(std::string_view text, const RowSink& onRow) {
    ImportTable table;
    KeePassXmlReader(table, onRow).read(text);
    return table;
}

}  // namespace keyloft

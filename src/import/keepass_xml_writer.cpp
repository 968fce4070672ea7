#include "import/keepass_xml_writer.h"

#include <sodium.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>

#include "store/expiry_date.h"
#include "store/utf8_text.h"

namespace keyloft {
namespace {

// Groups nested at most this deep, well inside what import reads back (kMaxImportNesting levels of
// XML: KeePassFile, Root, the groups, Entry, String, Value).
constexpr std::size_t kMaxGroupDepth = 64;

// A random UUID as KeePass writes it: 16 bytes in base64.
std::string NewUuid() {
    unsigned char bytes[16];
    randombytes_buf(bytes, sizeof bytes);
    char text[sodium_base64_ENCODED_LEN(16, sodium_base64_VARIANT_ORIGINAL)];
    sodium_bin2base64(text, sizeof text, bytes, sizeof bytes, sodium_base64_VARIANT_ORIGINAL);
    return text;
}

// XML 1.0 holds tab, line feed, carriage return and characters from U+0020 on, except the
// surrogates and U+FFFE, U+FFFF.
bool XmlHolds(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

class XmlText {
  public:
    // Element content: &, < and > escaped, a carriage return as a reference (a parser turns a
    // written one into a line feed), what XML cannot hold as U+FFFD. False when anything was so.
    bool append(std::string& out, std::u16string_view text) {
        bool replaced = false;
        std::u16string part;
        const auto flush = [&] {
            out += Utf16ToUtf8(part);
            part.clear();
        };
        for (std::size_t i = 0; i < text.size(); ++i) {
            char32_t c = text[i];
            const bool high = c >= 0xD800 && c <= 0xDBFF;
            if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                part += text[i];
                part += text[++i];
                continue;
            }
            if ((c >= 0xD800 && c <= 0xDFFF) || !XmlHolds(c)) {
                part += u'\uFFFD';
                replaced = true;
                continue;
            }
            const char* reference = c == u'&'    ? "&amp;"
                                    : c == u'<'  ? "&lt;"
                                    : c == u'>'  ? "&gt;"
                                    : c == u'\r' ? "&#13;"
                                                 : nullptr;
            if (reference == nullptr) {
                part += static_cast<char16_t>(c);
                continue;
            }
            flush();
            out += reference;
        }
        flush();
        return !replaced;
    }
};

// Midnight of `date` where the export is made, as UTC text "2027-03-14T23:00:00Z".
std::string ExpiryTimeOf(const CalendarDate& date) {
    std::tm local{};
    local.tm_year = date.year - 1900;
    local.tm_mon = date.month - 1;
    local.tm_mday = date.day;
    local.tm_isdst = -1;
    std::time_t time = std::mktime(&local);
    std::int64_t seconds = 0;
    if (time == static_cast<std::time_t>(-1)) {  // outside what the C library can tell: UTC midnight
        using namespace std::chrono;
        seconds = sys_days(year_month_day{year(date.year), month(static_cast<unsigned>(date.month)),
                                          day(static_cast<unsigned>(date.day))})
                      .time_since_epoch()
                      .count() *
                  86400LL;
    } else {
        seconds = static_cast<std::int64_t>(time);
    }
    using namespace std::chrono;
    const sys_seconds instant{std::chrono::seconds(seconds)};
    const sys_days day = floor<days>(instant);
    const year_month_day ymd(day);
    const hh_mm_ss clock(instant - day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                  static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return text;
}

// The group tree of the categories: each node's entries and child groups in the order they come.
struct GroupNode {
    std::u16string name;
    std::vector<const Entry*> entries;
    std::vector<std::size_t> children;
    std::map<std::u16string, std::size_t> childByName;
};

class KeePassXmlWriter {
  public:
    KeePassXmlWriter(const ExpiryDateReader& dates, KeePassXmlExport& out) : dates_(dates), out_(out) {
        nodes_.push_back({u"Root", {}, {}, {}});
    }

    void add(const Profile& profile) {
        for (const Category& category : profile.categories) nodeOf(category.name);
        for (const Entry& entry : profile.entries) nodes_[nodeOf(entry.category)].entries.push_back(&entry);
        for (std::size_t i = 0; i < profile.entries.size(); ++i) rows_[&profile.entries[i]] = i + 1;
    }

    void write() {
        std::string& text = out_.text;
        text =
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<KeePassFile>\n"
            "\t<Meta>\n\t\t<Generator>Keyloft</Generator>\n\t</Meta>\n\t<Root>\n";
        writeGroup(0, 2);
        text += "\t</Root>\n</KeePassFile>\n";
    }

  private:
    std::size_t nodeOf(const std::u16string& category) {
        std::size_t node = 0;
        if (category.empty()) return node;
        std::u16string_view rest = category;
        for (std::size_t depth = 1;; ++depth) {
            // The last group the nesting allows takes the rest of the path as its name: read back,
            // the names are joined with "/" again.
            const std::size_t slash = depth == kMaxGroupDepth ? std::u16string_view::npos : rest.find(u'/');
            const std::u16string part(rest.substr(0, slash));
            const auto found = nodes_[node].childByName.find(part);
            if (found != nodes_[node].childByName.end()) {
                node = found->second;
            } else {
                const std::size_t child = nodes_.size();
                nodes_.push_back({part, {}, {}, {}});
                nodes_[node].children.push_back(child);
                nodes_[node].childByName.emplace(part, child);
                node = child;
            }
            if (slash == std::u16string_view::npos) return node;
            rest.remove_prefix(slash + 1);
        }
    }

    void line(int indent, const std::string& content) {
        out_.text.append(static_cast<std::size_t>(indent), '\t').append(content).append("\n");
    }

    void value(int indent, const char* element, std::u16string_view text, std::size_t row,
               const char* field) {
        std::string& out = out_.text;
        out.append(static_cast<std::size_t>(indent), '\t').append("<").append(element).append(">");
        if (!escape_.append(out, text))
            out_.warnings.push_back("entry " + std::to_string(row) + ": the " + field +
                                    " holds characters XML cannot hold; they are written as U+FFFD");
        out.append("</").append(element).append(">\n");
    }

    void string(int indent, const char* key, std::u16string_view text, std::size_t row,
                bool protect = false) {
        line(indent, "<String>");
        line(indent + 1, std::string("<Key>") + key + "</Key>");
        std::string& out = out_.text;
        out.append(static_cast<std::size_t>(indent + 1), '\t')
            .append(protect ? "<Value ProtectInMemory=\"True\">" : "<Value>");
        if (!escape_.append(out, text))
            out_.warnings.push_back("entry " + std::to_string(row) + ": the " + key +
                                    " holds characters XML cannot hold; they are written as U+FFFD");
        out += "</Value>\n";
        line(indent, "</String>");
    }

    void writeGroup(std::size_t index, int indent) {
        const GroupNode& node = nodes_[index];
        line(indent, "<Group>");
        line(indent + 1, "<UUID>" + NewUuid() + "</UUID>");
        value(indent + 1, "Name", node.name, 0, "category");
        for (const Entry* entry : node.entries) writeEntry(*entry, indent + 1);
        for (const std::size_t child : node.children) writeGroup(child, indent + 1);
        line(indent, "</Group>");
    }

    void writeEntry(const Entry& entry, int indent) {
        const std::size_t row = rows_[&entry];
        line(indent, "<Entry>");
        line(indent + 1, "<UUID>" + NewUuid() + "</UUID>");
        const std::optional<CalendarDate> expiry =
            entry.expiryDate.empty() ? std::nullopt : dates_.read(entry.expiryDate);
        if (expiry) {
            line(indent + 1, "<Times>");
            line(indent + 2, "<ExpiryTime>" + ExpiryTimeOf(*expiry) + "</ExpiryTime>");
            line(indent + 2, "<Expires>True</Expires>");
            line(indent + 1, "</Times>");
        }
        string(indent + 1, "Title", entry.description, row);
        string(indent + 1, "UserName", entry.userCode, row);
        string(indent + 1, "Password", entry.password, row, true);
        string(indent + 1, "URL", entry.webSite, row);
        string(indent + 1, "Notes", entry.notes, row);
        if (!entry.email.empty()) string(indent + 1, "Email", entry.email, row);
        if (!entry.expiryDate.empty() && !expiry) string(indent + 1, "Expiry Date", entry.expiryDate, row);
        line(indent, "</Entry>");
    }

    const ExpiryDateReader& dates_;
    KeePassXmlExport& out_;
    XmlText escape_;
    std::vector<GroupNode> nodes_;
    std::map<const Entry*, std::size_t> rows_;
};

}  // namespace

KeePassXmlExport WriteKeePassXml(const Profile& profile, const ExpiryDateReader& dates) {
    KeePassXmlExport out;
    if (sodium_init() < 0) return out;  // (libsodium is made ready at start; this cannot fail then)
    KeePassXmlWriter writer(dates, out);
    writer.add(profile);
    writer.write();
    return out;
}

}  // namespace keyloft

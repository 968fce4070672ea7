// 1Password's unencrypted export (the export.data file of a .1pux ZIP archive):
//   {"accounts": [{"attrs": {...}, "vaults": [{"attrs": {"uuid", "name", ...}, "items": [item]}]}]}
//   item: {"uuid", "favIndex", "createdAt", "updatedAt", "state": "active" | "archived", "categoryUuid",
//          "overview": {"title", "url", "urls": [{"label", "url"}], "tags": [...], "subtitle", ...},
//          "details": {"loginFields": [{"value", "name", "fieldType", "designation"}], "notesPlain",
//                      "password", "sections": [{"title", "fields": [{"title", "id", "value": {<kind>:
//                      v}}]}], "passwordHistory", "documentAttributes": {"fileName", ...}}}
// A field's value is an object with one member named after its kind: "string", "concealed", "email",
// "url", "phone", "totp", "date" (seconds since 1970), "monthYear" (202703), "creditCardNumber",
// "creditCardType", "address", "menu", "file", ... The vault is the category. Attached files are
// not in export.data: each is named in its entry's notes as not imported.

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

#include "import/import_formats.h"
#include "import/import_json.h"
#include "import/import_limits.h"
#include "store/utf8_text.h"

namespace keyloft {
namespace {

// Bookkeeping of 1Password, not the user's data.
constexpr const char* kDroppedPuxKeys[] = {"uuid", "createdAt", "updatedAt", "categoryUuid"};
constexpr const char* kDroppedOverviewKeys[] = {"subtitle", "ps",    "pbe",
                                                "pgrng",    "icons", "watchtowerExclusions"};

template <std::size_t N>
bool IsOneOf(const std::string& key, const char* const (&keys)[N]) {
    return std::find(std::begin(keys), std::end(keys), key) != std::end(keys);
}

struct PuxPending {
    std::size_t account, vault;  // positions in the document
    RowBuilder row;
};

std::u16string Attachment(const Json& file) {
    const Json& name = Member(file, "fileName").is_null() ? Member(file, "name") : Member(file, "fileName");
    return JsonText(name) + u" (not imported)";
}

class PuxItemReader {
  public:
    explicit PuxItemReader(IgnoredNames& ignored) : ignored_(ignored) {}

    void read(const Json& item, RowBuilder& row) {
        if (!item.is_object()) {
            row.setFault("not a JSON object");
            return;
        }
        for (const auto& [key, value] : item.items()) {
            if (key == "overview") {
                readOverview(value, row);
            } else if (key == "details") {
                readDetails(value, row);
            } else if (key == "state") {
                if (value != "active") row.addNote(u"state", JsonText(value));
            } else if (key == "favIndex") {
                if (value.is_number() && value.get<double>() > 0) row.addNote(u"favorite", u"yes");
            } else if (IsOneOf(key, kDroppedPuxKeys)) {
                if (JsonPresent(value)) {
                    ignored_.add(key);
                    row.droppedValue(key);
                }
            } else {
                NoteJson(row, key, value);
            }
        }
    }

  private:
    void readOverview(const Json& overview, RowBuilder& row) {
        for (const auto& [key, value] : overview.items()) {
            if (key == "title") {
                row.fields().description = JsonText(value);
            } else if (key == "url") {
                row.setOrNote(&Entry::webSite, u"url", JsonText(value));
            } else if (key == "urls" && value.is_array()) {
                for (const Json& url : value)
                    row.setOrNote(&Entry::webSite, u"url", JsonText(Member(url, "url")));
            } else if (key == "tags" && value.is_array()) {
                std::u16string tags;
                for (const Json& tag : value) tags += (tags.empty() ? u"" : u", ") + JsonText(tag);
                row.addNote(u"tags", tags);
            } else if (IsOneOf(key, kDroppedOverviewKeys)) {
                if (JsonPresent(value)) ignored_.add("overview." + key);
            } else {
                NoteJson(row, key, value);
            }
        }
    }

    void readDetails(const Json& details, RowBuilder& row) {
        for (const auto& [key, value] : details.items()) {
            if (key == "notesPlain") {
                row.setOrNote(&Entry::notes, u"notes", JsonText(value));
            } else if (key == "password") {
                row.setOrNote(&Entry::password, u"password", JsonText(value));
            } else if (key == "loginFields" && value.is_array()) {
                for (const Json& field : value) readLoginField(field, row);
            } else if (key == "sections" && value.is_array()) {
                for (const Json& section : value)
                    for (const Json& field : Member(section, "fields")) readSectionField(field, row);
            } else if (key == "documentAttributes" && value.is_object()) {
                row.addNote(u"attachment", Attachment(value));
            } else if (key == "passwordHistory") {
                if (JsonPresent(value)) ignored_.add("passwordHistory");
            } else {
                NoteJson(row, key, value);
            }
        }
    }

    void readLoginField(const Json& field, RowBuilder& row) {
        const std::string designation =
            Member(field, "designation").is_string() ? Member(field, "designation").get<std::string>() : "";
        const std::u16string value = JsonText(Member(field, "value"));
        if (designation == "username") {
            row.setOrNote(&Entry::userCode, u"username", value);
        } else if (designation == "password") {
            row.setOrNote(&Entry::password, u"password", value);
        } else {
            std::u16string name = JsonText(Member(field, "name"));
            row.addNote(name.empty() ? u"field" : name, value);
        }
    }

    void readSectionField(const Json& field, RowBuilder& row) {
        const std::string id = Member(field, "id").is_string() ? Member(field, "id").get<std::string>() : "";
        std::u16string name = JsonText(Member(field, "title"));
        if (name.empty()) name = Utf8ToUtf16(id.empty() ? "field" : id);
        const Json& wrapped = Member(field, "value");
        if (!wrapped.is_object() || wrapped.empty()) return;
        const std::string& kind = wrapped.begin().key();
        const Json& value = wrapped.begin().value();
        if (kind == "creditCardNumber") {
            row.setOrNote(&Entry::userCode, name, JsonText(value));
        } else if (id == "cvv" && kind == "concealed") {
            row.setOrNote(&Entry::password, name, JsonText(value));
        } else if (kind == "email") {
            row.setOrNote(&Entry::email, name,
                          JsonText(value.is_object() ? Member(value, "email_address") : value));
        } else if (kind == "monthYear" && value.is_number_integer()) {
            const std::int64_t monthYear = value.get<std::int64_t>();  // 202703
            char text[8];
            std::snprintf(text, sizeof text, "%02d/%02d", static_cast<int>(monthYear % 100),
                          static_cast<int>(monthYear / 100 % 100));
            if (id == "expiry") {
                row.setExpiry(name, AsciiToUtf16(text));
            } else {
                row.addNote(name, AsciiToUtf16(text));
            }
        } else if (kind == "date" && value.is_number_integer()) {
            row.addNote(name, DateOfUnixTime(value.get<std::int64_t>()));
        } else if (kind == "file") {
            row.addNote(u"attachment", Attachment(value));
        } else if (value.is_object()) {
            NoteJson(row, Utf16ToUtf8(name), value);
        } else {
            row.addNote(name, JsonText(value));
        }
    }

    IgnoredNames& ignored_;
};

}  // namespace

ImportTable ReadOnePasswordPuxRows(std::string_view text, const RowSink& onRow) {
    ImportTable table;
    IgnoredNames ignored(table.ignoredColumns);
    PuxItemReader reader(ignored);
    std::vector<PuxPending> rows;
    std::map<std::pair<std::size_t, std::size_t>, std::u16string> vaultNames;  // by account and vault
    std::string key1, key3, key5, key6;
    std::size_t account = 0, vault = 0, index = 0;
    ItemBudget budget;

    // {"accounts": [{"vaults": [{"attrs": {"name": ...}, "items": [item, ...]}]}]}: an item is at
    // depth 6, a vault's name too.
    const Json::parser_callback_t keepOrUse = [&](int depth, Json::parse_event_t event, Json& parsed) {
        using Event = Json::parse_event_t;
        if (event == Event::key) {
            if (depth == 1) key1 = parsed.get<std::string>();
            if (depth == 3) key3 = parsed.get<std::string>();
            if (depth == 5) key5 = parsed.get<std::string>();
            if (depth == 6) key6 = parsed.get<std::string>();
            return true;
        }
        if (depth <= 1) return true;  // the document and its top level are kept
        const bool inVaults = key1 == "accounts" && key3 == "vaults";
        const bool inItems = inVaults && key5 == "items";
        const bool ends = event == Event::object_end || event == Event::value || event == Event::array_end;
        if (event == Event::object_start && depth == 2) vault = 0;
        if (depth == 6 && inItems && (event == Event::object_start || event == Event::array_start))
            budget.start();
        if (depth > 6 && inItems) return !ends || budget.keep();
        if (!ends) return true;
        if (rows.size() + vaultNames.size() == kMaxImportRows) throw TooManyRows{};
        if (depth == 6 && inItems) {
            PuxPending pending{account, vault, RowBuilder("item " + std::to_string(++index))};
            reader.read(parsed, pending.row);
            budget.check(pending.row);
            rows.push_back(std::move(pending));
        } else if (depth == 6 && inVaults && key5 == "attrs" && key6 == "name") {
            vaultNames[{account, vault}] = JsonText(parsed);
        } else if (depth == 4 && inVaults) {
            ++vault;
            key5.clear();
        } else if (depth == 2 && key1 == "accounts") {
            ++account;
            key3.clear();
        }
        return false;  // nothing else is kept
    };
    Json document;
    table.error = ParseJsonExport(text, keepOrUse, document);
    if (!table.error && !Member(document, "accounts").is_array())
        table.error = "the file does not hold 1Password's \"accounts\"";
    if (table.error) return table;
    for (PuxPending& pending : rows) {
        if (const auto name = vaultNames.find({pending.account, pending.vault}); name != vaultNames.end())
            pending.row.fields().category = name->second;
        pending.row.finishInto(onRow);
    }
    return table;
}

}  // namespace keyloft

// Bitwarden's unencrypted JSON export:
//   {"encrypted": false, "folders": [{"id", "name"}], "items": [{"folderId", "type", "name", "notes",
//    "favorite", "fields": [{"name", "value"}], "login": {"username", "password", "uris": [{"uri"}],
//    "totp"}, "card": {...}, "identity": {...}, ...}]}
// Each item is turned into a row as soon as the parser has read it and is then thrown away, so the
// document is never held whole. The rows wait for the folder names (which may come after them).

#include <algorithm>
#include <unordered_map>

#include "import/import_formats.h"
#include "import/import_json.h"
#include "import/import_limits.h"
#include "store/utf8_text.h"

namespace keyloft {
namespace {

// Bookkeeping of the exporting program, not the user's data.
constexpr const char* kDroppedKeys[] = {
    "id",           "organizationId", "type",        "reprompt",        "collectionIds",
    "revisionDate", "creationDate",   "deletedDate", "passwordHistory", "key"};

struct BitwardenPending {
    std::string folderId;
    RowBuilder row;
};

class ItemReader {
  public:
    explicit ItemReader(IgnoredNames& ignored) : ignored_(ignored) {}

    BitwardenPending read(const Json& item, std::size_t index) {
        BitwardenPending pending{"", RowBuilder("item " + std::to_string(index))};
        RowBuilder& row = pending.row;
        if (!item.is_object()) {
            row.setFault("not a JSON object");
            return pending;
        }
        Entry& fields = row.fields();
        for (const auto& [key, value] : item.items()) {
            if (key == "name") {
                fields.description = JsonText(value);
            } else if (key == "notes") {
                fields.notes = JsonText(value);
            } else if (key == "folderId") {
                if (value.is_string()) pending.folderId = value.get<std::string>();
            } else if (key == "favorite") {
                if (value.is_boolean() && value.get<bool>()) row.addNote(u"favorite", u"true");
            } else if (key == "fields") {
                if (!value.is_array()) continue;
                for (const Json& field : value)
                    if (field.is_object())
                        row.addNote(JsonText(Member(field, "name")), JsonText(Member(field, "value")));
            } else if (key == "login" && value.is_object()) {
                readLogin(value, row);
            } else if (key == "card" && value.is_object()) {
                readCard(value, row);
            } else if (value.is_object()) {  // identity, secureNote, sshKey, ...
                readOther(key, value, row);
            } else if (std::find(std::begin(kDroppedKeys), std::end(kDroppedKeys), key) !=
                       std::end(kDroppedKeys)) {
                if (JsonPresent(value)) ignored_.add(key);
            } else if (JsonPresent(value)) {
                row.addNote(Utf8ToUtf16(key), JsonText(value));
            }
        }
        return pending;
    }

  private:
    void readLogin(const Json& login, RowBuilder& row) {
        Entry& fields = row.fields();
        for (const auto& [key, value] : login.items()) {
            if (key == "username") {
                fields.userCode = JsonText(value);
            } else if (key == "password") {
                fields.password = JsonText(value);
            } else if (key == "uris" && value.is_array()) {
                for (const Json& uri : value) {
                    const std::u16string address =
                        uri.is_object() ? JsonText(Member(uri, "uri")) : JsonText(uri);
                    if (fields.webSite.empty()) {
                        fields.webSite = address;
                    } else {
                        row.addNote(u"uri", address);
                    }
                }
            } else if (key == "totp") {
                row.addNote(u"totp", JsonText(value));
            } else if (JsonPresent(value)) {
                ignored_.add("login." + key);  // revision dates, passkeys
            }
        }
    }

    // A card: its number as the account code, its security code as the password, MM/YY expiry.
    void readCard(const Json& card, RowBuilder& row) {
        Entry& fields = row.fields();
        std::u16string month, year;
        for (const auto& [key, value] : card.items()) {
            if (key == "number") {
                fields.userCode = JsonText(value);
            } else if (key == "code") {
                fields.password = JsonText(value);
            } else if (key == "expMonth") {
                month = JsonText(value);
            } else if (key == "expYear") {
                year = JsonText(value);
            } else {
                NoteJson(row, key, value);
            }
        }
        if (month.size() == 1) month.insert(0, u"0");
        if (month.size() == 2 && year.size() == 4) {
            row.setExpiry(u"expMonth/expYear", month + u"/" + year.substr(2));
        } else {
            row.addNote(u"expMonth", month);
            row.addNote(u"expYear", year);
        }
    }

    void readOther(const std::string& section, const Json& object, RowBuilder& row) {
        for (const auto& [key, value] : object.items()) {
            if (section == "identity" && key == "username") {
                row.fields().userCode = JsonText(value);
            } else if (section == "identity" && key == "email") {
                row.setOrNote(&Entry::email, u"email", JsonText(value));
            } else if (!(section == "secureNote" && key == "type")) {
                NoteJson(row, key, value);
            }
        }
    }

    IgnoredNames& ignored_;
};

}  // namespace

ImportTable ReadBitwardenJsonRows(std::string_view text, const RowSink& onRow) {
    ImportTable table;
    IgnoredNames ignored(table.ignoredColumns);
    ItemReader reader(ignored);
    std::unordered_map<std::string, std::u16string> folders;
    std::vector<BitwardenPending> rows;
    std::string section;
    bool encrypted = false, hasItems = false;
    std::size_t index = 0;

    ItemBudget budget;
    const Json::parser_callback_t keepOrUse = [&](int depth, Json::parse_event_t event, Json& parsed) {
        using Event = Json::parse_event_t;
        if (depth == 1 && event == Event::key) section = parsed.get<std::string>();
        if (depth == 1 && event == Event::value && section == "encrypted") encrypted = parsed == true;
        if (depth == 1 && event == Event::array_start && section == "items") hasItems = true;
        const bool ends = event == Event::object_end || event == Event::value || event == Event::array_end;
        if (depth == 2 && (event == Event::object_start || event == Event::array_start)) budget.start();
        if (depth > 2 && ends) return budget.keep();
        if (depth != 2 || !ends) return true;
        if (rows.size() + folders.size() == kMaxImportRows) throw TooManyRows{};
        if (section == "items") {
            rows.push_back(reader.read(parsed, ++index));
            budget.check(rows.back().row);
        } else if (section == "folders" && parsed.is_object()) {
            const Json& id = Member(parsed, "id");
            if (id.is_string()) folders[id.get<std::string>()] = JsonText(Member(parsed, "name"));
        }
        return false;  // nothing else is kept
    };
    Json document;
    table.error = ParseJsonExport(text, keepOrUse, document);
    if (!table.error && encrypted) {
        table.error =
            "it is an encrypted Bitwarden export, which only Bitwarden can open; export the vault again in "
            "the file format \"JSON\" (not \"JSON (Encrypted)\") and import that file";
    }
    if (!table.error && (!document.is_object() || !hasItems))
        table.error = "the file does not hold a JSON array of entries or an export's \"items\"";
    if (table.error) return table;
    for (BitwardenPending& pending : rows) {
        if (const auto folder = folders.find(pending.folderId); folder != folders.end())
            pending.row.fields().category = folder->second;
        pending.row.finishInto(onRow);
    }
    return table;
}

}  // namespace keyloft

// Bitwarden's unencrypted JSON export:
//   {"encrypted": false, "folders": [{"id", "name"}], "items": [{"folderId", "type", "name", "notes",
//    "favorite", "fields": [{"name", "value"}], "login": {"username", "password", "uris": [{"uri"}],
//    "totp"}, "card": {...}, "identity": {...}, ...}]}
// Each item is turned into a row as soon as the parser has read it and is then thrown away, so the
// document is never held whole. The rows wait for the folder names (which may come after them).

#include <nlohmann/json.hpp>
#include <unordered_map>

#include "import/import_formats.h"
#include "store/utf8_text.h"

namespace keyloft {
namespace {

using Json = nlohmann::json;

// Bookkeeping of the exporting program, not the user's data.
constexpr const char* kDroppedKeys[] = {
    "id",           "organizationId", "type",        "reprompt",        "collectionIds",
    "revisionDate", "creationDate",   "deletedDate", "passwordHistory", "key"};

std::u16string Text(const Json& value) {
    if (value.is_string()) return FromUtf8Lenient(value.get_ref<const std::string&>());
    if (value.is_null()) return {};
    return FromUtf8Lenient(value.dump());
}

bool Present(const Json& value) {
    return !value.is_null() && !(value.is_array() && value.empty()) && !(value.is_string() && value.empty());
}

struct PendingRow {
    std::string folderId;
    RowBuilder row;
};

class ItemReader {
  public:
    ItemReader(IgnoredNames& ignored) : ignored_(ignored) {}

    PendingRow read(const Json& item, std::size_t index) {
        PendingRow pending{"", RowBuilder("item " + std::to_string(index))};
        RowBuilder& row = pending.row;
        if (!item.is_object()) {
            row.setFault("not a JSON object");
            return pending;
        }
        Entry& fields = row.fields();
        for (const auto& [key, value] : item.items()) {
            if (key == "name") {
                fields.description = Text(value);
            } else if (key == "notes") {
                fields.notes = Text(value);
            } else if (key == "folderId") {
                if (value.is_string()) pending.folderId = value.get<std::string>();
            } else if (key == "favorite") {
                if (value.is_boolean() && value.get<bool>()) row.addNote(u"favorite", u"true");
            } else if (key == "fields") {
                if (!value.is_array()) continue;
                for (const Json& field : value)
                    if (field.is_object())
                        row.addNote(Text(field.value("name", Json())), Text(field.value("value", Json())));
            } else if (key == "login" && value.is_object()) {
                readLogin(value, row);
            } else if (key == "card" && value.is_object()) {
                readCard(value, row);
            } else if (value.is_object()) {  // identity, secureNote, sshKey, ...
                readOther(key, value, row);
            } else if (std::find(std::begin(kDroppedKeys), std::end(kDroppedKeys), key) !=
                       std::end(kDroppedKeys)) {
                if (Present(value)) ignored_.add(key);
            } else if (Present(value)) {
                row.addNote(FromUtf8Lenient(key), Text(value));
            }
        }
        return pending;
    }

  private:
    void readLogin(const Json& login, RowBuilder& row) {
        Entry& fields = row.fields();
        for (const auto& [key, value] : login.items()) {
            if (key == "username") {
                fields.userCode = Text(value);
            } else if (key == "password") {
                fields.password = Text(value);
            } else if (key == "uris" && value.is_array()) {
                for (const Json& uri : value) {
                    const std::u16string address =
                        uri.is_object() ? Text(uri.value("uri", Json())) : Text(uri);
                    if (fields.webSite.empty()) {
                        fields.webSite = address;
                    } else {
                        row.addNote(u"uri", address);
                    }
                }
            } else if (key == "totp") {
                row.addNote(u"totp", Text(value));
            } else if (Present(value)) {
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
                fields.userCode = Text(value);
            } else if (key == "code") {
                fields.password = Text(value);
            } else if (key == "expMonth") {
                month = Text(value);
            } else if (key == "expYear") {
                year = Text(value);
            } else if (Present(value)) {
                row.addNote(FromUtf8Lenient(key), Text(value));
            }
        }
        if (month.size() == 1) month.insert(0, u"0");
        if (month.size() == 2 && year.size() == 4) {
            fields.expiryDate = month + u"/" + year.substr(2);
        } else {
            row.addNote(u"expMonth", month);
            row.addNote(u"expYear", year);
        }
    }

    void readOther(const std::string& section, const Json& object, RowBuilder& row) {
        for (const auto& [key, value] : object.items()) {
            if (section == "identity" && key == "username") {
                row.fields().userCode = Text(value);
            } else if (Present(value) && !(section == "secureNote" && key == "type")) {
                row.addNote(FromUtf8Lenient(key), Text(value));
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
    std::vector<PendingRow> rows;
    std::string section;
    bool encrypted = false, hasItems = false;
    std::size_t index = 0;

    const Json::parser_callback_t keepOrUse = [&](int depth, Json::parse_event_t event, Json& parsed) {
        using Event = Json::parse_event_t;
        if (depth == 1 && event == Event::key) section = parsed.get<std::string>();
        if (depth == 1 && event == Event::value && section == "encrypted") encrypted = parsed == true;
        if (depth == 1 && event == Event::array_start && section == "items") hasItems = true;
        if (depth != 2 || (event != Event::object_end && event != Event::value && event != Event::array_end))
            return true;
        if (section == "items") {
            rows.push_back(reader.read(parsed, ++index));
            return false;
        }
        if (section == "folders" && parsed.is_object()) {
            const Json id = parsed.value("id", Json());
            if (id.is_string()) folders[id.get<std::string>()] = Text(parsed.value("name", Json()));
            return false;
        }
        return true;
    };
    const Json document = Json::parse(text.begin(), text.end(), keepOrUse, false);
    if (document.is_discarded()) {
        table.error = "the file is not valid JSON";
    } else if (encrypted) {
        table.error = "the file is an encrypted export; export the vault again as unencrypted JSON";
    } else if (!document.is_object() || !hasItems) {
        table.error = "the file does not hold a JSON array of entries or an export's \"items\"";
    }
    if (table.error) return table;
    for (PendingRow& pending : rows) {
        if (const auto folder = folders.find(pending.folderId); folder != folders.end())
            pending.row.fields().category = folder->second;
        pending.row.finishInto(onRow);
    }
    return table;
}

}  // namespace keyloft

// Proton Pass's unencrypted export (data.json, the ZIP archive's one file):
//   {"version", "userId", "encrypted": false, "vaults": {"<share id>": {"name", "description",
//    "items": [{"itemId", "shareId", "state", "aliasEmail", "createTime", "modifyTime", "pinned",
//    "data": {"type": "login" | "note" | "alias" | "creditCard" | "identity" | ...,
//             "metadata": {"name", "note", "itemUuid"},
//             "extraFields": [{"fieldName", "type", "data": {"content"}}],
//             "content": {...}}}]}}}
// A login's content: "itemEmail", "itemUsername" (earlier "username"), "password", "urls", "totpUri";
// a card's: "cardholderName", "number", "verificationNumber", "expirationDate" ("2027-03"), "pin".
// The vault is the category. Each item becomes a row as soon as it is read and is thrown away.

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "import/import_formats.h"
#include "import/import_json.h"
#include "import/import_limits.h"
#include "store/utf8_text.h"

namespace keyloft {
namespace {

constexpr const char* kDroppedProtonKeys[] = {
    "itemId", "shareId", "state", "createTime", "modifyTime", "contentFormatVersion", "pinned"};

struct ProtonPending {
    std::string vault;  // the vault's share id
    RowBuilder row;
};

class ProtonItemReader {
  public:
    explicit ProtonItemReader(IgnoredNames& ignored) : ignored_(ignored) {}

    void read(const Json& item, RowBuilder& row) {
        if (!item.is_object()) {
            row.setFault("not a JSON object");
            return;
        }
        for (const auto& [key, value] : item.items()) {
            if (key == "data" && value.is_object()) {
                readData(value, row);
            } else if (key == "aliasEmail") {
                row.setOrNote(&Entry::email, u"aliasEmail", JsonText(value));
            } else if (key == "state" && value == 2) {
                row.addNote(u"state", u"in the trash");
            } else if (key == "pinned" && value == true) {
                row.addNote(u"pinned", u"yes");
            } else if (std::find(std::begin(kDroppedProtonKeys), std::end(kDroppedProtonKeys), key) !=
                       std::end(kDroppedProtonKeys)) {
                if (JsonPresent(value)) {
                    ignored_.add(key);
                    row.droppedValue(key);
                }
            } else {
                NoteJson(row, key, value);
            }
        }
        Entry& fields = row.fields();
        if (TrimBlanks(fields.userCode).empty()) fields.userCode = TrimBlanks(fields.email);
    }

  private:
    void readData(const Json& data, RowBuilder& row) {
        const std::string type =
            Member(data, "type").is_string() ? Member(data, "type").get<std::string>() : "";
        for (const auto& [key, value] : data.items()) {
            if (key == "type") continue;
            if (key == "metadata" && value.is_object()) {
                for (const auto& [name, member] : value.items()) {
                    if (name == "name") {
                        row.fields().description = JsonText(member);
                    } else if (name == "note") {
                        row.setOrNote(&Entry::notes, u"note", JsonText(member));
                    } else if (name == "itemUuid") {
                        if (JsonPresent(member)) ignored_.add("itemUuid");
                    } else {
                        NoteJson(row, name, member);
                    }
                }
            } else if (key == "extraFields" && value.is_array()) {
                for (const Json& field : value)
                    row.addNote(JsonText(Member(field, "fieldName")),
                                JsonText(Member(Member(field, "data"), "content")));
            } else if (key == "content" && value.is_object()) {
                readContent(type, value, row);
            } else {
                NoteJson(row, key, value);
            }
        }
    }

    void readContent(const std::string& type, const Json& content, RowBuilder& row) {
        for (const auto& [key, value] : content.items()) {
            const std::u16string name = Utf8ToUtf16(key);
            const std::u16string text = JsonText(value);
            if (key == "itemUsername" || key == "username" || (type == "creditCard" && key == "number")) {
                row.setOrNote(&Entry::userCode, name, text);
            } else if (key == "itemEmail" || key == "email") {
                row.setOrNote(&Entry::email, name, text);
            } else if (key == "password" || (type == "creditCard" && key == "verificationNumber")) {
                row.setOrNote(&Entry::password, name, text);
            } else if (key == "urls" && value.is_array()) {
                for (const Json& url : value) row.setOrNote(&Entry::webSite, u"url", JsonText(url));
            } else if (key == "expirationDate" && value.is_string() && text.size() == 7 && text[4] == u'-') {
                row.setExpiry(name, text.substr(5) + u"/" + text.substr(2, 2));  // 2027-03 -> 03/27
            } else if (key == "passkeys") {
                if (JsonPresent(value)) ignored_.add("passkeys");
            } else {
                NoteJson(row, key, value);
            }
        }
    }

    IgnoredNames& ignored_;
};

}  // namespace

ImportTable ReadProtonPassJsonRows(std::string_view text, const RowSink& onRow) {
    ImportTable table;
    IgnoredNames ignored(table.ignoredColumns);
    ProtonItemReader reader(ignored);
    std::vector<ProtonPending> rows;
    std::unordered_map<std::string, std::u16string> vaultNames;  // by share id
    std::string section, vault, vaultPart;
    bool encrypted = false;
    std::size_t index = 0;
    ItemBudget budget;

    // {"vaults": {<share id>: {"name": ..., "items": [item, ...]}}}: an item is at depth 4.
    const Json::parser_callback_t keepOrUse = [&](int depth, Json::parse_event_t event, Json& parsed) {
        using Event = Json::parse_event_t;
        if (event == Event::key) {
            if (depth == 1) section = parsed.get<std::string>();
            if (depth == 2) vault = parsed.get<std::string>();
            if (depth == 3) vaultPart = parsed.get<std::string>();
            return true;
        }
        if (depth == 1 && event == Event::value && section == "encrypted") encrypted = parsed == true;
        if (depth <= 1) return true;  // the document and its top level are kept
        const bool inItems = section == "vaults" && vaultPart == "items";
        const bool ends = event == Event::object_end || event == Event::value || event == Event::array_end;
        if (depth == 4 && inItems && (event == Event::object_start || event == Event::array_start))
            budget.start();
        if (depth > 4 && inItems) return !ends || budget.keep();
        if (!ends) return true;
        if (rows.size() + vaultNames.size() == kMaxImportRows) throw TooManyRows{};
        if (depth == 4 && inItems) {
            ProtonPending pending{vault, RowBuilder("item " + std::to_string(++index))};
            reader.read(parsed, pending.row);
            budget.check(pending.row);
            rows.push_back(std::move(pending));
        } else if (depth == 3 && section == "vaults" && vaultPart == "name") {
            vaultNames[vault] = JsonText(parsed);
        } else if (depth == 2 && section == "vaults") {
            vaultPart.clear();
        }
        return false;  // nothing else is kept
    };
    Json document;
    table.error = ParseJsonExport(text, keepOrUse, document);
    if (!table.error && encrypted)
        table.error =
            "it is an encrypted Proton Pass export; export again without encryption and import that file";
    if (!table.error && !Member(document, "vaults").is_object())
        table.error = "the file does not hold Proton Pass's \"vaults\"";
    if (table.error) return table;
    for (ProtonPending& pending : rows) {
        if (const auto name = vaultNames.find(pending.vault); name != vaultNames.end())
            pending.row.fields().category = name->second;
        pending.row.finishInto(onRow);
    }
    return table;
}

}  // namespace keyloft

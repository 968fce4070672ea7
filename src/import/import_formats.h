#pragma once
// The formats an import reads (keyloft-cli import, the window's Import…), how each is recognised,
// and where each column lands.
//
//   keepassxc        KeePassXC's CSV: Group,Title,Username,Password,URL,Notes,TOTP,Icon,...
//   keepass-xml      KeePass 2 XML, as keepassxc-cli export and KeePass write it
//   bitwarden-csv    folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,...
//   bitwarden-json   the unencrypted export: {"folders": [...], "items": [...]}
//   chrome           name,url,username,password,note
//   firefox          url,username,password,httpRealm,formActionOrigin,guid,timeCreated,...
//   1password        Title,Url,Username,Password,OTPAuth,Favorite,Archived,Tags,Notes
//   1password-1pux   1Password's unencrypted export: a ZIP archive with export.data (JSON)
//   protonpass-csv   type,name,url,email,username,password,note,totp,createTime,modifyTime,vault
//   protonpass-json  Proton Pass's unencrypted export: data.json, alone or in its ZIP archive
//   dashlane         Dashlane's CSV files (credentials, payments, ids, personalInfo, securenotes),
//                    alone or in their ZIP archive
//   lastpass         url,username,password,totp,extra,name,grouping,fav
//   keyloft-csv      Keyloft's CSV export (recognised by its own header only)
//   keyloft-json     Keyloft's JSON export
//   other-csv        any other CSV: columns matched by their usual names (title, name, user name,
//                    login, password, URL, web site, notes, e-mail, folder, group, expiry...)
//   pass             a password-store folder, read through the pass program (import_pass.h)
//
// Column names are matched ignoring case, blanks, "_", "-" and ".". Every value Keyloft has no
// field for goes to the notes as "Column: value" (only when not empty); only the other program's
// bookkeeping (icons, ids, time stamps, item types) is dropped, and named once.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "import/import_rows.h"

namespace keyloft {

enum class ImportFormat {
    Auto,
    KeePassXC,
    KeePassXml,
    BitwardenCsv,
    BitwardenJson,
    Chrome,
    Firefox,
    OnePassword,
    OnePasswordPux,
    ProtonPassCsv,
    ProtonPassJson,
    Dashlane,
    LastPass,
    KeyloftCsv,
    KeyloftJson,
    OtherCsv,
    Pass,
    AnyCsv,   // "csv": any of the CSV formats, recognised by the header row
    AnyJson,  // "json": any of the JSON formats, recognised by their structure
};

// The names --format accepts, "auto" first.
const std::vector<std::string>& ImportFormatNames();
std::optional<ImportFormat> ImportFormatFromName(std::string_view name);
std::string ImportFormatName(ImportFormat format);
// What the user is told the file was read as: "Proton Pass CSV", "KeePass 2 XML".
std::string ImportFormatTitle(ImportFormat format);
bool IsJsonFormat(ImportFormat format);

// The format a file's text is in, for Auto, AnyCsv and AnyJson; the format itself otherwise. JSON
// and XML by their structure, CSV by the names in the header row.
ImportFormat RecogniseFormat(ImportFormat asked, std::string_view text);

// Reads the text of one file in `format` (recognised already; not Pass, not a ZIP archive). Each
// row's place starts with `where` ("credentials.csv " in an archive).
ImportTable ReadImportRows(ImportFormat format, std::string_view text, const RowSink& onRow,
                           const std::string& where = "");

// The JSON readers (import_bitwarden_json.cpp, import_proton_json.cpp, import_1pux.cpp). The
// text has passed ReadJsonShape (json_shape.h): it is JSON, nested no deeper than the limit.
ImportTable ReadBitwardenJsonRows(std::string_view text, const RowSink& onRow);
ImportTable ReadProtonPassJsonRows(std::string_view text, const RowSink& onRow);
ImportTable ReadOnePasswordPuxRows(std::string_view text, const RowSink& onRow);
// KeePass 2 XML (import_keepass_xml.cpp).
ImportTable ReadKeePassXmlRows(std::string_view text, const RowSink& onRow);

// "https://user@mail.example.com:8443/inbox?x#y" -> "mail.example.com"; the text itself when it
// has no scheme and no path.
std::u16string HostName(std::u16string_view url);

}  // namespace keyloft

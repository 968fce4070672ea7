#pragma once
// The formats an import reads (keyloft-cli import, the window's Import…), how each is recognised,
// and where each column lands.
//
//   keepassxc       Group,Title,Username,Password,URL,Notes,TOTP,Icon,Last Modified,Created
//   bitwarden-csv   folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,
//                   login_password,login_totp
//   bitwarden-json  the unencrypted export: {"folders": [...], "items": [...]}
//   chrome          name,url,username,password,note
//   firefox         url,username,password,httpRealm,formActionOrigin,guid,timeCreated,
//                   timeLastUsed,timePasswordChanged
//   1password       Title,Url,Username,Password,OTPAuth,Favorite,Archived,Tags,Notes
//   keyloft-csv     Keyloft's CSV export, or any CSV whose columns have the names of its fields
//   keyloft-json    Keyloft's JSON export
//   pass            a password-store folder, read through the pass program (import_pass.h)
//
// Column names are matched ignoring case. In the formats of other programs, a column Keyloft has
// no field for goes to the notes as "Column: value" (only when not empty); their bookkeeping
// (icons, ids, time stamps, item types) is dropped and named once.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "import/import_rows.h"

namespace keyloft {

enum class ImportFormat {
    Auto,
    KeePassXC,
    BitwardenCsv,
    BitwardenJson,
    Chrome,
    Firefox,
    OnePassword,
    KeyloftCsv,
    KeyloftJson,
    Pass,
    AnyCsv,   // "csv": any of the CSV formats, recognised by the header row
    AnyJson,  // "json": any of the JSON formats, recognised by their structure
};

// The names --format accepts, "auto" first.
const std::vector<std::string>& ImportFormatNames();
std::optional<ImportFormat> ImportFormatFromName(std::string_view name);
std::string ImportFormatName(ImportFormat format);

// The format a file's text is in, for Auto, AnyCsv and AnyJson; the format itself otherwise. JSON
// by its first character ('[' Keyloft, '{' Bitwarden), CSV by the names in the header row.
ImportFormat RecogniseFormat(ImportFormat asked, std::string_view text);

// Reads a file's text in `format` (already recognised; not Pass).
ImportTable ReadImportRows(ImportFormat format, std::string_view text, const RowSink& onRow);

// Bitwarden's unencrypted JSON export (import_bitwarden_json.cpp).
ImportTable ReadBitwardenJsonRows(std::string_view text, const RowSink& onRow);

// "https://user@mail.example.com:8443/inbox" -> "mail.example.com"; the text itself when it has
// no scheme and no path.
std::u16string HostName(std::u16string_view url);

}  // namespace keyloft

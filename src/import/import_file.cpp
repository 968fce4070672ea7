#include "import/import_file.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <system_error>

#include "import/import_limits.h"
#include "import/import_pass.h"
#include "import/zip_archive.h"

namespace keyloft {
namespace {

constexpr std::string_view kKdbxMagic("\x03\xD9\xA2\x9A\x67\xFB\x4B\xB5", 8);
constexpr std::string_view kKdbMagic("\x03\xD9\xA2\x9A\x65\xFB\x4B\xB5", 8);

constexpr char kKdbxReason[] =
    "it is a KeePass database (.kdbx), which Keyloft does not open; export it as XML first with "
    "keepassxc-cli export --format xml DATABASE.kdbx > DATABASE.xml and import that XML file";
constexpr char kKdbReason[] =
    "it is a KeePass 1 database (.kdb), which Keyloft does not open; open it in KeePassXC or KeePass 2, save "
    "it as a .kdbx database, export that with keepassxc-cli export --format xml DATABASE.kdbx > DATABASE.xml "
    "and import that XML file";
constexpr char kPgpReason[] =
    "it is encrypted with PGP (an encrypted export, such as Proton Pass's); export again without encryption "
    "and import that file";
constexpr char kUtf16Reason[] =
    "it is UTF-16 text; save it as UTF-8 (in a spreadsheet: \"CSV UTF-8\") and import that file";
constexpr char kBinaryReason[] =
    "it is not a text file (it holds binary data) nor a ZIP archive; import an export written as CSV, JSON "
    "or XML";

// An armoured PGP message (its header first; a PGP block in an entry's notes is text like any).
bool StartsAsPgpMessage(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && text.substr(first).starts_with("-----BEGIN PGP MESSAGE-----");
}

// Keeps the rows of a file, at most kMaxImportRows; past them the file is refused.
struct RowKeeper {
    ImportFile& file;
    bool tooMany = false;

    RowSink sink() {
        return [this](ImportRow&& row) {
            if (file.rows.size() == kMaxImportRows) {
                tooMany = true;
                return;
            }
            file.rows.push_back(std::move(row));
        };
    }
};

void Take(ImportFile& file, ImportTable&& table) {
    for (std::string& name : table.ignoredColumns)
        if (std::find(file.ignored.begin(), file.ignored.end(), name) == file.ignored.end())
            file.ignored.push_back(std::move(name));
    for (std::u16string& group : table.emptyGroups) file.emptyGroups.push_back(std::move(group));
    if (table.error && !file.error) file.error = std::move(table.error);
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::string BaseName(const std::string& name) {
    const std::size_t slash = name.rfind('/');
    return Lower(slash == std::string::npos ? name : name.substr(slash + 1));
}

bool IsDashlaneFile(const std::string& baseName) {
    for (const char* known :
         {"credentials.csv", "securenotes.csv", "payments.csv", "ids.csv", "personalinfo.csv"})
        if (baseName == known) return true;
    return false;
}

// A ZIP archive: Dashlane's CSV files, Proton Pass's data.json or 1Password's export.data.
void ReadZip(std::string_view bytes, ImportFormat asked, ImportFile& file) {
    std::string error;
    std::unique_ptr<ZipArchive> archive = ZipArchive::Open(bytes, kMaxZipMembers, error);
    if (!archive) {
        file.error = error;
        return;
    }
    const std::vector<ZipArchive::Member>& members = archive->members();
    std::vector<std::size_t> chosen;
    ImportFormat format = ImportFormat::Auto;
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (members[i].folder) continue;
        const std::string base = BaseName(members[i].name);
        if (base == "export.data") {
            format = ImportFormat::OnePasswordPux;
            chosen = {i};
            break;
        }
        if (base == "data.pgp") {
            file.error = kPgpReason;
            return;
        }
        if (base == "data.json" && format != ImportFormat::Dashlane) {
            format = ImportFormat::ProtonPassJson;
            chosen = {i};
        }
        if (IsDashlaneFile(base) && format != ImportFormat::ProtonPassJson) format = ImportFormat::Dashlane;
    }
    if (format == ImportFormat::Dashlane) {
        for (std::size_t i = 0; i < members.size(); ++i)
            if (!members[i].folder && BaseName(members[i].name).ends_with(".csv")) chosen.push_back(i);
    }
    if (format == ImportFormat::Auto) {
        std::string names;
        std::size_t listed = 0;
        for (const ZipArchive::Member& member : members) {
            if (member.folder) continue;
            if (++listed > 5) {
                names += ", …";
                break;
            }
            names += (names.empty() ? "" : ", ") + member.name;
        }
        file.error = "it is a ZIP archive holding none of the exports Keyloft reads" +
                     (names.empty() ? std::string(" (it is empty)") : " (it holds " + names + ")") +
                     "; unpack it and import the export inside, or export again as CSV";
        return;
    }
    const bool agrees = asked == ImportFormat::Auto || asked == format ||
                        (asked == ImportFormat::AnyCsv && format == ImportFormat::Dashlane) ||
                        (asked == ImportFormat::AnyJson && IsJsonFormat(format));
    if (!agrees) {
        file.error = "it is a ZIP archive holding a " + ImportFormatTitle(format) + " export, not " +
                     ImportFormatTitle(asked) + "; import it with --format auto";
        return;
    }
    file.format = format;
    file.inZip = true;
    RowKeeper keeper{file};
    std::size_t unpacked = 0;
    for (const std::size_t index : chosen) {
        const ZipArchive::Member& member = members[index];
        if (member.encrypted) {
            file.error =
                "the ZIP archive is protected by a password; unpack it with that password and import "
                "the export inside";
            return;
        }
        std::string text;
        if (std::optional<std::string> problem = archive->read(index, kMaxImportBytes - unpacked, text)) {
            file.error = *problem;
            return;
        }
        unpacked += text.size();
        const std::size_t before = file.rows.size();
        const std::string where = format == ImportFormat::Dashlane ? member.name + " " : "";
        Take(file, ReadImportRows(format, text, keeper.sink(), where));
        if (file.error) return;
        if (format == ImportFormat::Dashlane)
            file.parts.push_back(member.name + ": " + std::to_string(file.rows.size() - before));
    }
    if (keeper.tooMany) file.error = TooManyRowsReason();
}

}  // namespace

std::string ImportFile::readAs() const {
    std::string title = ImportFormatTitle(format);
    if (inZip && format == ImportFormat::Dashlane) title = "Dashlane ZIP";
    if (inZip && format == ImportFormat::ProtonPassJson) title = "Proton Pass ZIP";
    std::string text =
        title + ": " + std::to_string(rows.size()) + (rows.size() == 1 ? " entry" : " entries");
    if (!parts.empty()) {
        text += " (";
        for (std::size_t i = 0; i < parts.size(); ++i) text += (i == 0 ? "" : ", ") + parts[i];
        text += ")";
    }
    return text;
}

bool ImportFile::keys() const { return IsJsonFormat(format) || format == ImportFormat::KeePassXml; }

ImportFile ReadImportBytes(std::string_view bytes, ImportFormat asked) {
    ImportFile file;
    if (bytes.size() > kMaxImportBytes) {
        file.error = TooLargeToImportReason();
        return file;
    }
    if (asked == ImportFormat::Pass) {
        file.error = "a password store is a folder, read with --format pass";
        return file;
    }
    if (LooksLikeZip(bytes)) {
        ReadZip(bytes, asked, file);
        return file;
    }
    const std::string_view start = bytes.substr(0, 1 << 16);
    if (start.starts_with(kKdbxMagic))
        file.error = kKdbxReason;
    else if (start.starts_with(kKdbMagic))
        file.error = kKdbReason;
    else if (StartsAsPgpMessage(start))
        file.error = kPgpReason;
    else if (start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF"))
        file.error = kUtf16Reason;
    else if (start.find('\0') != std::string_view::npos)
        file.error = kBinaryReason;
    if (file.error) return file;

    file.format = RecogniseFormat(asked, bytes);
    RowKeeper keeper{file};
    Take(file, ReadImportRows(file.format, bytes, keeper.sink()));
    if (keeper.tooMany && !file.error) file.error = TooManyRowsReason();
    return file;
}

ImportFile ReadImportStream(std::istream& in, ImportFormat asked) {
    std::string bytes;
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        const auto n = static_cast<std::size_t>(in.gcount());
        if (bytes.size() + n > kMaxImportBytes) {
            ImportFile file;
            file.error = TooLargeToImportReason();
            return file;
        }
        bytes.append(buffer, n);
    }
    if (in.bad()) {
        ImportFile file;
        file.error = "it cannot be read";
        return file;
    }
    return ReadImportBytes(bytes, asked);
}

ImportFile ReadImportPath(const std::filesystem::path& path, ImportFormat asked) {
    std::error_code notFolder;
    if (asked == ImportFormat::Pass ||
        (asked == ImportFormat::Auto && std::filesystem::is_directory(path, notFolder))) {
        ImportFile file;
        file.format = ImportFormat::Pass;
        RowKeeper keeper{file};
        Take(file, ReadPassRows(path, keeper.sink()));
        if (keeper.tooMany && !file.error) file.error = TooManyRowsReason();
        return file;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        ImportFile file;
        file.error = "it cannot be read";
        return file;
    }
    return ReadImportStream(in, asked);
}

}  // namespace keyloft

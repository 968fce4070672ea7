#include "import/import_pass.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

#include "import/import_limits.h"
#include "platform/program_runner.h"
#include "store/utf8_text.h"

namespace keyloft {
namespace {

namespace fs = std::filesystem;

std::string FirstLine(std::string_view text) {
    const std::size_t end = text.find('\n');
    std::string line(text.substr(0, end));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

bool IsKeyProblem(const std::string& err) {
    return err.find("secret key") != std::string::npos || err.find("decryption failed") != std::string::npos;
}

// The entry names of the store ("Work/Email/alice"), sorted; hidden folders (.git) left out.
std::vector<std::string> EntryNames(const fs::path& folder, std::error_code& error) {
    std::vector<std::string> names;
    fs::recursive_directory_iterator it(folder, fs::directory_options::none, error), end;
    for (; !error && it != end; it.increment(error)) {
        const fs::path& path = it->path();
        if (path.filename().string().starts_with(".")) {
            if (it->is_directory()) it.disable_recursion_pending();
            continue;
        }
        if (!it->is_regular_file() || path.extension() != ".gpg") continue;
        std::string name = path.lexically_relative(folder).generic_string();
        name.resize(name.size() - 4);
        names.push_back(std::move(name));
        if (names.size() > kMaxImportRows) break;  // more than an import takes: refused
    }
    std::sort(names.begin(), names.end());
    return names;
}

void ReadEntry(const std::string& name, std::string_view text, const RowSink& onRow) {
    RowBuilder row(name);
    Entry& fields = row.fields();
    const std::size_t slash = name.rfind('/');
    fields.category = slash == std::string::npos ? std::u16string() : Utf8ToUtf16(name.substr(0, slash));
    fields.description = Utf8ToUtf16(slash == std::string::npos ? name : name.substr(slash + 1));
    bool first = true;
    std::u16string notes;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::optional<std::u16string> value = FromUtf8(line);
        if (!value) {
            row.setFault("the entry is not valid UTF-8 text");
            break;
        }
        if (std::exchange(first, false)) {
            fields.password = *value;
            continue;
        }
        const std::size_t colon = value->find(u':');
        std::string key =
            colon == std::u16string::npos ? std::string() : Utf16ToUtf8(TrimBlanks(value->substr(0, colon)));
        std::transform(key.begin(), key.end(), key.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
        const std::u16string rest(TrimBlanks(colon == std::u16string::npos ? u"" : value->substr(colon + 1)));
        if ((key == "login" || key == "user" || key == "username") && fields.userCode.empty()) {
            fields.userCode = rest;
        } else if (key == "url" && fields.webSite.empty()) {
            fields.webSite = rest;
        } else {
            if (!notes.empty()) notes += u'\n';
            notes += *value;
        }
    }
    while (!notes.empty() && (notes.back() == u'\n' || notes.back() == u' ')) notes.pop_back();
    fields.notes = std::move(notes);
    row.finishInto(onRow);
}

// `pass show` of every entry, in the order of `names`. Most of each run is gpg starting, so up to
// kParallelShows run at once (gpg's agent asks for a passphrase once and serves the others from
// its cache). After a run that fails no further run starts; the runs not made are left out, and
// they all come after the failed one, so the first failure in order is always there to report.
constexpr std::size_t kParallelShows = 4;

// What the entries print is held until all have run: together at most kMaxImportBytes, each run
// ended when it alone writes more.
std::vector<platform::ProgramRun> ShowEntries(const fs::path& root, const std::vector<std::string>& names,
                                              bool& tooLarge) {
    std::vector<platform::ProgramRun> runs(names.size());
    std::atomic<std::size_t> next{0}, printed{0};
    std::atomic<bool> failed{false}, tooMuch{false};
    const auto work = [&] {
        // "--": an entry whose name starts with "-" is a name, not one of pass's options (-c copies).
        for (std::size_t i = 0; !failed && (i = next++) < names.size();) {
            platform::ProgramRun& run = runs[i];
            try {
                run = platform::RunProgram({"pass", "show", "--", names[i]},
                                           {{"PASSWORD_STORE_DIR", root.string()}}, kMaxImportBytes);
            } catch (const std::exception& e) {
                run.started = true;
                run.exitCode = -1;
                run.err = e.what();
            }
            if (run.outputCut || (printed += run.out.size()) > kMaxImportBytes) tooMuch = true;
            if (!run.started || run.exitCode != 0 || tooMuch) failed = true;
        }
    };
    std::vector<std::thread> helpers;
    try {
        for (std::size_t k = 1; k < kParallelShows && k < names.size(); ++k) helpers.emplace_back(work);
    } catch (const std::system_error&) {
        // No more threads: the ones started and this one do the work.
    }
    work();
    for (std::thread& helper : helpers) helper.join();
    tooLarge = tooMuch;
    return runs;
}

}  // namespace

ImportTable ReadPassRows(const fs::path& folder, const RowSink& onRow) {
    ImportTable table;
    std::error_code error;
    const fs::path root = fs::absolute(folder, error);
    if (error || !fs::is_directory(root, error)) {
        table.error = "\"" + folder.string() + "\" is not a password-store folder";
        return table;
    }
    const std::vector<std::string> names = EntryNames(root, error);
    if (error) {
        table.error = "cannot read the folder \"" + folder.string() + "\": " + error.message();
        return table;
    }
    if (names.size() > kMaxImportRows) {
        table.error = TooManyRowsReason();
        return table;
    }
    // Every entry is decrypted before any row is passed on: a missing key stops the whole import.
    bool tooLarge = false;
    const std::vector<platform::ProgramRun> runs = ShowEntries(root, names, tooLarge);
    if (tooLarge) {
        table.error = "its entries hold more than " + std::to_string(kMaxImportBytes >> 20) +
                      " MiB; import it in parts of that size or less";
        return table;
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        const platform::ProgramRun& run = runs[i];
        if (!run.started) {
            table.error =
                "the pass program was not found; install pass (with gpg and the store's key) and try again";
            return table;
        }
        if (run.exitCode != 0) {
            table.error =
                "pass cannot show \"" + name + "\"" +
                (IsKeyProblem(run.err) ? ": the key that decrypts the password store is missing" : "") +
                (run.err.empty() ? "" : " (" + FirstLine(run.err) + ")");
            return table;
        }
    }
    for (std::size_t i = 0; i < names.size(); ++i) ReadEntry(names[i], runs[i].out, onRow);
    return table;
}

}  // namespace keyloft

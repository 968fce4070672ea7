// keyloft-cli import, from the start of the process to the saved profile: reading and parsing the
// CSV, the entry and category checks, and the one save (encryption, the rename, flushes). Each run
// starts again from the same empty profile. The time is wall time of the whole run; tool_cpu_ms is
// the CPU time of the tool, peak_MiB its largest resident set and peak_per_input that divided by
// the size of the file.
//
// Three shapes, each in sizes that grow tenfold, to show that the cost grows with the size alone:
//   BM_ImportExport/ROWS     an export of other managers' shape (folders, quoted notes, an ignored
//                            column), ROWS rows of about 100 bytes
//   BM_ImportRows/ROWS       the smallest rows that pass the checks ("u1234,p"), ROWS of them
//   BM_ImportColumns/COLS    COLS unknown columns beside the known ones (to the notes), 100 rows
//   BM_ImportFormat/N        10,000 rows of each format --format auto recognises (N: its place in
//                            kFormats; the label names it), every column of the format filled
//   BM_ImportPass/ENTRIES    a password store read through a stand-in pass program (a shell script
//                            that prints the file): the cost is one started program per entry
// The default run is short. Larger sizes are arguments:
//   bench_import --export-rows=100000 --pass-entries=10000
// (An import refuses more than 100,000 entries and 10,000 columns; the default run holds the
// largest sizes that pass: 100,000 rows, and 4,000 columns, whose notes lines fill most of the
// 100,000 characters a field may hold.)

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli_run.h"

namespace {

namespace fs = std::filesystem;

struct Folder {
    fs::path root;
    bool ready = false;
};

// One folder for every run: the tool's settings live there, never in the user's.
Folder& Workspace() {
    static Folder folder;
    if (!folder.ready) {
        folder.root = fs::temp_directory_path() / ("keyloft-bench-import-" + std::to_string(::getpid()));
        fs::create_directories(folder.root / "db");
        fs::create_directories(folder.root / "config");
        ::setenv("XDG_CONFIG_HOME", (folder.root / "config").c_str(), 1);
        ::setenv("HOME", (folder.root / "config").c_str(), 1);
        std::ofstream(folder.root / "logon.txt") << "opensesame\n";
        folder.ready = true;
    }
    return folder;
}

void ImportFile(benchmark::State& state, const std::string& csv, double rows, double columns,
                const std::vector<std::string>& formatArgs = {"--format", "csv"},
                const fs::path& source = {}) {
    Folder& folder = Workspace();
    const fs::path db = folder.root / "db";
    const fs::path empty = folder.root / "empty.dat";
    if (!fs::exists(empty)) {
        if (RunCli({"--database", db.string(), "create", "Bench"}, "/dev/null").status != 0) {
            state.SkipWithError("keyloft-cli create failed");
            return;
        }
        fs::rename(db / "Bench.dat", empty);
    }
    fs::path file = source;
    if (file.empty()) {
        file = folder.root / "rows.csv";
        std::ofstream(file, std::ios::binary) << csv;
    }

    double cpu = 0, peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(empty, db / "Bench.dat", fs::copy_options::overwrite_existing);
        state.ResumeTiming();
        // --yes: each run puts back the older empty profile, which the tool would otherwise ask about.
        std::vector<std::string> args = {"--database", db.string(), "--yes",
                                         "import",     "Bench",     file.string()};
        args.insert(args.end(), formatArgs.begin(), formatArgs.end());
        const Run run = RunCli(args, folder.root / "logon.txt");
        if (run.status != 0) {
            state.SkipWithError("keyloft-cli import failed");
            break;
        }
        cpu += run.cpuSeconds;
        peak = std::max(peak, run.peakMiB);
    }
    const double inputMiB = static_cast<double>(csv.size()) / (1 << 20);
    state.counters["rows"] = rows;
    state.counters["columns"] = columns;
    state.counters["input_MiB"] = inputMiB;
    state.counters["tool_cpu_ms"] = benchmark::Counter(cpu * 1000, benchmark::Counter::kAvgIterations);
    state.counters["peak_MiB"] = peak;
    state.counters["peak_per_input"] = peak / inputMiB;
}

// An export in the shape other managers write: folder paths, quoted notes with commas, a column
// the import ignores.
void BM_ImportExport(benchmark::State& state) {
    const auto rows = static_cast<int>(state.range(0));
    std::string csv = "folder,name,login_uri,login_username,login_password,notes,favorite\r\n";
    for (int i = 0; i < rows; ++i) {
        const std::string n = std::to_string(i);
        csv += "Root/Group " + std::to_string(i % 20) + ",Account number " + n + ",https://site" + n +
               ".example/login,user" + n + ",Pa55-" + std::to_string(i * 7919) +
               ",\"a short note, with a comma\",0\r\n";
    }
    ImportFile(state, csv, rows, 7);
}

void BM_ImportRows(benchmark::State& state) {
    const auto rows = static_cast<int>(state.range(0));
    std::string csv = "username,password\r\n";
    for (int i = 0; i < rows; ++i) csv += "u" + std::to_string(i) + ",p\r\n";
    ImportFile(state, csv, rows, 2);
}

void BM_ImportColumns(benchmark::State& state) {
    const auto columns = static_cast<int>(state.range(0));
    std::string header = "username,password";
    std::string filler;
    for (int c = 0; c < columns; ++c) {
        header += ",extra column " + std::to_string(c);
        filler += ",x";
    }
    std::string csv = header + "\r\n";
    for (int i = 0; i < 100; ++i) csv += "u" + std::to_string(i) + ",p" + filler + "\r\n";
    ImportFile(state, csv, 100, columns + 2);
}

struct FormatSample {
    const char* name;
    std::string (*header)();
    std::string (*row)(const std::string& n, int i);
    const char* separator;  // between rows (JSON) ...
    const char* end;        // ... and after the last
};

std::string Password(int i) { return "Pa55-" + std::to_string(i * 7919); }

const FormatSample kFormats[] = {
    {"keepassxc",
     [] {
         return std::string(
             "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\",\"Last "
             "Modified\",\"Created\"\r\n");
     },
     [](const std::string& n, int i) {
         return "\"Root/Group " + std::to_string(i % 20) + "/Sub\",\"Account " + n + "\",\"user" + n +
                "\",\"" + Password(i) + "\",\"https://site" + n +
                ".example/login\",\"a short note, with a comma\",\"otpauth://totp/" + n +
                "\",\"0\",\"2024-01-01T00:00:00Z\",\"2024-01-01T00:00:00Z\"\r\n";
     },
     "", ""},
    {"bitwarden-csv",
     [] {
         return std::string(
             "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,login_"
             "totp\n");
     },
     [](const std::string& n, int i) {
         return "Group " + std::to_string(i % 20) + "/Sub," + std::to_string(i % 2) + ",login,Account " + n +
                ",\"a short note, with a comma\",\"PIN: " + n + "\",0,https://site" + n +
                ".example/login,user" + n + "," + Password(i) + ",JBSWY3DP" + n + "\n";
     },
     "", ""},
    {"bitwarden-json",
     [] {
         std::string head = R"({"encrypted": false, "folders": [)";
         for (int g = 0; g < 20; ++g)
             head += std::string(g ? "," : "") + R"({"id": "f)" + std::to_string(g) +
                     R"(", "name": "Group )" + std::to_string(g) + R"(/Sub"})";
         return head + R"(], "items": [)";
     },
     [](const std::string& n, int i) {
         return R"({"id": "i)" + n + R"(", "organizationId": null, "folderId": "f)" + std::to_string(i % 20) +
                R"(", "type": 1, "reprompt": 0, "name": "Account )" + n +
                R"(", "notes": "a short note", "favorite": false, "fields": [{"name": "PIN", "value": ")" +
                n + R"(", "type": 0}], "login": {"uris": [{"match": null, "uri": "https://site)" + n +
                R"(.example/login"}], "username": "user)" + n + R"(", "password": ")" + Password(i) +
                R"(", "totp": null}, "collectionIds": null})";
     },
     ",\n", "]}\n"},
    {"chrome", [] { return std::string("name,url,username,password,note\r\n"); },
     [](const std::string& n, int i) {
         return "site" + n + ".example,https://site" + n + ".example/login,user" + n + "," + Password(i) +
                ",\"a short note, with a comma\"\r\n";
     },
     "", ""},
    {"firefox",
     [] {
         return std::string(
             "url,username,password,httpRealm,formActionOrigin,guid,timeCreated,timeLastUsed,"
             "timePasswordChanged\n");
     },
     [](const std::string& n, int i) {
         return "https://site" + n + ".example,user" + n + "," + Password(i) + ",,https://site" + n +
                ".example,{" + n + "},1700000000000,1700000000000,1700000000000\n";
     },
     "", ""},
    {"1password",
     [] { return std::string("Title,Url,Username,Password,OTPAuth,Favorite,Archived,Tags,Notes\n"); },
     [](const std::string& n, int i) {
         return "Account " + n + ",https://site" + n + ".example/login,user" + n + "," + Password(i) +
                ",otpauth://totp/" + n + ",false,false,\"work,mail\",\"a short note, with a comma\"\n";
     },
     "", ""},
    {"keyloft-csv",
     [] {
         return std::string("row,category,description,userCode,password,notes,expiryDate,webSite,email\r\n");
     },
     [](const std::string& n, int i) {
         return n + ",Group " + std::to_string(i % 20) + ",Account " + n + ",user" + n + "," + Password(i) +
                ",\"a short note, with a comma\",12/27,https://site" + n + ".example,user" + n +
                "@mail.example\r\n";
     },
     "", ""},
    {"protonpass-csv",
     [] {
         return std::string("type,name,url,email,username,password,note,totp,createTime,modifyTime,vault\n");
     },
     [](const std::string& n, int i) {
         return "login,Account " + n + ",https://site" + n + ".example/login,user" + n +
                "@mail.example,user" + n + "," + Password(i) +
                ",\"a short note, with a comma\",otpauth://totp/" + n + ",1700000000,1700000000,Vault " +
                std::to_string(i % 20) + "\n";
     },
     "", ""},
    {"lastpass", [] { return std::string("url,username,password,totp,extra,name,grouping,fav\n"); },
     [](const std::string& n, int i) {
         return "https://site" + n + ".example/login,user" + n + "," + Password(i) +
                ",,\"a short note, with a comma\",Account " + n + ",Group " + std::to_string(i % 20) +
                "\\Sub,0\n";
     },
     "", ""},
    {"dashlane",
     [] { return std::string("username,username2,username3,title,password,note,url,category,otpSecret\n"); },
     [](const std::string& n, int i) {
         return "user" + n + ",user" + n + "@mail.example,,Account " + n + "," + Password(i) +
                ",\"a short note, with a comma\",https://site" + n + ".example/login,Group " +
                std::to_string(i % 20) + ",JBSWY3DP" + n + "\n";
     },
     "", ""},
    {"other-csv", [] { return std::string("Site,Login,Password,Web Address,Colour,Remarks\n"); },
     [](const std::string& n, int i) {
         return "Account " + n + ",user" + n + "," + Password(i) + ",https://site" + n +
                ".example/login,blue,\"a note, with a comma\"\n";
     },
     "", ""},
    {"keepass-xml",
     [] {
         std::string head =
             "<?xml version=\"1.0\" "
             "encoding=\"UTF-8\"?>\n<KeePassFile><Meta/><Root><Group><Name>Root</Name>\n";
         return head;
     },
     [](const std::string& n, int i) {
         return "<Entry><UUID>AAAAAAAAAAAAAAAAAAAAAA==</UUID><Times><ExpiryTime>2027-01-31T00:00:00Z</"
                "ExpiryTime>"
                "<Expires>" +
                std::string(i % 2 ? "True" : "False") +
                "</Expires></Times>"
                "<String><Key>Title</Key><Value>Account " +
                n +
                "</Value></String>"
                "<String><Key>UserName</Key><Value>user" +
                n +
                "</Value></String>"
                "<String><Key>Password</Key><Value ProtectInMemory=\"True\">" +
                Password(i) +
                "</Value></String>"
                "<String><Key>URL</Key><Value>https://site" +
                n +
                ".example/login</Value></String>"
                "<String><Key>Notes</Key><Value>a short note, with a comma</Value></String>"
                "<String><Key>Email</Key><Value>user" +
                n + "@mail.example</Value></String></Entry>\n";
     },
     "", "</Group></Root></KeePassFile>\n"},
    {"keyloft-json", [] { return std::string("[\n"); },
     [](const std::string& n, int i) {
         return R"({"row": )" + n + R"(, "category": "Group )" + std::to_string(i % 20) +
                R"(", "description": "Account )" + n + R"(", "userCode": "user)" + n + R"(", "password": ")" +
                Password(i) +
                R"(", "notes": "a short note", "expiryDate": "12/27", "webSite": "https://site)" + n +
                R"(.example", "email": ""})";
     },
     ",\n", "]\n"},
};

constexpr int kFormatRows = 10000;

void BM_ImportFormat(benchmark::State& state) {
    const FormatSample& format = kFormats[state.range(0)];
    std::string text = format.header();
    for (int i = 0; i < kFormatRows; ++i) {
        if (i > 0) text += format.separator;
        text += format.row(std::to_string(i), i);
    }
    text += format.end;
    state.SetLabel(format.name);
    ImportFile(state, text, kFormatRows, 0, {});  // recognised as --format auto does
}

// A store of ENTRIES files in 20 folders, and a pass that prints the file it is asked for.
void BM_ImportPass(benchmark::State& state) {
    const auto entries = static_cast<int>(state.range(0));
    const fs::path root = Workspace().root;
    const fs::path store = root / ("store-" + std::to_string(entries));
    if (!fs::exists(store)) {
        for (int i = 0; i < entries; ++i) {
            const fs::path folder = store / ("Group " + std::to_string(i % 20));
            fs::create_directories(folder);
            std::ofstream(folder / ("site" + std::to_string(i) + ".example.gpg"))
                << Password(i) << "\nlogin: user" << i << "\nurl: https://site" << i
                << ".example\nnote line\n";
        }
    }
    fs::create_directories(root / "bin");
    std::ofstream(root / "bin" / "pass") << "#!/bin/sh\nexec cat \"$PASSWORD_STORE_DIR/$3.gpg\"\n";
    fs::permissions(root / "bin" / "pass", fs::perms::owner_all);
    const std::string path = (root / "bin").string() + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "");
    ::setenv("PATH", path.c_str(), 1);
    ImportFile(state, "", entries, 0, {"--format", "pass"}, store);
}

// "--name=N" taken out of the arguments; 0 when absent.
long TakeSize(int& argc, char** argv, const char* name) {
    const std::string prefix = std::string("--") + name + "=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], prefix.c_str(), prefix.size()) == 0) {
            const long value = std::atol(argv[i] + prefix.size());
            for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
            --argc;
            return value;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const long rows = TakeSize(argc, argv, "rows");
    const long columns = TakeSize(argc, argv, "columns");
    const long exportRows = TakeSize(argc, argv, "export-rows");
    auto* exportShape =
        benchmark::RegisterBenchmark("BM_ImportExport", BM_ImportExport)->Arg(1000)->Arg(10000);
    auto* smallRows = benchmark::RegisterBenchmark("BM_ImportRows", BM_ImportRows)->Arg(10000)->Arg(100000);
    auto* manyColumns =
        benchmark::RegisterBenchmark("BM_ImportColumns", BM_ImportColumns)->Arg(400)->Arg(4000);
    if (exportRows > 0) exportShape->Arg(exportRows);
    if (rows > 0) smallRows->Arg(rows);
    if (columns > 0) manyColumns->Arg(columns);
    auto* formats = benchmark::RegisterBenchmark("BM_ImportFormat", BM_ImportFormat)
                        ->DenseRange(0, std::size(kFormats) - 1);
    auto* store = benchmark::RegisterBenchmark("BM_ImportPass", BM_ImportPass)->Arg(1000);
    if (const long passEntries = TakeSize(argc, argv, "pass-entries"); passEntries > 0)
        store->Arg(passEntries);
    for (auto* b : {exportShape, smallRows, manyColumns, formats, store})
        b->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(Workspace().root);
    return 0;
}

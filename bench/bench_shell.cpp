// keyloft-cli shell against single commands on a sealed profile of 10,000 entries, and against a
// `keepassxc-cli open` session on a KeePassXC database of the same 10,000 entries; each run from
// the start of the process to its end, with the default Argon2id limits (MODERATE):
//   BM_SealedLsOnce         one `ls`: the logon (Argon2id) and one load and listing
//   BM_SealedShellTen       `shell` with ten commands (listings, filtered listings, JSON, shown
//                           entries): one logon, then each command finds the file unchanged and
//                           works on the profile in memory. vs_ls: its cost over one `ls`'s
//   BM_ShellPerCommand      the cost of one command after the logon: a shell of one `ls` and one
//                           of that `ls` and the peer's mix of ten commands --rounds times over
//                           (default 100: listings, listings of one category, shown entries); the
//                           difference of the quickest runs divided by the commands added
//   BM_KeePassXCPerCommand  the same for `keepassxc-cli open` with the same commands (`ls -R -f`,
//                           `ls GROUP`, `show ENTRY`), on a database that keepassxc-cli imported
//                           in the benchmark's own folder (skipped when keepassxc-cli is not on
//                           the PATH); keyloft_cheaper_by: its cost over the shell's
// The targets: ten commands within 1.2 times one `ls`, and each command after the logon at least
// five times cheaper than in the KeePassXC session.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "cli_run.h"

namespace {

namespace fs = std::filesystem;

constexpr char kPassword[] = "Trout-Lamp-Kettle-93";
constexpr int kEntries = 10000;
constexpr int kGroups = 20;
int gRounds = 100;  // --rounds=N: how often the per-command sessions run the mix of ten

struct Workspace {
    fs::path root;
    bool ready = false;
    bool failed = false;
    std::optional<std::string> keepassxc;  // keepassxc-cli, when it is on the PATH
    bool peerReady = false;
};

std::optional<std::string> OnPath(const char* program) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path != nullptr ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const fs::path candidate = fs::path(folder.empty() ? "." : folder) / program;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
    }
    return std::nullopt;
}

void WriteText(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

// Entry i (0-based) is row i + 1 of the Keyloft profile and "Group <i % 20>/Account number <i>" in
// the KeePassXC database.
std::string Group(int i) { return "Group " + std::to_string(i % kGroups); }

// The mix of ten commands, for the shell and for keepassxc-cli, `rounds` times over after a first
// listing; the logon (a password line, or nothing: the database opens with its key file) first.
void WriteMixes(const fs::path& root, int rounds) {
    std::string keyloft = std::string(kPassword) + "\nls\n";
    std::string peer = "ls -R -f\n";
    WriteText(root / "one.txt", keyloft);
    WriteText(root / "peer-one.txt", peer + "exit\n");
    const auto show = [](int row) {
        const int i = row - 1;
        return std::pair{"show " + std::to_string(row) + "\n",
                         "show \"" + Group(i) + "/Account number " + std::to_string(i) + "\"\n"};
    };
    for (int round = 0; round < rounds; ++round) {
        for (const auto& [ours, theirs] : {std::pair<std::string, std::string>{"ls\n", "ls -R -f\n"},
                                           show(1),
                                           {"ls --category 'Group 3'\n", "ls \"Group 3\"\n"},
                                           show(2500),
                                           {"ls\n", "ls -R -f\n"},
                                           show(5000),
                                           {"ls --category 'Group 7'\n", "ls \"Group 7\"\n"},
                                           show(7500),
                                           {"ls\n", "ls -R -f\n"},
                                           show(10000)}) {
            keyloft += ours;
            peer += theirs;
        }
    }
    WriteText(root / "many.txt", keyloft);
    WriteText(root / "peer-many.txt", peer + "exit\n");
}

// The same 10,000 entries as a KeePass XML file, imported by keepassxc-cli into a database that
// opens with a key file alone (its commands then come from standard input, which a password
// prompt would read ahead).
bool MakePeerDatabase(Workspace& space) {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<KeePassFile><Meta>"
        "<Generator>bench_shell</Generator><DatabaseName>Bench</DatabaseName></Meta><Root>"
        "<Group><UUID>AAAAAAAAAAAAAAAAAAAAAA==</UUID><Name>Root</Name>\n";
    // A UUID of 16 bytes whose last four hold n, in Base64.
    const auto uuid = [](int n) {
        static constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        unsigned char bytes[18] = {};  // two more: the last group of three is padded
        for (int k = 0; k < 4; ++k) bytes[15 - k] = static_cast<unsigned char>((n >> (8 * k)) & 255);
        std::string text;
        for (int at = 0; at < 18; at += 3) {
            const unsigned group = (bytes[at] << 16) | (bytes[at + 1] << 8) | bytes[at + 2];
            for (int shift = 18; shift >= 0; shift -= 6) text += kBase64[(group >> shift) & 63];
        }
        return text.substr(0, 22) + "==";
    };
    for (int g = 0; g < kGroups; ++g) {
        xml += "<Group><UUID>" + uuid(100000 + g) + "</UUID><Name>Group " + std::to_string(g) + "</Name>\n";
        for (int i = g; i < kEntries; i += kGroups) {
            const std::string n = std::to_string(i);
            xml += "<Entry><UUID>" + uuid(i + 1) + "</UUID><String><Key>Title</Key><Value>Account number " +
                   n + "</Value></String><String><Key>UserName</Key><Value>user" + n +
                   "</Value></String><String><Key>Password</Key><Value ProtectInMemory=\"True\">Pa55-" +
                   std::to_string(i * 7919) + "</Value></String><String><Key>URL</Key><Value>https://site" +
                   n +
                   ".example/login</Value></String><String><Key>Notes</Key><Value>a short note, with a comma"
                   "</Value></String></Entry>\n";
        }
        xml += "</Group>\n";
    }
    xml += "</Group></Root></KeePassFile>\n";
    WriteText(space.root / "peer.xml", xml);
    const Run imported = RunProgram(*space.keepassxc,
                                    {"import", "--set-key-file", (space.root / "peer.key").string(),
                                     (space.root / "peer.xml").string(), (space.root / "peer.kdbx").string()},
                                    "/dev/null");
    return imported.status == 0;
}

// The sealed profile "Bench" of 10,000 entries in 20 categories, made once through the tool; its
// settings live in the workspace, never in the user's.
Workspace& SealedProfile() {
    static Workspace space;
    if (space.ready || space.failed) return space;
    space.root = fs::temp_directory_path() / ("keyloft-bench-shell-" + std::to_string(::getpid()));
    fs::create_directories(space.root / "db");
    fs::create_directories(space.root / "config");
    ::setenv("XDG_CONFIG_HOME", (space.root / "config").c_str(), 1);
    ::setenv("HOME", (space.root / "config").c_str(), 1);
    WriteText(space.root / "logon.txt", std::string(kPassword) + "\n");
    WriteText(space.root / "new.txt", std::string(kPassword) + "\n" + kPassword + "\n");
    std::string csv = "folder,name,login_uri,login_username,login_password,notes\r\n";
    for (int i = 0; i < kEntries; ++i) {
        const std::string n = std::to_string(i);
        csv += Group(i) + ",Account number " + n + ",https://site" + n + ".example/login,user" + n +
               ",Pa55-" + std::to_string(i * 7919) + ",\"a short note, with a comma\"\r\n";
    }
    WriteText(space.root / "rows.csv", csv);
    WriteText(space.root / "script.txt",
              std::string(kPassword) +
                  "\nls\nshow 1\nshow 2500\nls --expiring\nshow 5000\nls --category 'Group 3'\nshow 7500\n"
                  "ls --json\nshow 10000\nls\n");
    WriteMixes(space.root, gRounds);
    const std::string db = (space.root / "db").string();
    space.failed =
        RunCli({"--database", db, "create", "Bench", "--seal"}, space.root / "new.txt").status != 0 ||
        RunCli({"--database", db, "import", "Bench", "--format", "csv", (space.root / "rows.csv").string()},
               space.root / "logon.txt")
                .status != 0;
    space.ready = !space.failed;
    space.keepassxc = OnPath("keepassxc-cli");
    space.peerReady = space.ready && space.keepassxc && MakePeerDatabase(space);
    return space;
}

// Results the later benchmarks compare with: averages per run, in seconds.
struct Costs {
    double lsWall = 0, lsCpu = 0;
    double perCommandWall = 0, perCommandCpu = 0;
};
Costs gCosts;

// Runs keyloft-cli `iterations` times; its average wall and CPU time per run.
std::optional<std::pair<double, double>> TimeCli(benchmark::State& state,
                                                 const std::vector<std::string>& command, const char* input) {
    Workspace& space = SealedProfile();
    if (space.failed) {
        state.SkipWithError("the sealed profile could not be made");
        return std::nullopt;
    }
    std::vector<std::string> args{"--database", (space.root / "db").string()};
    args.insert(args.end(), command.begin(), command.end());
    double wall = 0, cpu = 0;
    for (auto _ : state) {
        const Run run = RunCli(args, space.root / input);
        if (run.status != 0) {
            state.SkipWithError("keyloft-cli failed");
            return std::nullopt;
        }
        wall += run.wallSeconds;
        cpu += run.cpuSeconds;
        state.SetIterationTime(run.wallSeconds);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["tool_cpu_ms"] = cpu / n * 1000;
    return std::pair{wall / n, cpu / n};
}

void BM_SealedLsOnce(benchmark::State& state) {
    if (const auto costs = TimeCli(state, {"ls", "Bench"}, "logon.txt")) {
        gCosts.lsWall = costs->first;
        gCosts.lsCpu = costs->second;
    }
}

void BM_SealedShellTen(benchmark::State& state) {
    const auto costs = TimeCli(state, {"shell", "Bench"}, "script.txt");
    if (costs && gCosts.lsWall > 0) {
        state.counters["vs_ls"] = costs->first / gCosts.lsWall;
        state.counters["cpu_vs_ls"] = costs->second / gCosts.lsCpu;
    }
}

// Each iteration: a session of one command and one of 1 + 10 * rounds; the commands added cost
// the difference of the quickest of each (what the other programs on the machine took from a
// run only ever adds to it). `run` runs a session from its input file.
template <typename RunSession>
void PerCommand(benchmark::State& state, const char* one, const char* many, RunSession run, Costs& out) {
    const fs::path& root = SealedProfile().root;
    const double added = 10.0 * gRounds;
    Run first, longer;
    first.wallSeconds = first.cpuSeconds = longer.wallSeconds = longer.cpuSeconds = 1e9;
    for (auto _ : state) {
        const Run a = run(root / one);
        const Run b = run(root / many);
        if (a.status != 0 || b.status != 0) {
            state.SkipWithError("a session failed");
            return;
        }
        first.wallSeconds = std::min(first.wallSeconds, a.wallSeconds);
        first.cpuSeconds = std::min(first.cpuSeconds, a.cpuSeconds);
        longer.wallSeconds = std::min(longer.wallSeconds, b.wallSeconds);
        longer.cpuSeconds = std::min(longer.cpuSeconds, b.cpuSeconds);
        state.SetIterationTime(a.wallSeconds + b.wallSeconds);
    }
    out.perCommandWall = (longer.wallSeconds - first.wallSeconds) / added;
    out.perCommandCpu = (longer.cpuSeconds - first.cpuSeconds) / added;
    state.counters["per_command_ms"] = out.perCommandWall * 1000;
    state.counters["per_command_cpu_ms"] = out.perCommandCpu * 1000;
}

void BM_ShellPerCommand(benchmark::State& state) {
    Workspace& space = SealedProfile();
    if (space.failed) {
        state.SkipWithError("the sealed profile could not be made");
        return;
    }
    const std::vector<std::string> args{"--database", (space.root / "db").string(), "shell", "Bench"};
    PerCommand(
        state, "one.txt", "many.txt", [&](const fs::path& input) { return RunCli(args, input); }, gCosts);
}

void BM_KeePassXCPerCommand(benchmark::State& state) {
    Workspace& space = SealedProfile();
    if (!space.peerReady) {
        state.SkipWithError(space.keepassxc ? "keepassxc-cli could not import the database"
                                            : "keepassxc-cli is not installed");
        return;
    }
    const std::vector<std::string> args{"open",
                                        "--quiet",
                                        "--no-password",
                                        "--key-file",
                                        (space.root / "peer.key").string(),
                                        (space.root / "peer.kdbx").string()};
    Costs peer;
    PerCommand(
        state, "peer-one.txt", "peer-many.txt",
        [&](const fs::path& input) { return RunProgram(*space.keepassxc, args, input); }, peer);
    if (gCosts.perCommandWall > 0 && gCosts.perCommandCpu > 0) {
        state.counters["keyloft_cheaper_by"] = peer.perCommandWall / gCosts.perCommandWall;
        state.counters["cpu_keyloft_cheaper_by"] = peer.perCommandCpu / gCosts.perCommandCpu;
    }
}

BENCHMARK(BM_SealedLsOnce)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_SealedShellTen)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_ShellPerCommand)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_KeePassXCPerCommand)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--rounds=", 9) == 0) {
            gRounds = std::max(1, std::atoi(argv[i] + 9));
            for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
            --argc;
            --i;
        }
    }
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(SealedProfile().root);
    return 0;
}

// keyloft-cli shell against single commands on a sealed profile of 10,000 entries, each run from
// the start of the process to its end (wall time), with the default Argon2id limits (MODERATE):
//   BM_SealedLsOnce        one `ls`: the logon (Argon2id) and one load and listing
//   BM_SealedShellTen      `shell` with ten commands (listings, filtered listings, JSON, shown
//                          entries): one logon, then each command loads the file again with the
//                          key the logon gave
// The target: the shell with ten commands costs less than 1.5 times one `ls`.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli_run.h"

namespace {

namespace fs = std::filesystem;

struct Workspace {
    fs::path root;
    bool ready = false;
    bool failed = false;
};

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
    std::ofstream(space.root / "logon.txt") << "opensesame\n";
    std::string csv = "folder,name,login_uri,login_username,login_password,notes\r\n";
    for (int i = 0; i < 10000; ++i) {
        const std::string n = std::to_string(i);
        csv += "Group " + std::to_string(i % 20) + ",Account number " + n + ",https://site" + n +
               ".example/login,user" + n + ",Pa55-" + std::to_string(i * 7919) +
               ",\"a short note, with a comma\"\r\n";
    }
    std::ofstream(space.root / "rows.csv", std::ios::binary) << csv;
    std::ofstream(space.root / "script.txt")
        << "opensesame\n"
           "ls\nshow 1\nshow 2500\nls --expiring\nshow 5000\nls --category 'Group 3'\nshow 7500\nls --json\n"
           "show 10000\nls\n";
    const std::string db = (space.root / "db").string();
    const fs::path logon = space.root / "logon.txt";
    space.failed =
        RunCli({"--database", db, "create", "Bench"}, "/dev/null").status != 0 ||
        RunCli({"--database", db, "import", "Bench", "--format", "csv", (space.root / "rows.csv").string()},
               logon)
                .status != 0 ||
        RunCli({"--database", db, "seal", "Bench"}, logon).status != 0;
    space.ready = !space.failed;
    return space;
}

void RunTimed(benchmark::State& state, const std::vector<std::string>& command, const char* input) {
    Workspace& space = SealedProfile();
    if (space.failed) {
        state.SkipWithError("the sealed profile could not be made");
        return;
    }
    std::vector<std::string> args{"--database", (space.root / "db").string()};
    args.insert(args.end(), command.begin(), command.end());
    double cpu = 0;
    for (auto _ : state) {
        const Run run = RunCli(args, space.root / input);
        if (run.status != 0) {
            state.SkipWithError("keyloft-cli failed");
            break;
        }
        cpu += run.cpuSeconds;
    }
    state.counters["tool_cpu_ms"] = benchmark::Counter(cpu * 1000, benchmark::Counter::kAvgIterations);
}

void BM_SealedLsOnce(benchmark::State& state) { RunTimed(state, {"ls", "Bench"}, "logon.txt"); }
void BM_SealedShellTen(benchmark::State& state) { RunTimed(state, {"shell", "Bench"}, "script.txt"); }

BENCHMARK(BM_SealedLsOnce)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_SealedShellTen)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(SealedProfile().root);
    return 0;
}

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
//   BM_ImportColumns/COLS    COLS unknown columns beside the known ones, 100 rows
// The default run is short. Larger sizes are arguments:
//   bench_import --rows=5000000 --columns=100000 --export-rows=500000

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

void ImportFile(benchmark::State& state, const std::string& csv, double rows, double columns) {
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
    const fs::path file = folder.root / "rows.csv";
    std::ofstream(file, std::ios::binary) << csv;

    double cpu = 0, peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(empty, db / "Bench.dat", fs::copy_options::overwrite_existing);
        state.ResumeTiming();
        const Run run = RunCli({"--database", db.string(), "import", "Bench", "--format", "csv", file.string()},
                               folder.root / "logon.txt");
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
               ".example/login,user" + n + ",Pa55-" + std::to_string(i * 7919) + ",\"a short note, with a comma\",0\r\n";
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
    auto* exportShape = benchmark::RegisterBenchmark("BM_ImportExport", BM_ImportExport)->Arg(1000)->Arg(10000);
    auto* smallRows = benchmark::RegisterBenchmark("BM_ImportRows", BM_ImportRows)->Arg(10000)->Arg(100000);
    auto* manyColumns = benchmark::RegisterBenchmark("BM_ImportColumns", BM_ImportColumns)->Arg(1000)->Arg(10000);
    if (exportRows > 0) exportShape->Arg(exportRows);
    if (rows > 0) smallRows->Arg(rows);
    if (columns > 0) manyColumns->Arg(columns);
    for (auto* b : {exportShape, smallRows, manyColumns}) b->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(Workspace().root);
    return 0;
}

// keyloft-cli import of a 10,000-row CSV file, from the start of the process to the saved profile:
// reading and parsing the CSV, the entry and category checks, and the one save (encryption, the
// backup rename, flushes). Each iteration starts again from the same empty profile. The time is
// wall time of the whole run; tool_cpu_ms is the CPU time the tool itself used.

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

void WriteFile(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

// A CSV export in the shape other managers write: folder paths, quoted notes with commas,
// a column the import ignores.
std::string TenThousandRows() {
    std::string csv = "folder,name,login_uri,login_username,login_password,notes,favorite\r\n";
    for (int i = 0; i < 10000; ++i) {
        const std::string n = std::to_string(i);
        csv += "Root/Group " + std::to_string(i % 20) + ",Account number " + n + ",https://site" + n +
               ".example/login,user" + n + ",Pa55-" + std::to_string(i * 7919) +
               ",\"a short note, with a comma\",0\r\n";
    }
    return csv;
}

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

// CPU seconds (user and system) used so far by the finished child processes.
double ChildCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void BM_ImportCsv10000Rows(benchmark::State& state) {
    const fs::path root = fs::temp_directory_path() / ("keyloft-bench-import-" + std::to_string(::getpid()));
    fs::create_directories(root / "db");
    fs::create_directories(root / "config");
    // The tool's settings live in the benchmark's folder, never in the user's.
    ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    ::setenv("HOME", (root / "config").c_str(), 1);

    const std::string cli = std::string(KEYLOFT_CLI_PATH) + " --database " + Quoted(root / "db");
    if (std::system((cli + " create Bench >/dev/null").c_str()) != 0) {
        state.SkipWithError("keyloft-cli create failed");
        return;
    }
    fs::copy_file(root / "db" / "Bench.dat", root / "empty.dat");
    WriteFile(root / "rows.csv", TenThousandRows());
    WriteFile(root / "logon.txt", "opensesame\n");
    const std::string import = cli + " import Bench --format csv " + Quoted(root / "rows.csv") + " <" +
                               Quoted(root / "logon.txt") + " >/dev/null 2>&1";

    double childCpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(root / "empty.dat", root / "db" / "Bench.dat", fs::copy_options::overwrite_existing);
        const double before = ChildCpuSeconds();
        state.ResumeTiming();
        const int status = std::system(import.c_str());
        state.PauseTiming();
        childCpu += ChildCpuSeconds() - before;
        state.ResumeTiming();
        if (status != 0) {
            state.SkipWithError("keyloft-cli import failed");
            break;
        }
    }
    state.counters["rows"] = 10000;
    // The benchmark's own CPU time leaves out the tool; this is the tool's (and its shell's).
    state.counters["tool_cpu_ms"] = benchmark::Counter(childCpu * 1000, benchmark::Counter::kAvgIterations);
    fs::remove_all(root);
}
BENCHMARK(BM_ImportCsv10000Rows)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

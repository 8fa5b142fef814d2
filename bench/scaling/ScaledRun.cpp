#include "bench/scaling/ScaledRun.hpp"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>

namespace keepsift::bench {
namespace {

// Keeps the time of every run, preferring the median of repetitions, by family and size.
class GrowthReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            if (run.error_occurred) continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Aggregate && !median) continue;
            const std::string& args = run.run_name.args;
            const std::int64_t size = std::atoll(args.substr(0, args.find('/')).c_str());
            auto& slot = times_[run.run_name.function_name][size];
            if (median || !slot.median) {
                const double seconds =
                    run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
                slot = {seconds * 1e3, median};
            }
        }
    }

    void printGrowth() const {
        std::printf("\n%-44s %10s %22s %8s\n", "growth", "size", "median process cpu ms", "factor");
        for (const auto& [family, bySize] : times_) {
            double previous = 0;
            for (const auto& [size, time] : bySize) {
                std::printf("%-44s %10lld %22.3f", family.c_str(), static_cast<long long>(size),
                            time.milliseconds);
                if (previous > 0)
                    std::printf(" %8.2f\n", time.milliseconds / previous);
                else
                    std::printf(" %8s\n", "-");
                previous = time.milliseconds;
            }
        }
        std::printf("peak resident memory: %.0f MiB\n", peakResidentMiB());
    }

private:
    struct Time {
        double milliseconds = 0;
        bool median = false;
    };
    std::map<std::string, std::map<std::int64_t, Time>> times_;
};

} // namespace

std::string takeOption(int& argc, char** argv, const std::string& name,
                       const std::string& fallback) {
    const std::string prefix = "--" + name + "=";
    std::string value = fallback;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], prefix.c_str(), prefix.size()) == 0)
            value = argv[i] + prefix.size();
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    return value;
}

std::vector<std::int64_t> takeSizes(int& argc, char** argv, std::vector<std::int64_t> defaults) {
    const std::string text = takeOption(argc, argv, "sizes", "");
    if (text.empty()) return defaults;
    std::vector<std::int64_t> sizes;
    std::istringstream list(text);
    std::string item;
    while (std::getline(list, item, ','))
        if (const long long size = std::atoll(item.c_str()); size > 0) sizes.push_back(size);
    return sizes.empty() ? defaults : sizes;
}

double peakResidentMiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void printFilesAndPeakMemory(int files) {
    std::printf("files: %d, peak resident memory: %.0f MiB\n", files, peakResidentMiB());
}

double residentMiB() {
    std::ifstream statm("/proc/self/statm");
    long long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1 << 20);
}

void registerTimedRuns(const std::vector<NamedRun>& runs, const std::vector<std::int64_t>& sizes,
                       int repetitions) {
    for (const auto size : sizes)
        for (const auto& [name, run] : runs) {
            auto* registered = benchmark::RegisterBenchmark(name, run)
                                   ->Arg(size)
                                   ->Unit(benchmark::kMillisecond)
                                   ->UseManualTime()
                                   ->Iterations(1);
            if (repetitions > 1) registered->Repetitions(repetitions)->ReportAggregatesOnly(true);
        }
}

int runBenchmarks(int argc, char** argv, const std::function<void()>& afterwards) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    if (afterwards) afterwards();
    benchmark::Shutdown();
    return 0;
}

int runWithGrowth(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    GrowthReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printGrowth();
    benchmark::Shutdown();
    return 0;
}

} // namespace keepsift::bench

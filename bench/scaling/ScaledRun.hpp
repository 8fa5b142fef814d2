#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace benchmark {
class State;
}

namespace keepsift::bench {

// Library sizes from a "--sizes=10000,100000" argument, which is taken out of the arguments
// before Google Benchmark reads them; the defaults when there is none.
std::vector<std::int64_t> takeSizes(int& argc, char** argv, std::vector<std::int64_t> defaults);
// The value of a "--NAME=VALUE" argument, taken out of the arguments; `fallback` without one.
std::string takeOption(int& argc, char** argv, const std::string& name,
                       const std::string& fallback);

// Runs the benchmarks registered with BENCHMARK once the options were taken out, then
// `afterwards` (a summary line) before Google Benchmark shuts down.
int runBenchmarks(int argc, char** argv, const std::function<void()>& afterwards = {});

// Peak resident memory of this process so far, in MiB.
double peakResidentMiB();
// "files: N, peak resident memory: M MiB", the line a folder benchmark ends with.
void printFilesAndPeakMemory(int files);
// Resident memory of this process now, in MiB.
double residentMiB();

// Registers each named run at each size, one iteration per repetition, timed by the run
// itself in milliseconds; only the aggregates of several repetitions are reported.
using NamedRun = std::pair<const char*, void (*)(benchmark::State&)>;
void registerTimedRuns(const std::vector<NamedRun>& runs, const std::vector<std::int64_t>& sizes,
                       int repetitions);

// Runs the registered benchmarks (named "family/size"), then prints, for each family, the
// median processor time of the whole process at each size (other work on the machine inflates
// the wall-clock time) and its growth over the previous size.
int runWithGrowth(int argc, char** argv);

} // namespace keepsift::bench

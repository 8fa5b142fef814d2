#include "core/support/UsableCpus.hpp"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <sched.h>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace keepsift {
namespace {

namespace fs = std::filesystem;

std::optional<unsigned> affinityOfThisProcess() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) != 0) return std::nullopt;
    const int count = CPU_COUNT(&set);
    if (count < 1) return std::nullopt;
    return static_cast<unsigned>(count);
}

std::optional<std::string> firstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    if (!in || !std::getline(in, line)) return std::nullopt;
    return line;
}

// CPUs a quota of `quota` microseconds per `period` allows; nothing when unlimited or unreadable.
std::optional<double> cpusOfQuota(const std::string& quota, const std::string& period) {
    try {
        size_t used = 0;
        const double q = std::stod(quota, &used);
        if (used != quota.size()) return std::nullopt;
        const double p = std::stod(period, &used);
        if (used != period.size() || !(q > 0) || !(p > 0)) return std::nullopt;
        return q / p;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// v2: "max 100000" means no limit, "200000 100000" two CPUs.
std::optional<double> cpusOfV2(const fs::path& group) {
    const auto line = firstLine(group / "cpu.max");
    if (!line) return std::nullopt;
    std::istringstream fields(*line);
    std::string quota, period = "100000";
    fields >> quota >> period;
    if (quota == "max") return std::nullopt;
    return cpusOfQuota(quota, period);
}

// v1: a quota of -1 means no limit.
std::optional<double> cpusOfV1(const fs::path& group) {
    const auto quota = firstLine(group / "cpu.cfs_quota_us");
    const auto period = firstLine(group / "cpu.cfs_period_us");
    if (!quota || !period) return std::nullopt;
    return cpusOfQuota(*quota, *period);
}

// The tightest limit of the group and every group above it up to the hierarchy's root. Inside a
// container the recorded path may name a group that is not visible; its visible ancestors count.
std::optional<double> tightestUpwards(const fs::path& root, const std::string& groupPath,
                                      std::optional<double> (*limitOf)(const fs::path&)) {
    std::optional<double> tightest;
    fs::path relative = fs::path(groupPath).relative_path();
    while (true) {
        if (const auto limit = limitOf(root / relative))
            tightest = std::min(tightest.value_or(std::numeric_limits<double>::infinity()), *limit);
        if (relative.empty()) break;
        relative = relative.parent_path();
    }
    return tightest;
}

bool namesController(const std::string& controllers, const std::string& wanted) {
    std::istringstream list(controllers);
    std::string name;
    while (std::getline(list, name, ','))
        if (name == wanted) return true;
    return false;
}

// Each line of the process's cgroup file is "id:controllers:path"; id 0 with no controllers is
// the unified (v2) hierarchy.
std::optional<double> cgroupCpus(const CpuLimitSources& sources) {
    std::ifstream lines(sources.processCgroups);
    std::optional<double> tightest;
    const auto narrow = [&](std::optional<double> limit) {
        if (limit)
            tightest = std::min(tightest.value_or(std::numeric_limits<double>::infinity()), *limit);
    };
    std::string line;
    while (std::getline(lines, line)) {
        const auto first = line.find(':');
        const auto second = first == std::string::npos ? first : line.find(':', first + 1);
        if (second == std::string::npos) continue;
        const std::string id = line.substr(0, first);
        const std::string controllers = line.substr(first + 1, second - first - 1);
        const std::string path = line.substr(second + 1);
        if (id == "0" && controllers.empty()) {
            narrow(tightestUpwards(sources.cgroupRoot, path, cpusOfV2));
            narrow(tightestUpwards(sources.cgroupRoot / "unified", path, cpusOfV2));
        } else if (namesController(controllers, "cpu")) {
            narrow(tightestUpwards(sources.cgroupRoot / controllers, path, cpusOfV1));
        }
    }
    return tightest;
}

} // namespace

unsigned usableCpus(const CpuLimitSources& sources) {
    std::optional<unsigned> affinity = sources.affinity ? sources.affinity() : std::nullopt;
    unsigned cpus = affinity.value_or(std::max(1u, std::thread::hardware_concurrency()));
    if (const auto quota = cgroupCpus(sources)) {
        // A quota of 1.5 CPUs still keeps two threads busy part of the time.
        const double rounded = std::max(1.0, std::ceil(*quota));
        if (rounded < cpus) cpus = static_cast<unsigned>(rounded);
    }
    return std::max(1u, cpus);
}

unsigned usableCpus() {
    static const unsigned learnt = [] {
        CpuLimitSources sources;
        sources.affinity = affinityOfThisProcess;
        return usableCpus(sources);
    }();
    return learnt;
}

unsigned backgroundWorkers() {
    return std::max(1u, usableCpus() / 2);
}

} // namespace keepsift

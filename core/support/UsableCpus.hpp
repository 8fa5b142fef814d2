#pragma once

#include <filesystem>
#include <functional>
#include <optional>

namespace keepsift {

// Where the CPU limits of this process are read; tests point them at folders of their own.
struct CpuLimitSources {
    std::filesystem::path processCgroups = "/proc/self/cgroup";
    std::filesystem::path cgroupRoot = "/sys/fs/cgroup";
    // CPUs the scheduler may run this process on; nothing when that cannot be learnt.
    std::function<std::optional<unsigned>()> affinity;
};

// CPUs this process may actually use: the affinity mask, narrowed by a cgroup CPU quota
// (v2 "cpu.max", v1 "cpu.cfs_quota_us") of its own group or any group above it; at least 1.
unsigned usableCpus(const CpuLimitSources& sources);
// The same for this process with the system's own sources, learnt once.
unsigned usableCpus();

// Workers for the application's background work: half the usable CPUs, at least 1, so the
// machine stays responsive while it runs.
unsigned backgroundWorkers();

} // namespace keepsift

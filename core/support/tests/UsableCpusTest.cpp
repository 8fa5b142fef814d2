#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "core/support/UsableCpus.hpp"

using namespace keepsift;
namespace fs = std::filesystem;

namespace {

// A made-up /proc/self/cgroup and cgroup tree in a folder of its own.
class CgroupTree : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "usable-cpus-XXXXXX").string();
        base_ = ::mkdtemp(pattern.data());
        sources_.processCgroups = base_ / "cgroup";
        sources_.cgroupRoot = base_ / "sys";
        sources_.affinity = [this] { return affinity_; };
    }
    void TearDown() override { fs::remove_all(base_); }

    void write(const fs::path& file, const std::string& text) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << text;
    }
    void processIn(const std::string& lines) { write(sources_.processCgroups, lines); }
    void group(const std::string& relative, const std::string& file, const std::string& text) {
        write(sources_.cgroupRoot / relative / file, text);
    }

    fs::path base_;
    CpuLimitSources sources_;
    std::optional<unsigned> affinity_ = 8;
};

TEST_F(CgroupTree, AffinityAloneWhenNoGroupLimits) {
    processIn("0::/user.slice/session\n");
    group("user.slice/session", "cpu.max", "max 100000\n");
    EXPECT_EQ(usableCpus(sources_), 8u);
    affinity_ = 3;
    EXPECT_EQ(usableCpus(sources_), 3u);
}

TEST_F(CgroupTree, UnifiedQuotaOfTheGroupOrAnyParentNarrows) {
    processIn("0::/box/app\n");
    group("box/app", "cpu.max", "max 100000\n");
    group("box", "cpu.max", "250000 100000\n"); // 2.5 CPUs keep three threads partly busy
    EXPECT_EQ(usableCpus(sources_), 3u);
    group("box/app", "cpu.max", "100000 100000\n");
    EXPECT_EQ(usableCpus(sources_), 1u);
    affinity_ = 1;
    group("box/app", "cpu.max", "400000 100000\n");
    EXPECT_EQ(usableCpus(sources_), 1u); // the affinity is tighter than the quota
}

TEST_F(CgroupTree, ContainerRootQuotaCountsWhenTheGroupPathIsNotVisible) {
    processIn("0::/\n");
    group("", "cpu.max", "200000 100000\n");
    EXPECT_EQ(usableCpus(sources_), 2u);
    processIn("0::/host/path/not/mounted\n");
    EXPECT_EQ(usableCpus(sources_), 2u);
}

TEST_F(CgroupTree, VersionOneQuotaUnderItsControllerFolder) {
    processIn("4:memory:/x\n3:cpu,cpuacct:/jobs/one\n0::/\n");
    group("cpu,cpuacct/jobs/one", "cpu.cfs_quota_us", "-1\n");
    group("cpu,cpuacct/jobs/one", "cpu.cfs_period_us", "100000\n");
    EXPECT_EQ(usableCpus(sources_), 8u);
    group("cpu,cpuacct/jobs", "cpu.cfs_quota_us", "50000\n");
    group("cpu,cpuacct/jobs", "cpu.cfs_period_us", "100000\n");
    EXPECT_EQ(usableCpus(sources_), 1u); // half a CPU still gets one worker
}

TEST_F(CgroupTree, UnreadableOrMalformedSourcesFallBackToWhatIsKnown) {
    EXPECT_EQ(usableCpus(sources_), 8u); // no cgroup file at all
    processIn("garbage\n0::/g\n1:cpu:/g\n");
    group("g", "cpu.max", "lots 100000\n");
    group("cpu/g", "cpu.cfs_quota_us", "0\n");
    group("cpu/g", "cpu.cfs_period_us", "100000\n");
    EXPECT_EQ(usableCpus(sources_), 8u);
    affinity_.reset();
    EXPECT_GE(usableCpus(sources_), 1u);
}

TEST(UsableCpus, ThisProcessHasAtLeastOneAndBackgroundWorkIsHalf) {
    const unsigned cpus = usableCpus();
    EXPECT_GE(cpus, 1u);
    EXPECT_EQ(backgroundWorkers(), std::max(1u, cpus / 2));
}

} // namespace

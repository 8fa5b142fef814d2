#pragma once

#include <filesystem>
#include <string>

namespace keepsift::analytics {

// What the machine and its operating system are, read once: they do not change while the
// process runs.
struct MachineFacts {
    std::string modelName;  // DMI product name and version, else the architecture
    std::string systemName; // os-release NAME, else "Linux"
    int majorVersion = 0;   // os-release VERSION_ID, else the kernel release
    int minorVersion = 0;
    int patchVersion = 0;

    bool operator==(const MachineFacts&) const = default;
};

// Reads <root>/sys/class/dmi/id, <root>/etc/os-release (then <root>/usr/lib/os-release)
// and uname. Never fails: anything unreadable takes its fallback.
MachineFacts readMachineFacts(const std::filesystem::path& root = "/");

// The processor architecture of the build, in the platform's naming ("x86_64", "arm64").
std::string buildArchitecture();

} // namespace keepsift::analytics

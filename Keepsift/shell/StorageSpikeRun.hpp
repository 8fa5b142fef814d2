#pragma once

#include <filesystem>
#include <string>

namespace keepsift {
class PhotoLibraryPort;
class ScanEngine;
} // namespace keepsift

namespace keepsift::app {

// What "--spike-storage" does instead of the normal start: asks for library access (with
// the prompt), runs the storage diagnostic and appends its report to "storage-spike.txt"
// in the application-support folder, after a blank line when the file already holds text.
// Folder, read and write failures are ignored. Returns the report. Blocking.
std::string runStorageSpike(ScanEngine& engine, PhotoLibraryPort& port,
                            const std::filesystem::path& supportFolder);

// The file's new content: the report alone, or the old text, a blank line and the report.
std::string appendedReport(const std::string& existing, const std::string& report);

} // namespace keepsift::app

#include "photos/corpus-tool/MeasureCommand.hpp"

#include "photos/corpus-tool/CorpusFolders.hpp"
#include "photos/corpus-tool/LostWinners.hpp"
#include "photos/corpus-tool/ToolError.hpp"

namespace keepsift::corpustool {

std::vector<CorpusRecording> readRecordings(const fs::path& folder) {
    std::error_code error;
    if (!fs::is_directory(folder, error)) throw BadInput(folder.string() + " is not a folder");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder, error))
        if (entry.is_regular_file()) names.push_back(fileName(entry.path()));
    if (error) throw BadInput(folder.string() + " cannot be listed: " + error.message());
    std::vector<CorpusRecording> recordings;
    for (const auto& name : CorpusRecording::recordingFiles(names)) {
        const fs::path file = folder / name;
        try {
            recordings.push_back(CorpusRecording::decode(readFile(file)));
        } catch (const JsonError& failure) {
            throw BadInput(file.string() + " is not a readable recording: " + failure.what());
        }
    }
    return recordings;
}

int measureCommand(const fs::path& recordings, bool json, std::ostream& out) {
    const auto prepared =
        CorpusMeasurement::prepare(readRecordings(recordings), GroupingPolicy::standard);
    const auto result = CorpusMeasurement::measure(prepared, ScoringPolicy::standard);
    if (json)
        out << measurementJson(result).dumpSortedPretty() << "\n";
    else
        out << measurementText(result, lostWinnerLines(prepared, ScoringPolicy::standard)) << "\n";
    return 0;
}

} // namespace keepsift::corpustool

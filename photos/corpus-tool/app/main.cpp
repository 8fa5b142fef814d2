// keepsift-corpus: imports capture folders into a corpus, records their signals and
// measures grouping and keeper choice against them.
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/support/UsableCpus.hpp"
#include "photos/corpus-tool/MeasureCommand.hpp"
#include "photos/corpus-tool/PlanCommand.hpp"
#include "photos/corpus-tool/RecordCommand.hpp"
#include "photos/corpus-tool/ToolError.hpp"
#include "platform/analysis/OpenClSwitch.hpp"

#if KEEPSIFT_CORPUS_EXTRACTOR
#include "photos/extractor/LiveSignalExtractor.hpp"
#endif

using namespace keepsift;
using namespace keepsift::corpustool;

namespace {

constexpr const char* usage = "usage: keepsift-corpus plan STAGING CORPUS [--apply]\n"
                              "       keepsift-corpus record CORPUS RECORDINGS\n"
                              "       keepsift-corpus measure RECORDINGS [--json]\n";

// The arguments after the command, with the one optional flag taken out.
struct Arguments {
    std::vector<std::string> paths;
    bool flag = false;
};

Arguments parse(int argc, char** argv, const std::string& flag) {
    Arguments arguments;
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        if (!flag.empty() && argument == flag)
            arguments.flag = true;
        else if (argument.starts_with("--"))
            throw BadInput("unknown option " + argument);
        else
            arguments.paths.push_back(argument);
    }
    return arguments;
}

Arguments expect(int argc, char** argv, size_t paths, const std::string& flag = {}) {
    Arguments arguments = parse(argc, argv, flag);
    if (arguments.paths.size() != paths) throw BadInput(std::string("wrong arguments\n") + usage);
    return arguments;
}

int record(const Arguments& arguments) {
#if KEEPSIFT_CORPUS_EXTRACTOR
    // Files are read directly, so no photo library stands behind the extractor.
    LiveSignalExtractor extractor(LiveSignalExtractor::makeContext(), nullptr);
    RecordOptions options;
    // Only the CPUs this process may run on: more workers would only take turns.
    options.workers = usableCpus();
    options.showProgress = ::isatty(STDERR_FILENO) == 1;
    return recordCommand(arguments.paths[0], arguments.paths[1], extractor, options, std::cout,
                         std::cerr);
#else
    (void)arguments;
    throw BadInput("this build has no signal extractor, so it cannot record");
#endif
}

int dispatch(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "plan") {
        const auto arguments = expect(argc, argv, 2, "--apply");
        return planCommand(arguments.paths[0], arguments.paths[1], arguments.flag, std::cout,
                           std::cerr);
    }
    if (command == "record") return record(expect(argc, argv, 2));
    if (command == "measure") {
        const auto arguments = expect(argc, argv, 1, "--json");
        return measureCommand(arguments.paths[0], arguments.flag, std::cout);
    }
    throw BadInput(usage);
}

} // namespace

int main(int argc, char** argv) {
    keepsift::switchOffOpenCl();
    try {
        const int status = dispatch(argc, argv);
        // Sanitizer builds end the process before static destructors would flush.
        std::cout.flush();
        return status;
    } catch (const BadInput& failure) {
        std::cerr << "keepsift-corpus: " << failure.what() << "\n";
        return exitBadInput;
    } catch (const std::exception& failure) {
        std::cerr << "keepsift-corpus: " << failure.what() << "\n";
        return 1;
    }
}

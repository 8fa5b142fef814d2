// Prints the plain-text state report of one interface-test scenario.
//   keepsift-scenario [--language CODE] NAME
//   keepsift-scenario --list
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "core/scenarios/Scenario.hpp"

namespace {

using keepsift::Scenario;

constexpr std::string_view usage = "usage: keepsift-scenario [--language CODE] NAME\n"
                                   "       keepsift-scenario --list\n";

void printNames(std::FILE* out) {
    for (const auto& name : Scenario::names())
        std::fprintf(out, "%s\n", name.c_str());
}

int fail(const std::string& message, bool listNames) {
    std::fprintf(stderr, "keepsift-scenario: %s\n", message.c_str());
    if (listNames) {
        std::fprintf(stderr, "scenarios:\n");
        printNames(stderr);
    } else {
        std::fputs(usage.data(), stderr);
    }
    return 2;
}

struct Request {
    bool list = false;
    std::optional<std::string> language;
    std::optional<std::string> name;
};

// Nothing on a malformed command line; `error` says why.
std::optional<Request> parse(int argc, char** argv, std::string& error) {
    Request request;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--list") {
            request.list = true;
        } else if (argument == "--language") {
            if (i + 1 >= argc) {
                error = "--language needs a language code";
                return std::nullopt;
            }
            request.language = argv[++i];
        } else if (argument.starts_with("-")) {
            error = "unknown option " + std::string(argument);
            return std::nullopt;
        } else if (request.name) {
            error = "one scenario name at a time";
            return std::nullopt;
        } else {
            request.name = std::string(argument);
        }
    }
    if (!request.list && !request.name) error = "no scenario named";
    return error.empty() ? std::optional(request) : std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto request = parse(argc, argv, error);
    if (!request) return fail(error, false);
    if (request->list) {
        printNames(stdout);
        return 0;
    }
    auto definition = Scenario::named(*request->name);
    if (!definition) return fail("no scenario named \"" + *request->name + "\"", true);
    if (request->language) definition->language = *request->language;
    const std::string report = definition->renderedState();
    std::fwrite(report.data(), 1, report.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

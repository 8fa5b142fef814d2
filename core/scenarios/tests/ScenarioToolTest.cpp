#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>

#include "core/scenarios/Scenario.hpp"

namespace keepsift {
namespace {

struct Outcome {
    int status = -1;
    std::string output; // standard output and error together
};

Outcome runTool(const std::string& arguments) {
    const std::string command = std::string(KEEPSIFT_SCENARIO_TOOL) + " " + arguments + " 2>&1";
    Outcome outcome;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return outcome;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        outcome.output.append(buffer, n);
    const int status = pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

std::string allNames() {
    std::string names;
    for (const auto& name : Scenario::names())
        names += name + "\n";
    return names;
}

TEST(ScenarioToolTest, ListsTheCatalogue) {
    const Outcome outcome = runTool("--list");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.output, allNames());
}

TEST(ScenarioToolTest, PrintsTheReportInTheChosenLanguage) {
    auto definition = *Scenario::named("family-burst");
    EXPECT_EQ(runTool("family-burst").output, definition.renderedState());
    definition.language = "de";
    const Outcome german = runTool("--language de family-burst");
    EXPECT_EQ(german.status, 0);
    EXPECT_EQ(german.output, definition.renderedState());
}

TEST(ScenarioToolTest, UnknownNameFailsWithTheListOfNames) {
    const Outcome outcome = runTool("Family-Burst");
    EXPECT_NE(outcome.status, 0);
    EXPECT_EQ(outcome.output, "keepsift-scenario: no scenario named \"Family-Burst\"\n"
                              "scenarios:\n" +
                                  allNames());
}

TEST(ScenarioToolTest, MalformedCommandLinesFail) {
    EXPECT_NE(runTool("").status, 0);
    EXPECT_NE(runTool("--language").status, 0);
    EXPECT_NE(runTool("--verbose paused").status, 0);
    EXPECT_NE(runTool("paused low-power").status, 0);
}

} // namespace
} // namespace keepsift

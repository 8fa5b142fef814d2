#include "Keepsift/shell/LaunchOptions.hpp"

#include <unistd.h>

namespace keepsift::app {

LaunchOptions LaunchOptions::parse(const std::vector<std::string>& arguments,
                                   std::map<std::string, std::string> environment) {
    LaunchOptions options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == interfaceTestArgument)
            options.interfaceTestMode = true;
        else if (argument == spikeStorageArgument)
            options.spikeStorage = true;
        else if (argument == settingsArgument)
            options.opensSettings = true;
        else if (argument == autostartArgument)
            options.atLogin = true;
        else if (argument == libraryArgument && i + 1 < arguments.size())
            options.library = arguments[++i];
        else if (argument.starts_with(std::string(libraryArgument) + "="))
            options.library = argument.substr(std::string_view(libraryArgument).size() + 1);
    }
    if (!options.library)
        if (auto named = environment.find(libraryVariable);
            named != environment.end() && !named->second.empty())
            options.library = named->second;
    auto seam = environment.find(testSeamVariable);
    options.testSeam = seam != environment.end() && seam->second == "1";
    auto polling = environment.find(pollingSeamVariable);
    options.watchesByPolling =
        options.testSeam && polling != environment.end() && polling->second == "1";
    options.environment = std::move(environment);
    return options;
}

std::map<std::string, std::string> LaunchOptions::processEnvironment() {
    std::map<std::string, std::string> environment;
    for (char** entry = ::environ; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const size_t equals = text.find('=');
        if (equals != std::string::npos)
            environment.emplace(text.substr(0, equals), text.substr(equals + 1));
    }
    return environment;
}

} // namespace keepsift::app

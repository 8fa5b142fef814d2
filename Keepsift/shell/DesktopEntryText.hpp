#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace keepsift::app {

// Values of a freedesktop desktop entry, escaped as a launcher reads them back.
struct DesktopEntryText {
    // A string value: backslashes, line breaks, tabs and a leading space escaped.
    static std::string stringValue(const std::string& text);
    // One argument of an Exec value: quoted, with what stays special inside the quotes
    // escaped, and then escaped as a string value.
    static std::string execArgument(const std::string& argument);
    // What follows the program in an Exec value, escaped as a string value again; empty when
    // the program comes alone.
    static std::string argumentsAfterProgram(const std::string& execValue);
    // Whether an argument after the program is exactly this plain word.
    static bool passesArgument(const std::string& execValue, std::string_view word);
};

} // namespace keepsift::app

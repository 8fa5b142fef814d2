#pragma once

#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace keepsift::testing {

// The Exec value of a desktop entry's main group, read as a launcher reads it: first the
// string escapes (\s \n \t \r \\), then the quoting of arguments, and "%%" as "%" in each.
// Other field codes are dropped, as they expand to nothing without files or URLs.
// Nothing when the file has no Exec key or its quoting is broken.
inline std::optional<std::vector<std::string>> execArguments(const std::string& entry) {
    std::istringstream lines(entry);
    std::string line, value;
    bool mainGroup = false, found = false;
    while (std::getline(lines, line)) {
        if (line.starts_with("[")) mainGroup = line == "[Desktop Entry]";
        if (mainGroup && line.starts_with("Exec=")) {
            value = line.substr(5);
            found = true;
            break;
        }
    }
    if (!found) return std::nullopt;
    std::string text;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            text += value[i];
            continue;
        }
        const char next = value[++i];
        text += next == 's'   ? ' '
                : next == 'n' ? '\n'
                : next == 't' ? '\t'
                : next == 'r' ? '\r'
                              : next;
    }
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false, quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else if (c == '%' && i + 1 < text.size() && text[i + 1] == '%') {
                current += text[++i];
            } else if (c == '\\' && i + 1 < text.size() &&
                       std::string("\"`$\\").find(text[i + 1]) != std::string::npos) {
                current += text[++i];
            } else {
                current += c;
            }
        } else if (c == ' ') {
            if (inArgument) arguments.push_back(current);
            current.clear();
            inArgument = false;
        } else if (c == '"') {
            quoted = inArgument = true;
        } else if (c == '%' && i + 1 < text.size()) {
            if (text[++i] == '%') current += '%';
            inArgument = true;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (quoted) return std::nullopt;
    if (inArgument) arguments.push_back(current);
    return arguments;
}

} // namespace keepsift::testing

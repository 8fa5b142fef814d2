#include "Keepsift/shell/DesktopEntryText.hpp"

#include <algorithm>

namespace keepsift::app {
namespace {

std::string unescapedString(const std::string& value) {
    std::string text;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            text += value[i];
            continue;
        }
        const char next = value[++i];
        if (next == 's')
            text += ' ';
        else if (next == 'n')
            text += '\n';
        else if (next == 't')
            text += '\t';
        else if (next == 'r')
            text += '\r';
        else if (next == '\\')
            text += '\\';
        else
            text += std::string("\\") + next;
    }
    return text;
}

// Where the first argument of an Exec command line ends.
size_t endOfFirstArgument(const std::string& command) {
    size_t at = command.find_first_not_of(' ');
    if (at == std::string::npos) return command.size();
    if (command[at] != '"') return std::min(command.find(' ', at), command.size());
    for (++at; at < command.size(); ++at) {
        if (command[at] == '\\')
            ++at;
        else if (command[at] == '"')
            return at + 1;
    }
    return command.size();
}

} // namespace

std::string DesktopEntryText::stringValue(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '\n')
            escaped += "\\n";
        else if (c == '\t')
            escaped += "\\t";
        else if (c == '\r')
            escaped += "\\r";
        else
            escaped += c;
    }
    // Leading blanks of a value are not part of it unless escaped.
    if (escaped.starts_with(' ')) escaped.replace(0, 1, "\\s");
    return escaped;
}

std::string DesktopEntryText::execArgument(const std::string& argument) {
    // Inside the quotes a backslash, a double quote, a backquote and a dollar sign take a
    // backslash; a percent sign is doubled, as it would start a field code.
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += std::string("\\") + c;
        else if (c == '%')
            quoted += "%%";
        else
            quoted += c;
    }
    return stringValue(quoted + "\"");
}

std::string DesktopEntryText::argumentsAfterProgram(const std::string& execValue) {
    const std::string command = unescapedString(execValue);
    const size_t start = command.find_first_not_of(' ', endOfFirstArgument(command));
    return start == std::string::npos ? std::string() : stringValue(command.substr(start));
}

bool DesktopEntryText::passesArgument(const std::string& execValue, std::string_view word) {
    const std::string command = unescapedString(execValue);
    for (size_t at = endOfFirstArgument(command); at < command.size();) {
        const size_t start = command.find_first_not_of(' ', at);
        if (start == std::string::npos) return false;
        at = start + endOfFirstArgument(command.substr(start));
        if (std::string_view(command).substr(start, at - start) == word) return true;
    }
    return false;
}

} // namespace keepsift::app

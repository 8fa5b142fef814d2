#include "Keepsift/shell/DesktopEntryText.hpp"

namespace keepsift::app {

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

} // namespace keepsift::app

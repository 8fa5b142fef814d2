#pragma once

#include <string>

namespace keepsift::app {

// What the visible windows say, one line per visible label or button:
// "<window class>\t<widget name>\t<text>", line breaks within a text as spaces. The
// interface-test seam hands it to acceptance tests, which cannot read the screen's words.
std::string visibleWindowTexts();

} // namespace keepsift::app

#pragma once

#include <string>
#include <string_view>

namespace keepsift {

// Linux names are bytes; identifiers and shown names are text. A byte that is not part of
// well-formed UTF-8 becomes the private-use character U+F700 + byte (U+F780...U+F7FF), and a
// character of that range already in the name has each of its three bytes written the same
// way, so every name has exactly one text form and comes back from it byte for byte. Names
// that are well-formed UTF-8 outside that range are their own text form.
std::string textOfName(std::string_view bytes);

// Every byte of the name that is not ASCII as its byte character: a second text form, for a
// name whose own text form another name already takes. nameOfText gives the bytes back.
std::string byteTextOfName(std::string_view bytes);

// The bytes a text form stands for. Text not made by textOfName still gives a name: its
// characters of the byte range become those bytes, the others stay as they are.
std::string nameOfText(std::string_view text);

} // namespace keepsift

#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace keepsift {

// Walks the outer structure of a JSON text and hands out the raw text of strings and
// values, so that large members can be parsed apart (and in parallel). It checks only
// the structure it walks; the spans it returns are checked by whoever parses them.
class JsonSpans {
public:
    explicit JsonSpans(std::string_view text) : text_(text) {}

    void skipSpace();
    bool atEnd() const { return at_ == text_.size(); }
    // Skips white space, then takes the character or throws JsonError.
    void expect(char c);
    // Skips white space, then takes the character when it is next.
    bool consume(char c);
    // A string token with its quotes.
    std::string_view stringToken();
    // Any value: a string, a container with everything inside it, or a scalar token.
    std::string_view value();
    // An object's members as raw key tokens and value texts.
    std::vector<std::pair<std::string_view, std::string_view>> members();

    // The text of a string token; escapes and non-ASCII text go through the JSON parser.
    static std::string unquoted(std::string_view token);

private:
    [[noreturn]] void fail(const char* what) const;
    void skipString();
    void skipContainer();

    std::string_view text_;
    std::size_t at_ = 0;
};

} // namespace keepsift

#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace keepsift {

// Reads JSON text token by token, refusing what Json::parse refuses. Strings of plain
// ASCII with the short escapes are decoded here; "\u" escapes and non-ASCII text go
// through Json::parse, which also checks the UTF-8.
class JsonCursor {
public:
    explicit JsonCursor(std::string_view text) : text_(text) {}

    // The next character after white space; throws at the end of the text.
    char peek();
    bool consume(char c);
    void expect(char c);
    // Throws unless only white space is left.
    void expectEnd();
    [[noreturn]] void fail(const char* what) const;

    std::string string();
    bool boolean();
    // Consumes null when it comes next.
    bool null();
    // A number token in JSON's grammar, as it stands in the text.
    std::string_view numberToken();

    // The text of the value that comes next, checked only for the nesting of its brackets
    // and the ends of its strings; whoever parses it checks the rest.
    std::string_view rawValue();

    // Calls read(key) for each member of the object that comes next; read must consume
    // the member's value.
    template <class Read> void forEachMember(Read read) {
        expect('{');
        if (consume('}')) return;
        do {
            if (peek() != '"') fail("expected a key");
            const std::string key = string();
            expect(':');
            read(key);
        } while (consume(','));
        expect('}');
    }
    // Calls read() for each item of the array that comes next.
    template <class Read> void forEachItem(Read read) {
        expect('[');
        if (consume(']')) return;
        do {
            read();
        } while (consume(','));
        expect(']');
    }

private:
    void skipSpace();
    void skipString();
    void skipContainer();
    void literal(std::string_view word);
    std::string referenceString(std::size_t begin);

    std::string_view text_;
    std::size_t at_ = 0;
};

// The value read(cursor) makes of the whole text, which must hold nothing after it.
template <class Read> auto readWhole(std::string_view text, Read read) {
    JsonCursor cursor(text);
    auto value = read(cursor);
    cursor.expectEnd();
    return value;
}

// A whole document without the UTF-8 byte order mark an editor may put before it; the
// value tree's parser skips it there too, and only there.
std::string_view withoutByteOrderMark(std::string_view document);

// Integer tokens as the value tree keeps them: the text of the integer's value ("-0"
// becomes "0"), so that numbers read from tokens equal those read through the tree.
std::string_view treeNumberText(std::string_view token);
bool isIntegerToken(std::string_view token);

} // namespace keepsift

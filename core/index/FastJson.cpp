#include "core/index/FastJson.hpp"

#include <charconv>
#include <cmath>
#include <cstring>

namespace keepsift {
namespace {

constexpr int maximumDepth = 512;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool endsToken(char c) {
    return isSpace(c) || c == ',' || c == ']' || c == '}';
}
bool isPlainCharacter(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x20 && u < 0x80 && c != '"' && c != '\\';
}

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    Json document() {
        Json value = parseValue(0);
        skipSpace();
        if (at_ != text_.size()) fail("unexpected text after the value");
        return value;
    }

private:
    [[noreturn]] void fail(const char* what) const {
        throw JsonError(std::string("JSON syntax error at byte ") + std::to_string(at_) + ": " +
                        what);
    }
    void skipSpace() {
        while (at_ < text_.size() && isSpace(text_[at_]))
            ++at_;
    }
    char peek() {
        skipSpace();
        if (at_ >= text_.size()) fail("unexpected end");
        return text_[at_];
    }
    bool consume(char c) {
        if (peek() != c) return false;
        ++at_;
        return true;
    }
    void expect(char c) {
        if (!consume(c)) fail("unexpected character");
    }

    Json parseValue(int depth) {
        if (depth > maximumDepth) fail("nesting too deep");
        const char c = peek();
        if (c == '{') return parseObject(depth);
        if (c == '[') return parseArray(depth);
        if (c == '"') return Json(parseString());
        if (c == 't') return literal("true", Json(true));
        if (c == 'f') return literal("false", Json(false));
        if (c == 'n') return literal("null", Json());
        return parseNumber();
    }

    Json literal(std::string_view word, Json value) {
        if (text_.substr(at_, word.size()) != word) fail("invalid literal");
        at_ += word.size();
        return value;
    }

    Json parseObject(int depth) {
        ++at_;
        Json object = Json::object();
        if (consume('}')) return object;
        do {
            if (peek() != '"') fail("expected a key");
            std::string key = parseString();
            expect(':');
            Json value = parseValue(depth + 1);
            if (object.find(key) == nullptr) object.set(std::move(key), std::move(value));
        } while (consume(','));
        expect('}');
        return object;
    }

    Json parseArray(int depth) {
        ++at_;
        Json array = Json::array();
        if (consume(']')) return array;
        do {
            array.push(parseValue(depth + 1));
        } while (consume(','));
        expect(']');
        return array;
    }

    // ASCII text with the short escapes is decoded here; "\\u" escapes and non-ASCII text
    // are left to the reference parser, which also checks the UTF-8.
    std::string parseString() {
        const std::size_t begin = at_++;
        std::string out;
        std::size_t run = at_;
        // Up to the next quote is at least the whole text, unless it holds an escaped quote.
        if (const void* quote = std::memchr(text_.data() + at_, '"', text_.size() - at_))
            out.reserve(static_cast<std::size_t>(static_cast<const char*>(quote) - text_.data()) -
                        at_);
        for (;;) {
            while (at_ < text_.size() && isPlainCharacter(text_[at_]))
                ++at_;
            if (at_ >= text_.size()) fail("unterminated string");
            const auto c = static_cast<unsigned char>(text_[at_]);
            if (c == '"') break;
            if (c < 0x20) fail("control character in string");
            if (c >= 0x80) return referenceString(begin);
            if (c == '\\') {
                out.append(text_.substr(run, at_ - run));
                const char escaped = at_ + 1 < text_.size() ? shortEscape(text_[at_ + 1]) : 0;
                if (escaped == 0) return referenceString(begin);
                out += escaped;
                at_ += 2;
                run = at_;
                continue;
            }
            ++at_;
        }
        out.append(text_.substr(run, at_ - run));
        ++at_;
        return out;
    }

    static char shortEscape(char c) {
        switch (c) {
        case '"':
            return '"';
        case '\\':
            return '\\';
        case '/':
            return '/';
        case 'b':
            return '\b';
        case 'f':
            return '\f';
        case 'n':
            return '\n';
        case 'r':
            return '\r';
        case 't':
            return '\t';
        default:
            return 0;
        }
    }

    std::string referenceString(std::size_t begin) {
        at_ = begin + 1;
        while (at_ < text_.size() && text_[at_] != '"')
            at_ += text_[at_] == '\\' ? 2 : 1;
        if (at_ >= text_.size()) fail("unterminated string");
        ++at_;
        return Json::parse(text_.substr(begin, at_ - begin)).asString();
    }

    Json parseNumber() {
        const std::size_t begin = at_;
        while (at_ < text_.size() && !endsToken(text_[at_]))
            ++at_;
        const std::string_view token = text_.substr(begin, at_ - begin);
        if (token.empty()) fail("expected a value");
        if (std::int64_t value; isCanonicalInteger(token)) {
            const auto [end, error] =
                std::from_chars(token.data(), token.data() + token.size(), value);
            if (error == std::errc() && end == token.data() + token.size())
                return Json::integer(value);
        }
        // A fraction already in the writer's layout keeps its text through Json::number.
        if (token.find_first_of(".eE") == std::string_view::npos) return Json::parse(token);
        double value;
        const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
        if (error == std::errc() && end == token.data() + token.size() && std::isfinite(value) &&
            jsonNumberText(value) == token)
            return Json::number(value);
        return Json::parse(token);
    }

    // Integers whose text Json::integer writes back unchanged.
    static bool isCanonicalInteger(std::string_view token) {
        const std::string_view digits = token.front() == '-' ? token.substr(1) : token;
        if (digits.empty() || (digits.size() > 1 && digits.front() == '0')) return false;
        if (token.front() == '-' && digits == "0") return false;
        for (char c : digits)
            if (!isDigit(c)) return false;
        return true;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

} // namespace

Json parseJsonFast(std::string_view text) {
    return Parser(text).document();
}

} // namespace keepsift

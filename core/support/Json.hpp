#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

namespace keepsift {

// A failed read of a JSON document or record: a syntax error, a missing or mistyped key,
// or an unknown enumeration text.
class JsonError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A JSON value that keeps object keys in insertion order and numbers as text, so that
// 32-bit floats read back exactly and integers can refuse fractions.
class Json {
public:
    struct Member;
    using Array = std::vector<Json>;
    using Object = std::vector<Member>;
    enum class Type { null, boolean, number, string, array, object };
    // Deeper documents are refused by every reader: nothing written here nests beyond a
    // handful of levels, and a hostile file must not exhaust the stack.
    static constexpr int maximumDepth = 512;

    Json() = default;
    Json(const Json&) = default;
    Json(Json&&) noexcept = default;
    Json& operator=(const Json&) = default;
    Json& operator=(Json&&) noexcept = default;
    // Iterative, so that no depth of nesting exhausts the stack.
    ~Json();
    Json(std::nullptr_t) {}
    Json(bool value) : value_(value) {}
    Json(const char* text) : value_(std::string(text)) {}
    Json(std::string text) : value_(std::move(text)) {}
    Json(std::string_view text) : value_(std::string(text)) {}
    // Numbers go through integer(), number() or number32(), never through bool.
    template <class T>
    requires std::is_arithmetic_v<T> &&(!std::is_same_v<T, bool>)Json(T) = delete;

    static Json integer(std::int64_t value);
    // Non-finite values are written as 0: a file must never hold NaN or infinity.
    static Json number(double value);
    static Json number32(float value);
    static Json array(Array items = {});
    static Json object() { return Json(Object{}); }

    Type type() const { return static_cast<Type>(value_.index()); }
    bool isNull() const { return type() == Type::null; }

    // Object building: appends, or replaces an existing key in place.
    Json& set(std::string key, Json value);
    // Appends without looking for the key, which the caller knows to be new: building an
    // object of n distinct keys stays linear.
    Json& add(std::string key, Json value);
    Json& push(Json value);

    // Reading; every accessor throws JsonError on a type mismatch.
    const Json* find(std::string_view key) const;
    const Json& at(std::string_view key) const;
    bool asBool() const;
    const std::string& asString() const;
    std::int64_t asInt64() const; // rejects fractions and exponents
    double asDouble() const;
    float asFloat() const; // reads the text as a float, never through double
    const Array& asArray() const;
    const Object& asObject() const;
    const std::string& numberText() const;

    // Throws JsonError, also for nesting deeper than maximumDepth.
    static Json parse(std::string_view text);
    std::string dump() const;
    // Two-space indent, "key" : value, keys sorted by their UTF-8 bytes, no final newline.
    std::string dumpSortedPretty() const;

    friend bool operator==(const Json&, const Json&);

private:
    struct NumberText {
        std::string text;
        bool operator==(const NumberText&) const = default;
    };
    explicit Json(Object object) : value_(std::move(object)) {}
    explicit Json(NumberText number) : value_(std::move(number)) {}
    bool holdsNested() const;
    void moveNestedInto(std::vector<Json>& out);
    friend class JsonBuilder;

    std::variant<std::nullptr_t, bool, NumberText, std::string, Array, Object> value_;
};

struct Json::Member {
    std::string key;
    Json value;
    bool operator==(const Member&) const = default;
};

// Number text as written into JSON: shortest round-trip digits, no ".0" on integral
// values, exponent form only below 1e-4 or beyond 2^53 ("1e-05").
std::string jsonNumberText(double value);
std::string jsonNumberText(float value);
void appendJsonString(std::string& out, std::string_view text);

// Optional fields: absent or null read as absent.
template <class T, class Read>
std::optional<T> readOptional(const Json& object, std::string_view key, Read read) {
    const Json* value = object.find(key);
    if (value == nullptr || value->isNull()) return std::nullopt;
    return read(*value);
}

template <class T, class Write>
void writeOptional(Json& object, std::string key, const std::optional<T>& value, Write write) {
    if (value) object.set(std::move(key), write(*value));
}

} // namespace keepsift

#include "core/support/Json.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>

#include "core/support/Unicode.hpp"

namespace keepsift {
namespace {

template <class T> T parseNumber(const std::string& text, const char* what) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        throw JsonError(std::string("expected ") + what + ", found " + text);
    return value;
}

// Lays out the shortest scientific digits of to_chars the way the reference writer does.
template <class T> std::string layoutNumber(T value) {
    if (value == 0) return std::signbit(value) ? "-0" : "0";
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    const std::string_view sci(buffer, static_cast<size_t>(result.ptr - buffer));
    const size_t e = sci.find('e');
    const bool negative = sci[0] == '-';
    std::string digits;
    for (char c : sci.substr(0, e))
        if (c >= '0' && c <= '9') digits += c;
    const int exponent = std::stoi(std::string(sci.substr(e + 1)));
    const double magnitude = std::fabs(static_cast<double>(value));
    std::string out = negative ? "-" : "";
    if (exponent < -4 || magnitude > 9007199254740992.0) {
        out += digits[0];
        if (digits.size() > 1) out += "." + digits.substr(1);
        char exp[16];
        std::snprintf(exp, sizeof exp, "e%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        return out + exp;
    }
    if (exponent < 0)
        return out + "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    const size_t intDigits = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= intDigits)
        return out + digits + std::string(intDigits - digits.size(), '0');
    return out + digits.substr(0, intDigits) + "." + digits.substr(intDigits);
}

void appendIndent(std::string& out, int depth) {
    out.append(static_cast<size_t>(depth) * 2, ' ');
}

} // namespace

// Builds our value tree from the parser's events, keeping number texts as they stand.
class JsonBuilder : public nlohmann::json_sax<nlohmann::json> {
public:
    Json root;

    bool null() override { return add(Json()); }
    bool boolean(bool value) override { return add(Json(value)); }
    bool number_integer(number_integer_t value) override { return add(Json::integer(value)); }
    bool number_unsigned(number_unsigned_t value) override {
        return add(Json(Json::NumberText{std::to_string(value)}));
    }
    bool number_float(number_float_t, const string_t& text) override {
        return add(Json(Json::NumberText{text}));
    }
    bool string(string_t& value) override { return add(Json(std::move(value))); }
    bool binary(binary_t&) override { return false; }
    bool start_object(std::size_t) override { return open(Json::object()); }
    bool key(string_t& value) override {
        pendingKey_ = std::move(value);
        return true;
    }
    bool end_object() override { return close(); }
    bool start_array(std::size_t) override { return open(Json::array()); }
    bool end_array() override { return close(); }
    bool parse_error(std::size_t position, const std::string&,
                     const nlohmann::detail::exception& error) override {
        message_ = "JSON syntax error at byte " + std::to_string(position) + ": " + error.what();
        return false;
    }
    const std::string& message() const { return message_; }

private:
    Json* insert(Json value, bool keep) {
        Json* target;
        if (stack_.empty()) {
            root = std::move(value);
            target = &root;
        } else if (stack_.back()->type() == Json::Type::array) {
            target = &stack_.back()->push(std::move(value));
        } else {
            auto& object = std::get<Json::Object>(stack_.back()->value_);
            object.push_back({std::move(pendingKey_), std::move(value)});
            target = &object.back().value;
        }
        if (keep) stack_.push_back(target);
        return target;
    }
    bool add(Json value) { return insert(std::move(value), false) != nullptr; }
    bool open(Json container) {
        if (stack_.size() >= static_cast<std::size_t>(Json::maximumDepth)) {
            message_ = "JSON nesting deeper than " + std::to_string(Json::maximumDepth) + " levels";
            return false;
        }
        return insert(std::move(container), true) != nullptr;
    }
    bool close() {
        stack_.pop_back();
        return true;
    }

    std::vector<Json*> stack_;
    std::string pendingKey_;
    std::string message_;
};

Json::~Json() {
    if (!holdsNested()) return;
    std::vector<Json> pending;
    moveNestedInto(pending);
    while (!pending.empty()) {
        Json last = std::move(pending.back());
        pending.pop_back();
        last.moveNestedInto(pending);
    }
}

namespace {

bool isNonEmptyContainer(const Json& json) {
    return (json.type() == Json::Type::array && !json.asArray().empty()) ||
           (json.type() == Json::Type::object && !json.asObject().empty());
}

} // namespace

bool Json::holdsNested() const {
    if (const auto* array = std::get_if<Array>(&value_))
        return std::any_of(array->begin(), array->end(), isNonEmptyContainer);
    if (const auto* object = std::get_if<Object>(&value_))
        return std::any_of(object->begin(), object->end(),
                           [](const Member& member) { return isNonEmptyContainer(member.value); });
    return false;
}

// Children that hold children of their own are moved out, so that destroying this value
// goes one level deep only.
void Json::moveNestedInto(std::vector<Json>& out) {
    auto take = [&out](Json& child) {
        if (isNonEmptyContainer(child)) out.push_back(std::move(child));
    };
    if (auto* array = std::get_if<Array>(&value_))
        std::for_each(array->begin(), array->end(), take);
    else if (auto* object = std::get_if<Object>(&value_))
        for (auto& member : *object)
            take(member.value);
}

Json Json::integer(std::int64_t value) {
    return Json(NumberText{std::to_string(value)});
}
Json Json::number(double value) {
    return Json(NumberText{jsonNumberText(std::isfinite(value) ? value : 0.0)});
}
Json Json::number32(float value) {
    return Json(NumberText{jsonNumberText(std::isfinite(value) ? value : 0.0f)});
}
Json Json::array(Array items) {
    Json json;
    json.value_ = std::move(items);
    return json;
}

Json& Json::set(std::string key, Json value) {
    auto& object = std::get<Object>(value_);
    for (auto& member : object)
        if (member.key == key) {
            member.value = std::move(value);
            return *this;
        }
    object.push_back({std::move(key), std::move(value)});
    return *this;
}

Json& Json::add(std::string key, Json value) {
    std::get<Object>(value_).push_back({std::move(key), std::move(value)});
    return *this;
}

Json& Json::push(Json value) {
    auto& array = std::get<Array>(value_);
    array.push_back(std::move(value));
    return array.back();
}

const Json* Json::find(std::string_view key) const {
    for (const auto& member : asObject())
        if (member.key == key) return &member.value;
    return nullptr;
}

const Json& Json::at(std::string_view key) const {
    const Json* value = find(key);
    if (value == nullptr) throw JsonError("missing key \"" + std::string(key) + "\"");
    return *value;
}

bool Json::asBool() const {
    if (auto* value = std::get_if<bool>(&value_)) return *value;
    throw JsonError("expected a Boolean");
}
const std::string& Json::asString() const {
    if (auto* value = std::get_if<std::string>(&value_)) return *value;
    throw JsonError("expected a text");
}
const std::string& Json::numberText() const {
    if (auto* value = std::get_if<NumberText>(&value_)) return value->text;
    throw JsonError("expected a number");
}
std::int64_t Json::asInt64() const {
    return parseNumber<std::int64_t>(numberText(), "an integer");
}
double Json::asDouble() const {
    return parseNumber<double>(numberText(), "a number");
}
float Json::asFloat() const {
    return parseNumber<float>(numberText(), "a number");
}
const Json::Array& Json::asArray() const {
    if (auto* value = std::get_if<Array>(&value_)) return *value;
    throw JsonError("expected a list");
}
const Json::Object& Json::asObject() const {
    if (auto* value = std::get_if<Object>(&value_)) return *value;
    throw JsonError("expected an object");
}

Json Json::parse(std::string_view text) {
    JsonBuilder builder;
    if (!nlohmann::json::sax_parse(text.begin(), text.end(), &builder))
        throw JsonError(builder.message().empty() ? "JSON syntax error" : builder.message());
    return std::move(builder.root);
}

bool operator==(const Json& a, const Json& b) {
    return a.value_ == b.value_;
}

std::string jsonNumberText(double value) {
    return layoutNumber(value);
}
std::string jsonNumberText(float value) {
    return layoutNumber(value);
}

void appendJsonString(std::string& out, std::string_view text) {
    // A reader rejects the whole document over one ill-formed byte (a file name from a
    // foreign file system, say), so such bytes are written as U+FFFD.
    if (!unicode::isWellFormed(text)) return appendJsonString(out, unicode::wellFormed(text));
    static constexpr char hex[] = "0123456789abcdef";
    out += '"';
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '/':
            out += "\\/";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                out += "\\u00";
                out += hex[(c >> 4) & 0xf];
                out += hex[c & 0xf];
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

namespace {

void writeCompact(std::string& out, const Json& json);

void writeScalar(std::string& out, const Json& json) {
    switch (json.type()) {
    case Json::Type::null:
        out += "null";
        break;
    case Json::Type::boolean:
        out += json.asBool() ? "true" : "false";
        break;
    case Json::Type::number:
        out += json.numberText();
        break;
    case Json::Type::string:
        appendJsonString(out, json.asString());
        break;
    default:
        break;
    }
}

void writeCompact(std::string& out, const Json& json) {
    if (json.type() == Json::Type::array) {
        out += '[';
        bool first = true;
        for (const auto& item : json.asArray()) {
            if (!first) out += ',';
            first = false;
            writeCompact(out, item);
        }
        out += ']';
    } else if (json.type() == Json::Type::object) {
        out += '{';
        bool first = true;
        for (const auto& member : json.asObject()) {
            if (!first) out += ',';
            first = false;
            appendJsonString(out, member.key);
            out += ':';
            writeCompact(out, member.value);
        }
        out += '}';
    } else {
        writeScalar(out, json);
    }
}

void writePretty(std::string& out, const Json& json, int depth) {
    if (json.type() == Json::Type::array) {
        out += "[\n";
        const auto& items = json.asArray();
        if (items.empty()) out += '\n';
        for (size_t i = 0; i < items.size(); ++i) {
            appendIndent(out, depth + 1);
            writePretty(out, items[i], depth + 1);
            out += i + 1 < items.size() ? ",\n" : "\n";
        }
        appendIndent(out, depth);
        out += ']';
    } else if (json.type() == Json::Type::object) {
        std::vector<const Json::Member*> members;
        for (const auto& member : json.asObject())
            members.push_back(&member);
        std::sort(members.begin(), members.end(), [](auto* a, auto* b) { return a->key < b->key; });
        out += "{\n";
        if (members.empty()) out += '\n';
        for (size_t i = 0; i < members.size(); ++i) {
            appendIndent(out, depth + 1);
            appendJsonString(out, members[i]->key);
            out += " : ";
            writePretty(out, members[i]->value, depth + 1);
            out += i + 1 < members.size() ? ",\n" : "\n";
        }
        appendIndent(out, depth);
        out += '}';
    } else {
        writeScalar(out, json);
    }
}

} // namespace

std::string Json::dump() const {
    std::string out;
    writeCompact(out, *this);
    return out;
}

std::string Json::dumpSortedPretty() const {
    std::string out;
    writePretty(out, *this, 0);
    return out;
}

} // namespace keepsift

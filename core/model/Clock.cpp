#include "core/model/Clock.hpp"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace keepsift {
namespace {

Date parseOrStop(std::string_view text) {
    if (auto date = Date::parseIso8601(text)) return *date;
    std::fprintf(stderr, "not an ISO 8601 date: %s\n", std::string(text).c_str());
    std::abort();
}

} // namespace

FixedClock::FixedClock(std::string_view iso8601) : now_(parseOrStop(iso8601)) {}
MutableClock::MutableClock(std::string_view iso8601) : current_(parseOrStop(iso8601)) {}

Date MutableClock::now() const {
    std::lock_guard guard(lock_);
    return current_;
}

void MutableClock::advance(double seconds) {
    std::lock_guard guard(lock_);
    current_ = current_.adding(seconds);
}

} // namespace keepsift

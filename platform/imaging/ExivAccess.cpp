#include "platform/imaging/ExivAccess.hpp"

#include <exiv2/exiv2.hpp>

namespace keepsift {

std::unique_lock<std::mutex> enterExiv2() {
    static std::mutex mutex;
    static std::once_flag once;
    std::unique_lock lock(mutex);
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize();
        Exiv2::enableBMFF(true);
    });
    return lock;
}

} // namespace keepsift

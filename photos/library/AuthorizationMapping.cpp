#include "photos/library/AuthorizationMapping.hpp"

#include "platform/library/PhotoLibraryPort.hpp"

namespace keepsift {

LibraryAuthorization authorizationFromRaw(int rawStatus) {
    switch (rawStatus) {
    case port_authorization::restricted:
        return LibraryAuthorization::restricted;
    case port_authorization::denied:
        return LibraryAuthorization::denied;
    case port_authorization::authorized:
        return LibraryAuthorization::authorized;
    case port_authorization::limited:
        return LibraryAuthorization::limited;
    default:
        return LibraryAuthorization::notDetermined;
    }
}

} // namespace keepsift

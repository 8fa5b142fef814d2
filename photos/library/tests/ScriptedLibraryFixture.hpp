#pragma once

#include <memory>

#include "photos/library/LivePhotoLibrary.hpp"
#include "photos/library/RejectsAlbum.hpp"
#include "platform/library/scripted/ScriptedPhotoLibraryPort.hpp"

namespace keepsift::testing {

inline PortAsset asset(const std::string& id, double created = 0) {
    PortAsset a;
    a.localIdentifier = id;
    a.filename = id + ".jpg";
    a.creationDate = Date{created};
    a.pixelWidth = 4032;
    a.pixelHeight = 3024;
    return a;
}

inline std::shared_ptr<ScriptedPhotoLibraryPort> portWithAssets(int count) {
    auto port = std::make_shared<ScriptedPhotoLibraryPort>();
    for (int i = 0; i < count; ++i)
        port->addAsset(asset("p" + std::to_string(i), i));
    return port;
}

inline std::string rejectsTitle() {
    return std::string(LivePhotoLibrary::rejectsAlbumTitle);
}

} // namespace keepsift::testing

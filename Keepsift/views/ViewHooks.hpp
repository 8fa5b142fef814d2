#pragma once

#include <memory>

#include "Keepsift/model/ImageSource.hpp"
#include "Keepsift/model/MainActor.hpp"
#include "platform/library/PhotoLibraryPort.hpp"

namespace keepsift::app {

// Plugs the review window into the shell's window presenter (the content made once per
// process). Call once at start-up, before the first window is shown.
void installViewHooks();

// The pictures the windows show. Interface-test mode: labelled colour tiles. Production: the
// folder library's photographs decoded on a few threads, kept in memory.
std::shared_ptr<ImageSource> makeSwatchImageSource(std::shared_ptr<MainActor> mainActor);
std::shared_ptr<ImageSource> makeLibraryImageSource(std::shared_ptr<PhotoLibraryPort> library,
                                                    std::shared_ptr<MainActor> mainActor);

} // namespace keepsift::app

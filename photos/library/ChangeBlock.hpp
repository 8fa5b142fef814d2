#pragma once

#include "platform/library/PhotoLibraryPort.hpp"

namespace keepsift {

// Runs one change block and waits for the service to carry it out. Throws ServiceError
// with the service's error when it fails.
void performChangesAndWait(PhotoLibraryPort& port, PortChangeBlock block);

} // namespace keepsift

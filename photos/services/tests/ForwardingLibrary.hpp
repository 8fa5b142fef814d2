#pragma once

#include "core/scripted/ForwardingLibrary.hpp"

namespace keepsift::testing {

using keepsift::ForwardingLibrary;

} // namespace keepsift::testing

#include "platform/analysis/OpenClSwitch.hpp"

#include <cstdlib>

namespace keepsift {

void switchOffOpenCl() {
    ::setenv("OPENCV_OPENCL_RUNTIME", "disabled", 0);
}

} // namespace keepsift

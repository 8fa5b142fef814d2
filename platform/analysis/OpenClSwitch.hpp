#pragma once

namespace keepsift {

// The measurements use no OpenCL. Without this, OpenCV loads whatever OpenCL driver the machine
// has into the process on first use. Call it first thing in main, before any thread starts;
// an OPENCV_OPENCL_RUNTIME the user set is kept.
void switchOffOpenCl();

} // namespace keepsift

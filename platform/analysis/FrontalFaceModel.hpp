#pragma once

#include <dlib/image_processing/frontal_face_detector.h>

namespace keepsift {

// dlib's frontal-face detector, read once a process from the copy the build decompressed:
// dlib decompresses its own at every call, about a second of CPU.
const dlib::frontal_face_detector& frontalFaceModel();

} // namespace keepsift

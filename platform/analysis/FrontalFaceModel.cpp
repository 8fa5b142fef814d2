#include "platform/analysis/FrontalFaceModel.hpp"

#include <istream>
#include <streambuf>

// The model as the build wrote it, between the two symbols.
asm(".pushsection .rodata\n"
    ".balign 16\n"
    "keepsift_frontal_faces_begin:\n"
    ".incbin \"" KEEPSIFT_FRONTAL_FACES "\"\n"
    "keepsift_frontal_faces_end:\n"
    ".popsection\n");
extern "C" const char keepsift_frontal_faces_begin[];
extern "C" const char keepsift_frontal_faces_end[];

namespace keepsift {
namespace {

struct BytesBuffer : std::streambuf {
    BytesBuffer(const char* begin, const char* end) {
        char* first = const_cast<char*>(begin); // read only: no put area is set
        setg(first, first, const_cast<char*>(end));
    }
};

dlib::frontal_face_detector read() {
    BytesBuffer buffer(keepsift_frontal_faces_begin, keepsift_frontal_faces_end);
    std::istream in(&buffer);
    dlib::frontal_face_detector model;
    try {
        dlib::deserialize(model, in);
        if (model.num_detectors() > 0) return model;
    } catch (const dlib::serialization_error&) {
    }
    return dlib::get_frontal_face_detector();
}

} // namespace

const dlib::frontal_face_detector& frontalFaceModel() {
    static const dlib::frontal_face_detector model = read();
    return model;
}

} // namespace keepsift

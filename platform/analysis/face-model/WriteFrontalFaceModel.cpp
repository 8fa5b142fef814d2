// Writes dlib's frontal-face detector decompressed, as dlib serializes it, for the build to
// carry in the binary.
#include <fstream>
#include <iostream>

#include <dlib/image_processing/frontal_face_detector.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: " << argv[0] << " OUTPUT\n";
        return 2;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    dlib::serialize(dlib::get_frontal_face_detector(), out);
    out.close();
    if (!out) {
        std::cerr << "cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}

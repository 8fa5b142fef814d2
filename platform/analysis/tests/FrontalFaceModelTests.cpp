#include <gtest/gtest.h>

#include <sstream>

#include "platform/analysis/FrontalFaceModel.hpp"

namespace keepsift {
namespace {

std::string serialized(const dlib::frontal_face_detector& model) {
    std::ostringstream out;
    dlib::serialize(model, out);
    return out.str();
}

// The copy the build carries is dlib's own model, every weight of it.
TEST(FrontalFaceModel, IsTheModelDlibShips) {
    const auto carried = serialized(frontalFaceModel());
    EXPECT_EQ(frontalFaceModel().num_detectors(), 5u);
    EXPECT_TRUE(carried == serialized(dlib::get_frontal_face_detector()));
    EXPECT_EQ(&frontalFaceModel(), &frontalFaceModel());
}

} // namespace
} // namespace keepsift

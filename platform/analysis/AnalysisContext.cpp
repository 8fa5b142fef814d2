#include "platform/analysis/AnalysisContext.hpp"

#include "platform/analysis/BlockFeaturePrinter.hpp"
#include "platform/analysis/HogFaceDetector.hpp"
#include "platform/analysis/OpenCvWarmUp.hpp"
#include "platform/analysis/RememberingFaceDetector.hpp"

namespace keepsift {
namespace {

std::shared_ptr<const HaarCascade> cascade(const std::string& directory, const char* name) {
    return std::make_shared<HaarCascade>(directory + "/" + name);
}

} // namespace

AnalysisContext::AnalysisContext(const AnalysisModelPaths& paths)
    : printer_(std::make_shared<BlockFeaturePrinter>()),
      landmarks_(LandmarkModel::fromFile(paths.shapePredictor)),
      aesthetics_(BrisqueAestheticsScorer::load(paths.brisqueModel, paths.brisqueRange)) {
    // Every measurement shares this context, so it exists before the first one starts.
    warmUpOpenCv();
    auto proposals = cascade(paths.haarDirectory, "haarcascade_frontalface_default.xml");
    rememberedFaces_ =
        std::make_shared<RememberingFaceDetector>(std::make_shared<HogFaceDetector>(proposals));
    faceDetector_ = rememberedFaces_;
    LandmarkExpressionDetector::Cascades cascades{
        cascade(paths.haarDirectory, "haarcascade_smile.xml"),
        cascade(paths.haarDirectory, "haarcascade_eye.xml")};
    expressions_ =
        std::make_shared<LandmarkExpressionDetector>(faceDetector_, cascades, landmarks_);
}

void AnalysisContext::forgetRemembered() const {
    rememberedFaces_->forget();
    landmarks_->forgetRemembered();
}

} // namespace keepsift

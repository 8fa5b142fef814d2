#pragma once

#include <memory>
#include <string>

#include "platform/analysis/AestheticsScorer.hpp"
#include "platform/analysis/ExpressionDetector.hpp"
#include "platform/analysis/FaceDetector.hpp"
#include "platform/analysis/FeaturePrinter.hpp"
#include "platform/analysis/LandmarkDetector.hpp"
#include "platform/analysis/LandmarkModel.hpp"
#include "platform/analysis/RememberingFaceDetector.hpp"

namespace keepsift {

// Where the models are read from; the defaults are Debian's install locations.
struct AnalysisModelPaths {
    std::string shapePredictor = ShapeLandmarkDetector::installedModel;
    std::string haarDirectory = "/usr/share/opencv4/haarcascades";
    std::string brisqueModel = BrisqueAestheticsScorer::installedModel;
    std::string brisqueRange = BrisqueAestheticsScorer::installedRange;
};

// Every model the analysis uses, loaded once and shared by all measurements; the landmark
// model only when a face first needs it. Missing optional models leave their part absent: no
// landmarks (and expressions from cascades alone), or no aesthetics score.
class AnalysisContext {
public:
    explicit AnalysisContext(const AnalysisModelPaths& paths = {});

    const FeaturePrinter& printer() const { return *printer_; }
    const FaceDetector& faceDetector() const { return *faceDetector_; }
    // Reads the landmark model on the first call.
    std::shared_ptr<const LandmarkDetector> landmarks() const { return landmarks_->detector(); }
    const LandmarkModel& landmarkModel() const { return *landmarks_; }
    const ExpressionDetector& expressionDetector() const { return *expressions_; }
    const AestheticsScorer* aesthetics() const { return aesthetics_.get(); }
    // Drops the faces and landmarks kept for images measured recently (benchmarks measure one
    // image again and again).
    void forgetRemembered() const;
    // Nothing is being measured: the landmark model is read again when a face next needs it.
    void releaseLandmarkModel() const { landmarks_->release(); }

private:
    std::shared_ptr<const FeaturePrinter> printer_;
    std::shared_ptr<const LandmarkModel> landmarks_;
    std::shared_ptr<const RememberingFaceDetector> rememberedFaces_;
    std::shared_ptr<const FaceDetector> faceDetector_;
    std::shared_ptr<const ExpressionDetector> expressions_;
    std::shared_ptr<const AestheticsScorer> aesthetics_;
};

} // namespace keepsift

#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include <opencv2/core.hpp>

namespace cv::quality {
class QualityBRISQUE;
}

namespace keepsift {

// How pleasing a picture looks, from -1 to 1.
class AestheticsScorer {
public:
    virtual ~AestheticsScorer() = default;
    // Absent when the picture cannot be scored.
    virtual std::optional<float> score(const cv::Mat& uprightBgr) const = 0;
};

// BRISQUE, a no-reference quality model (0 best, about 100 worst), measured on a small grey
// copy and mapped linearly so that 0 gives 1, 50 gives 0 and 100 gives -1.
class BrisqueAestheticsScorer final : public AestheticsScorer {
public:
    static constexpr int measuredLongEdge = 320;
    static constexpr const char* installedModel =
        "/usr/share/opencv4/quality/brisque_model_live.yml";
    static constexpr const char* installedRange =
        "/usr/share/opencv4/quality/brisque_range_live.yml";

    // Null when the model files cannot be read.
    static std::unique_ptr<BrisqueAestheticsScorer> load(const std::string& model,
                                                         const std::string& range);
    ~BrisqueAestheticsScorer() override;
    std::optional<float> score(const cv::Mat& uprightBgr) const override;

    static float fromBrisque(double brisque);

private:
    explicit BrisqueAestheticsScorer(cv::Ptr<cv::quality::QualityBRISQUE> model);
    // The model keeps its last result inside, so one measurement runs at a time.
    mutable std::mutex mutex_;
    cv::Ptr<cv::quality::QualityBRISQUE> model_;
};

} // namespace keepsift

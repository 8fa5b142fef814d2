#include <algorithm>
#include <cmath>
#include <filesystem>

#include <opencv2/imgproc.hpp>
#include <opencv2/quality/qualitybrisque.hpp>

#include "platform/analysis/AestheticsScorer.hpp"
#include "platform/imaging/ImageSource.hpp"

namespace keepsift {

std::unique_ptr<BrisqueAestheticsScorer> BrisqueAestheticsScorer::load(const std::string& model,
                                                                       const std::string& range) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(model, error) ||
        !std::filesystem::is_regular_file(range, error))
        return nullptr;
    try {
        auto brisque = cv::quality::QualityBRISQUE::create(model, range);
        if (!brisque) return nullptr;
        return std::unique_ptr<BrisqueAestheticsScorer>(new BrisqueAestheticsScorer(brisque));
    } catch (const cv::Exception&) {
        return nullptr;
    }
}

BrisqueAestheticsScorer::BrisqueAestheticsScorer(cv::Ptr<cv::quality::QualityBRISQUE> model)
    : model_(std::move(model)) {}

BrisqueAestheticsScorer::~BrisqueAestheticsScorer() = default;

float BrisqueAestheticsScorer::fromBrisque(double brisque) {
    return static_cast<float>(std::clamp((50.0 - brisque) / 50.0, -1.0, 1.0));
}

std::optional<float> BrisqueAestheticsScorer::score(const cv::Mat& uprightBgr) const {
    if (uprightBgr.empty() || uprightBgr.type() != CV_8UC3) return std::nullopt;
    cv::Mat grey;
    cv::cvtColor(fitWithin(uprightBgr, measuredLongEdge), grey, cv::COLOR_BGR2GRAY);
    if (grey.cols < 16 || grey.rows < 16) return std::nullopt;
    try {
        std::lock_guard lock(mutex_);
        double brisque = model_->compute(grey)[0];
        if (!std::isfinite(brisque)) return std::nullopt;
        return fromBrisque(brisque);
    } catch (const cv::Exception&) {
        return std::nullopt;
    }
}

} // namespace keepsift

#pragma once

#include <memory>

#include <opencv2/imgcodecs.hpp>

#include "platform/analysis/AnalysisContext.hpp"
#include "platform/analysis/tests/SampleImages.hpp"

namespace keepsift::testing {

// Loading the landmark model takes a while; the tests share one context.
inline const AnalysisContext& installedModels() {
    static AnalysisContext context;
    return context;
}

// The astronaut portrait, or an empty picture when it cannot be fetched.
inline cv::Mat portrait() {
    static cv::Mat image = [] {
        auto path = samples::astronaut();
        return path ? cv::imread(path->string()) : cv::Mat();
    }();
    return image;
}

} // namespace keepsift::testing

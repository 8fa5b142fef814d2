#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/analysis/LandmarkDetector.hpp"
#include "platform/analysis/RememberingLandmarkDetector.hpp"

namespace keepsift {

// The 68-point model is the largest the analysis holds (about 70 MB in memory), and a library
// already measured never needs it: it is read the first time a face needs landmarks, and let
// go of when the measuring is done. A model that cannot be read stays absent until then, as
// it would have had it been read at start.
class LandmarkModel {
public:
    using Loader = std::function<std::shared_ptr<const LandmarkDetector>()>;

    explicit LandmarkModel(Loader load);
    // dlib's model from the file.
    static std::shared_ptr<const LandmarkModel> fromFile(std::string path);

    // Null when the model cannot be read. Threads asking at once wait for one reading.
    std::shared_ptr<const LandmarkDetector> detector() const;
    bool isRead() const;
    // The next face reads the model again; a measurement still holding it keeps it until done.
    void release() const;
    // Drops the landmarks kept for images measured recently; reads nothing.
    void forgetRemembered() const;

private:
    Loader load_;
    mutable std::mutex mutex_;
    mutable bool read_ = false;
    mutable std::shared_ptr<const RememberingLandmarkDetector> detector_;
};

} // namespace keepsift

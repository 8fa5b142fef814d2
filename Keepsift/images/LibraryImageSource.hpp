#pragma once

#include <cstddef>
#include <functional>
#include <memory>

#include "Keepsift/images/ImageCache.hpp"
#include "Keepsift/images/WorkerPool.hpp"
#include "Keepsift/model/ImageSource.hpp"
#include "platform/library/PhotoLibraryPort.hpp"

namespace keepsift::app {

// Runs a closure on the main actor, later.
using PostToMain = std::function<void(std::function<void()>)>;

// The photo library's pictures for the windows: a resident original decoded at the size asked
// for (reduced-size decoding where the format has it), else the library's reduced rendition
// (the desktop's thumbnail cache, then Keepsift's own). Work runs on a few threads; answers
// reach the main actor through `post`, from memory when the same size was made before.
class LibraryImageSource : public ImageSource {
public:
    struct Options {
        // 0: one fewer than the CPUs the process may use, at most 3, at least 1, so the GUI
        // thread keeps a CPU while pictures are decoded.
        int threads = 0;
        std::size_t cacheBytes = 160u << 20;
    };

    LibraryImageSource(std::shared_ptr<PhotoLibraryPort> library, PostToMain post);
    LibraryImageSource(std::shared_ptr<PhotoLibraryPort> library, PostToMain post, Options options);
    ~LibraryImageSource() override;

    void thumbnail(const std::string& identifier, PixelSize size, ImageHandler done) override;
    void image(const std::string& identifier, PixelSize size, ImageHandler done) override;

    // The picture for one request, on the calling thread; null when there is none.
    std::shared_ptr<const Image> load(const std::string& identifier, int target);
    const ImageCache& cache() const { return cache_; }

private:
    void request(const std::string& identifier, PixelSize size, ImageHandler done);
    std::shared_ptr<const Image> fromOriginal(const PortAsset& asset, int target);
    std::shared_ptr<const Image> fromRendition(const PortAsset& asset, int target);

    std::shared_ptr<PhotoLibraryPort> library_;
    PostToMain post_;
    ImageCache cache_;
    // Last, so its threads stop before the rest goes.
    WorkerPool pool_;
};

} // namespace keepsift::app

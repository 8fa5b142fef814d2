#include "photos/library/ChangeObserver.hpp"
#include "photos/library/LivePhotoLibrary.hpp"

namespace keepsift {
namespace {

// The consumer's handle: when its last copy goes the consumer has stopped reading, which
// ends the stream just as cancelling it does.
LibraryChangeStream consumerHandle(const LibraryChangeStream& stream) {
    return LibraryChangeStream(stream.get(), [stream](auto*) { stream->cancel(); });
}

} // namespace

LibraryChangeStream LivePhotoLibrary::changes() {
    auto stream = Channel<LibraryChange>::make();
    auto observer = std::make_shared<ChangeObserver>(port_, stream);
    port_->registerChangeObserver(observer);
    {
        std::lock_guard lock(mutex_);
        observer_ = observer;
    }
    stream->onTermination([port = port_, observer] { port->unregisterChangeObserver(observer); });
    return consumerHandle(stream);
}

} // namespace keepsift

#include <gtest/gtest.h>

#include <deque>

#include "Keepsift/views/SwatchImageSource.hpp"
#include "Keepsift/views/ThumbnailButton.hpp"
#include "Keepsift/views/ThumbnailRequests.hpp"
#include "WidgetSupport.hpp"

namespace keepsift::app {
namespace {

using namespace widgettest;

TEST(SwatchImageSource, HueLabelAndSizeFollowTheIdentifier) {
    EXPECT_EQ(SwatchImageSource::hueDegrees("abc"), 291);
    EXPECT_EQ(SwatchImageSource::hueDegrees(""), 77);
    EXPECT_EQ(SwatchImageSource::label("scenario-IMG_1.jpeg"), "IMG_1.jpeg");
    EXPECT_EQ(SwatchImageSource::label("a-scenario-b-scenario-"), "a-b-");
    auto swatch = SwatchImageSource::swatch("scenario-IMG_1.jpeg", {48, 32});
    ASSERT_NE(swatch, nullptr);
    EXPECT_EQ(swatch->width, 48);
    EXPECT_EQ(swatch->height, 32);
    EXPECT_EQ(swatch->rgba.size(), 48u * 32u * 4u);
    EXPECT_EQ(SwatchImageSource::swatch("x", {0, 10}), nullptr);
}

TEST(SwatchImageSource, AnswersLaterOnTheMainActor) {
    SwatchImageSource source(std::make_shared<GuiMainActor>());
    std::shared_ptr<const Image> answer;
    source.thumbnail("abc", {16, 16}, [&](auto image) { answer = image; });
    EXPECT_EQ(answer, nullptr) << "never inside the call";
    settle();
    ASSERT_NE(answer, nullptr);
}

// A source that keeps every request until the test answers it.
class HeldSource : public ImageSource {
public:
    void thumbnail(const std::string& id, PixelSize, ImageHandler done) override {
        held.push_back({id, std::move(done)});
    }
    void image(const std::string& id, PixelSize size, ImageHandler done) override {
        thumbnail(id, size, std::move(done));
    }
    void answerOldest() {
        auto request = std::move(held.front());
        held.pop_front();
        request.second(std::make_shared<Image>());
    }
    std::deque<std::pair<std::string, ImageHandler>> held;
};

TEST(ThumbnailRequests, AFewAtATimeNewestFirstAndNothingForViewsThatWent) {
    auto source = std::make_shared<HeldSource>();
    auto requests = ThumbnailRequests::make(source, 2);
    auto keep = std::make_shared<const int>(0);
    auto gone = std::make_shared<const int>(0);
    std::vector<std::string> answered;
    auto note = [&](std::string id) { return [&answered, id](auto) { answered.push_back(id); }; };
    requests->thumbnail("a", {256, 256}, keep, note("a"));
    requests->thumbnail("b", {256, 256}, keep, note("b"));
    requests->thumbnail("scrolled-away", {256, 256}, gone, note("scrolled-away"));
    requests->thumbnail("c", {256, 256}, keep, note("c"));
    EXPECT_EQ(source->held.size(), 2u);
    EXPECT_EQ(requests->pending(), 2u);
    gone.reset();
    source->answerOldest();
    ASSERT_EQ(source->held.size(), 2u);
    EXPECT_EQ(source->held.back().first, "c") << "the newest waiting request goes next";
    source->answerOldest();
    source->answerOldest();
    EXPECT_TRUE(source->held.empty()) << "the request of a view that went is never made";
    EXPECT_EQ(answered, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(requests->inFlight(), 0);
}

// A source that notes which kind of picture was asked for and keeps it until answered.
class KindsSource : public ImageSource {
public:
    struct Request {
        bool full = false;
        PixelSize size;
        ImageHandler done;
    };
    void thumbnail(const std::string&, PixelSize size, ImageHandler done) override {
        held.push_back({false, size, std::move(done)});
    }
    void image(const std::string&, PixelSize size, ImageHandler done) override {
        held.push_back({true, size, std::move(done)});
    }
    void answerOldest(int side) {
        auto request = std::move(held.front());
        held.pop_front();
        auto picture = std::make_shared<Image>();
        picture->width = picture->height = side;
        picture->rgba.assign(static_cast<std::size_t>(side * side * 4), 128);
        request.done(picture);
        settle();
    }
    std::deque<Request> held;
};

// The comparison shows the quick 512-pixel preview first and only then asks for the full
// picture, so the two never compete for the same file at once.
// A fitted picture of the given size, shown.
std::unique_ptr<ThumbnailButton> shownFitted(std::shared_ptr<KindsSource> source, int w, int h) {
    auto picture = std::make_unique<ThumbnailButton>(ThumbnailRequests::make(std::move(source)),
                                                     ThumbnailButton::Look{.fits = true}, nullptr);
    picture->resize(w, h);
    picture->setPhoto("photo");
    picture->show();
    settle();
    return picture;
}

TEST(FittedThumbnail, AsksForThePreviewFirstAndTheFullPictureAfterIt) {
    auto source = std::make_shared<KindsSource>();
    auto picture = shownFitted(source, 900, 600);
    ASSERT_EQ(source->held.size(), 1u) << "nothing but the preview yet";
    EXPECT_FALSE(source->held.front().full);
    EXPECT_EQ(source->held.front().size, (PixelSize{512, 512}));
    source->answerOldest(512);
    EXPECT_EQ(picture->state().loadedFor(), 0) << "a preview is no full load";
    ASSERT_NE(picture->state().image(), nullptr);
    ASSERT_EQ(source->held.size(), 1u);
    const int p = picture->wantedPixels();
    EXPECT_TRUE(source->held.front().full);
    EXPECT_EQ(source->held.front().size, (PixelSize{p, p}));
    source->answerOldest(p);
    EXPECT_EQ(picture->state().loadedFor(), p);
    EXPECT_TRUE(source->held.empty());
}

TEST(FittedThumbnail, APreviewThatNeverComesStillLeadsToTheFullPicture) {
    auto source = std::make_shared<KindsSource>();
    auto picture = shownFitted(source, 400, 300);
    ASSERT_EQ(source->held.size(), 1u);
    auto preview = std::move(source->held.front());
    source->held.pop_front();
    preview.done(nullptr);
    settle();
    ASSERT_EQ(source->held.size(), 1u);
    EXPECT_TRUE(source->held.front().full);
}

} // namespace
} // namespace keepsift::app

#include <gtest/gtest.h>

#include "core/model/LibraryAsset.hpp"
#include "core/model/LibraryChange.hpp"
#include "core/model/LibraryError.hpp"
#include "core/model/PhotoSignals.hpp"

using namespace keepsift;

namespace {

LibraryAsset sampleAsset() {
    return LibraryAsset{"A/IMG_0001.JPG", "IMG_0001.JPG", Date{7e8}, Date{7.1e8}, 4032, 3024,
                        2'500'000,        true,           false,     true,        false};
}

PhotoSignals sampleSignals() {
    PhotoSignals s;
    s.digest = "A/IMG_0001.JPG";
    s.filename = "IMG_0001.JPG";
    s.capturedAt = Date{7e8};
    s.pixelWidth = 4032;
    s.pixelHeight = 3024;
    s.fileSize = 2'500'000;
    s.setFeaturePrint(std::vector<float>{0.25f, -0.5f, 0.125f});
    s.featurePrintRevision = std::string(PhotoSignals::printRevision);
    FaceSignals face;
    face.bounds = {0.1, 0.2, 0.3, 0.4};
    face.hasSmile = true;
    face.leftEyeClosed = false;
    face.captureQuality = 0.58f;
    face.yawDegrees = -12.5f;
    s.faces = {face, FaceSignals{}};
    s.aestheticsScore = -0.3f;
    s.sharpness = 0.020158f;
    s.hasCameraMetadata = true;
    s.isEdited = true;
    return s;
}

} // namespace

TEST(LibraryAssetJson, RoundTripsInBothDateForms) {
    for (auto form : {DateForm::iso8601, DateForm::secondsSince2001}) {
        const auto asset = sampleAsset();
        const auto text = asset.toJson(form).dump();
        EXPECT_EQ(LibraryAsset::fromJson(Json::parse(text), form), asset) << text;
    }
    EXPECT_EQ(sampleAsset().toJson(DateForm::iso8601).dump(),
              R"({"id":"A\/IMG_0001.JPG","filename":"IMG_0001.JPG",)"
              R"("createdAt":"2023-03-08T20:26:40Z","modifiedAt":"2023-07-02T14:13:20Z",)"
              R"("pixelWidth":4032,"pixelHeight":3024,"fileSize":2500000,"isFavourite":true,)"
              R"("isEdited":false,"isInUserAlbum":true,"isRejected":false})");
}

TEST(LibraryAssetJson, AbsentDatesAreLeftOutAndNullReadsAsAbsent) {
    auto asset = sampleAsset();
    asset.createdAt.reset();
    asset.modifiedAt.reset();
    const auto text = asset.toJson(DateForm::iso8601).dump();
    EXPECT_EQ(text.find("createdAt"), std::string::npos);
    EXPECT_EQ(LibraryAsset::fromJson(Json::parse(text), DateForm::iso8601), asset);
    auto json = sampleAsset().toJson(DateForm::iso8601);
    json.set("createdAt", Json());
    EXPECT_FALSE(LibraryAsset::fromJson(json, DateForm::iso8601).createdAt);
}

TEST(LibraryAssetJson, MissingOrMistypedRequiredKeysFail) {
    for (const char* key : {"id", "filename", "pixelWidth", "pixelHeight", "fileSize",
                            "isFavourite", "isEdited", "isInUserAlbum", "isRejected"}) {
        Json json = Json::object();
        const Json full = sampleAsset().toJson(DateForm::iso8601);
        for (const auto& member : full.asObject())
            if (member.key != key) json.set(member.key, member.value);
        EXPECT_THROW(LibraryAsset::fromJson(json, DateForm::iso8601), JsonError) << key;
    }
    auto json = sampleAsset().toJson(DateForm::iso8601);
    json.set("pixelWidth", Json::number(1.5));
    EXPECT_THROW(LibraryAsset::fromJson(json, DateForm::iso8601), JsonError);
    json = sampleAsset().toJson(DateForm::iso8601);
    json.set("createdAt", Json("yesterday"));
    EXPECT_THROW(LibraryAsset::fromJson(json, DateForm::iso8601), JsonError);
}

TEST(LibraryAssetContent, OnlyContentFieldsCount) {
    const auto base = sampleAsset();
    auto other = base;
    other.createdAt = Date{1};
    other.fileSize = 1;
    other.filename = "x";
    other.isFavourite = !base.isFavourite;
    other.isInUserAlbum = !base.isInUserAlbum;
    other.isRejected = !base.isRejected;
    EXPECT_FALSE(other.contentChanged(base));
    other = base;
    other.modifiedAt.reset();
    EXPECT_TRUE(base.contentChanged(other));
    other = base;
    other.pixelHeight += 1;
    EXPECT_TRUE(other.contentChanged(base));
    other = base;
    other.isEdited = true;
    EXPECT_TRUE(other.contentChanged(base));
}

TEST(LibraryAssetContent, FractionalModificationTimesSurviveAWholeSecondReload) {
    auto listed = sampleAsset();
    listed.modifiedAt = Date{7.1e8 + 0.75};
    const auto reloaded =
        LibraryAsset::fromJson(listed.toJson(DateForm::iso8601), DateForm::iso8601);
    EXPECT_FALSE(listed.contentChanged(reloaded));
    listed.modifiedAt = Date{7.1e8 + 1.0};
    EXPECT_TRUE(listed.contentChanged(reloaded));
}

TEST(LibraryAssetReference, CarriesIdentityAndUserFlags) {
    const auto ref = sampleAsset().reference();
    EXPECT_EQ(ref,
              (AssetReference{"A/IMG_0001.JPG", "IMG_0001.JPG", std::nullopt, true, false, true}));
}

TEST(PhotoSignalsJson, RoundTripsInBothDateForms) {
    for (auto form : {DateForm::iso8601, DateForm::secondsSince2001}) {
        auto s = sampleSignals();
        EXPECT_EQ(PhotoSignals::fromJson(Json::parse(s.toJson(form).dump()), form), s);
        s.capturedAt.reset();
        s.printLongEdge = 512;
        EXPECT_EQ(PhotoSignals::fromJson(Json::parse(s.toJson(form).dump()), form), s);
    }
}

TEST(PhotoSignalsJson, WritesTheStoredKeysAndFloatDigits) {
    const auto text = sampleSignals().toJson(DateForm::iso8601).dump();
    EXPECT_NE(text.find(R"("featurePrint":"ACAAwAAQ")"), std::string::npos) << text;
    EXPECT_NE(text.find(R"("captureQuality":0.58)"), std::string::npos);
    EXPECT_NE(text.find(R"("sharpness":0.020158)"), std::string::npos);
    EXPECT_EQ(text.find("printLongEdge"), std::string::npos);
    EXPECT_EQ(text.find("storedPrint"), std::string::npos);
    EXPECT_EQ(text.find("null"), std::string::npos);
}

TEST(PhotoSignalsJson, RequiredKeysFailTheRecordAndNullOptionalsReadAbsent) {
    const auto full = sampleSignals().toJson(DateForm::iso8601);
    for (const auto& member : full.asObject()) {
        if (member.key == "capturedAt") continue;
        Json json = Json::object();
        for (const auto& m : full.asObject())
            if (m.key != member.key) json.set(m.key, m.value);
        EXPECT_THROW(PhotoSignals::fromJson(json, DateForm::iso8601), JsonError) << member.key;
    }
    Json json = full;
    json.set("capturedAt", Json()).set("printLongEdge", Json());
    const auto read = PhotoSignals::fromJson(json, DateForm::iso8601);
    EXPECT_FALSE(read.capturedAt);
    EXPECT_FALSE(read.printLongEdge);
    json = full;
    json.set("faces", Json::array({Json::object()}));
    EXPECT_THROW(PhotoSignals::fromJson(json, DateForm::iso8601), JsonError);
}

TEST(PhotoSignalsMeasures, FacesPixelsAndMarks) {
    auto s = sampleSignals();
    EXPECT_DOUBLE_EQ(s.largestFaceArea(), 0.3 * 0.4);
    EXPECT_EQ(s.faceCount(0.3 * 0.4), 1);
    EXPECT_EQ(s.faceCount(0.0), 2);
    EXPECT_EQ(s.pixelCount(), 4032 * 3024);
    s.pixelWidth = s.pixelHeight = std::int64_t{1} << 40;
    EXPECT_EQ(s.pixelCount(), std::numeric_limits<std::int64_t>::max());
    EXPECT_FALSE(s.isMarkedByUser());
    s.isInUserAlbum = true;
    EXPECT_TRUE(s.isMarkedByUser());
    EXPECT_FALSE(PhotoSignals{}.largestFaceArea());
}

// A photograph measured again under another name, with other flags, and with the fractions of
// a second the index does not keep: the same measurement. Any measured value apart: another.
TEST(PhotoSignalsMeasures, TheSameMeasurementWhateverTheNameFlagsAndUnkeptFractions) {
    const auto stored =
        PhotoSignals::fromJson(sampleSignals().toJson(DateForm::iso8601), DateForm::iso8601);
    auto again = sampleSignals();
    again.digest = "B/renamed.jpg";
    again.filename = "renamed.jpg";
    again.isEdited = false;
    again.isFavourite = again.isInUserAlbum = true;
    again.capturedAt = Date{7e8 + 0.25};
    EXPECT_TRUE(again.measuresAs(stored));
    auto sharper = again;
    sharper.sharpness += 0.001f;
    EXPECT_FALSE(sharper.measuresAs(stored));
    auto otherPrint = again;
    otherPrint.setFeaturePrint(std::vector<float>{0.25f, -0.5f, 0.25f});
    EXPECT_FALSE(otherPrint.measuresAs(stored));
    auto otherSize = again;
    otherSize.fileSize += 1;
    EXPECT_FALSE(otherSize.measuresAs(stored));
}

// Given another capture date, as a metadata tool writes it: the same picture, another
// measurement.
TEST(PhotoSignalsMeasures, AnotherCaptureDateShowsTheSamePicture) {
    const auto stored = sampleSignals();
    auto redated = stored;
    redated.capturedAt = Date{7e8 - 365 * 86400.0};
    EXPECT_FALSE(redated.measuresAs(stored));
    EXPECT_TRUE(redated.showsSamePicture(stored));
    auto sharper = redated;
    sharper.sharpness += 0.001f;
    EXPECT_FALSE(sharper.showsSamePicture(stored));
}

TEST(PhotoSignalsOrder, CaptureOrderFallsBackToFileName) {
    auto a = sampleSignals(), b = sampleSignals();
    a.filename = "b.jpg";
    b.filename = "a.jpg";
    b.capturedAt = Date{7e8 + 1};
    EXPECT_TRUE(PhotoSignals::captureOrder(a, b));
    b.capturedAt = a.capturedAt;
    EXPECT_TRUE(PhotoSignals::captureOrder(b, a));
    b.capturedAt.reset();
    EXPECT_TRUE(PhotoSignals::captureOrder(b, a));
}

TEST(FaceMeasures, BoundsAndEyes) {
    EXPECT_EQ((NormalisedBounds{0.4, 0.4, 0.2, 0.2}.centreOffset()), 0.0);
    EXPECT_EQ((NormalisedBounds{0.9, 0.9, 0.2, 0.2}.centreOffset()), 1.0);
    EXPECT_EQ((NormalisedBounds{1.5, 1.5, 0.2, 0.2}.centreOffset()), 1.0);
    FaceSignals face;
    face.leftEyeClosed = false;
    EXPECT_FALSE(face.eyesOpen());
    face.rightEyeClosed = false;
    EXPECT_EQ(face.eyesOpen(), true);
    face.rightEyeClosed = true;
    EXPECT_EQ(face.eyesOpen(), false);
}

TEST(LibraryChanges, CompareCaseAndPayloadInOrder) {
    const LibraryChange a = change::RejectsAlbumChanged{{"1", "2"}, {}};
    const LibraryChange b = change::RejectsAlbumChanged{{"2", "1"}, {}};
    EXPECT_NE(a, b);
    EXPECT_EQ(a, (LibraryChange{change::RejectsAlbumChanged{{"1", "2"}, {}}}));
    EXPECT_NE(LibraryChange{change::AssetsAdded{}}, LibraryChange{change::AssetsChanged{}});
    EXPECT_EQ(LibraryChange{change::NeedsRefresh{}}, LibraryChange{change::NeedsRefresh{}});
}

TEST(LibraryErrors, CarryTheirPayload) {
    EXPECT_EQ(LibraryError::albumWriteIncomplete(3), LibraryError::albumWriteIncomplete(3));
    EXPECT_FALSE(LibraryError::albumWriteIncomplete(3) == LibraryError::albumWriteIncomplete(2));
    EXPECT_FALSE(LibraryError::notAuthorised() == LibraryError::albumWriteIncomplete(0));
    EXPECT_EQ(LibraryError::albumWriteIncomplete(-1).missing(), -1);
}

#include "core/scenarios/Scenario.hpp"

namespace keepsift {
namespace {

using Face = Scenario::SeededFace;
using Photo = Scenario::SeededPhoto;
using Definition = Scenario::Definition;

constexpr std::int64_t fullWidth = 4032;
constexpr std::int64_t fullHeight = 3024;

// Every catalogue face is measured: smile, eyes, quality and yaw are all known.
Face face(double size, double x, double y, bool smiling, bool eyesOpen, float quality, float yaw) {
    return {size, x, y, smiling, eyesOpen, quality, yaw};
}

struct Look {
    float aesthetics = 0.2f;
    float sharpness = 1.0f;
    std::int64_t width = fullWidth;
    std::int64_t height = fullHeight;
    bool camera = true;
    bool favourite = false;
};

Photo photo(std::string name, std::string moment, double variation, double secondsIn,
            std::vector<Face> faces, Look look = {}) {
    Photo p;
    p.name = std::move(name);
    p.moment = std::move(moment);
    p.variation = variation;
    p.secondsIn = secondsIn;
    p.faces = std::move(faces);
    p.aesthetics = look.aesthetics;
    p.sharpness = look.sharpness;
    p.pixelWidth = look.width;
    p.pixelHeight = look.height;
    p.hasCameraMetadata = look.camera;
    p.isFavourite = look.favourite;
    return p;
}

WorkConditions standardConditions() {
    WorkConditions conditions;
    conditions.power = WorkConditions::Power::mains;
    conditions.isLowPowerMode = false;
    conditions.isTooHot = false;
    conditions.scanningEnabled = true;
    conditions.isPaused = false;
    conditions.mainsOnly = true;
    conditions.canReadLibrary = true;
    return conditions;
}

Definition define(std::string name, std::string summary, std::vector<Photo> photos,
                  LibraryAuthorization authorization = LibraryAuthorization::authorized,
                  WorkConditions conditions = standardConditions()) {
    return {std::move(name), std::move(summary), std::move(photos),
            conditions,      authorization,      "en"};
}

std::vector<Photo> familyBurst() {
    return {
        photo("IMG_3377.jpeg", "kitchen-table", 0, 0,
              {face(0.22, 0.36, 0.55, true, false, 0.42f, 5),
               face(0.22, 0.62, 0.55, true, true, 0.58f, 5)}),
        photo("IMG_3379.jpeg", "kitchen-table", 0.22, 66,
              {face(0.22, 0.38, 0.55, true, true, 0.71f, 5),
               face(0.22, 0.6, 0.55, true, true, 0.68f, 5)},
              {.aesthetics = 0.35f}),
        photo("IMG_3380.jpeg", "kitchen-table", 0.41, 67,
              {face(0.22, 0.37, 0.55, false, true, 0.33f, 5),
               face(0.22, 0.61, 0.55, false, true, 0.4f, 5)}),
    };
}

std::vector<Photo> oneLooksAway() {
    return {
        photo("IMG_3372.jpeg", "playground", 0, 0,
              {face(0.22, 0.4, 0.55, true, true, 0.6f, 4),
               face(0.22, 0.62, 0.55, true, true, 0.3f, 58)}),
        photo("IMG_3375.jpeg", "playground", 0.28, 20,
              {face(0.22, 0.4, 0.55, true, true, 0.6f, 4),
               face(0.22, 0.62, 0.55, true, true, 0.7f, 6)}),
    };
}

std::vector<Photo> differentCompositions() {
    return {
        photo("IMG_3270.jpeg", "picnic", 0, 0,
              {face(0.18, 0.3, 0.55, true, true, 0.6f, 5),
               face(0.16, 0.64, 0.55, true, true, 0.6f, 5)}),
        photo("IMG_3274.jpeg", "picnic", 0.16, 8,
              {face(0.18, 0.29, 0.55, true, true, 0.6f, 5),
               face(0.17, 0.5, 0.55, true, true, 0.6f, 5)},
              {.aesthetics = 0.4f}),
        photo("IMG_3277.jpeg", "picnic", 0.3, 15, {face(0.26, 0.38, 0.55, true, true, 0.6f, 5)}),
        photo("IMG_3280.jpeg", "picnic", 0.44, 28,
              {face(0.17, 0.32, 0.55, true, true, 0.6f, 5),
               face(0.16, 0.58, 0.55, true, true, 0.6f, 5),
               face(0.14, 0.81, 0.55, true, true, 0.6f, 5)}),
        photo("IMG_3281.jpeg", "picnic", 0.6, 33,
              {face(0.16, 0.35, 0.55, true, true, 0.6f, 5),
               face(0.15, 0.61, 0.55, true, true, 0.6f, 5),
               face(0.13, 0.71, 0.55, true, true, 0.6f, 5)},
              {.aesthetics = 0.5f}),
    };
}

std::vector<Photo> identicalCopies() {
    const auto harbourFace = face(0.22, 0.5, 0.55, true, true, 0.6f, 5);
    return {
        photo("IMG_0227.jpeg", "harbour", 0, 0, {harbourFace}),
        photo("IMG_0227 copy.jpeg", "harbour", 0.01, 900, {harbourFace},
              {.width = 2016, .height = 1512}),
    };
}

std::vector<Photo> messengerCopy() {
    return {
        photo("IMG_0227.jpeg", "harbour", 0, 0, {face(0.22, 0.5, 0.55, false, true, 0.5f, 5)}),
        photo("IMG_0228.jpeg", "harbour", 0.3, 1, {face(0.22, 0.5, 0.55, true, true, 0.7f, 5)},
              {.aesthetics = 0.4f}),
        photo("Threema_2026-08-16_14-13-18.jpeg", "harbour", 0.02, 25200,
              {face(0.22, 0.5, 0.55, true, true, 0.9f, 5)},
              {.aesthetics = 0.6f, .width = 1200, .height = 1600, .camera = false}),
    };
}

std::vector<Photo> favouriteNeverFlagged() {
    return {
        photo("IMG_3247.jpeg", "birthday", 0, 0, {face(0.22, 0.5, 0.55, false, false, 0.2f, 5)},
              {.favourite = true}),
        photo("IMG_3248.jpeg", "birthday", 0.3, 6, {face(0.22, 0.5, 0.55, true, true, 0.8f, 5)},
              {.aesthetics = 0.5f}),
    };
}

std::vector<Photo> noFaces() {
    return {
        photo("IMG_1180.jpeg", "lake", 0, 0, {}, {.aesthetics = 0.1f, .sharpness = 0.52f}),
        photo("IMG_1181.jpeg", "lake", 0.33, 11, {}, {.aesthetics = 0.6f}),
    };
}

std::vector<Photo> tooCloseToCall() {
    const auto beachFace = face(0.22, 0.5, 0.55, true, true, 0.66f, 5);
    return {
        photo("IMG_3322.jpeg", "beach", 0, 0, {beachFace}),
        photo("IMG_3323.jpeg", "beach", 0.26, 29, {beachFace}),
    };
}

std::vector<Photo> nothingToReview() {
    return {photo("IMG_3277.jpeg", "alone", 0, 0, {face(0.22, 0.5, 0.55, true, true, 0.6f, 5)})};
}

WorkConditions conditionsWith(void (*change)(WorkConditions&)) {
    WorkConditions conditions = standardConditions();
    change(conditions);
    return conditions;
}

std::vector<Definition> makeCatalogue() {
    using enum LibraryAuthorization;
    return {
        define("family-burst",
               "Three shots of one moment: eyes shut, everyone smiling, an unhappy face.",
               familyBurst()),
        define("one-looks-away",
               "A head turned away: it loses on capture quality, and the row says why in the "
               "words a person would use.",
               oneLooksAway()),
        define("different-compositions",
               "One afternoon, thirty seconds apart, three different sets of people — three "
               "groups.",
               differentCompositions()),
        define("identical-copies",
               "One picture imported twice: the earlier original is kept, the copy flagged.",
               identicalCopies()),
        define("messenger-copy",
               "A photograph, a second attempt at it, and a compressed copy that came back over "
               "a messenger.",
               messengerCopy()),
        define("favourite-never-flagged",
               "A Favourite loses on every measure and is kept regardless.",
               favouriteNeverFlagged()),
        define("no-faces",
               "Two landscapes: no face term at all, so composition and sharpness decide.",
               noFaces()),
        define("too-close-to-call",
               "Two equally good shots: both kept, and nothing is left undecided.",
               tooCloseToCall()),
        define("nothing-to-review",
               "A photograph with no similar shot: kept, and the app has nothing to ask.",
               nothingToReview()),
        define("on-battery", "Analysis waits for mains power rather than being dropped.",
               familyBurst(), authorized,
               conditionsWith([](WorkConditions& c) { c.power = WorkConditions::Power::battery; })),
        define("low-power", "The power-saver profile stops the queue even on mains, and says so.",
               familyBurst(), authorized,
               conditionsWith([](WorkConditions& c) { c.isLowPowerMode = true; })),
        define("paused", "The user pressed Pause. Photographs wait; not one is flagged.",
               familyBurst(), authorized,
               conditionsWith([](WorkConditions& c) { c.isPaused = true; })),
        define("permission-not-asked",
               "The system has not been asked yet: no work, and — deliberately — no warning.",
               familyBurst(), notDetermined),
        define("permission-denied",
               "Access refused: nothing is read, and the only useful offer is a route into "
               "Keepsift's own library access setting.",
               familyBurst(), denied),
        define("permission-restricted",
               "The library folder is missing or cannot be read: a different sentence, and no "
               "button that could help.",
               familyBurst(), restricted),
        define("permission-limited",
               "The user granted a chosen subset: the app scans it, flags in it, and says so.",
               familyBurst(), limited),
    };
}

} // namespace

const std::vector<Scenario::Definition>& Scenario::all() {
    static const std::vector<Definition> catalogue = makeCatalogue();
    return catalogue;
}

} // namespace keepsift

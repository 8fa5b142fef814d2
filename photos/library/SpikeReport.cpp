#include "photos/library/SpikeReport.hpp"

#include "core/support/Logger.hpp"
#include "photos/library/EdgeStatistics.hpp"

namespace keepsift {
namespace {

const Logger& spikeLogger() {
    static const Logger logger("com.ambervale.keepsift", "spike");
    return logger;
}

std::string number(std::int64_t value) {
    return std::to_string(value);
}

std::string ratio(std::int64_t part, std::int64_t whole) {
    return number(part) + "/" + number(whole);
}

std::string padded(std::string_view sample) {
    std::string text(sample);
    if (text.size() < 8) text.append(8 - text.size(), ' ');
    return text;
}

std::string rule() {
    std::string line;
    for (int i = 0; i < 56; ++i)
        line += "\u2550";
    return line;
}

std::string minMedianMax(const EdgeStatistics& s) {
    return "min " + number(s.min) + "  median " + number(s.median) + "  max " + number(s.max);
}

std::vector<std::int64_t> longestEdges(const std::vector<RenditionSize>& sizes) {
    std::vector<std::int64_t> edges;
    for (const auto& size : sizes)
        edges.push_back(size.longestEdge());
    return edges;
}

} // namespace

void SpikeReport::emit(std::string line) {
    spikeLogger().info("spike: " + line);
    lines_.push_back(std::move(line));
}

void SpikeReport::emitAll(std::initializer_list<std::string_view> lines) {
    for (auto line : lines)
        emit(std::string(line));
}

std::string SpikeReport::text() const {
    std::string joined;
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (i > 0) joined += '\n';
        joined += lines_[i];
    }
    return joined;
}

void SpikeReport::header(Date now, std::int64_t rawStatus) {
    emit(rule());
    emit("Keepsift storage spike \u2014 " + now.iso8601());
    emit(rule());
    emit("authorisation      " + number(rawStatus) + " (3 = authorized, 4 = limited)");
}

void SpikeReport::noAccess() {
    emitAll({"STOP: no library access. \u26a0\ufe0f Running a signed binary straight from a",
             "      shell gets TCC `denied` AND RECORDS IT \u2014 use `make spike-storage`,",
             "      and `tccutil reset Photos com.ambervale.keepsift` to recover."});
}

void SpikeReport::library(std::int64_t count) {
    emit("library            " + number(count) + " photograph(s)");
    emitAll({"                   \u26a0\ufe0f compare against the last run: a library still",
             "                   syncing, or one that has just gained its shared",
             "                   photographs, is a different measurement."});
}

void SpikeReport::originalsHeading() {
    emit("");
    emit("\u2500\u2500 where the originals are");
}

void SpikeReport::originalsLine(std::string_view sample, std::int64_t inCloud, std::int64_t size) {
    emit(padded(sample) + "  in iCloud " + ratio(inCloud, size));
}

void SpikeReport::notAskable() {
    emitAll({"", "VERDICT            NOT ASKABLE \u2014 nothing in this library is evicted.",
             "                   *Optimise Mac Storage* being on is not the same fact:",
             "                   macOS evicts under disk pressure, not on principle.",
             "                   Re-run when the library is large enough to force it."});
}

void SpikeReport::measuringOver(std::int64_t best, std::string_view sample) {
    emit("");
    emit("measuring over     " + number(best) + " evicted asset(s) in the '" + std::string(sample) +
         "' sample");
    emit("");
}

void SpikeReport::evictedSection(const EvictedMeasures& m) {
    emit("\u2500\u2500 what is available for an EVICTED photograph, network refused");
    emit("M1  the file            " + ratio(m.files, m.evicted) + "   PHAssetResource.requestData");
    emit("M2  EXIF date           " + ratio(m.dates, m.files));
    emit("    TIFF make           " + ratio(m.makes, m.files) + "   (Provenance reads this)");
    emit("M5  full-quality @2048  " + ratio(m.fullQuality, m.evicted) +
         "   requestImage .highQualityFormat");
    emit("M6  largest from disk   " + ratio(m.fromDisk, m.evicted) +
         "   requestImage ladder, .fast, degraded refused");
    if (auto stats = EdgeStatistics::of(longestEdges(m.fromDiskSizes))) {
        emit("    longest edge        " + minMedianMax(*stats));
        emit("    \u22651024px             " +
             ratio(stats->big, static_cast<std::int64_t>(m.fromDiskSizes.size())) +
             "   (big enough to judge a face)");
    }
    emit("M3  size from metadata  " + ratio(m.sized, m.evicted) +
         "   \u2190 needs no pixels at all");
}

void SpikeReport::perSampleHeading() {
    emit("");
    emit("\u2500\u2500 M6 per sample \u2014 never-downloaded vs evicted-after-local");
}

void SpikeReport::perSampleLine(std::string_view sample, std::int64_t evicted,
                                const std::vector<std::int64_t>& edges) {
    std::string line = padded(sample) + "  evicted " + number(evicted) + "  pixels " +
                       number(static_cast<std::int64_t>(edges.size()));
    if (auto stats = EdgeStatistics::of(edges))
        line += "  " + minMedianMax(*stats) + "  \u22651024px " + number(stats->big);
    emit(std::move(line));
}

void SpikeReport::controlHeading() {
    emit("\u2500\u2500 control: the same ladder on LOCAL assets");
}

void SpikeReport::noControl() {
    emitAll({"\u26a0\ufe0f no local assets in this sample \u2014 the control could not be run,",
             "   so the zeros above are NOT trustworthy. Re-run with a sample",
             "   that contains both."});
}

void SpikeReport::control(std::int64_t localCount, const std::vector<std::int64_t>& edges) {
    const auto pixels = static_cast<std::int64_t>(edges.size());
    emit("local assets       " + number(localCount));
    emit("pixels from disk   " + ratio(pixels, localCount));
    if (auto stats = EdgeStatistics::of(edges)) {
        emit("longest edge       " + minMedianMax(*stats));
        emit("\u2714 the request works \u2014 so the zeros above are about iCloud, not code");
        return;
    }
    emitAll({"",
             "\u26a0\ufe0f\u26a0\ufe0f THE MEASUREMENT IS BROKEN. Local assets returned no pixels",
             "   either, so the request itself is wrong and every zero above",
             "   means nothing. Fix the request before believing any verdict."});
}

void SpikeReport::midSyncCaution() {
    emitAll({"", "\u26a0\ufe0f **Mid-sync, 'in iCloud' does not mean 'optimised'.** An asset whose",
             "   metadata has arrived but whose data has not is also in iCloud, and",
             "   has no derivative because it has never been downloaded. Those are a",
             "   different population from photographs that were downloaded and then",
             "   had their originals evicted. **This distinction cannot be made",
             "   through PhotoKit**, so a run mid-sync cannot answer the question.",
             "   Re-run when the sync has finished.", ""});
}

void SpikeReport::verdict(const EvictedMeasures& m) {
    const auto stats = EdgeStatistics::of(longestEdges(m.fromDiskSizes));
    const std::int64_t big = stats ? stats->big : 0;
    if (m.fromDisk == 0 && m.files == 0) {
        emitAll({"VERDICT            NO \u2014 nothing is reachable without downloading.",
                 "                   Batching stays load-bearing."});
    } else if (m.fromDisk == m.evicted && big == m.evicted) {
        emitAll({"VERDICT            \u26a0\ufe0f YES \u2014 every evicted photograph yields "
                 "\u22651024px from",
                 "                   disk, with no download. The scan could run on these.",
                 "                   Next: `make corpus` at the median size above, and",
                 "                   price what losing EXIF costs Provenance \u2014 PHAsset",
                 "                   still supplies creationDate, dimensions and the",
                 "                   favourite/edited flags, so only TIFF make/model goes."});
    } else if (m.fromDisk >= 1) {
        emit("VERDICT            \u26a0\ufe0f PARTIAL \u2014 " + ratio(m.fromDisk, m.evicted) +
             " yielded pixels, " + ratio(big, m.evicted) + " at \u22651024px.");
        emitAll({"                   A tail that needs the network still needs the network,",
                 "                   so the download path and its batching stay whatever",
                 "                   else changes."});
    } else {
        emit("VERDICT            \u26a0\ufe0f MIXED \u2014 " + ratio(m.files, m.evicted) +
             " yielded a file but no pixels.");
    }
}

void SpikeReport::closing() {
    emitAll({"", "\u2500\u2500 not answered here",
             "Selection accuracy at whatever size is available is `make corpus`.",
             "Shared-library photographs cannot be told apart from personal ones",
             "(0024) \u2014 if they behave differently, it shows in the totals above."});
}

} // namespace keepsift

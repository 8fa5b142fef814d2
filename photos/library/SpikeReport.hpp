#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/support/Date.hpp"

namespace keepsift {

// The size of a delivered rendition, each side truncated toward zero.
struct RenditionSize {
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t longestEdge() const { return width > height ? width : height; }
    bool operator==(const RenditionSize&) const = default;
};

// What the platform handed over for the evicted photographs of the chosen sample.
struct EvictedMeasures {
    std::int64_t evicted = 0;
    std::int64_t files = 0;
    std::int64_t dates = 0;
    std::int64_t makes = 0;
    std::int64_t fullQuality = 0;
    std::int64_t fromDisk = 0;
    std::int64_t sized = 0;
    std::vector<RenditionSize> fromDiskSizes;
};

// The storage diagnostic's text: every line is logged the moment it is written.
class SpikeReport {
public:
    void emit(std::string line);
    const std::vector<std::string>& lines() const { return lines_; }
    // Lines joined by line feeds, none after the last.
    std::string text() const;

    void header(Date now, std::int64_t rawStatus);
    void noAccess();
    void library(std::int64_t count);
    void originalsHeading();
    void originalsLine(std::string_view sample, std::int64_t inCloud, std::int64_t size);
    void notAskable();
    void measuringOver(std::int64_t best, std::string_view sample);
    void evictedSection(const EvictedMeasures& m);
    void perSampleHeading();
    void perSampleLine(std::string_view sample, std::int64_t evicted,
                       const std::vector<std::int64_t>& edges);
    void controlHeading();
    void noControl();
    void control(std::int64_t localCount, const std::vector<std::int64_t>& edges);
    void midSyncCaution();
    void verdict(const EvictedMeasures& m);
    void closing();

private:
    void emitAll(std::initializer_list<std::string_view> lines);

    std::vector<std::string> lines_;
};

} // namespace keepsift

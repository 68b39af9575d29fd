#pragma once

// What every peer benchmark shares: the rate the ratio table reads, and the check made before
// timing that a pair draws the same picture, whose result the table prints beside the pair.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace bench {

// Megapixels per second, under the name the ratio table reads.
inline void SetRate(benchmark::State& state, double pixelsPerRun) {
    state.counters["MPix/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * pixelsPerRun / 1.0e6,
                           benchmark::Counter::kIsRate);
}

// What the ratio table says beside a pair's work: how the pictures agree,
// and where the algorithms differ by design.
inline std::map<std::string, std::string>& Notes() {
    static std::map<std::string, std::string> notes;
    return notes;
}

// How far two pictures of 0x..RRGGBB words (alpha ignored) are apart.
struct Agreement {
    int maxDiff = 0;
    double overShare = 0.0;  // share of pixels with a channel off by more than the tolerance
};

inline Agreement Compare(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b,
                         int tolerance) {
    Agreement result;
    if (a.size() != b.size() || a.empty()) {
        result.maxDiff = 256;
        result.overShare = 1.0;
        return result;
    }
    size_t over = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        int worst = 0;
        for (int shift : {0, 8, 16}) {
            const int d = std::abs(static_cast<int>((a[i] >> shift) & 0xFF) -
                                   static_cast<int>((b[i] >> shift) & 0xFF));
            worst = std::max(worst, d);
        }
        result.maxDiff = std::max(result.maxDiff, worst);
        over += worst > tolerance ? 1 : 0;
    }
    result.overShare = static_cast<double>(over) / static_cast<double>(a.size());
    return result;
}

// Records an agreement found before timing for the table: every channel within `tolerance`,
// except at most `share` of the pixels (edges that the two filters treat apart). False (and
// the benchmark skipped with an error) when the pictures don't agree.
inline bool CheckAgreement(benchmark::State& state, const std::string& work,
                           const Agreement& agreement, int tolerance, double share,
                           const char* design = nullptr) {
    char text[200];
    std::snprintf(text, sizeof(text), "agree +-%d on %.2f%% (limit %.2f%%), max %d%s%s", tolerance,
                  100.0 * (1.0 - agreement.overShare), 100.0 * (1.0 - share), agreement.maxDiff,
                  design != nullptr ? "; " : "", design != nullptr ? design : "");
    Notes()[work] = text;
    if (agreement.overShare > share) {
        state.SkipWithError(("pictures differ: " + std::string(text)).c_str());
        return false;
    }
    return true;
}

inline bool CheckPictures(benchmark::State& state, const std::string& work,
                          const std::vector<uint32_t>& ours, const std::vector<uint32_t>& theirs,
                          int tolerance, double share, const char* design = nullptr) {
    return CheckAgreement(state, work, Compare(ours, theirs, tolerance), tolerance, share, design);
}

}  // namespace bench

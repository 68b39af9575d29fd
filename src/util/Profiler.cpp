#include "util/Profiler.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "util/CPUSpeed.h"
#include "util/CommonText.h"
#include "util/ProfileEntry.h"

namespace Vesk {

namespace {

// Like _stricmp: ASCII letters compare as lower case.
struct NoCaseLess {
    using is_transparent = void;

    bool operator()(std::string_view a, std::string_view b) const {
        const size_t n = a.size() < b.size() ? a.size() : b.size();
        for (size_t i = 0; i < n; ++i) {
            const int ca = Lower(static_cast<unsigned char>(a[i]));
            const int cb = Lower(static_cast<unsigned char>(b[i]));
            if (ca != cb) {
                return ca < cb;
            }
        }
        return a.size() < b.size();
    }

    static int Lower(int c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }
};

// Pending samples are applied once this many have gathered, so a long run
// does not grow the list without bound; the work is counted as overhead.
constexpr size_t kMaxPendingSamples = 4096;

struct ProfilerState {
    bool profiling = false;
    uint64_t startStamp = 0;
    uint64_t overhead = 0;
    double totalTime = 0.0;
    std::vector<ProfileSample> samples;
    size_t pending = 0;
    std::map<std::string, ProfileEntry, NoCaseLess> sections;
};

ProfilerState& State() {
    static ProfilerState state;
    return state;
}

uint64_t Cycles() {
    return platform::GetClock().CycleCount();
}

void AddSample(const char* name, bool begin) {
    ProfilerState& s = State();
    if (!s.profiling || name == nullptr) {
        return;
    }
    const ProfileSample sample{name, Cycles(), begin};
    if (s.pending < s.samples.size()) {
        s.samples[s.pending] = sample;
    } else {
        s.samples.push_back(sample);
    }
    ++s.pending;
    if (s.pending >= kMaxPendingSamples) {
        ProcessProfileSamples();
    }
}

}  // namespace

void StartProfiling() {
    ProfilerState& s = State();
    s.sections.clear();
    s.pending = 0;
    s.overhead = 0;
    s.profiling = true;
    s.startStamp = Cycles();
}

void ProcessProfileSample(const ProfileSample& sample) {
    if (sample.mName == nullptr) {
        return;
    }
    auto& sections = State().sections;
    const std::string_view name(sample.mName);
    auto found = sections.find(name);
    if (sample.mBegin) {
        if (found == sections.end()) {
            found = sections.emplace(std::string(name), ProfileEntry{}).first;
        }
        ProfileEntry& entry = found->second;
        ++entry.mCalls;
        if (++entry.mDepth == 1) {
            entry.mStartStamp = sample.mStamp;
        }
        return;
    }
    if (found == sections.end()) {
        return;
    }
    ProfileEntry& entry = found->second;
    // An exit without a matching entry would leave the depth negative and
    // lose every later interval of the section.
    if (entry.mDepth <= 0) {
        return;
    }
    if (--entry.mDepth == 0) {
        const uint64_t interval = sample.mStamp - entry.mStartStamp;
        entry.mTotalTicks += interval;
        if (static_cast<double>(interval) > entry.mLongest) {
            entry.mLongest = static_cast<double>(interval);
        }
    }
}

void ProcessProfileSamples() {
    ProfilerState& s = State();
    const uint64_t begin = Cycles();
    for (size_t i = 0; i < s.pending; ++i) {
        ProcessProfileSample(s.samples[i]);
    }
    s.pending = 0;
    s.overhead += Cycles() - begin;
}

void StopProfiling() {
    ProfilerState& s = State();
    // A second stop would scale the results down a second time.
    if (!s.profiling) {
        return;
    }
    const uint64_t stopStamp = Cycles();
    // Only the processing inside the run is taken off: the final batch runs
    // after the stop stamp, and a short run with many samples would otherwise
    // come out below zero.
    const uint64_t overhead = s.overhead;
    ProcessProfileSamples();
    s.profiling = false;
    const double speed = static_cast<double>(GetCPUSpeed());
    const uint64_t elapsed = stopStamp - s.startStamp;
    const uint64_t measured = elapsed > overhead ? elapsed - overhead : 0;
    s.totalTime = static_cast<double>(measured) * 1000.0 / speed;
    for (auto& [name, entry] : s.sections) {
        entry.mTotalMs = static_cast<double>(entry.mTotalTicks) * 1000.0 / speed;
        entry.mLongest = entry.mLongest * 1000.0 / speed;
    }
}

bool IsProfiling() {
    return State().profiling;
}

std::string GetProfilingResults() {
    const ProfilerState& s = State();
    std::string out = StrFormat("Total Time: %.2f\n", s.totalTime);
    for (const auto& [name, entry] : s.sections) {
        out += StrFormat("%s (%d calls, %%%.2f time): %.2f (%.2f avg, %.2f longest)\n",
                         name.c_str(), entry.mCalls, entry.mTotalMs / s.totalTime * 100.0,
                         entry.mTotalMs, entry.mTotalMs / entry.mCalls, entry.mLongest);
    }
    return out;
}

void ProfileBegin(const char* name) {
    AddSample(name, true);
}

void ProfileEnd(const char* name) {
    AddSample(name, false);
}

}  // namespace Vesk

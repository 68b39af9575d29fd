#pragma once

#include <string>

#include "util/ProfileSample.h"

namespace Vesk {

// Named-section profiler of the main thread. Sections are marked with
// ProfileBegin and ProfileEnd while profiling is on; the samples are applied
// in batches and the time spent doing that is left out of the total.

void StartProfiling();
// Does nothing when profiling is off.
void StopProfiling();
bool IsProfiling();
// "Total Time" and one line per section, sections ordered by name ignoring case.
std::string GetProfilingResults();

// The name must outlive the profiling run: pass a literal.
void ProfileBegin(const char* name);
void ProfileEnd(const char* name);

void ProcessProfileSamples();
void ProcessProfileSample(const ProfileSample& sample);

}  // namespace Vesk

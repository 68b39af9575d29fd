#pragma once

#include "sound/MusicLibrary.h"

namespace Vesk {

// Our sample and module music library in the shape the FMOD back end expects: samples
// decoded whole (WAV, Ogg, MP3) or made and filled by the caller, played on numbered
// channels with a loop start, and module music; volumes 0..100, more meaning full. One per
// process; safe from the main and the loading thread.
const MusicLibrary& FModLayerLibrary();

// Decodes ahead on every channel now, on the calling thread (see BassLayerPump).
void FModLayerPump();

}  // namespace Vesk

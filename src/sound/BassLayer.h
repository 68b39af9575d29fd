#pragma once

#include "sound/MusicLibrary.h"

namespace Vesk {

// Our stream and module music library in the shape the BASS back end expects: streams (Ogg,
// WAV, MP3) and module music played from memory as voices of the audio device, looping,
// with positions, pause, volumes 0..100 and peak levels. One per process, like the library
// it stands in for; safe from the main and the loading thread.
const MusicLibrary& BassLayerLibrary();

// Decodes ahead on every channel now, on the calling thread. The layer's own thread does
// this on its own; tests that render by hand call it to stay exact.
void BassLayerPump();

}  // namespace Vesk

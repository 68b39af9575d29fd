#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/AudioDevice.h"

namespace Vesk {

struct PcmSound;

// A source of 16-bit PCM for a music channel, decoded a block at a time. Not thread-safe:
// the channel's stream serialises every call.
class MusicDecoder {
public:
    virtual ~MusicDecoder() = default;

    // 16 bits, 1 or 2 channels; fixed for the decoder's life.
    virtual platform::PcmFormat Format() const = 0;
    // Frames in the whole piece; 0 when unknown (module music).
    virtual uint64_t LengthFrames() const = 0;
    // Decodes up to frames frames into out; fewer only at the end, 0 past it.
    virtual size_t Read(int16_t* out, size_t frames) = 0;
    // Moves to a frame (past the end means the end); false when the decoder cannot.
    virtual bool Seek(uint64_t frame) = 0;
    // Module music: moves to the start of a pattern order. Streams have no orders.
    virtual bool SeekOrder(int order) {
        (void)order;
        return false;
    }
    // Module music plays on by itself when looping (a pattern jump may loop inside the piece).
    virtual void SetLooping(bool looping) { (void)looping; }
    // Module music: the amplification, 0..100 with 50 as the piece's own level.
    virtual void SetAmplify(int amplify) { (void)amplify; }
};

// Each gives the decoder or null with the reason in error; any input is safe.
// Ogg Vorbis over bytes that the caller keeps alive as long as the decoder.
std::unique_ptr<MusicDecoder> MakeOggMusicDecoder(std::span<const uint8_t> bytes,
                                                  std::string& error);
// PCM decoded whole beforehand (WAV and MP3), converted to 16 bits.
std::unique_ptr<MusicDecoder> MakePcmMusicDecoder(PcmSound sound, std::string& error);
// 16-bit PCM shared with its owner, which changes it no more; null for an unplayable format.
std::unique_ptr<MusicDecoder> MakeSharedPcmMusicDecoder(
    const platform::PcmFormat& format, std::shared_ptr<const std::vector<int16_t>> samples);
// Tracker modules (MOD, S3M, XM, IT...) through libopenmpt, rendered at 44100 Hz stereo; the
// bytes are copied.
std::unique_ptr<MusicDecoder> MakeModuleMusicDecoder(std::span<const uint8_t> bytes,
                                                     std::string& error);

// Sniffs the stream kind and makes its decoder: RIFF/WAVE, Ogg, else MP3.
std::unique_ptr<MusicDecoder> MakeStreamMusicDecoder(std::span<const uint8_t> bytes,
                                                     std::string& error);

}  // namespace Vesk

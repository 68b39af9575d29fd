#include "make_data/audio/AudioFiles.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace make_data::audio {

namespace {

// Writes little-endian fields at a running offset into a buffer sized beforehand.
class Writer {
public:
    explicit Writer(size_t size) : mOut(size) {}
    void U8(uint8_t value) { mOut[mPos++] = value; }
    void U16(uint16_t value) {
        U8(static_cast<uint8_t>(value));
        U8(static_cast<uint8_t>(value >> 8));
    }
    void U32(uint32_t value) {
        U16(static_cast<uint16_t>(value));
        U16(static_cast<uint16_t>(value >> 16));
    }
    void Tag(const char* tag) {
        for (int i = 0; i < 4; ++i) {
            U8(static_cast<uint8_t>(tag[i]));
        }
    }
    std::vector<uint8_t> Take() { return std::move(mOut); }

private:
    std::vector<uint8_t> mOut;
    size_t mPos = 0;
};

void AppendPage(std::vector<uint8_t>& out, const ogg_page& page) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

}  // namespace

int16_t ToSample16(float value) {
    const float clamped = std::clamp(value, -1.0f, 1.0f);
    return static_cast<int16_t>(std::lround(clamped * 32767.0f));
}

std::vector<uint8_t> MakeWav16(std::span<const float> samples, uint32_t sampleRate) {
    const auto dataBytes = static_cast<uint32_t>(samples.size() * 2);
    Writer out(44 + size_t{dataBytes});
    out.Tag("RIFF");
    out.U32(36 + dataBytes);
    out.Tag("WAVE");
    out.Tag("fmt ");
    out.U32(16);
    out.U16(1);  // PCM
    out.U16(1);  // mono
    out.U32(sampleRate);
    out.U32(sampleRate * 2);
    out.U16(2);
    out.U16(16);
    out.Tag("data");
    out.U32(dataBytes);
    for (float sample : samples) {
        out.U16(static_cast<uint16_t>(ToSample16(sample)));
    }
    return out.Take();
}

std::vector<uint8_t> EncodeOggVorbis(std::span<const float> left, std::span<const float> right,
                                     uint32_t sampleRate, int serial, float quality) {
    if (left.size() != right.size()) {
        throw std::invalid_argument("EncodeOggVorbis: channels of different lengths");
    }
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, 2, static_cast<long>(sampleRate), quality) != 0) {
        vorbis_info_clear(&info);
        throw std::runtime_error("EncodeOggVorbis: the encoder refused its settings");
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, serial);

    std::vector<uint8_t> out;
    ogg_packet header;
    ogg_packet commentHeader;
    ogg_packet codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    ogg_page page;
    // The headers get pages of their own, so audio starts on a fresh page.
    while (ogg_stream_flush(&stream, &page) != 0) {
        AppendPage(out, page);
    }

    constexpr size_t kChunk = 4096;
    size_t position = 0;
    bool ended = false;
    while (!ended) {
        const size_t count = std::min(kChunk, left.size() - position);
        if (count == 0) {
            vorbis_analysis_wrote(&dsp, 0);
        } else {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
            std::copy_n(left.data() + position, count, buffer[0]);
            std::copy_n(right.data() + position, count, buffer[1]);
            vorbis_analysis_wrote(&dsp, static_cast<int>(count));
            position += count;
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) != 0) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) {
                    AppendPage(out, page);
                    if (ogg_page_eos(&page) != 0) {
                        ended = true;
                    }
                }
            }
        }
        if (count == 0) {
            // Everything is in; whatever the stream still holds makes the last page.
            while (ogg_stream_flush(&stream, &page) != 0) {
                AppendPage(out, page);
            }
            ended = true;
        }
    }

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

}  // namespace make_data::audio

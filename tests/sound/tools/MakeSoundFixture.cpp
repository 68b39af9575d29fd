// Encodes a sine tone as Ogg Vorbis (libvorbisenc) or MP3 (LAME) for the sound tests. It is a
// program of its own because the encoder's libvorbis and the player's Tremor share symbol
// names and cannot live in one process.
//   make_sound_fixture ogg|mp3 <out file> <channels> <rate> <frames> <tone Hz, 0 for a mix>
#include <lame/lame.h>
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <vector>

namespace {

// A tone of hz, or with hz 0 a busy mix of chords and noise that costs a decoder about what
// music does.
float Tone(size_t frame, int channel, int rate, double hz) {
    if (hz <= 0) {
        const double t = static_cast<double>(frame) / rate;
        double sum = 0;
        for (int voice = 0; voice < 6; ++voice) {
            const double base =
                110.0 * (voice + 1) * (1 + 0.5 * ((frame / (rate / 4) + voice) % 3));
            sum += std::sin(2 * std::numbers::pi * base * t + channel);
        }
        uint32_t noise = static_cast<uint32_t>(frame * 2654435761u + channel * 40503u);
        noise ^= noise >> 13;
        noise *= 1274126177u;
        return static_cast<float>(0.08 * sum + 0.1 * ((noise >> 16) / 32768.0 - 1.0));
    }
    return static_cast<float>(0.5 *
                              std::sin(2 * std::numbers::pi * hz * (channel + 1) * frame / rate));
}

bool WriteOgg(std::FILE* out, int channels, int rate, size_t frames, double hz) {
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, rate, 0.1f) != 0) {
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1);
    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    ogg_page page;
    while (ogg_stream_flush(&stream, &page) != 0) {
        std::fwrite(page.header, 1, page.header_len, out);
        std::fwrite(page.body, 1, page.body_len, out);
    }
    size_t done = 0;
    bool ended = false;
    while (!ended) {
        const size_t count = std::min<size_t>(frames - done, 1024);
        if (count > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
            for (size_t i = 0; i < count; ++i) {
                for (int c = 0; c < channels; ++c) {
                    buffer[c][i] = Tone(done + i, c, rate, hz);
                }
            }
        }
        vorbis_analysis_wrote(&dsp, static_cast<int>(count));
        done += count;
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) {
                    std::fwrite(page.header, 1, page.header_len, out);
                    std::fwrite(page.body, 1, page.body_len, out);
                    ended = ended || ogg_page_eos(&page) != 0;
                }
            }
        }
        if (count == 0 && !ended) {
            while (ogg_stream_flush(&stream, &page) != 0) {
                std::fwrite(page.header, 1, page.header_len, out);
                std::fwrite(page.body, 1, page.body_len, out);
            }
            ended = true;
        }
    }
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return true;
}

bool WriteMp3(std::FILE* out, int channels, int rate, size_t frames, double hz) {
    lame_t lame = lame_init();
    lame_set_num_channels(lame, channels);
    lame_set_in_samplerate(lame, rate);
    lame_set_out_samplerate(lame, rate);
    lame_set_mode(lame, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(lame, 64);
    lame_set_bWriteVbrTag(lame, 1);
    if (lame_init_params(lame) < 0) {
        return false;
    }
    std::vector<short> pcm(frames * channels);
    for (size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            pcm[i * channels + c] = static_cast<short>(Tone(i, c, rate, hz) * 32767);
        }
    }
    std::vector<unsigned char> mp3(frames * 2 + 16384);
    int size = channels == 1
                   ? lame_encode_buffer(lame, pcm.data(), pcm.data(), static_cast<int>(frames),
                                        mp3.data(), static_cast<int>(mp3.size()))
                   : lame_encode_buffer_interleaved(lame, pcm.data(), static_cast<int>(frames),
                                                    mp3.data(), static_cast<int>(mp3.size()));
    if (size < 0) {
        return false;
    }
    const int tail =
        lame_encode_flush(lame, mp3.data() + size, static_cast<int>(mp3.size()) - size);
    size += tail;
    // The first frame was kept free for the header that tells the exact length.
    unsigned char tag[4096];
    const size_t tagSize = lame_get_lametag_frame(lame, tag, sizeof tag);
    if (tagSize > 0 && tagSize <= static_cast<size_t>(size)) {
        std::memcpy(mp3.data(), tag, tagSize);
    }
    std::fwrite(mp3.data(), 1, static_cast<size_t>(size), out);
    lame_close(lame);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: %s ogg|mp3 <out> <channels> <rate> <frames> <hz>\n", argv[0]);
        return 2;
    }
    std::FILE* out = std::fopen(argv[2], "wb");
    if (out == nullptr) {
        return 1;
    }
    const int channels = std::atoi(argv[3]);
    const int rate = std::atoi(argv[4]);
    const size_t frames = std::strtoul(argv[5], nullptr, 10);
    const double hz = std::atof(argv[6]);
    const bool ok = std::strcmp(argv[1], "ogg") == 0 ? WriteOgg(out, channels, rate, frames, hz)
                                                     : WriteMp3(out, channels, rate, frames, hz);
    return std::fclose(out) == 0 && ok ? 0 : 1;
}

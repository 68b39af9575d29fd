#include <gtest/gtest.h>

#include "SoundTestSupport.h"
#include "sound/PcmSound.h"

namespace Vesk {
namespace {

using namespace soundtest;

const std::vector<uint8_t> kFourFrames = {1, 2, 3, 4, 5, 6, 7, 8};

TEST(SoundFilesTest, WavChunksAreReadInAnyOrderAndBadSizesAreRefused) {
    const struct {
        const char* name;
        std::vector<uint8_t> file;
        bool ok;
        platform::PcmFormat format;
    } cases[] = {
        {"data before fmt takes the defaults",
         Riff({Chunk("data", kFourFrames), Chunk("fmt ", Fmt(1, 2, 44100, 16))}),
         true,
         {1, 16, 22050}},
        {"odd chunk without a pad byte",
         Riff({Chunk("junk", {9, 9, 9}), Chunk("fmt ", Fmt(1, 2, 8000, 8)),
               Chunk("data", kFourFrames)}),
         true,
         {2, 8, 8000}},
        {"long fmt chunk",
         Riff({Chunk("fmt ", Fmt(1, 1, 11025, 16, 18)), Chunk("data", kFourFrames)}),
         true,
         {1, 16, 11025}},
        {"data past the end",
         Riff({Chunk("fmt ", Fmt(1, 1, 22050, 16)), Chunk("data", kFourFrames, 0xFFFFFFF0)}),
         false,
         {}},
        {"chunk past the end", Riff({Chunk("junk", {1}, 1000)}), false, {}},
        {"no channels",
         Riff({Chunk("fmt ", Fmt(1, 0, 22050, 16)), Chunk("data", kFourFrames)}),
         false,
         {}},
        {"odd bit depth",
         Riff({Chunk("fmt ", Fmt(1, 1, 22050, 12)), Chunk("data", kFourFrames)}),
         false,
         {}},
        {"short fmt",
         Riff({Chunk("fmt ", Fmt(1, 1, 22050, 16, 14)), Chunk("data", kFourFrames)}),
         false,
         {}},
        {"not PCM",
         Riff({Chunk("fmt ", Fmt(3, 1, 22050, 16)), Chunk("data", kFourFrames)}),
         false,
         {}},
        {"rate too low",
         Riff({Chunk("fmt ", Fmt(1, 1, 99, 16)), Chunk("data", kFourFrames)}),
         false,
         {}},
        {"no data chunk", Riff({Chunk("fmt ", Fmt(1, 1, 22050, 16))}), false, {}},
        {"empty data", Riff({Chunk("data", {})}), false, {}},
        {"not RIFF", {'R', 'I', 'F', 'X', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}, false, {}},
        {"cut header", {'R', 'I', 'F', 'F', 0, 0}, false, {}},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto sound = ReadWav(c.file, error);
        ASSERT_EQ(sound.has_value(), c.ok) << c.name << ": " << error;
        if (c.ok) {
            EXPECT_EQ(sound->format, c.format) << c.name;
            EXPECT_EQ(sound->data, kFourFrames) << c.name;
        } else {
            EXPECT_FALSE(error.empty()) << c.name;
        }
    }
}

TEST(SoundFilesTest, CachedWavHasTheStoredLayoutAndReadsBack) {
    std::vector<uint8_t> pcm(1000);
    for (size_t i = 0; i < pcm.size(); ++i) {
        pcm[i] = static_cast<uint8_t>(i * 7);
    }
    const std::vector<uint8_t> file = MakeCachedWav(
        platform::PcmFormat{2, 16, 44100}, pcm, "sounds\\a.ogg", 0x0123456789ABCDEFull, kCacheKey);
    ASSERT_EQ(file.size(), 1083u);
    EXPECT_EQ(file[4] | file[5] << 8, 1036);
    EXPECT_EQ(std::memcmp(&file[36], "dep ", 4), 0);
    EXPECT_EQ(std::memcmp(&file[66], "xor ", 4), 0);
    EXPECT_EQ(file[74], kCacheKey);
    EXPECT_EQ(std::memcmp(&file[75], "data", 4), 0);
    EXPECT_EQ(file[83], pcm[0] ^ kCacheKey);

    std::string error;
    const auto sound = ReadWav(file, error);
    ASSERT_TRUE(sound.has_value()) << error;
    EXPECT_EQ(sound->data, pcm);
    EXPECT_EQ(sound->format, (platform::PcmFormat{2, 16, 44100}));
    ASSERT_TRUE(sound->dependency.has_value());
    EXPECT_EQ(sound->dependency->fileName, "sounds\\a.ogg");
    EXPECT_EQ(sound->dependency->fileTime, 0x0123456789ABCDEFull);
}

TEST(SoundFilesTest, AuDecodesMuLawAndFlipsLinearBytesToUnsigned) {
    const struct {
        uint8_t byte;
        int16_t sample;
    } muLaw[] = {{0xFF, 0},    {0xF0, 120},   {0x70, -120},   {0xE0, 368},   {0xD0, 864},
                 {0xA0, 7808}, {0x81, 30592}, {0x01, -30592}, {0x80, 31616}, {0x00, -31616}};
    for (const auto& c : muLaw) {
        EXPECT_EQ(MuLawToSample(c.byte), c.sample) << int{c.byte};
    }
    std::string error;
    const auto law = ReadAu(Au(1, 1, 8000, {0xF0, 0x70}, 2), error);
    ASSERT_TRUE(law.has_value()) << error;
    EXPECT_EQ(law->data, (std::vector<uint8_t>{120, 0, 0x88, 0xFF}));
    const auto linear = ReadAu(Au(2, 2, 8000, {0x00, 0x7F, 0x80, 0xFF}, 0xFFFFFFFF), error);
    ASSERT_TRUE(linear.has_value()) << error;
    EXPECT_EQ(linear->format, (platform::PcmFormat{2, 8, 8000}));
    EXPECT_EQ(linear->data, (std::vector<uint8_t>{0x80, 0xFF, 0x00, 0x7F}));

    const std::vector<uint8_t> refused[] = {Au(1, 1, 8000, {1, 2}, 3), Au(3, 1, 8000, {1, 2}, 2),
                                            Au(1, 0, 8000, {1, 2}, 2), Au(1, 1, 8000, {}, 0)};
    for (const auto& file : refused) {
        EXPECT_FALSE(ReadAu(file, error).has_value());
    }
}

// The file followed by a second link: its pages get serial 2 and fresh checksums, then the
// comment header of that link is damaged.
std::vector<uint8_t> ChainWithDamagedComment(const std::vector<uint8_t>& ogg) {
    std::vector<uint8_t> second = ogg;
    size_t secondPage = 0;
    for (size_t page = 0, index = 0; page + 27 <= second.size(); ++index) {
        const size_t header = 27 + second[page + 26];
        size_t body = 0;
        for (size_t i = page + 27; i < page + header; ++i) {
            body += second[i];
        }
        // Serial (bytes 14 to 17) 2; the checksum (22 to 25) counts as 0 while it is made.
        for (int i = 0; i < 4; ++i) {
            second[page + 14 + i] = i == 0 ? 2 : 0;
            second[page + 22 + i] = 0;
        }
        uint32_t crc = 0;
        for (size_t i = page; i < page + header + body; ++i) {
            crc ^= uint32_t{second[i]} << 24;
            for (int bit = 0; bit < 8; ++bit) {
                crc = (crc & 0x80000000u) != 0 ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
            }
        }
        for (int i = 0; i < 4; ++i) {
            second[page + 22 + i] = static_cast<uint8_t>(crc >> (8 * i));
        }
        secondPage = index == 1 ? page + header : secondPage;
        page += header + body;
    }
    second[secondPage + 10] ^= 0x40;
    std::vector<uint8_t> chained = ogg;
    chained.insert(chained.end(), second.begin(), second.end());
    return chained;
}

// Encoders write into a scratch folder.
class EncodedSoundTest : public ::testing::Test {
protected:
    ScratchFolder folder;
};

TEST_F(EncodedSoundTest, OggDecodesWholeAndACutFileIsRefused) {
    const std::vector<uint8_t> ogg = Encode("ogg", folder.Root() + "/t.ogg", 2, 22050, 11025);
    if (ogg.empty()) {
        GTEST_SKIP() << "no encoder";
    }
    std::string error;
    const auto sound = ReadOgg(ogg, error);
    ASSERT_TRUE(sound.has_value()) << error;
    EXPECT_EQ(sound->format, (platform::PcmFormat{2, 16, 22050}));
    EXPECT_EQ(sound->data.size(), 11025u * 4);
    const std::vector<uint8_t> cut(ogg.begin(),
                                   ogg.begin() + static_cast<ptrdiff_t>(ogg.size() * 2 / 3));
    EXPECT_FALSE(ReadOgg(cut, error).has_value());
    EXPECT_FALSE(ReadOgg(kFourFrames, error).has_value());
    // Tremor lost memory on this one, so it is refused before the decoder sees it.
    EXPECT_FALSE(ReadOgg(ChainWithDamagedComment(ogg), error).has_value());
    EXPECT_EQ(error, "chained Ogg streams are not played");
    std::vector<uint8_t> twice = ogg;
    twice.insert(twice.end(), ogg.begin(), ogg.end());
    EXPECT_FALSE(ReadOgg(twice, error).has_value());
}

TEST_F(EncodedSoundTest, Mp3DecodesWholeAndACutFileIsRefused) {
    const std::vector<uint8_t> mp3 = Encode("mp3", folder.Root() + "/t.mp3", 1, 44100, 44100);
    if (mp3.empty()) {
        GTEST_SKIP() << "no encoder";
    }
    std::string error;
    const auto sound = ReadMp3(mp3, error);
    ASSERT_TRUE(sound.has_value()) << error;
    EXPECT_EQ(sound->format, (platform::PcmFormat{1, 16, 44100}));
    EXPECT_NEAR(static_cast<double>(sound->data.size() / 2), 44100.0, 1152.0);
    const std::vector<uint8_t> cut(mp3.begin(),
                                   mp3.begin() + static_cast<ptrdiff_t>(mp3.size() / 2));
    EXPECT_FALSE(ReadMp3(cut, error).has_value());
    EXPECT_FALSE(ReadMp3(kFourFrames, error).has_value());
}

}  // namespace
}  // namespace Vesk

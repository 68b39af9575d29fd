#include "platform/SoundFormulas.h"

#include <gtest/gtest.h>

namespace platform::sound {
namespace {

TEST(SoundFormulasTest, VolumeBecomesAttenuationWithSilenceBelowMinus2000) {
    const struct {
        double volume;
        int attenuation;
    } cases[] = {{1.0, 0},      {0.75, -258},     {0.5, -605},    {0.1, -1682},
                 {0.05, -1956}, {0.04, kSilence}, {0.0, kSilence}};
    for (const auto& c : cases) {
        EXPECT_EQ(VolumeToAttenuation(c.volume), c.attenuation) << c.volume;
    }
}

TEST(SoundFormulasTest, PitchIsRelativeToTheBaseAndClamped) {
    const struct {
        double semitones;
        uint32_t frequency;
    } cases[] = {{0, 44100}, {12, 88200}, {-13, 20812}, {-100, 136}, {-106, 100}, {24, 100000}};
    for (const auto& c : cases) {
        EXPECT_EQ(PitchedFrequency(44100, c.semitones), c.frequency) << c.semitones;
    }
}

TEST(SoundFormulasTest, GainsAndSaturation) {
    EXPECT_NEAR(AttenuationToGain(-600), 0.5012, 0.0001);
    EXPECT_EQ(AttenuationToGain(kSilence), 0.0f);
    EXPECT_EQ(AttenuationToGain(500), 1.0f);
    EXPECT_EQ(PanToGains(20000).left, 0.0f);
    EXPECT_EQ(SaturateToInt16(40000.0f), 32767);
    EXPECT_EQ(SaturateToInt16(-40000.0f), -32768);
    EXPECT_EQ(RateStep(44100), uint64_t{1} << 32);
}

}  // namespace
}  // namespace platform::sound

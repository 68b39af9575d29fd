#include "make_data/audio/Composer.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>

#include "make_data/audio/AudioRandom.h"

namespace make_data::audio {

namespace {

constexpr int64_t kEighth = kTicksPerBeat / 2;

// Channels of the parts.
constexpr int kMelodyA = 0;
constexpr int kMelodyB = 1;
constexpr int kChords = 2;
constexpr int kBass = 3;
constexpr int kPad = 4;

// General MIDI drum keys.
constexpr int kKick = 36;
constexpr int kSideStick = 37;
constexpr int kSnare = 38;
constexpr int kClap = 39;
constexpr int kClosedHat = 42;
constexpr int kLowTom = 45;
constexpr int kOpenHat = 46;
constexpr int kMidTom = 47;
constexpr int kHighTom = 50;
constexpr int kCrash = 49;
constexpr int kRide = 51;
constexpr int kTambourine = 54;
constexpr int kMaracas = 70;
constexpr int kWoodBlock = 76;
constexpr int kTriangle = 81;

using Rhythm = std::vector<int>;  // lengths in eighths; negative lengths are rests

const std::array<int, 7>& Intervals(Mode mode) {
    static const std::array<int, 7> kMajor{0, 2, 4, 5, 7, 9, 11};
    static const std::array<int, 7> kMinor{0, 2, 3, 5, 7, 8, 10};
    static const std::array<int, 7> kDorian{0, 2, 3, 5, 7, 9, 10};
    static const std::array<int, 7> kMixolydian{0, 2, 4, 5, 7, 9, 10};
    switch (mode) {
        case Mode::Minor:
            return kMinor;
        case Mode::Dorian:
            return kDorian;
        case Mode::Mixolydian:
            return kMixolydian;
        case Mode::Major:
            break;
    }
    return kMajor;
}

int FloorDiv(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

int Wrap7(int degree) {
    return degree - 7 * FloorDiv(degree, 7);
}

// A key placed in [low, low + 12).
int IntoOctave(int key, int low) {
    while (key < low) {
        key += 12;
    }
    while (key >= low + 12) {
        key -= 12;
    }
    return key;
}

const std::vector<Rhythm>& Rhythms(int beatsPerBar, int density) {
    static const std::vector<Rhythm> kSparse4{{8}, {6, 2}, {4, 4}, {4, 2, 2}, {-2, 2, 4}, {2, 6}};
    static const std::vector<Rhythm> kModerate4{{2, 2, 2, 2},  {3, 1, 4}, {4, 2, 2},
                                                {2, 2, 4},     {3, 3, 2}, {2, 1, 1, 4},
                                                {-2, 2, 2, 2}, {6, 2},    {2, 2, 3, 1}};
    static const std::vector<Rhythm> kBusy4{{1, 1, 2, 1, 1, 2}, {2, 1, 1, 2, 2}, {3, 1, 2, 2},
                                            {1, 1, 1, 1, 2, 2}, {2, 2, 1, 1, 2}, {3, 3, 2},
                                            {2, -1, 1, 2, 2},   {1, 1, 2, 4}};
    static const std::vector<Rhythm> kSparse3{{6}, {4, 2}, {2, 4}, {-2, 4}};
    static const std::vector<Rhythm> kModerate3{{2, 2, 2}, {3, 1, 2}, {4, 2}, {2, 1, 1, 2}};
    static const std::vector<Rhythm> kBusy3{{1, 1, 2, 2}, {2, 1, 1, 1, 1}, {3, 1, 1, 1}, {2, 2, 2}};
    if (beatsPerBar == 3) {
        return density <= 0 ? kSparse3 : density == 1 ? kModerate3 : kBusy3;
    }
    return density <= 0 ? kSparse4 : density == 1 ? kModerate4 : kBusy4;
}

const std::vector<Rhythm>& Cadences(int beatsPerBar) {
    static const std::vector<Rhythm> k4{{8}, {6, 2}, {4, 4}, {2, 6}};
    static const std::vector<Rhythm> k3{{6}, {4, 2}};
    return beatsPerBar == 3 ? k3 : k4;
}

// Chord roots as scale degrees, four chords a progression.
const std::vector<std::array<int, 4>>& Progressions(Mode mode, bool opening) {
    static const std::vector<std::array<int, 4>> kMajorA{{0, 4, 5, 3}, {0, 5, 3, 4}, {0, 3, 4, 0},
                                                         {0, 3, 0, 4}, {0, 2, 3, 4}, {0, 5, 1, 4}};
    static const std::vector<std::array<int, 4>> kMajorB{
        {3, 4, 2, 5}, {5, 3, 1, 4}, {3, 0, 1, 4}, {5, 2, 3, 4}, {3, 4, 5, 4}};
    static const std::vector<std::array<int, 4>> kMinorA{
        {0, 6, 5, 6}, {0, 3, 6, 0}, {0, 5, 6, 0}, {0, 3, 0, 6}, {0, 5, 3, 4}};
    static const std::vector<std::array<int, 4>> kMinorB{
        {5, 6, 3, 4}, {2, 6, 5, 4}, {3, 0, 5, 6}, {5, 2, 3, 6}};
    const bool minor = mode == Mode::Minor || mode == Mode::Dorian;
    if (minor) {
        return opening ? kMinorA : kMinorB;
    }
    return opening ? kMajorA : kMajorB;
}

struct MelodyNote {
    int64_t start = 0;  // ticks from the section's start
    int64_t length = 0;
    int degree = 0;
    int velocity = 90;
};

class SongWriter {
public:
    explicit SongWriter(const TrackStyle& style) : mStyle(style), mRandom(style.seed) {
        mMelodyTonic = style.tonic;
        while (mMelodyTonic < style.melodyLow) {
            mMelodyTonic += 12;
        }
        while (mMelodyTonic - 12 >= style.melodyLow) {
            mMelodyTonic -= 12;
        }
        mEighthsPerBar = style.beatsPerBar * 2;
    }

    Score Write() {
        Score score;
        score.tempo = mStyle.tempo;
        score.beatsPerBar = mStyle.beatsPerBar;
        score.bars = static_cast<int>(mStyle.form.size()) * mStyle.sectionBars;
        score.channels.push_back({kMelodyA, mStyle.melodyA, mStyle.melodyVolume, 64, 50});
        score.channels.push_back(
            {kMelodyB, mStyle.melodyB,
             mStyle.melodyBVolume < 0 ? mStyle.melodyVolume : mStyle.melodyBVolume, 60, 50});
        if (mStyle.chordProgram >= 0) {
            score.channels.push_back({kChords, mStyle.chordProgram, mStyle.chordVolume, 44, 45});
        }
        if (mStyle.padProgram >= 0) {
            score.channels.push_back({kPad, mStyle.padProgram, mStyle.padVolume, 84, 70});
        }
        score.channels.push_back({kBass, mStyle.bassProgram, mStyle.bassVolume, 64, 20});
        if (mStyle.drums != DrumStyle::None) {
            score.channels.push_back({kDrumChannel, 0, mStyle.drumVolume, 64, 30});
        }

        // Each distinct letter of the form gets its chords and melody once, so repeats return.
        std::map<char, std::vector<int>> chordsOf;
        std::map<char, std::vector<MelodyNote>> melodyOf;
        for (char letter : mStyle.form) {
            if (!chordsOf.contains(letter)) {
                chordsOf[letter] = MakeChords(letter == mStyle.form.front());
                melodyOf[letter] = MakeMelody(chordsOf[letter]);
            }
        }
        std::map<char, int> seen;
        const int64_t barTicks = score.TicksPerBar();
        for (size_t s = 0; s < mStyle.form.size(); ++s) {
            const char letter = mStyle.form[s];
            const int64_t sectionStart = static_cast<int64_t>(s) * mStyle.sectionBars * barTicks;
            const std::vector<int>& chords = chordsOf[letter];
            const int repeat = seen[letter]++;
            const int melodyChannel = letter == mStyle.form.front() ? kMelodyA : kMelodyB;
            for (const MelodyNote& note : Vary(melodyOf[letter], chords, repeat)) {
                Add(score, sectionStart + note.start, note.length, melodyChannel,
                    MelodyKey(note.degree), note.velocity);
                if (melodyChannel == kMelodyB && mStyle.harmonyB) {
                    Add(score, sectionStart + note.start, note.length, melodyChannel,
                        MelodyKey(note.degree - 2), note.velocity - 16);
                }
            }
            for (int bar = 0; bar < mStyle.sectionBars; ++bar) {
                const int64_t at = sectionStart + bar * barTicks;
                const int chord = chords[static_cast<size_t>(bar)];
                const int next = bar + 1 < mStyle.sectionBars
                                     ? chords[static_cast<size_t>(bar + 1)]
                                     : chordsOf[mStyle.form[(s + 1) % mStyle.form.size()]][0];
                const bool chordStarts = bar % mStyle.barsPerChord == 0;
                AddChordBar(score, at, chord, chordStarts);
                AddBassBar(score, at, chord, next, chordStarts);
                AddDrumBar(score, at, bar == 0, bar == mStyle.sectionBars - 1);
            }
        }
        return score;
    }

private:
    void Add(Score& score, int64_t tick, int64_t length, int channel, int key, int velocity) {
        const int64_t end = std::min(tick + length, score.LoopTicks());
        if (end > tick) {
            score.notes.push_back(
                {tick, end - tick, channel, std::clamp(key, 0, 127), std::clamp(velocity, 1, 127)});
        }
    }

    int Humanise(int velocity) { return velocity + mRandom.Below(11) - 5; }

    int MelodyKey(int degree) const {
        const auto& intervals = Intervals(mStyle.mode);
        return mMelodyTonic + 12 * FloorDiv(degree, 7) +
               intervals[static_cast<size_t>(Wrap7(degree))];
    }

    // The chord tones of a chord root, as keys placed in [low, low + 12).
    std::array<int, 3> ChordKeys(int root, int low) const {
        const auto& intervals = Intervals(mStyle.mode);
        std::array<int, 3> keys{};
        for (int i = 0; i < 3; ++i) {
            keys[static_cast<size_t>(i)] =
                IntoOctave(mStyle.tonic + intervals[static_cast<size_t>(Wrap7(root + 2 * i))], low);
        }
        std::sort(keys.begin(), keys.end());
        return keys;
    }

    int BassKey(int degree) const {
        const auto& intervals = Intervals(mStyle.mode);
        return IntoOctave(mStyle.tonic + intervals[static_cast<size_t>(Wrap7(degree))], 36);
    }

    // The chord root of every bar of a section.
    std::vector<int> MakeChords(bool opening) {
        const auto& list = Progressions(mStyle.mode, opening);
        const auto& first = list[static_cast<size_t>(mRandom.Below(static_cast<int>(list.size())))];
        const auto& second =
            list[static_cast<size_t>(mRandom.Below(static_cast<int>(list.size())))];
        // The second half of a long section may take another progression of the same kind.
        const bool answer = mRandom.Chance(0.5);
        std::vector<int> bars;
        for (int bar = 0; bar < mStyle.sectionBars; ++bar) {
            const int chord = bar / mStyle.barsPerChord;
            const auto& progression = chord / 4 % 2 == 1 && answer ? second : first;
            bars.push_back(progression[static_cast<size_t>(chord % 4)]);
        }
        return bars;
    }

    static bool IsChordTone(int degree, int root) {
        return Wrap7(degree - root) % 2 == 0 && Wrap7(degree - root) <= 4;
    }

    // The chord tone nearest a degree, looking first the way the melody moves (up when
    // `direction` is positive), so a step is not pulled back to the note it left.
    int NearestChordTone(int degree, int root, int direction = 1) const {
        const int way = direction < 0 ? -1 : 1;
        for (int offset : {0, way, -way, 2 * way, -2 * way}) {
            const int candidate = degree + offset;
            if (IsChordTone(candidate, root) && candidate >= kLowDegree &&
                candidate <= kHighDegree) {
                return candidate;
            }
        }
        return degree;
    }

    // The next melodic step from a degree; far from the middle of the range, steps lean back.
    int Step(int degree) {
        static constexpr int kSteps[] = {-2, -1, -1, -1, 0, 1, 1, 1, 2, 3, -3, 1, -1};
        int step = kSteps[mRandom.Below(static_cast<int>(std::size(kSteps)))];
        const int away = degree - kMiddleDegree;
        if (std::abs(away) > 2 && (away > 0) == (step > 0) && mRandom.Chance(0.75)) {
            step = -step;
        }
        return step;
    }

    // A section's melody: a two-bar motif, the motif again on the next chords, a new answer and
    // a cadence, for every eight bars.
    std::vector<MelodyNote> MakeMelody(const std::vector<int>& chords) {
        const auto& rhythms = Rhythms(mStyle.beatsPerBar, mStyle.density);
        const auto& cadences = Cadences(mStyle.beatsPerBar);
        const auto pick = [&](const std::vector<Rhythm>& from) {
            return from[static_cast<size_t>(mRandom.Below(static_cast<int>(from.size())))];
        };
        std::vector<MelodyNote> notes;
        int degree =
            NearestChordTone(chords[0] + 7 * ((kMiddleDegree - chords[0] + 3) / 7), chords[0]);
        std::vector<int> motifSteps;
        Rhythm motif0 = pick(rhythms);
        Rhythm motif1 = pick(rhythms);
        const int64_t barTicks = int64_t{kTicksPerBeat} * mStyle.beatsPerBar;
        for (int bar = 0; bar < mStyle.sectionBars; ++bar) {
            const int inBlock = bar % 8;
            Rhythm rhythm;
            switch (inBlock) {
                case 0:
                case 2:
                    rhythm = motif0;
                    break;
                case 1:
                case 3:
                case 5:
                    rhythm = motif1;
                    break;
                case 7:
                    rhythm = pick(cadences);
                    break;
                default:
                    rhythm = pick(rhythms);
                    break;
            }
            const bool reuseSteps = inBlock == 2 || inBlock == 3;
            size_t stepIndex = inBlock == 3 ? CountNotes(motif0) : 0;
            const int root = chords[static_cast<size_t>(bar)];
            int position = 0;
            for (size_t i = 0; i < rhythm.size(); ++i) {
                const int length = std::abs(rhythm[i]);
                if (rhythm[i] > 0) {
                    int step = 0;
                    if (reuseSteps && stepIndex < motifSteps.size()) {
                        step = motifSteps[stepIndex++];
                    } else {
                        step = Step(degree);
                        if (inBlock <= 1) {
                            motifSteps.push_back(step);
                        }
                    }
                    int target = degree + step;
                    if (target > kHighDegree || target < kLowDegree) {
                        target = degree - step;
                    }
                    target = std::clamp(target, kLowDegree, kHighDegree);
                    const bool strong = position == 0 || position * 2 == mEighthsPerBar ||
                                        length >= 3 || (inBlock == 7 && i + 1 == rhythm.size());
                    if (strong) {
                        target = NearestChordTone(target, root, target - degree);
                    }
                    if (inBlock == 7 && i + 1 == rhythm.size()) {
                        // The phrase comes to rest on the chord's root.
                        target = NearestRoot(target, root);
                    }
                    degree = target;
                    const int velocity = Humanise(position == 0 ? 96 : strong ? 88 : 80);
                    notes.push_back({bar * barTicks + position * kEighth,
                                     length * kEighth - kEighth / 8, degree, velocity});
                }
                position += length;
            }
        }
        return notes;
    }

    static size_t CountNotes(const Rhythm& rhythm) {
        return static_cast<size_t>(
            std::count_if(rhythm.begin(), rhythm.end(), [](int v) { return v > 0; }));
    }

    static int NearestRoot(int degree, int root) {
        int best = root;
        for (int candidate = root - 14; candidate <= root + 14; candidate += 7) {
            if (candidate >= kLowDegree && candidate <= kHighDegree &&
                std::abs(candidate - degree) < std::abs(best - degree)) {
                best = candidate;
            }
        }
        return best;
    }

    // A repeat of a section changes a few passing notes, never the strong ones.
    std::vector<MelodyNote> Vary(std::vector<MelodyNote> notes, const std::vector<int>& chords,
                                 int repeat) {
        if (repeat == 0) {
            return notes;
        }
        const int64_t barTicks = int64_t{kTicksPerBeat} * mStyle.beatsPerBar;
        for (MelodyNote& note : notes) {
            const int root = chords[static_cast<size_t>(note.start / barTicks)];
            if (note.length < 2 * kEighth && !IsChordTone(note.degree, root) &&
                mRandom.Chance(0.3)) {
                note.degree = std::clamp(note.degree + (mRandom.Chance(0.5) ? 1 : -1), kLowDegree,
                                         kHighDegree);
            }
        }
        return notes;
    }

    void AddChordBar(Score& score, int64_t at, int root, bool chordStarts) {
        const int64_t barTicks = score.TicksPerBar();
        const int64_t chordTicks = barTicks * mStyle.barsPerChord;
        const auto keys = ChordKeys(root, 55);
        if (mStyle.padProgram >= 0 && chordStarts) {
            for (int key : ChordKeys(root, 50)) {
                Add(score, at, chordTicks - 10, kPad, key, Humanise(62));
            }
        }
        if (mStyle.chordProgram < 0) {
            return;
        }
        switch (mStyle.chords) {
            case ChordStyle::Pad:
                if (chordStarts) {
                    for (int key : keys) {
                        Add(score, at, chordTicks - 10, kChords, key, Humanise(64));
                    }
                }
                break;
            case ChordStyle::Arpeggio: {
                const int order[] = {0, 1, 2, 3, 4, 5, 4, 3};
                for (int i = 0; i < mEighthsPerBar; ++i) {
                    const int step = order[i % 8];
                    const int key = keys[static_cast<size_t>(step % 3)] + 12 * (step / 3);
                    // Each note rings until the pattern comes back to its key.
                    Add(score, at + i * kEighth, 2 * kEighth, kChords, key,
                        Humanise(i == 0 ? 72 : 60));
                }
                break;
            }
            case ChordStyle::Comp: {
                static const std::vector<std::vector<int>> kHits{
                    {0, 3, 4, 6}, {0, 2, 3, 6}, {0, 4, 5}};
                const auto& hits = kHits[static_cast<size_t>(root % 3)];
                for (size_t h = 0; h < hits.size(); ++h) {
                    const int hit = hits[h];
                    const int next = h + 1 < hits.size() ? hits[h + 1] : mEighthsPerBar;
                    if (hit >= mEighthsPerBar) {
                        continue;
                    }
                    // A stab lasts at most a beat and ends before the next one.
                    const int64_t length = std::min<int64_t>(2, next - hit) * kEighth - 20;
                    for (int key : keys) {
                        Add(score, at + hit * kEighth, length, kChords, key,
                            Humanise(hit == 0 ? 74 : 64));
                    }
                }
                break;
            }
            case ChordStyle::Offbeat:
                for (int i = 1; i < mEighthsPerBar; i += 2) {
                    for (int key : keys) {
                        Add(score, at + i * kEighth, kEighth * 3 / 4, kChords, key, Humanise(66));
                    }
                }
                break;
        }
    }

    void AddBassBar(Score& score, int64_t at, int root, int next, bool chordStarts) {
        const int64_t barTicks = score.TicksPerBar();
        const int key = BassKey(root);
        const int fifth = IntoOctave(BassKey(root + 4), key);
        switch (mStyle.bass) {
            case BassStyle::Held:
                if (chordStarts) {
                    Add(score, at, barTicks * mStyle.barsPerChord - 20, kBass, key, Humanise(84));
                }
                break;
            case BassStyle::RootFifth:
                Add(score, at, kTicksPerBeat - 30, kBass, key, Humanise(92));
                for (int beat = 1; beat < mStyle.beatsPerBar; ++beat) {
                    if (beat % 2 == 0) {
                        Add(score, at + beat * kTicksPerBeat, kTicksPerBeat - 30, kBass, fifth - 12,
                            Humanise(84));
                    }
                }
                break;
            case BassStyle::Pulse:
                for (int i = 0; i < mEighthsPerBar; ++i) {
                    const int pulseKey = i == mEighthsPerBar - 2 ? key + 12 : key;
                    Add(score, at + i * kEighth, kEighth - 30, kBass, pulseKey,
                        Humanise(i % 2 == 0 ? 90 : 74));
                }
                break;
            case BassStyle::Walking: {
                const int third = IntoOctave(BassKey(root + 2), key);
                const int target = BassKey(next);
                const int approach = target + (target > key ? -1 : 1);
                const int line[] = {key, third, fifth, approach};
                for (int beat = 0; beat < mStyle.beatsPerBar; ++beat) {
                    const int walkKey = beat + 1 == mStyle.beatsPerBar ? approach : line[beat % 3];
                    Add(score, at + beat * kTicksPerBeat, kTicksPerBeat - 40, kBass, walkKey,
                        Humanise(beat == 0 ? 92 : 82));
                }
                break;
            }
        }
    }

    // Drum hits are short, so a hit a sixteenth later on the same drum is not cut off.
    void Drum(Score& score, int64_t tick, int key, int velocity) {
        Add(score, tick, kEighth / 2 - 10, kDrumChannel, key, Humanise(velocity));
    }

    void AddDrumBar(Score& score, int64_t at, bool sectionStart, bool fill) {
        const int eighths = mEighthsPerBar;
        const int64_t sixteenth = kEighth / 2;
        switch (mStyle.drums) {
            case DrumStyle::None:
                return;
            case DrumStyle::Pop:
                for (int i = 0; i < eighths; ++i) {
                    const int64_t t = at + i * kEighth;
                    if (fill && i >= eighths - 3) {
                        static const int kToms[] = {kHighTom, kMidTom, kLowTom};
                        Drum(score, t, kToms[(i - (eighths - 3)) % 3], 100);
                        Drum(score, t + sixteenth, kToms[(i - (eighths - 3)) % 3], 86);
                        continue;
                    }
                    Drum(score, t, kClosedHat, i % 2 == 0 ? 78 : 56);
                    if (i == 0 || i == 4 || (i == 5 && !sectionStart)) {
                        Drum(score, t, kKick, i == 5 ? 88 : 112);
                    }
                    if (i == 2 || i == 6) {
                        Drum(score, t, kSnare, 108);
                    }
                }
                if (sectionStart) {
                    Drum(score, at, kCrash, 100);
                }
                break;
            case DrumStyle::Dance:
                for (int i = 0; i < eighths; ++i) {
                    const int64_t t = at + i * kEighth;
                    if (i % 2 == 0) {
                        Drum(score, t, kKick, i == 0 ? 104 : 92);
                    } else {
                        Drum(score, t, kOpenHat, 50);
                    }
                    if (i == 2 || i == 6) {
                        Drum(score, t, kClap, 96);
                    }
                    Drum(score, t + sixteenth, kTambourine, 44);
                    if (fill && i >= eighths - 2) {
                        Drum(score, t + sixteenth, kClap, 80);
                    }
                }
                if (sectionStart) {
                    Drum(score, at, kCrash, 84);
                }
                break;
            case DrumStyle::Light:
                for (int i = 0; i < eighths; ++i) {
                    const int64_t t = at + i * kEighth;
                    Drum(score, t, kMaracas, i % 2 == 0 ? 56 : 42);
                    if (i == 0 || (i == 4 && !fill)) {
                        Drum(score, t, kKick, 84);
                    }
                    if (i == 2 || i == 6) {
                        Drum(score, t, kSideStick, 84);
                    }
                    if (i == 3 || i == 7 || (fill && i >= 4)) {
                        Drum(score, t, kWoodBlock, fill ? 80 : 62);
                    }
                }
                break;
            case DrumStyle::March:
                for (int i = 0; i < eighths; ++i) {
                    const int64_t t = at + i * kEighth;
                    if (i % 2 == 0) {
                        Drum(score, t, kRide, 66);
                    }
                    if (i == 0 || i == 4) {
                        Drum(score, t, kKick, 104);
                    }
                    if (fill && i >= eighths / 2) {
                        Drum(score, t, kSnare, 70 + 8 * (i - eighths / 2));
                        Drum(score, t + sixteenth, kSnare, 62 + 8 * (i - eighths / 2));
                    } else if (i == 2 || i == 6) {
                        Drum(score, t, kSnare, 100);
                    } else if (i == 7) {
                        Drum(score, t + sixteenth, kSnare, 48);
                    }
                }
                if (sectionStart) {
                    Drum(score, at, kCrash, 96);
                }
                break;
            case DrumStyle::Shaker:
                for (int i = 0; i < eighths; ++i) {
                    Drum(score, at + i * kEighth, kMaracas, i % 2 == 0 ? 48 : 34);
                }
                if (sectionStart || mRandom.Chance(0.3)) {
                    Drum(score, at, kTriangle, 54);
                }
                break;
        }
    }

    static constexpr int kLowDegree = -3;
    static constexpr int kHighDegree = 9;
    static constexpr int kMiddleDegree = 3;

    const TrackStyle& mStyle;
    AudioRandom mRandom;
    int mMelodyTonic = 72;
    int mEighthsPerBar = 8;
};

}  // namespace

Score Compose(const TrackStyle& style) {
    Score score = SongWriter(style).Write();
    std::stable_sort(score.notes.begin(), score.notes.end(),
                     [](const NoteEvent& a, const NoteEvent& b) { return a.tick < b.tick; });
    return score;
}

Score FirstBars(const Score& score, int bars) {
    Score out = score;
    out.bars = std::min(bars, score.bars);
    out.notes.clear();
    const int64_t end = out.LoopTicks();
    for (NoteEvent note : score.notes) {
        if (note.tick < end) {
            note.length = std::min(note.length, end - note.tick);
            out.notes.push_back(note);
        }
    }
    return out;
}

}  // namespace make_data::audio

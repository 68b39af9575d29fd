// Writes what the data tool's audio parts make into a folder, for the tool tests. A program of
// its own because the encoder's libvorbis and the player's Tremor share symbol names, so the
// tests read the files in a process that has only Tremor.
//   make_audio_part sounds FOLDER           the sounds and "entries.txt" (group, tab, element)
//   make_audio_part music FOLDER            the seven tracks and "frames.txt" (path, frames)
//   make_audio_part track N BARS FOLDER     the first bars of one track, and "frames.txt"
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

#include "make_data/DataSet.h"
#include "make_data/audio/AudioParts.h"

namespace {

void Write(const std::filesystem::path& folder, const make_data::DataFile& file) {
    const std::filesystem::path path = folder / file.path;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.bytes.data()),
              static_cast<std::streamsize>(file.bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    try {
        if (what == "sounds" && argc == 3) {
            const make_data::DataPart part = make_data::MakeSounds();
            for (const auto& file : part.files) {
                Write(argv[2], file);
            }
            std::ofstream entries(std::filesystem::path(argv[2]) / "entries.txt");
            for (const auto& entry : part.entries) {
                entries << entry.group << '\t' << entry.element << '\n';
            }
            return 0;
        }
        if (what == "music" && argc == 3) {
            const make_data::DataPart part = make_data::MakeMusic();
            std::ofstream frames(std::filesystem::path(argv[2]) / "frames.txt");
            for (int track = 0; track < make_data::kMusicTrackCount; ++track) {
                Write(argv[2], part.files[static_cast<size_t>(track)]);
                frames << part.files[static_cast<size_t>(track)].path << ' '
                       << make_data::MusicTrackFrames(track) << '\n';
            }
            return 0;
        }
        if (what == "track" && argc == 5) {
            const int track = std::atoi(argv[2]);
            const int bars = std::atoi(argv[3]);
            Write(argv[4],
                  {make_data::MusicTrackPath(track), make_data::MakeMusicTrack(track, bars)});
            std::ofstream frames(std::filesystem::path(argv[4]) / "frames.txt");
            frames << make_data::MusicTrackPath(track) << ' '
                   << make_data::MusicTrackFrames(track, bars) << '\n';
            return 0;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_audio_part: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "usage: make_audio_part sounds|music FOLDER | track N BARS FOLDER\n");
    return 2;
}

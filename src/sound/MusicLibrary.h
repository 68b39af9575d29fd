#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace platform {
class AudioDevice;
}

namespace Vesk {

// One entry point of a music library, found by its name.
struct LibraryEntry {
    std::string_view name;
    void (*function)();
};

// A music library as the back ends load it: a table of named entry points, so a back end
// that misses one can tell, and the output the library plays through.
struct MusicLibrary {
    std::span<const LibraryEntry> entries;
    // Where the library's channels play; null plays nothing. May be null in a fake library.
    void (*useOutput)(platform::AudioDevice* device) = nullptr;

    // The entry point as its own type; null when the table lacks it.
    template <class Function>
    Function Find(std::string_view name) const {
        for (const LibraryEntry& entry : entries) {
            if (entry.name == name) {
                return reinterpret_cast<Function>(entry.function);
            }
        }
        return nullptr;
    }
};

// A table entry for a function of any type.
template <class Function>
LibraryEntry Entry(std::string_view name, Function function) {
    return LibraryEntry{name, reinterpret_cast<void (*)()>(function)};
}

// Shows the text through showError (or the debugger channel when there is none) and ends the
// process with code 1: a missing music library or entry point is a failure.
[[noreturn]] void MusicLibraryFatal(const std::function<void(const std::string&)>& showError,
                                    const std::string& text);

}  // namespace Vesk

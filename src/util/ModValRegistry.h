#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Vesk {

class ModValMark;

// The tweak marks of the process by source file, made on first use. Marks enter it when they
// are constructed (for the tweak macro, during static initialisation), so no search of the
// program's memory is needed. A file is re-read only once it is "used": one of its marks has
// been evaluated.
class ModValRegistry {
public:
    static ModValRegistry& Instance();

    void Register(ModValMark& mark);
    void Unregister(const ModValMark& mark);
    void MarkUsed(const ModValMark& mark);

    // Named integer constants that a tweak value may name instead of a number.
    void SetIntConstant(std::string_view name, int32_t value);
    std::optional<int32_t> FindIntConstant(std::string_view name) const;

    // Newest last-write time seen among the sources, in seconds since 1970; 0 at start.
    int64_t NewestSourceTime() const;
    // Takes the time when it is newer than the newest so far; true when it was.
    bool TakeNewerSourceTime(int64_t seconds);

    struct MarkPlace {
        int32_t line = 0;
        int32_t order = 0;
    };
    struct UsedFile {
        std::string name;
        std::vector<MarkPlace> marks;  // by line, then order; each place once
    };
    // The used files in name order, copied so that reading them needs no lock.
    std::vector<UsedFile> UsedFiles() const;

    // Stores the value into every mark of the file at the place, which also marks the file
    // used; false when no mark is there any more.
    bool Store(std::string_view file, MarkPlace place, int32_t intValue, double floatValue,
               std::string_view text);

private:
    ModValRegistry() = default;

    using PlaceKey = std::pair<int32_t, int32_t>;  // line, order
    struct FileEntry {
        bool used = false;
        std::multimap<PlaceKey, ModValMark*> marks;
    };

    mutable std::mutex mMutex;
    std::map<std::string, FileEntry, std::less<>> mFiles;
    std::map<std::string, int32_t, std::less<>> mIntConstants;
    int64_t mNewestSourceTime = 0;
};

}  // namespace Vesk

// The resource archive reader: registering, then every entry through every read operation.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzFile.h"
#include "platform/FileSearch.h"
#include "platform/FileSystem.h"
#include "resources/PakInterface.h"

namespace {

// A search that finds no entry goes on to the disk; an empty working folder keeps that cheap.
const bool kInEmptyFolder = [] {
    const std::string folder = "/tmp/vesk_fuzz_" + std::to_string(platform::ProcessId()) + "_cwd";
    return platform::fs::MakeDirectory(folder) && platform::fs::SetCurrentDirectory(folder);
}();

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static_cast<void>(kInEmptyFolder);
    const std::string path = WriteFuzzFile("archive.pak", data, size);
    PakInterface pak;
    if (!pak.AddPakFile(path)) {
        if (pak.GetErrorText().find(path) == std::string::npos) {
            std::abort();  // a refusal must name the archive
        }
        return 0;
    }
    platform::fs::FindFileData found;
    PakFindData* search = pak.FindFirst("*", &found);
    // Only archive entries: once the search reaches the disk it lists the working folder.
    for (int n = 0; search != nullptr && search->mSearch == nullptr && n < 256; ++n) {
        if (PakFileHandle* h = pak.Open(found.fileName, "rb")) {
            char buffer[300];
            size_t total = 0;
            while (size_t got = pak.Read(buffer, 3, sizeof(buffer) / 3, h)) {
                total += got * 3;
            }
            pak.Seek(h, 1, 2);
            pak.UngetChar('x', h);
            while (pak.GetChar(h) >= 0) {
            }
            pak.Seek(h, 0, 0);
            while (pak.GetLine(buffer, 17, h) != nullptr) {
            }
            if (!pak.AtEnd(h) || total > size) {
                std::abort();
            }
            pak.Close(h);
        }
        if (!pak.FindNext(search, &found)) {
            break;
        }
    }
    pak.FindClose(search);
    return 0;
}

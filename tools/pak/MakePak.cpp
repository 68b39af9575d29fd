// make_pak FOLDER OUT.pak: packs every file below FOLDER into a resource archive.
#include <cstdio>
#include <string>
#include <vector>

#include "pak/PakWriter.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_pak FOLDER OUT.pak\n");
        return 2;
    }
    std::vector<vesk_tools::PakEntry> entries;
    std::string error;
    if (!vesk_tools::CollectFolder(argv[1], entries, error) ||
        !vesk_tools::WritePak(argv[2], entries, error)) {
        std::fprintf(stderr, "make_pak: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s: %zu entries\n", argv[2], entries.size());
    return 0;
}

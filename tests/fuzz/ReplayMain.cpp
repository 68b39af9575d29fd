// Feeds every file of the folders given on the command line to the fuzz target once.
// Used where libFuzzer is not linked: the ordinary and the sanitized test builds.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    size_t inputs = 0;
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        if (!std::filesystem::is_directory(argv[i], ec)) {
            continue;
        }
        for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[i])) {
            if (!entry.is_regular_file()) {
                continue;
            }
            std::ifstream in(entry.path(), std::ios::binary);
            std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
            std::printf("%s (%zu bytes)\n", entry.path().c_str(), bytes.size());
            std::fflush(stdout);
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++inputs;
        }
    }
    // Always also the empty input.
    LLVMFuzzerTestOneInput(nullptr, 0);
    std::printf("%zu inputs replayed\n", inputs + 1);
    return 0;
}

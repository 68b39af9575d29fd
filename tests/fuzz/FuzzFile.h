#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/Process.h"

// Readers that only take a path get the fuzz input through one scratch file per process.
inline std::string WriteFuzzFile(const char* name, const uint8_t* data, size_t size) {
    const std::string path = "/tmp/vesk_fuzz_" + std::to_string(platform::ProcessId()) + "_" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file != nullptr) {
        if (size > 0) {
            std::fwrite(data, 1, size, file);
        }
        std::fclose(file);
    }
    return path;
}

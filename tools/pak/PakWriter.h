#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vesk_tools {

// One file to pack. The name is a relative path; '/' becomes '\' in the archive.
struct PakEntry {
    std::string name;
    std::vector<uint8_t> data;
    // FILETIME: 100-nanosecond ticks since 1601-01-01 UTC.
    uint64_t fileTime = 0;
};

// The archive's bytes in the format PakInterface reads, entries in the order given. False
// with a reason for a name longer than 255 bytes, a name with "." or ".." parts, or an
// entry of 2 GB or more.
bool BuildPak(const std::vector<PakEntry>& entries, std::vector<uint8_t>& out, std::string& error);

// Every file below the folder, names relative to it, in byte order of their archive names.
// Symbolic links are not followed.
bool CollectFolder(const std::string& folder, std::vector<PakEntry>& entries, std::string& error);

// Builds the archive and writes it whole or not at all.
bool WritePak(const std::string& path, const std::vector<PakEntry>& entries, std::string& error);

}  // namespace vesk_tools

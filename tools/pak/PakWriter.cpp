#include "pak/PakWriter.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/FileSearch.h"
#include "platform/FileSystem.h"
#include "resources/PakInterface.h"

namespace vesk_tools {

namespace {

void Put(std::vector<uint8_t>& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

// The reader finds a name only as NormalizePath spells requests: single '\', no "." parts.
std::string ArchiveName(const std::string& name, std::string& error) {
    std::string out;
    for (const char c : name) {
        out.push_back(c == '/' ? '\\' : c);
    }
    size_t start = 0;
    while (start <= out.size()) {
        size_t end = out.find('\\', start);
        if (end == std::string::npos) {
            end = out.size();
        }
        const std::string part = out.substr(start, end - start);
        if (part.empty() || part == "." || part == "..") {
            error = "bad entry name '" + name + "'";
            return {};
        }
        start = end + 1;
    }
    return out;
}

}  // namespace

bool BuildPak(const std::vector<PakEntry>& entries, std::vector<uint8_t>& out, std::string& error) {
    out.clear();
    Put(out, PakInterface::kMagic, 4);
    Put(out, PakInterface::kVersion, 4);
    for (const PakEntry& entry : entries) {
        const std::string name = ArchiveName(entry.name, error);
        if (name.empty()) {
            return false;
        }
        if (name.size() > 255) {
            error = "entry name longer than 255 bytes: '" + entry.name + "'";
            return false;
        }
        if (entry.data.size() > 0x7FFFFFFFu) {
            error = "entry of 2 GB or more: '" + entry.name + "'";
            return false;
        }
        out.push_back(0);
        out.push_back(static_cast<uint8_t>(name.size()));
        out.insert(out.end(), name.begin(), name.end());
        Put(out, entry.data.size(), 4);
        Put(out, entry.fileTime, 8);
    }
    out.push_back(PakInterface::kEndOfDirectory);
    for (const PakEntry& entry : entries) {
        out.insert(out.end(), entry.data.begin(), entry.data.end());
    }
    for (uint8_t& byte : out) {
        byte ^= PakInterface::kScrambleByte;
    }
    return true;
}

bool CollectFolder(const std::string& folder, std::vector<PakEntry>& entries, std::string& error) {
    namespace stdfs = std::filesystem;
    std::error_code ec;
    const stdfs::path root(platform::fs::NativePath(folder));
    if (!stdfs::is_directory(root, ec)) {
        error = "not a folder: " + folder;
        return false;
    }
    std::vector<PakEntry> found;
    for (auto it = stdfs::recursive_directory_iterator(root, ec);
         !ec && it != stdfs::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_regular_file(ec) || it->is_symlink(ec)) {
            continue;
        }
        PakEntry entry;
        entry.name = it->path().lexically_relative(root).generic_string();
        std::ifstream in(it->path(), std::ios::binary);
        entry.data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof()) {
            error = "cannot read " + it->path().string();
            return false;
        }
        entry.fileTime = platform::fs::ToFileTime(platform::fs::ModTime(it->path().string()));
        found.push_back(std::move(entry));
    }
    if (ec) {
        error = "cannot list " + folder + ": " + ec.message();
        return false;
    }
    // A fixed order makes the archive the same on every machine.
    std::sort(found.begin(), found.end(),
              [](const PakEntry& a, const PakEntry& b) { return a.name < b.name; });
    entries.insert(entries.end(), std::make_move_iterator(found.begin()),
                   std::make_move_iterator(found.end()));
    return true;
}

bool WritePak(const std::string& path, const std::vector<PakEntry>& entries, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!BuildPak(entries, bytes, error)) {
        return false;
    }
    if (!platform::fs::WriteWholeFileAtomic(path, bytes.data(), bytes.size())) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace vesk_tools

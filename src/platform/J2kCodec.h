#pragma once

#include <cstddef>
#include <cstdint>

// The JPEG 2000 codec the image readers call: open a picture through the caller's stream
// routines, ask its size, decode it into the caller's 32-bit buffer. Over OpenJPEG.
// Safe from any thread for different pictures; the last error is kept per thread.
namespace platform::j2k {

// The codec's version; the readers want 0x120000 or later.
uint32_t GetVersion();

// The caller's stream. Seek is to an absolute offset; read answers the bytes read, 0 at the
// end. Close is called once by Close.
struct StreamRoutines {
    bool (*seek)(void* user, uint64_t offset) = nullptr;
    size_t (*read)(void* user, void* buffer, size_t size) = nullptr;
    void (*close)(void* user) = nullptr;
    // The stream's length in bytes.
    uint64_t length = 0;
};

struct Picture;

// Reads the header; the raw codestream and the JP2 box form are told apart by their first
// bytes. Null on failure, with GetLastError set.
Picture* OpenCustom(void* user, const StreamRoutines& routines);
// Ends the picture and closes its stream; null is ignored.
void Close(Picture* picture);

// Results: 0 on success, else an error code (also kept for GetLastError).
int GetInfo(Picture* picture, int* width, int* height, int* components);
// The size at a resolution level: 0 is full size, each level halves it (rounding up).
int GetResolutionDimensions(Picture* picture, int resolution, int* width, int* height);
// Decodes into buffer as 0x00RRGGBB pixels (grey repeated for one or two components) at pitch
// bytes per row. Options: "bpp=4" (bytes per pixel; only 4) and "rl=N" (resolution level),
// comma-separated. bufferSize and pitch are set to what was used.
int Decode(Picture* picture, void* buffer, size_t* bufferSize, const char* options, int* pitch);

int GetLastError();
// A constant text for an error code.
const char* GetErrorText(int code);

}  // namespace platform::j2k

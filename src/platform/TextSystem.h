#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Backend.h"

namespace platform {

struct TextLibrary;

// Whole pixels.
struct TextMetrics {
    int32_t height = 0;
    int32_t ascent = 0;
};

// width x height pixels of 0xAARRGGBB, rows from the top: the text colour everywhere, with the
// glyph coverage as alpha.
struct TextImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
};

// One face at one pixel size. Text is Windows-1252; "&" has no meaning and a line feed starts a
// new line. Safe from any thread: each call takes the font's own lock.
class TextFont {
public:
    struct Impl;
    explicit TextFont(std::unique_ptr<Impl> impl);
    ~TextFont();
    TextFont(const TextFont&) = delete;
    TextFont& operator=(const TextFont&) = delete;

    TextMetrics Metrics() const;
    // The widest line's advance.
    int32_t Measure(std::string_view text) const;
    // Measure(text) wide and one line height per line high; empty text gives an empty image.
    TextImage Render(std::string_view text, uint32_t rgb) const;
    // The same face, size and style; null when the face can no longer be read.
    std::unique_ptr<TextFont> Copy() const;

private:
    std::unique_ptr<Impl> mImpl;
};

// The system fonts of the desktop, rendered with FreeType. A backend only says which font file
// serves a face name; the base does the rest.
class TextSystem {
public:
    TextSystem();
    virtual ~TextSystem();
    TextSystem(const TextSystem&) = delete;
    TextSystem& operator=(const TextSystem&) = delete;

    // pixelSize is the em height. Null when no face file can be read. Safe from any thread.
    std::unique_ptr<TextFont> CreateFont(const std::string& face, int32_t pixelSize, bool bold,
                                         bool italic, bool underline);

protected:
    struct FaceFile {
        std::string path;
        int32_t index = 0;
        // The file lacks the weight or slant asked for, so it is made up.
        bool embolden = false;
        bool slant = false;
    };
    // The file for a face name; a backend falls back to a sans face of its own.
    virtual std::optional<FaceFile> FindFace(const std::string& face, bool bold, bool italic) = 0;

private:
    std::shared_ptr<TextLibrary> mLibrary;
};

std::unique_ptr<TextSystem> MakeTextSystem(BackendKind kind);

// The process's text system, as fonts made without an application find it; null when there is
// none (system fonts then measure 0 and draw nothing). Not owned; the entry function sets it.
TextSystem* GetTextSystem();
void SetTextSystem(TextSystem* textSystem);

}  // namespace platform

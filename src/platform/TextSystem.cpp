#include "platform/TextSystem.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <array>
#include <atomic>

#include "platform/TextEncoding.h"

namespace platform {

namespace {

// One rendered character: its coverage bitmap and where it sits against the pen.
struct Glyph {
    bool ready = false;
    int32_t width = 0;
    int32_t rows = 0;
    int32_t left = 0;
    int32_t top = 0;
    int32_t advance = 0;  // 26.6
    std::vector<uint8_t> coverage;
};

// A shear of about 12 degrees, as 16.16.
constexpr FT_Fixed kSlant = 0x3800;

std::atomic<TextSystem*> gTextSystem{nullptr};

}  // namespace

// The FreeType library, shared by the system and its fonts so that either may go first. Its
// lock guards face creation and disposal, which FreeType does not make thread-safe.
struct TextLibrary {
    std::mutex mutex;
    FT_Library library = nullptr;

    TextLibrary() {
        if (FT_Init_FreeType(&library) != 0) {
            library = nullptr;
        }
    }
    ~TextLibrary() {
        if (library != nullptr) {
            FT_Done_FreeType(library);
        }
    }
};

struct TextFont::Impl {
    std::mutex mutex;
    std::shared_ptr<TextLibrary> library;
    FT_Face face = nullptr;
    std::string path;
    int32_t index = 0;
    int32_t pixelSize = 0;
    bool embolden = false;
    bool slant = false;
    bool underline = false;
    TextMetrics metrics;
    int32_t underlineTop = 0;
    int32_t underlineThickness = 0;
    std::array<Glyph, 256> glyphs;

    ~Impl() {
        if (face != nullptr) {
            std::lock_guard<std::mutex> lock(library->mutex);
            FT_Done_Face(face);
        }
    }

    bool Open() {
        {
            std::lock_guard<std::mutex> lock(library->mutex);
            if (FT_New_Face(library->library, path.c_str(), index, &face) != 0) {
                face = nullptr;
                return false;
            }
        }
        if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(std::max(pixelSize, 1))) != 0) {
            return false;
        }
        const FT_Size_Metrics& size = face->size->metrics;
        metrics.ascent = static_cast<int32_t>((size.ascender + 63) >> 6);
        const int32_t descent = static_cast<int32_t>((-size.descender + 63) >> 6);
        metrics.height = metrics.ascent + descent;
        if (FT_IS_SCALABLE(face)) {
            const FT_Long position = FT_MulFix(face->underline_position, size.y_scale);
            const FT_Long thickness = FT_MulFix(face->underline_thickness, size.y_scale);
            underlineThickness = std::max<int32_t>(1, static_cast<int32_t>((thickness + 32) >> 6));
            underlineTop = metrics.ascent - static_cast<int32_t>((position + 32) >> 6) -
                           underlineThickness / 2;
        } else {
            underlineThickness = 1;
            underlineTop = metrics.ascent + 1;
        }
        underlineTop =
            std::clamp(underlineTop, 0, std::max(0, metrics.height - underlineThickness));
        return true;
    }

    // Caller holds mutex.
    const Glyph& GlyphOf(unsigned char byte) {
        Glyph& glyph = glyphs[byte];
        if (glyph.ready) {
            return glyph;
        }
        glyph.ready = true;
        const FT_UInt glyphIndex = FT_Get_Char_Index(face, text::CodePointFromCp1252(byte));
        if (FT_Load_Glyph(face, glyphIndex, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) {
            return glyph;
        }
        FT_GlyphSlot slot = face->glyph;
        FT_Pos extra = 0;
        if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
            if (embolden) {
                extra = std::max<FT_Pos>(
                    64, FT_MulFix(face->units_per_EM, face->size->metrics.y_scale) / 24);
                FT_Outline_Embolden(&slot->outline, extra);
            }
            if (slant) {
                FT_Matrix shear{0x10000, kSlant, 0, 0x10000};
                FT_Outline_Transform(&slot->outline, &shear);
            }
        }
        glyph.advance = static_cast<int32_t>(slot->advance.x + extra);
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) {
            return glyph;
        }
        const FT_Bitmap& bitmap = slot->bitmap;
        glyph.width = static_cast<int32_t>(bitmap.width);
        glyph.rows = static_cast<int32_t>(bitmap.rows);
        glyph.left = slot->bitmap_left;
        glyph.top = slot->bitmap_top;
        glyph.coverage.resize(static_cast<size_t>(glyph.width) * static_cast<size_t>(glyph.rows));
        for (int32_t row = 0; row < glyph.rows; ++row) {
            const unsigned char* source =
                bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
            std::copy_n(source, glyph.width,
                        glyph.coverage.begin() + static_cast<ptrdiff_t>(row) * glyph.width);
        }
        return glyph;
    }

    // Caller holds mutex.
    int32_t LineWidth(std::string_view line) {
        int64_t sum = 0;
        for (const char c : line) {
            sum += GlyphOf(static_cast<unsigned char>(c)).advance;
        }
        return static_cast<int32_t>((sum + 32) >> 6);
    }
};

TextFont::TextFont(std::unique_ptr<Impl> impl) : mImpl(std::move(impl)) {}

TextFont::~TextFont() = default;

TextMetrics TextFont::Metrics() const {
    return mImpl->metrics;
}

int32_t TextFont::Measure(std::string_view text) const {
    std::lock_guard<std::mutex> lock(mImpl->mutex);
    int32_t widest = 0;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = std::min(text.find('\n', start), text.size());
        widest = std::max(widest, mImpl->LineWidth(text.substr(start, end - start)));
        start = end + 1;
    }
    return widest;
}

TextImage TextFont::Render(std::string_view text, uint32_t rgb) const {
    TextImage image;
    const int32_t width = Measure(text);
    std::lock_guard<std::mutex> lock(mImpl->mutex);
    const int32_t lines = static_cast<int32_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    const int32_t lineHeight = mImpl->metrics.height;
    if (width <= 0 || lineHeight <= 0) {
        return image;
    }
    image.width = width;
    image.height = lineHeight * lines;
    std::vector<uint8_t> coverage(static_cast<size_t>(image.width) *
                                  static_cast<size_t>(image.height));
    int32_t line = 0;
    int64_t pen = 0;
    for (const char c : text) {
        if (c == '\n') {
            ++line;
            pen = 0;
            continue;
        }
        const Glyph& glyph = mImpl->GlyphOf(static_cast<unsigned char>(c));
        const int32_t originX = static_cast<int32_t>((pen + 32) >> 6) + glyph.left;
        const int32_t originY = line * lineHeight + mImpl->metrics.ascent - glyph.top;
        for (int32_t row = 0; row < glyph.rows; ++row) {
            const int32_t y = originY + row;
            if (y < line * lineHeight || y >= (line + 1) * lineHeight) {
                continue;
            }
            for (int32_t column = 0; column < glyph.width; ++column) {
                const int32_t x = originX + column;
                if (x < 0 || x >= image.width) {
                    continue;
                }
                uint8_t& target =
                    coverage[static_cast<size_t>(y) * static_cast<size_t>(image.width) +
                             static_cast<size_t>(x)];
                const int32_t sum =
                    target + glyph.coverage[static_cast<size_t>(row * glyph.width + column)];
                target = static_cast<uint8_t>(std::min(sum, 255));
            }
        }
        pen += glyph.advance;
    }
    if (mImpl->underline) {
        size_t start = 0;
        for (int32_t i = 0; i < lines; ++i) {
            const size_t end = std::min(text.find('\n', start), text.size());
            const int32_t lineWidth = mImpl->LineWidth(text.substr(start, end - start));
            for (int32_t t = 0; t < mImpl->underlineThickness; ++t) {
                const int32_t y = i * lineHeight + mImpl->underlineTop + t;
                std::fill_n(coverage.begin() + static_cast<ptrdiff_t>(y) * image.width,
                            std::min(lineWidth, image.width), uint8_t{255});
            }
            start = end + 1;
        }
    }
    const uint32_t color = rgb & 0x00FFFFFFu;
    image.pixels.resize(coverage.size());
    for (size_t i = 0; i < coverage.size(); ++i) {
        image.pixels[i] = (static_cast<uint32_t>(coverage[i]) << 24) | color;
    }
    return image;
}

std::unique_ptr<TextFont> TextFont::Copy() const {
    auto impl = std::make_unique<Impl>();
    impl->library = mImpl->library;
    impl->path = mImpl->path;
    impl->index = mImpl->index;
    impl->pixelSize = mImpl->pixelSize;
    impl->embolden = mImpl->embolden;
    impl->slant = mImpl->slant;
    impl->underline = mImpl->underline;
    if (!impl->Open()) {
        return nullptr;
    }
    return std::make_unique<TextFont>(std::move(impl));
}

TextSystem::TextSystem() : mLibrary(std::make_shared<TextLibrary>()) {}

TextSystem::~TextSystem() = default;

std::unique_ptr<TextFont> TextSystem::CreateFont(const std::string& face, int32_t pixelSize,
                                                 bool bold, bool italic, bool underline) {
    if (mLibrary->library == nullptr || pixelSize <= 0) {
        return nullptr;
    }
    const std::optional<FaceFile> file = FindFace(face, bold, italic);
    if (!file) {
        return nullptr;
    }
    auto impl = std::make_unique<TextFont::Impl>();
    impl->library = mLibrary;
    impl->path = file->path;
    impl->index = file->index;
    impl->pixelSize = pixelSize;
    impl->embolden = file->embolden;
    impl->slant = file->slant;
    impl->underline = underline;
    if (!impl->Open()) {
        return nullptr;
    }
    return std::make_unique<TextFont>(std::move(impl));
}

TextSystem* GetTextSystem() {
    return gTextSystem.load();
}

void SetTextSystem(TextSystem* textSystem) {
    gTextSystem.store(textSystem);
}

}  // namespace platform

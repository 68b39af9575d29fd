#pragma once

// A fixed-pitch font that records what it draws, for the screens' tests.
#include <memory>
#include <string>
#include <vector>

#include "app/util/Common.h"
#include "game/app/ResourceIdTable.h"
#include "graphics/Font.h"

namespace gameapptest {

// Every character is 7 pixels wide; ascent 12, height 16, line spacing 20.
class FakeFont : public Vesk::Font {
public:
    FakeFont() {
        mAscent = 12;
        mHeight = 16;
        mLineSpacingOffset = 4;
    }
    int32_t StringWidth(const std::string& text) override {
        return 7 * static_cast<int32_t>(text.size());
    }
    void DrawString(Vesk::Graphics& g, int32_t x, int32_t y, const std::string& text,
                    const Vesk::Color& color, const Vesk::Rect& clipRect) override {
        (void)g;
        (void)color;
        (void)clipRect;
        mDrawn->push_back(Vesk::StrFormat("%s %d %d", text.c_str(), x, y));
    }
    std::unique_ptr<Vesk::Font> Duplicate() const override {
        return std::make_unique<FakeFont>(*this);
    }

    // Shared by the duplicates the widgets keep.
    std::shared_ptr<std::vector<std::string>> mDrawn = std::make_shared<std::vector<std::string>>();
};

// Unbinds every picture and font, so no screen reads one that an earlier test freed.
inline void UnbindPicturesAndFonts() {
    for (const ResourceIdEntry& entry : kResourceIdEntries) {
        if (entry.mKind != ResourceKind::Sound) {
            *static_cast<void**>(entry.mVariable) = nullptr;
        }
    }
}

}  // namespace gameapptest

#pragma once

// A fixed-pitch font that records what it draws, for the screens' tests.
#include <memory>
#include <string>
#include <vector>

#include "game/app/ResourceIdTable.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "util/Common.h"

namespace gameapptest {

// Draws every character as a block and records each string. At the default size characters
// are 7 pixels wide, the ascent 12, the height 16 and the line spacing 20.
class FakeFont : public Vesk::Font {
public:
    explicit FakeFont(int ascent = 12) {
        mAscent = ascent;
        mHeight = ascent * 4 / 3;
        mLineSpacingOffset = ascent / 3;
    }
    int32_t StringWidth(const std::string& text) override {
        return Step() * static_cast<int32_t>(text.size());
    }
    void DrawString(Vesk::Graphics& g, int32_t x, int32_t y, const std::string& text,
                    const Vesk::Color& color, const Vesk::Rect& clipRect) override {
        (void)clipRect;
        mDrawn->push_back(Vesk::StrFormat("%s %d %d", text.c_str(), x, y));
        g.SetColor(color);
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] != ' ') {
                g.FillRect(x + static_cast<int>(i) * Step() + 1, y - mAscent, Step() - 2, mAscent);
            }
        }
    }
    std::unique_ptr<Vesk::Font> Duplicate() const override {
        return std::make_unique<FakeFont>(*this);
    }

    // Shared by the duplicates the widgets keep.
    std::shared_ptr<std::vector<std::string>> mDrawn = std::make_shared<std::vector<std::string>>();

private:
    int Step() const { return mAscent * 7 / 12; }
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

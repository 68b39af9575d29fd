#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "game/app/CRipple.h"
#include "game/app/CScreen.h"

namespace Vesk {

class Font;
class Graphics;
class Image;
class MemoryImage;

// The credits roll: logos and lines rise from the bottom between a background and a frame,
// stopping where the script asks, while the main theme plays; loud beats ripple the text. Made
// on demand by the application; it deletes itself once it has left the manager.
class CCredits : public CScreen {
public:
    enum Kind { IMAGE = 0, TEXT = 1, BREAK = 2 };
    enum Align { LEFT = 0, CENTER = 1, RIGHT = 2 };

    struct Item {
        int kind = TEXT;
        int align = CENTER;
        // Seconds.
        int delay = 0;
        bool visible = false;
        bool passed = false;
        // Its delay has run; each item stops once.
        bool delayStarted = false;
        Image* image = nullptr;  // not owned
        std::string text;
        Font* font = nullptr;  // not owned; null until the resources are loaded
        double breakHeight = 0.0;
        // Where the walk last laid it, to notice its centre crossing the middle between steps.
        double lastY = 0.0;
        bool laid = false;

        int Width() const;
        // A break's is fractional: what follows it starts exactly below the screen.
        double Height() const;
    };

    static constexpr int kTrack = 3;
    static constexpr int kAreaTop = 0;
    static constexpr int kAreaHeight = 600;
    static constexpr int kAreaLeft = 0;
    static constexpr int kAreaWidth = 800;
    static constexpr int kSpacing = 25;
    static constexpr int kSideMargin = 150;
    static constexpr double kSpeed = 0.25;
    // Both peaks of the music above this start a ripple.
    static constexpr uint32_t kLoudPeak = 12000;
    static constexpr uint32_t kNoLevel = 0xFFFF;
    static const char* const kBuiltInScript;

    CCredits();
    ~CCredits() override;

    void AddedToManager(WidgetManager* manager) override;
    void RemovedFromManager(WidgetManager* manager) override;
    void Update() override;
    void UpdateF(float fraction) override;
    void Draw(Graphics* g) override;
    void KeyDown(int key) override;

    // Reads a script; false (error says why) on a parser error, an unknown element, an end tag
    // out of place, a missing "Credits" root or an image id that names no loaded image.
    static bool ReadScript(std::string_view text, std::vector<Item>& items, std::string& error);

    // Back to the main menu, once no fade runs.
    void Leave();
    void Scroll(double fraction);
    void Layout();
    void RippleStep();

    std::vector<Item> mItems;
    bool mRunning = false;
    // The y of the first item not yet passed.
    double mScrollPos = kAreaTop + kAreaHeight;
    int mPassedCount = 0;
    bool mFinished = false;
    uint32_t mDelayStart = 0;
    // Seconds; 0 when none runs.
    int mCurrentDelay = 0;
    CRipple mRipple;
    int mRippleX = 0;
    int mRippleY = 0;
    std::string mScriptError;

protected:
    // The "Credits" group goes before the next screen comes.
    bool PrepareHandOver(Widget* next) override;
    // Loads and binds the "Credits" group; false when either fails.
    virtual bool LoadResources();
    // The main theme's peaks: left in the low 16 bits, right in the high.
    virtual uint32_t MusicLevel();

private:
    // The application's game clock, which a demo drives; the wall clock without an application.
    uint32_t TickMs() const;
    Image* TextImage(const Item& item);
    void DrawRipple(Graphics* g);

    std::unique_ptr<MemoryImage> mTextLayer;
    std::unique_ptr<MemoryImage> mPatch;
    std::vector<uint32_t> mPatchSource;
    std::map<std::string, std::unique_ptr<MemoryImage>> mTextImages;
};

}  // namespace Vesk

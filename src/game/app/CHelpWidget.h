#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "game/core/BoardHelp.h"

namespace Vesk {

class Board;
class Image;
class zmImageEx;

// The in-game tutor: once per topic it pauses play and shows a speech bubble with a turning
// arrow at the thing it explains. A child of the board while help is on; the board owns it and
// keeps the pending topics in the saved game. Main thread only.
class CHelpWidget : public BoardHelp {
public:
    enum Topic : uint32_t {
        kBubble = 1,
        kWhirlwind = 2,
        kSlowMotion = 4,
        kMatch3 = 8,
        kMatch3Plus = 16,
        kGameBar = 32,
        kEffectivityBar = 64,
        kSpellShield = 128,
    };
    static constexpr uint32_t kDismissDelayMs = 500;
    static constexpr int kTextMargin = 60;
    static constexpr int kTextX = 25;

    // Where a bubble and its arrow go for a target, all in board pixels.
    struct Layout {
        int32_t bubbleX = 0;
        int32_t bubbleY = 0;
        int32_t arrowX = 0;
        int32_t arrowY = 0;
        // Radians; 0 points up, growing counter-clockwise.
        double angle = 0.0;
    };
    struct Geometry {
        int32_t areaWidth, areaHeight;
        int32_t targetX, targetY;
        int32_t bubbleWidth, bubbleHeight;
        int32_t arrowMode;
        int32_t arrowHeight;
        int32_t celWidth, celHeight;
    };
    // The bubble in the free space beyond the target, pulled toward it, and the arrow between.
    // A target on the bubble's centre leaves the arrow on the target and the bubble in place.
    static Layout PlaceBubble(const Geometry& geometry);
    static const char* TopicTextId(uint32_t topic);

    // board outlives the widget (it owns it).
    explicit CHelpWidget(Board& board);
    ~CHelpWidget() override;

    void FillTopicQueue() override;
    uint32_t SaveTopics() const override;
    void LoadTopics(uint32_t mask) override;

    void RemovedFromManager(WidgetManager* manager) override;
    void Update() override;
    void Draw(Graphics* g) override;
    void KeyDown(int key) override;
    void MouseDown(int x, int y, int clickCount) override;

    // Pauses the board and shows the topic's bubble pointing at (targetX, targetY).
    void ShowTopic(uint32_t topic, int32_t targetX, int32_t targetY, int32_t arrowMode);
    // Nothing unless a bubble shows and has shown for half a second.
    void Dismiss();
    // True with the target when the board shows what the topic explains.
    bool TopicReady(uint32_t topic, int32_t& targetX, int32_t& targetY, int32_t& arrowMode);

    bool IsShowing() const { return mShowing; }
    const std::deque<uint32_t>& Topics() const { return mTopics; }
    const Layout& GetLayout() const { return mLayout; }
    const std::string& GetTextId() const { return mTextId; }

private:
    void BuildBubble(int32_t arrowMode);

    Board& mBoard;
    bool mShowing = false;
    uint32_t mShownAt = 0;
    std::string mTextId;
    int32_t mTargetX = 0;
    int32_t mTargetY = 0;
    int32_t mArrowMode = 0;
    Layout mLayout;
    std::unique_ptr<Image> mBubble;
    std::unique_ptr<zmImageEx> mArrow;
    std::deque<uint32_t> mTopics;
};

}  // namespace Vesk

#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "game/core/CObject.h"
#include "game/core/MediaIds.h"

class CParticleEffect;

// One of the three icons on the board's left edge that hold the bonus charges. Slides in with
// the first charge, grows an aura under the mouse, starts its bonus when clicked and slides out
// once the last charge is spent.
class CBonusIcon : public CObject {
public:
    enum class Kind { Whirlwind, Bubble, SlowMotion };
    enum State : int32_t {
        Hidden = 0,
        SlidingIn = 1,
        Shown = 2,
        InUse = 3,
        ClockRunsOut = 4,
        SlidingOut = 5,
    };
    static constexpr int32_t kLayer = 9;
    static constexpr int32_t kStartX = -210;
    static constexpr int32_t kSlideStep = 4;

    // The per-icon constants.
    struct Style {
        Kind kind;
        ObjectTypeId typeId;
        int32_t targetX, restY;
        int32_t pictureX, pictureY;
        int32_t hitX, hitY, hitWidth, hitHeight;
        Vesk::GameImage normal, aura;
        Vesk::GameParticles particles;
        Vesk::GameSound cloudSound, plainSound;
    };

    ~CBonusIcon() override;

    void Draw(Vesk::Graphics& g, Vesk::GameMedia& media) override;
    int Update(Vesk::ObjectOwner& owner) override;
    int MouseDown(Vesk::ObjectOwner& owner, int32_t x, int32_t y) override;
    int MouseMove(Vesk::ObjectOwner& owner, int32_t x, int32_t y) override;
    void MouseLeave(Vesk::ObjectOwner& owner) override;
    int Save(Vesk::ByteWriter& out) override;
    int Load(Vesk::ByteReader& in, Vesk::BoardContext& board) override;

    // n = 0 answers 0. Without animate no sound plays (a cancelled targeting's charge).
    int AddCharges(int32_t n, bool animate);
    // Strictly inside the clickable rectangle.
    bool InHitRect(int32_t px, int32_t py) const;
    // The charge count to draw: empty unless above one.
    std::string CountText() const;
    Kind GetKind() const { return mStyle.kind; }
    // The middle of the icon's picture (the in-game help points there).
    void PictureCentre(Vesk::GameMedia& media, int32_t& cx, int32_t& cy) const;

    int32_t charges = 0;
    int32_t state = Hidden;
    bool hover = false;
    double hoverScale = 0.5;

protected:
    explicit CBonusIcon(const Style& style);
    CBonusIcon(const Style& style, Vesk::BoardContext& board, int32_t startCharges);

    // The icon's own use on a click that is allowed; the slow-motion icon starts its clock.
    virtual void Use(Vesk::BoardContext& board) = 0;
    // State 3 until the targeting ends.
    virtual void UpdateInUse(Vesk::BoardContext& board);
    virtual void UpdateShown(Vesk::BoardContext&) {}
    virtual void UpdateRunOut(Vesk::BoardContext&) {}
    virtual bool MayUse() const;
    // The picture at (x, y) plus the picture offset, after the aura.
    virtual void DrawPicture(Vesk::Graphics& g, Vesk::GameMedia& media);
    virtual bool DrawsAura() const { return true; }
    virtual void DrawExtras(Vesk::Graphics&, Vesk::GameMedia&) {}
    int32_t& BoardCharges(Vesk::BoardContext& board) const;
    // Fields before the hover byte and after the state, for the slow-motion icon's record.
    virtual void SaveMiddle(Vesk::ByteWriter&) const {}
    virtual void SaveTail(Vesk::ByteWriter&) const {}
    virtual void LoadMiddle(Vesk::ByteReader&) {}
    virtual void LoadTail(Vesk::ByteReader&) {}
    virtual void SaveEnd(Vesk::ByteWriter&) const {}
    virtual void LoadEnd(Vesk::ByteReader&, Vesk::BoardContext&) {}
    void DrawAura(Vesk::Graphics& g, Vesk::GameMedia& media);

    Style mStyle;
    Vesk::BoardContext* mBoard = nullptr;
    // The numbers the saved game carries and nothing reads.
    int32_t mCarried1 = 166;
    int32_t mCarried2 = 134;
    // 0 base 1, 1 base 2, -1 none.
    int32_t mBase = -1;
    std::unique_ptr<CParticleEffect> mParticles;
};

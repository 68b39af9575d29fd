#pragma once

#include <cstdint>
#include <memory>

#include "game/core/CObject.h"

class CAnimation;
class CSparkSink;

// A sparkle that plays now and then on its owner; it times itself on the system tick count, not
// the level clock, because it lives on the main menu.
class CSpark : public CObject {
public:
    CSpark();
    ~CSpark() override;

    // Centres the sparkle's cel on (centreX, centreY) and starts it at once. The sink (not owned,
    // may be null) hears of each later sparkle.
    void CSparkAt(Vesk::ObjectOwner& owner, CSparkSink* sink, int32_t centreX, int32_t centreY);

    void Draw(Vesk::Graphics& g, Vesk::GameMedia& media) override;
    int Update(Vesk::ObjectOwner& owner) override;
    int Save(Vesk::ByteWriter& out) override;
    // A spark read from a saved game sparkles but tells nobody.
    int Load(Vesk::ByteReader& in, Vesk::BoardContext& board) override;

    int32_t GetDelay() const { return mDelay; }
    bool IsPlaying() const { return mPlaying != 0; }

private:
    CSparkSink* mSink = nullptr;
    // Milliseconds to wait before the next sparkle.
    int32_t mDelay = 0;
    uint32_t mLast = 0;
    int32_t mPlaying = 0;
    std::unique_ptr<CAnimation> mAnimation;
};

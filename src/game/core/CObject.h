#pragma once

#include <cstdint>

#include "game/core/ObjectTypeId.h"

namespace Vesk {
class BoardContext;
class ByteReader;
class ByteWriter;
class GameMedia;
class Graphics;
class ObjectOwner;
}  // namespace Vesk

struct CObjectNode;

// Everything drawn on the board during play. An object lives in one CObjectList, which owns it;
// it asks for its own deletion by setting removeMe, honoured at the list's next pass.
// Mouse slots take board coordinates and answer 1 when they take the event.
class CObject {
public:
    CObject() = default;
    virtual ~CObject() = default;
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;

    virtual void Draw(Vesk::Graphics& g, Vesk::GameMedia& media);
    // Every override calls this first. Answers 0 when the object gave itself up this update.
    virtual int Update(Vesk::ObjectOwner& owner);
    virtual int MouseDown(Vesk::ObjectOwner& owner, int32_t x, int32_t y);
    virtual int MouseMove(Vesk::ObjectOwner& owner, int32_t x, int32_t y);
    virtual int MouseDrag(Vesk::ObjectOwner& owner, int32_t x, int32_t y);
    virtual int MouseUp(Vesk::ObjectOwner& owner, int32_t x, int32_t y);
    virtual void MouseLeave(Vesk::ObjectOwner& owner);
    // Overrides write their type id, call this for the header, then write their own fields.
    virtual int Save(Vesk::ByteWriter& out);
    // Reads what Save wrote after the type id. A short or corrupt record latches the reader as
    // failed (check in.Failed()); the object is then half-made and only fit for deletion.
    virtual int Load(Vesk::ByteReader& in, Vesk::BoardContext& board);
    // Turns saved object indexes back into pointers once every object is loaded.
    virtual int AfterLoad(Vesk::ObjectOwner& owner);

    // Header record: x, y (4 each), takesInput (1), xd, yd (8 each), layer (4), updated (1).
    static constexpr int kHeaderBytes = 30;
    // Loaded positions beyond this many pixels from the origin count as corrupt.
    static constexpr int32_t kMaxCoordinate = 1000000;
    static bool InBoardRange(double value);

    // Set by the list; null while the object is in no list.
    CObjectNode* node = nullptr;
    int32_t x = 0;
    int32_t y = 0;
    bool takesInput = false;
    double xd = 0.0;
    double yd = 0.0;
    int32_t layer = 0;
    bool updated = false;
    bool removeMe = false;

    // x and y follow the exact position, truncated and held within int32.
    void SyncPosition();

protected:
    static void WriteTypeId(Vesk::ByteWriter& out, ObjectTypeId id);
};

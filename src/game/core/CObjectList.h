#pragma once

#include <cstdint>

namespace Vesk {
class GameMedia;
class Graphics;
class ObjectOwner;
}  // namespace Vesk

class CObject;

struct CObjectNode {
    CObjectNode* previous = nullptr;
    CObjectNode* next = nullptr;
    // Null once the object left the list during a pass; the node is freed after the pass.
    CObject* object = nullptr;
};

// The board objects of one owner, ascending by layer (drawn back to front, offered the mouse
// lowest layer first). Owns its objects. Main thread only.
//
// While a pass (update, draw or hover walk) runs, objects may add, remove or delete others: a
// removed object's node is only marked and unlinked after the pass, so the pass never holds a
// freed node.
class CObjectList {
public:
    // not owned; handed to every update and mouse slot.
    explicit CObjectList(Vesk::ObjectOwner* owner) : mOwner(owner) {}
    ~CObjectList();
    CObjectList(const CObjectList&) = delete;
    CObjectList& operator=(const CObjectList&) = delete;

    // Takes ownership. Goes in front of the earlier members of its layer (drawn before them).
    void Add(CObject* object);
    // Takes ownership; appended at the end whatever its layer (saved order on loading).
    void AddLast(CObject* object);
    // Unlinks without deleting; ownership goes back to the caller. False when not in a list.
    bool Remove(CObject* object);
    // False when the layer is unchanged; otherwise the object moves in front of its new layer.
    bool SetLayer(CObject* object, int32_t layer);
    // Deletes every object. During an update pass it is only requested and runs at the pass's end.
    void DeleteAll();
    // Honoured at the end of the next update pass.
    void RequestDeleteAll() { mDeleteAllRequested = true; }
    void ClearDeleteAllRequest() { mDeleteAllRequested = false; }
    bool IsDeleteAllRequested() const { return mDeleteAllRequested; }

    void DrawAll(Vesk::Graphics& g, Vesk::GameMedia& media);
    void UpdateAll();
    // Only the hovered object sees presses and releases; 0 when none is hovered.
    int MouseDown(int32_t x, int32_t y);
    int MouseUp(int32_t x, int32_t y);
    int MouseMove(int32_t x, int32_t y);
    int MouseDrag(int32_t x, int32_t y);

    // Null outside 0..count - 1.
    CObject* GetAt(int32_t index) const;
    // -1 when not in this list.
    int32_t IndexOf(const CObject* object) const;
    int32_t GetCount() const { return mCount; }
    CObject* GetHovered() const { return mHovered; }
    bool IsIterating() const { return mPassDepth > 0; }

private:
    void LinkBefore(CObjectNode* node, CObjectNode* before);
    void Unlink(CObjectNode* node);
    // Frees the nodes marked during passes.
    void Sweep();
    int HoverWalk(int32_t x, int32_t y, bool drag);

    bool mDeleteAllRequested = false;
    int mPassDepth = 0;
    bool mNeedsSweep = false;
    CObjectNode* mFirst = nullptr;
    CObjectNode* mLast = nullptr;
    int32_t mCount = 0;
    Vesk::ObjectOwner* mOwner;
    // not owned; one of the list's objects or null.
    CObject* mHovered = nullptr;
};

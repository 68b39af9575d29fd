#pragma once

#include <list>

#include "graphics/Rect.h"
#include "widgets/WidgetFlags.h"

namespace Vesk {

class Graphics;
class Widget;
class WidgetManager;

// An ordered list of child widgets (first = drawn first = bottom-most), kept sorted by z order,
// with the rectangle (in the parent's coordinates), the dirty bookkeeping and the walks that
// update, draw and hit-test the tree. Children are not owned: removing one never deletes it.
// Main thread only.
//
// The update and draw walks keep their running position in the container, and removal or
// reordering moves that position on, so a callback may change the list it is walked from.
class WidgetContainer {
public:
    using WidgetList = std::list<Widget*>;

    WidgetContainer();
    // Children are detached, not deleted.
    virtual ~WidgetContainer();
    WidgetContainer(const WidgetContainer&) = delete;
    WidgetContainer& operator=(const WidgetContainer&) = delete;

    virtual Rect GetRect() const { return Rect(mX, mY, mWidth, mHeight); }
    // Half-open edges: touching rectangles don't intersect.
    virtual bool Intersects(const WidgetContainer* other) const;

    // Nothing when the widget is null or already a child.
    virtual void AddWidget(Widget* widget);
    // Nothing when the widget is not a child.
    virtual void RemoveWidget(Widget* widget);
    virtual bool HasWidget(const Widget* widget) const;
    virtual void DisableWidget(Widget* widget) { (void)widget; }
    // With doDelete the removed children are deleted (their subtrees too when recursive).
    virtual void RemoveAllWidgets(bool doDelete = false, bool recursive = false);
    virtual void SetFocus(Widget* widget) { (void)widget; }
    // True when a comes before b in a depth-first walk of this subtree (each child before its
    // own children); false when b comes first or neither is in it.
    virtual bool IsBelow(const Widget* a, const Widget* b) const;
    virtual void MarkAllDirty();
    virtual void BringToFront(Widget* child);
    virtual void BringToBack(Widget* child);
    // Just before the reference (on top of the list when the reference is not a child).
    virtual void PutBehind(Widget* child, Widget* reference);
    // Just after the reference (on top of the list when the reference is not a child).
    virtual void PutInFront(Widget* child, Widget* reference);
    virtual Point GetAbsPos() const;

    // Dirty marking spreads to overlapping siblings at the top level only (the children of the
    // parentless root): upwards over the child, and downwards until an opaque sibling covers it.
    virtual void MarkDirtyChild(WidgetContainer* child);
    virtual void MarkDirty();
    // Also repaints what lies below the child, for a child that moves, hides or goes.
    virtual void MarkDirtyFullChild(WidgetContainer* child);
    virtual void MarkDirtyFull();

    // Clears the manager of this container and of everything below it, calling nothing.
    void ForgetManager();
    virtual void AddedToManager(WidgetManager* manager);
    virtual void RemovedFromManager(WidgetManager* manager);

    virtual void Update() { ++mUpdateCnt; }
    virtual void UpdateAll(ModalFlags& flags);
    virtual void UpdateF(float fraction) { (void)fraction; }
    virtual void UpdateFAll(ModalFlags& flags, float fraction);
    virtual void Draw(Graphics* g) { (void)g; }
    virtual void DrawAll(ModalFlags& flags, Graphics* g);
    virtual void SysColorChangedAll();
    virtual void SysColorChanged() {}

    WidgetList mWidgets;
    WidgetManager* mWidgetManager = nullptr;
    WidgetContainer* mParent = nullptr;
    bool mUpdateIteratorModified = false;
    WidgetList::iterator mUpdateIterator;
    int mLastWMUpdateCount = 0;
    int mUpdateCnt = 0;
    bool mDirty = false;
    int mX = 0;
    int mY = 0;
    int mWidth = 0;
    int mHeight = 0;
    // Drawn with translucency: what lies below shows through.
    bool mHasAlpha = false;
    bool mClip = true;
    FlagsMod mWidgetFlagsMod;
    // Before this container draws, pending overlays of a lower priority are drawn.
    int mPriority = 0;
    // Siblings stay in non-decreasing z order.
    int mZOrder = 0;

protected:
    // The widget at (x, y) of this container's coordinates, top-most first; a refusal by
    // IsPointVisible lets the point through to what lies below. Null when none; the point
    // relative to the widget goes to outX, outY only when one is found.
    Widget* GetWidgetAtHelper(int x, int y, int flags, int* outX, int* outY);
    // True when the container is this one or one of its ancestors: as a child it would make
    // every walk endless.
    bool IsWithin(const WidgetContainer* container) const;
    // Inserts in z order, searching from the hint.
    void InsertWidgetHelper(WidgetList::iterator hint, Widget* widget);
    // Erases the child, moving a running walk's position past it.
    void EraseWidgetHelper(WidgetList::iterator where);
    void Reorder(Widget* child, Widget* reference, bool front, bool afterReference);
    // The top-level draw walk of the manager shares the position of DrawAll.
    void DrawChildren(ModalFlags& flags, Graphics* g, bool dirtyOnly, bool* drewAny);

    bool mDrawIteratorModified = false;
    WidgetList::iterator mDrawIterator;
};

}  // namespace Vesk

#include "widgets/WidgetContainer.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "graphics/Graphics.h"
#include "widgets/Widget.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {

// 0: neither met, 1: a met first, 2: b met first.
int FirstMet(const WidgetContainer& container, const Widget* a, const Widget* b) {
    for (const Widget* child : container.mWidgets) {
        if (child == a) {
            return 1;
        }
        if (child == b) {
            return 2;
        }
        if (const int met = FirstMet(*child, a, b); met != 0) {
            return met;
        }
    }
    return 0;
}

}  // namespace

WidgetContainer::WidgetContainer()
    : mUpdateIterator(mWidgets.end()), mDrawIterator(mWidgets.end()) {}

WidgetContainer::~WidgetContainer() {
    for (Widget* child : mWidgets) {
        if (child->mParent == this) {
            child->mParent = nullptr;
        }
    }
}

bool WidgetContainer::Intersects(const WidgetContainer* other) const {
    return !(other->mX + other->mWidth <= mX || other->mY + other->mHeight <= mY ||
             other->mX >= mX + mWidth || other->mY >= mY + mHeight);
}

void WidgetContainer::InsertWidgetHelper(WidgetList::iterator hint, Widget* widget) {
    const int z = widget->mZOrder;
    auto it = hint;
    while (it != mWidgets.end() && (*it)->mZOrder < z) {
        ++it;
    }
    if (it != mWidgets.begin() && (it == mWidgets.end() || (*it)->mZOrder != z)) {
        while (it != mWidgets.begin() && (*std::prev(it))->mZOrder > z) {
            --it;
        }
    }
    mWidgets.insert(it, widget);
}

void WidgetContainer::EraseWidgetHelper(WidgetList::iterator where) {
    if (mUpdateIterator == where) {
        ++mUpdateIterator;
        mUpdateIteratorModified = true;
    }
    if (mDrawIterator == where) {
        ++mDrawIterator;
        mDrawIteratorModified = true;
    }
    mWidgets.erase(where);
}

void WidgetContainer::AddWidget(Widget* widget) {
    if (widget == nullptr || HasWidget(widget) || IsWithin(widget)) {
        return;
    }
    // In two lists at once, the first parent would keep a pointer the second may outlive.
    if (widget->mParent != nullptr) {
        widget->mParent->RemoveWidget(widget);
        // The removal's callbacks may have placed the widget, or this container, anew.
        if (widget->mParent != nullptr || IsWithin(widget)) {
            return;
        }
    }
    InsertWidgetHelper(mWidgets.end(), widget);
    widget->mWidgetManager = mWidgetManager;
    widget->mParent = this;
    if (mWidgetManager != nullptr) {
        WidgetManager* manager = mWidgetManager;
        widget->AddedToManager(manager);
        widget->MarkDirtyFull();
        manager->RehupMouse();
    }
    MarkDirty();
}

bool WidgetContainer::IsWithin(const WidgetContainer* container) const {
    for (const WidgetContainer* up = this; up != nullptr; up = up->mParent) {
        if (up == container) {
            return true;
        }
    }
    return false;
}

void WidgetContainer::RemoveWidget(Widget* widget) {
    if (!HasWidget(widget)) {
        return;
    }
    WidgetManager* manager = widget->mWidgetManager;
    if (manager != nullptr) {
        widget->WidgetRemovedHelper();
    }
    // The removal's callbacks may have removed the widget already, and even put it back.
    auto it = std::find(mWidgets.begin(), mWidgets.end(), widget);
    if (it == mWidgets.end() || widget->mWidgetManager != nullptr) {
        return;
    }
    widget->mParent = nullptr;
    EraseWidgetHelper(it);
    if (manager != nullptr) {
        manager->ForgetWidgetsOutsideTree();
    }
}

bool WidgetContainer::HasWidget(const Widget* widget) const {
    return std::find(mWidgets.begin(), mWidgets.end(), widget) != mWidgets.end();
}

void WidgetContainer::RemoveAllWidgets(bool doDelete, bool recursive) {
    while (!mWidgets.empty()) {
        Widget* child = mWidgets.front();
        RemoveWidget(child);
        if (!mWidgets.empty() && mWidgets.front() == child) {
            // A callback put it straight back; take it out without ceremony or loop forever.
            child->mParent = nullptr;
            EraseWidgetHelper(mWidgets.begin());
            if (WidgetManager* manager = child->mWidgetManager) {
                child->ForgetManager();
                manager->ForgetWidgetsOutsideTree();
            }
        }
        if (recursive) {
            child->RemoveAllWidgets(doDelete, recursive);
        }
        if (doDelete) {
            delete child;
        }
    }
}

bool WidgetContainer::IsBelow(const Widget* a, const Widget* b) const {
    // Nothing is below itself: a new base-modal widget keeps its own focus and capture.
    return a != b && FirstMet(*this, a, b) == 1;
}

void WidgetContainer::MarkAllDirty() {
    MarkDirty();
    for (Widget* child : mWidgets) {
        child->mDirty = true;
        child->MarkAllDirty();
    }
}

void WidgetContainer::Reorder(Widget* child, Widget* reference, bool front, bool afterReference) {
    auto it = std::find(mWidgets.begin(), mWidgets.end(), child);
    if (it == mWidgets.end()) {
        return;
    }
    EraseWidgetHelper(it);
    auto hint = front ? mWidgets.end() : mWidgets.begin();
    if (reference != nullptr) {
        hint = std::find(mWidgets.begin(), mWidgets.end(), reference);
        if (afterReference && hint != mWidgets.end()) {
            ++hint;
        }
    }
    InsertWidgetHelper(hint, child);
    child->OrderInManagerChanged();
}

void WidgetContainer::BringToFront(Widget* child) {
    Reorder(child, nullptr, true, false);
}

void WidgetContainer::BringToBack(Widget* child) {
    Reorder(child, nullptr, false, false);
}

void WidgetContainer::PutBehind(Widget* child, Widget* reference) {
    // A missing reference finds the end: on top.
    Reorder(child, reference == child ? nullptr : reference, true, false);
}

void WidgetContainer::PutInFront(Widget* child, Widget* reference) {
    Reorder(child, reference == child ? nullptr : reference, true, true);
}

Point WidgetContainer::GetAbsPos() const {
    if (mParent == nullptr) {
        return Point{mX, mY};
    }
    const Point parent = mParent->GetAbsPos();
    return Point{mX + parent.mX, mY + parent.mY};
}

void WidgetContainer::MarkDirtyChild(WidgetContainer* child) {
    if (child->mDirty) {
        return;
    }
    MarkDirty();
    child->mDirty = true;
    if (mParent != nullptr) {
        return;
    }
    if (child->mHasAlpha) {
        MarkDirtyFullChild(child);
        return;
    }
    auto it = std::find(mWidgets.begin(), mWidgets.end(), child);
    if (it == mWidgets.end()) {
        return;
    }
    for (++it; it != mWidgets.end(); ++it) {
        Widget* above = *it;
        if (above->mVisible && above->Intersects(child)) {
            MarkDirtyChild(above);
        }
    }
}

void WidgetContainer::MarkDirty() {
    if (mParent != nullptr) {
        mParent->MarkDirtyChild(this);
    } else {
        mDirty = true;
    }
}

void WidgetContainer::MarkDirtyFullChild(WidgetContainer* child) {
    MarkDirtyFull();
    child->mDirty = true;
    if (mParent != nullptr) {
        return;
    }
    const auto it = std::find(mWidgets.begin(), mWidgets.end(), child);
    if (it == mWidgets.end()) {
        return;
    }
    const Rect area = child->GetRect().Intersection(Rect(0, 0, mWidth, mHeight));
    for (auto below = it; below != mWidgets.begin();) {
        Widget* sibling = *--below;
        if (!sibling->mVisible) {
            continue;
        }
        // Nothing under an opaque sibling that covers the whole area needs repainting.
        if (!sibling->mHasAlpha && !sibling->mHasTransparencies &&
            sibling->Contains(area.mX, area.mY) &&
            sibling->Contains(area.mX + area.mWidth - 1, area.mY + area.mHeight - 1)) {
            sibling->MarkDirty();
            break;
        }
        if (sibling->Intersects(child)) {
            MarkDirtyChild(sibling);
        }
    }
    for (auto above = it; above != mWidgets.end(); ++above) {
        Widget* sibling = *above;
        if (sibling->mVisible && sibling->Intersects(child)) {
            MarkDirtyChild(sibling);
        }
    }
}

void WidgetContainer::MarkDirtyFull() {
    if (mParent != nullptr) {
        mParent->MarkDirtyFullChild(this);
    } else {
        mDirty = true;
    }
}

void WidgetContainer::ForgetManager() {
    mWidgetManager = nullptr;
    for (Widget* child : mWidgets) {
        child->ForgetManager();
    }
}

void WidgetContainer::AddedToManager(WidgetManager* manager) {
    // A copy: the callbacks may change the list, or take this container out again.
    const std::vector<Widget*> children(mWidgets.begin(), mWidgets.end());
    for (Widget* child : children) {
        if (!HasWidget(child) || mWidgetManager != manager) {
            continue;
        }
        child->mWidgetManager = manager;
        child->AddedToManager(manager);
        MarkDirty();
    }
}

void WidgetContainer::RemovedFromManager(WidgetManager* manager) {
    const std::vector<Widget*> children(mWidgets.begin(), mWidgets.end());
    // A child that a callback moved into the tree elsewhere, or whose subtree a nested removal
    // has put back, stays attached.
    auto leaving = [&](Widget* child) { return HasWidget(child) && !manager->IsReachable(child); };
    for (Widget* child : children) {
        if (!leaving(child)) {
            continue;
        }
        manager->DisableWidget(child);
        if (!leaving(child)) {
            continue;
        }
        child->RemovedFromManager(manager);
        if (leaving(child)) {
            child->mWidgetManager = nullptr;
        }
    }
    if (manager->mPopupCommandWidget == this) {
        manager->mPopupCommandWidget = nullptr;
    }
}

void WidgetContainer::UpdateAll(ModalFlags& flags) {
    const ModalFlags saved = flags;
    flags.ModFlags(mWidgetFlagsMod);
    const int effective = flags.GetFlags();
    if ((effective & WidgetFlags::kMarkDirty) != 0) {
        MarkDirty();
    }
    if (mWidgetManager == nullptr) {
        flags.mOverFlags = saved.mOverFlags;
        flags.mUnderFlags = saved.mUnderFlags;
        return;
    }
    // Once per frame, even when a reorder makes the walk meet this container twice.
    if ((effective & WidgetFlags::kUpdate) != 0 &&
        mWidgetManager->mUpdateCnt != mLastWMUpdateCount) {
        mLastWMUpdateCount = mWidgetManager->mUpdateCnt;
        Update();
    }
    mUpdateIterator = mWidgets.begin();
    while (mUpdateIterator != mWidgets.end() && mWidgetManager != nullptr) {
        mUpdateIteratorModified = false;
        Widget* child = *mUpdateIterator;
        if (child == mWidgetManager->mBaseModalWidget) {
            flags.mIsOver = true;
        }
        child->UpdateAll(flags);
        if (!mUpdateIteratorModified) {
            ++mUpdateIterator;
        }
    }
    // An enclosing walk of this list (a modal loop run from an update) must not advance.
    mUpdateIteratorModified = true;
    flags.mOverFlags = saved.mOverFlags;
    flags.mUnderFlags = saved.mUnderFlags;
}

void WidgetContainer::UpdateFAll(ModalFlags& flags, float fraction) {
    const ModalFlags saved = flags;
    flags.ModFlags(mWidgetFlagsMod);
    if ((flags.GetFlags() & WidgetFlags::kUpdate) != 0) {
        UpdateF(fraction);
    }
    mUpdateIterator = mWidgets.begin();
    while (mUpdateIterator != mWidgets.end() && mWidgetManager != nullptr) {
        mUpdateIteratorModified = false;
        Widget* child = *mUpdateIterator;
        if (child == mWidgetManager->mBaseModalWidget) {
            flags.mIsOver = true;
        }
        child->UpdateFAll(flags, fraction);
        if (!mUpdateIteratorModified) {
            ++mUpdateIterator;
        }
    }
    mUpdateIteratorModified = true;
    flags.mOverFlags = saved.mOverFlags;
    flags.mUnderFlags = saved.mUnderFlags;
}

void WidgetContainer::DrawChildren(ModalFlags& flags, Graphics* g, bool dirtyOnly, bool* drewAny) {
    mDrawIterator = mWidgets.begin();
    while (mDrawIterator != mWidgets.end()) {
        mDrawIteratorModified = false;
        Widget* child = *mDrawIterator;
        if (mWidgetManager != nullptr && child == mWidgetManager->mBaseModalWidget) {
            flags.mIsOver = true;
        }
        if (child->mVisible && (!dirtyOnly || child->mDirty)) {
            Graphics childGraphics(*g);
            childGraphics.Translate(child->mX, child->mY);
            child->DrawAll(flags, &childGraphics);
            if (drewAny != nullptr) {
                *drewAny = true;
            }
            // A child removed while it drew is no longer ours to touch.
            if (!mDrawIteratorModified) {
                child->mDirty = false;
            }
        }
        if (!mDrawIteratorModified) {
            ++mDrawIterator;
        }
    }
    mDrawIteratorModified = true;
}

void WidgetContainer::DrawAll(ModalFlags& flags, Graphics* g) {
    if (mWidgetManager != nullptr && mPriority > mWidgetManager->mMinDeferredOverlayPriority) {
        mWidgetManager->FlushDeferredOverlays(mPriority);
    }
    const ModalFlags saved = flags;
    flags.ModFlags(mWidgetFlagsMod);
    const int effective = flags.GetFlags();
    if (mClip && (effective & WidgetFlags::kClip) != 0) {
        g->ClipRect(0, 0, mWidth, mHeight);
    }
    if (mWidgets.empty()) {
        if ((effective & WidgetFlags::kDraw) != 0) {
            Draw(g);
        }
    } else {
        if ((effective & WidgetFlags::kDraw) != 0) {
            g->PushState();
            Draw(g);
            g->PopState();
        }
        DrawChildren(flags, g, false, nullptr);
    }
    flags.mOverFlags = saved.mOverFlags;
    flags.mUnderFlags = saved.mUnderFlags;
}

void WidgetContainer::SysColorChangedAll() {
    SysColorChanged();
    for (Widget* child : mWidgets) {
        child->SysColorChangedAll();
    }
}

Widget* WidgetContainer::GetWidgetAtHelper(int x, int y, int flags, int* outX, int* outY) {
    const int effective = mWidgetFlagsMod.Apply(flags);
    const Widget* baseModal =
        mWidgetManager != nullptr ? mWidgetManager->mBaseModalWidget : nullptr;
    bool belowModal = false;
    for (auto it = mWidgets.rbegin(); it != mWidgets.rend(); ++it) {
        Widget* child = *it;
        int childFlags = child->mWidgetFlagsMod.Apply(effective);
        if (belowModal) {
            childFlags = mWidgetManager->mBelowModalFlagsMod.Apply(childFlags);
        }
        if ((childFlags & WidgetFlags::kAllowMouse) != 0 && child->mVisible && !child->mRemoving) {
            const int childX = x - child->mX;
            const int childY = y - child->mY;
            if (Widget* found = child->GetWidgetAtHelper(childX, childY, childFlags, outX, outY)) {
                return found;
            }
            if (child->mMouseVisible && child->GetInsetRect().Contains(x, y) &&
                child->IsPointVisible(childX, childY)) {
                *outX = childX;
                *outY = childY;
                return child;
            }
        }
        if (child == baseModal) {
            belowModal = true;
        }
    }
    return nullptr;
}

}  // namespace Vesk

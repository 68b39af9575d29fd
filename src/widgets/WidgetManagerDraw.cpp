// The frame's update, the draw of the dirty top-level widgets and the deferred overlays.
#include "graphics/DDImage.h"
#include "graphics/Graphics.h"
#include "widgets/Widget.h"
#include "widgets/WidgetHost.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {

// An overlay that queues another from its own draw would otherwise never let the frame end.
constexpr int kMaxOverlayDrawsPerFlush = 10000;

}  // namespace

ModalFlags WidgetManager::InitModalFlags() const {
    ModalFlags flags;
    flags.mIsOver = mBaseModalWidget == nullptr;
    flags.mOverFlags = GetWidgetFlags();
    flags.mUnderFlags = mBelowModalFlagsMod.Apply(flags.mOverFlags);
    return flags;
}

bool WidgetManager::UpdateFrame() {
    ModalFlags flags = InitModalFlags();
    ++mUpdateCnt;
    mLastWMUpdateCount = mUpdateCnt;
    UpdateAll(flags);
    return mDirty;
}

bool WidgetManager::UpdateFrameF(float fraction) {
    ModalFlags flags = InitModalFlags();
    UpdateFAll(flags, fraction);
    return mDirty;
}

bool WidgetManager::DrawScreen() {
    ModalFlags flags = InitModalFlags();
    bool anyDirty = false;
    for (const Widget* widget : mWidgets) {
        if (widget->mDirty) {
            anyDirty = true;
            break;
        }
    }
    mMinDeferredOverlayPriority = kNoOverlayPriority;
    mDeferredOverlayWidgets.clear();

    Graphics g(mImage);
    mCurG = &g;
    // One lock for the whole frame instead of one per draw call.
    const bool locked = mImage != nullptr && mImage->LockSurface();
    bool drew = false;
    if (anyDirty) {
        Graphics screen(g);
        screen.Translate(-mMouseSourceRect.mX, -mMouseSourceRect.mY);
        const bool is3D = mHost != nullptr && mHost->Is3DAccelerated();
        screen.SetFastStretch(!is3D);
        screen.SetLinearBlend(is3D);
        DrawChildren(flags, &screen, true, &drew);
    }
    FlushDeferredOverlays(kNoOverlayPriority);
    if (locked) {
        mImage->UnlockSurface();
    }
    mCurG = nullptr;
    return drew;
}

void WidgetManager::DeferOverlay(Widget* widget, int priority) {
    mDeferredOverlayWidgets.push_back(DeferredOverlay{widget, priority});
    if (priority < mMinDeferredOverlayPriority) {
        mMinDeferredOverlayPriority = priority;
    }
}

void WidgetManager::FlushDeferredOverlays(int priorityLimit) {
    if (mCurG == nullptr) {
        return;
    }
    int draws = 0;
    for (;;) {
        int next = kNoOverlayPriority;
        // By index and re-reading the size: an overlay may queue another, which this round
        // still draws when its priority is the one being drawn.
        for (size_t i = 0; i < mDeferredOverlayWidgets.size(); ++i) {
            const DeferredOverlay entry = mDeferredOverlayWidgets[i];
            if (entry.mWidget == nullptr) {
                continue;
            }
            if (entry.mPriority != mMinDeferredOverlayPriority) {
                if (entry.mPriority < next) {
                    next = entry.mPriority;
                }
                continue;
            }
            mDeferredOverlayWidgets[i].mWidget = nullptr;
            if (++draws > kMaxOverlayDrawsPerFlush) {
                continue;
            }
            Graphics overlay(*mCurG);
            overlay.Translate(-mMouseSourceRect.mX, -mMouseSourceRect.mY);
            // Where the widget is on the screen, nested or not.
            const Point abs = entry.mWidget->GetAbsPos();
            overlay.Translate(abs.mX, abs.mY);
            overlay.SetFastStretch(!overlay.mIs3D);
            overlay.SetLinearBlend(overlay.mIs3D);
            entry.mWidget->DrawOverlayPriority(&overlay, entry.mPriority);
        }
        mMinDeferredOverlayPriority = next;
        if (next == kNoOverlayPriority) {
            mDeferredOverlayWidgets.clear();
            return;
        }
        if (next >= priorityLimit) {
            return;
        }
    }
}

}  // namespace Vesk

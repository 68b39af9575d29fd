// The frame's update, the draw of the dirty top-level widgets and the deferred overlays.
#include <algorithm>
#include <vector>

#include "graphics/DDImage.h"
#include "graphics/DrawRecorder.h"
#include "graphics/Graphics.h"
#include "widgets/Widget.h"
#include "widgets/WidgetHost.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {

// An overlay that queues another from its own draw would otherwise never let the frame end.
constexpr int kMaxOverlayDrawsPerFlush = 10000;

// Each changed area draws the widget once more, so a few: beyond them areas are joined.
constexpr size_t kMaxChangedAreas = 6;
// Changed areas covering more than this share of the screen are drawn as one.
constexpr int64_t kWholeScreenPercent = 60;

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
    int shownDirty = 0;
    Widget* onlyDirty = nullptr;
    for (Widget* widget : mWidgets) {
        if (widget->mDirty) {
            anyDirty = true;
            if (widget->mVisible) {
                ++shownDirty;
                onlyDirty = widget;
            }
        }
    }
    mMinDeferredOverlayPriority = kNoOverlayPriority;
    mDeferredOverlayWidgets.clear();

    Graphics g(mImage);
    mCurG = &g;
    // One lock for the whole frame instead of one per draw call.
    const bool locked = mImage != nullptr && mImage->LockSurface();
    bool drew = false;
    mDrawnAreas.clear();
    if (mImage != nullptr) {
        mDrawnAreas.emplace_back(0, 0, mImage->GetWidth(), mImage->GetHeight());
    }
    if (anyDirty) {
        Graphics screen(g);
        screen.Translate(-mMouseSourceRect.mX, -mMouseSourceRect.mY);
        const bool is3D = mHost != nullptr && mHost->Is3DAccelerated();
        screen.SetFastStretch(!is3D);
        screen.SetLinearBlend(is3D);
        const bool byAreas = shownDirty == 1 && onlyDirty->mRedrawsChangedAreas && !is3D &&
                             DrawChangedAreas(flags, screen, *onlyDirty, drew);
        if (!byAreas) {
            mRetainedWidget = nullptr;
            DrawChildren(flags, &screen, true, &drew);
        }
    }
    if (!mDeferredOverlayWidgets.empty()) {
        mRetainedWidget = nullptr;
    }
    FlushDeferredOverlays(kNoOverlayPriority);
    if (locked) {
        mImage->UnlockSurface();
    }
    mCurG = nullptr;
    return drew;
}

bool WidgetManager::DrawChangedAreas(const ModalFlags& flags, const Graphics& screen,
                                     Widget& widget, bool& drew) {
    if (mImage == nullptr) {
        return false;
    }
    // The flags the whole frame's walk would have reached the widget with.
    ModalFlags widgetFlags = flags;
    for (const Widget* child : mWidgets) {
        if (child == mBaseModalWidget) {
            widgetFlags.mIsOver = true;
        }
        if (child == &widget) {
            break;
        }
    }

    DrawRecorder recorder(mImage->GetWidth(), mImage->GetHeight());
    recorder.Reserve(mRetainedSteps.size() + mRetainedSteps.size() / 8);
    Graphics recording(screen);
    recording.mDestImage = &recorder;
    recording.mIs3D = false;
    recording.Translate(widget.mX, widget.mY);
    Graphics* const frame = mCurG;
    const unsigned overlaysBefore = mOverlaysDeferred;
    mCurG = &recording;
    ModalFlags recordFlags = widgetFlags;
    widget.DrawAll(recordFlags, &recording);
    mCurG = frame;
    // Overlays draw over the widget from elsewhere in the tree, and the widget may have left
    // the screen while it drew.
    if (mOverlaysDeferred != overlaysBefore || widget.mWidgetManager != this || !widget.mVisible) {
        mDeferredOverlayWidgets.clear();
        mMinDeferredOverlayPriority = kNoOverlayPriority;
        return false;
    }

    const Rect whole(0, 0, mImage->GetWidth(), mImage->GetHeight());
    const Rect place(widget.mX, widget.mY, widget.mWidth, widget.mHeight);
    std::vector<Rect> areas;
    if (mRetainedWidget == &widget && mRetainedImage == mImage && mRetainedPlace == place) {
        areas =
            DrawRecorder::ChangedAreas(mRetainedSteps, recorder.Steps(), whole, kMaxChangedAreas);
        int64_t covered = 0;
        for (const Rect& area : areas) {
            covered += int64_t{area.mWidth} * area.mHeight;
        }
        if (covered * 100 > int64_t{whole.mWidth} * whole.mHeight * kWholeScreenPercent) {
            areas = {whole};
        }
    } else {
        areas = {whole};
    }
    for (const Rect& area : areas) {
        Graphics pass(screen);
        pass.Translate(widget.mX, widget.mY);
        pass.mClipRect = pass.mClipRect.Intersection(area);
        ModalFlags passFlags = widgetFlags;
        widget.DrawAll(passFlags, &pass);
    }
    widget.mDirty = false;
    drew = !areas.empty();
    mDrawnAreas = areas;
    mRetainedSteps = recorder.TakeSteps();
    mRetainedWidget = &widget;
    mRetainedImage = mImage;
    mRetainedPlace = place;
    return true;
}

void WidgetManager::MarkAllDirty() {
    mRetainedWidget = nullptr;
    WidgetContainer::MarkAllDirty();
}

void WidgetManager::DeferOverlay(Widget* widget, int priority) {
    ++mOverlaysDeferred;
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

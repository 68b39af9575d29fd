#pragma once

#include <list>

#include "graphics/Rect.h"

namespace Vesk {

class Widget;
class WidgetManager;

// An ordered list of child widgets (first = bottom-most), with the rectangle and the dirty
// bookkeeping that the whole tree shares. Children are not owned: removing one never deletes it.
class WidgetContainer {
public:
    WidgetContainer() = default;
    virtual ~WidgetContainer() = default;
    WidgetContainer(const WidgetContainer&) = delete;
    WidgetContainer& operator=(const WidgetContainer&) = delete;

    virtual Rect GetRect() const { return Rect(mX, mY, mWidth, mHeight); }
    virtual void AddWidget(Widget* widget);
    virtual void RemoveWidget(Widget* widget);
    virtual bool HasWidget(const Widget* widget) const;
    virtual void MarkAllDirty();
    virtual void MarkDirty();
    virtual void SysColorChangedAll();
    virtual void SysColorChanged() {}

    std::list<Widget*> mWidgets;
    WidgetManager* mWidgetManager = nullptr;
    WidgetContainer* mParent = nullptr;
    bool mDirty = false;
    int mX = 0;
    int mY = 0;
    int mWidth = 0;
    int mHeight = 0;
};

}  // namespace Vesk

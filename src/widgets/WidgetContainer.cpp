#include "widgets/WidgetContainer.h"

#include <algorithm>

#include "widgets/Widget.h"

namespace Vesk {

void WidgetContainer::AddWidget(Widget* widget) {
    if (widget == nullptr || HasWidget(widget))
        return;
    mWidgets.push_back(widget);
    widget->mParent = this;
    widget->mWidgetManager = mWidgetManager;
    widget->mDirty = true;
    MarkDirty();
}

void WidgetContainer::RemoveWidget(Widget* widget) {
    auto it = std::find(mWidgets.begin(), mWidgets.end(), widget);
    if (it == mWidgets.end())
        return;
    mWidgets.erase(it);
    widget->mParent = nullptr;
    widget->mWidgetManager = nullptr;
    MarkDirty();
}

bool WidgetContainer::HasWidget(const Widget* widget) const {
    return std::find(mWidgets.begin(), mWidgets.end(), widget) != mWidgets.end();
}

void WidgetContainer::MarkAllDirty() {
    MarkDirty();
    for (Widget* child : mWidgets) {
        child->mDirty = true;
        child->MarkAllDirty();
    }
}

void WidgetContainer::MarkDirty() {
    mDirty = true;
    if (mParent != nullptr)
        mParent->MarkDirty();
}

void WidgetContainer::SysColorChangedAll() {
    SysColorChanged();
    for (Widget* child : mWidgets)
        child->SysColorChangedAll();
}

}  // namespace Vesk

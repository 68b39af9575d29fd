#pragma once

#include <memory>

#include "widgets/ScrollbarWidget.h"

namespace Vesk {

class Image;
class zmScrollbuttonWidget;

// A scroll bar drawn from images: a stretched track, a thumb image and image arrows sized by
// their images. Scrolling behaves as the plain bar's.
class zmScrollbarWidget : public ScrollbarWidget {
public:
    explicit zmScrollbarWidget(ScrollListener* listener);
    ~zmScrollbarWidget() override;

    void Draw(Graphics* g) override;
    void ResizeScrollbar(int x, int y, int width, int height) override;
    void DrawThumb(Graphics* g, int x, int y, int width, int height) override;
    int GetThumbSize() override;
    void ClampValue() override;
    // The thumb keeps its image's length instead of following the page size.
    void SetFixedThumb() { mProportionalThumb = false; }

    std::unique_ptr<zmScrollbuttonWidget> mUpArrow;
    std::unique_ptr<zmScrollbuttonWidget> mDownArrow;
    // Not owned; null draws the plain look.
    Image* mTrackImage = nullptr;
    Image* mThumbImage = nullptr;
    bool mProportionalThumb = true;

protected:
    int ArrowSize() const override;
};

}  // namespace Vesk

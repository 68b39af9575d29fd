#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "graphics/Color.h"
#include "graphics/DrawMode.h"
#include "graphics/GraphicsState.h"
#include "graphics/Rect.h"

namespace Vesk {

class Font;
class Image;
class Matrix3x3;
class MemoryImage;
class Transform2D;

// The 0 by 0 image a context made over no image draws into: every draw is
// clipped away, which is what measuring contexts want.
extern Image gEmptyImage;

// Drawing context over an image. Every call takes the caller's coordinates,
// adds the translation, clips to the clip rectangle, picks the tint and hands
// the work to the destination image, whose own operations don't clip.
class Graphics : public GraphicsState {
public:
    // Null draws into gEmptyImage with an empty clip.
    explicit Graphics(Image* destImage = nullptr);
    // Copies the current state; the saved-state stack starts empty.
    Graphics(const Graphics& other);
    Graphics& operator=(const Graphics&) = delete;
    virtual ~Graphics();

    // A heap copy of this context, owned by the caller.
    std::unique_ptr<Graphics> Create() const;

    void PushState();
    // Restores the last pushed state; nothing when none is saved.
    void PopState();

    void SetFont(Font* font) { mFont = font; }
    Font* GetFont() const { return mFont; }
    void SetColor(const Color& color) { mColor = color; }
    const Color& GetColor() const { return mColor; }
    void SetDrawMode(DrawMode drawMode) { mDrawMode = drawMode; }
    DrawMode GetDrawMode() const { return mDrawMode; }
    void SetColorizeImages(bool colorize) { mColorizeImages = colorize; }
    bool GetColorizeImages() const { return mColorizeImages; }
    void SetFastStretch(bool fast) { mFastStretch = fast; }
    void SetLinearBlend(bool linear) { mLinearBlend = linear; }

    void Translate(int32_t dx, int32_t dy);
    // Narrows the clip to the translated rectangle; it never grows.
    void ClipRect(int32_t x, int32_t y, int32_t width, int32_t height);

    // Shapes, in the state colour and draw mode. A colour of alpha 0 fills
    // and outlines nothing.
    void FillRect(int32_t x, int32_t y, int32_t width, int32_t height);
    // Outline covering width + 1 by height + 1 pixels.
    void DrawRect(int32_t x, int32_t y, int32_t width, int32_t height);
    void DrawLine(int32_t startX, int32_t startY, int32_t endX, int32_t endY);
    // Clips a line in destination coordinates to the clip rectangle (left and
    // top inclusive, right and bottom exclusive); the points come back ordered
    // by y. False when nothing is left.
    bool ClipLine(double& startX, double& startY, double& endX, double& endY) const;

    // Images. Each draw is tinted with the colour when colorizing, else
    // untinted, and uses the draw mode. A source rectangle that doesn't lie
    // wholly inside the image draws nothing.
    void DrawImage(Image* image, int32_t x, int32_t y);
    // One placement of a batch: the image at (x, y) in the colour.
    struct ImageStamp {
        Image* mImage = nullptr;  // not owned; may be null
        int32_t mX = 0;
        int32_t mY = 0;
        Color mColor;
    };
    // Each stamp as SetColor and DrawImage would draw it, in order; the colour is left as it
    // was. Many small images added into a memory image share one set-up.
    void DrawImageStamps(std::span<const ImageStamp> stamps);
    // The image that additive stamps lying wholly inside clip may be added into straight
    // through MemoryImage::AddSprites, each at its (x + shiftX, y + shiftY), as DrawImageStamps
    // would add them; null when they must take DrawImageStamps.
    MemoryImage* SpriteTarget(int32_t& shiftX, int32_t& shiftY, Rect& clip) const;
    void DrawImagePart(Image* image, int32_t x, int32_t y, const Rect& srcRect);
    void DrawImageMirror(Image* image, int32_t x, int32_t y, const Rect& srcRect);
    void DrawImageStretched(Image* image, int32_t x, int32_t y, int32_t width, int32_t height);
    void DrawImageStretchedPart(Image* image, const Rect& destRect, const Rect& srcRect);
    void DrawImageMirrorStretched(Image* image, const Rect& destRect, const Rect& srcRect,
                                  bool mirror);
    void DrawImageF(Image* image, float x, float y);
    void DrawImagePartF(Image* image, float x, float y, const Rect& srcRect);
    // Angles in radians. Without a source rectangle the whole image is drawn.
    void DrawImageRotated(Image* image, int32_t x, int32_t y, double angle,
                          const Rect* srcRect = nullptr);
    void DrawImageRotatedAbout(Image* image, int32_t x, int32_t y, double angle, int32_t centerX,
                               int32_t centerY, const Rect* srcRect = nullptr);
    // The centre is relative to the destination point and is not translated.
    void DrawImageRotatedF(Image* image, float x, float y, double angle, float centerX,
                           float centerY, const Rect* srcRect = nullptr);
    void DrawImageMatrix(Image* image, const Matrix3x3& matrix, const Rect& srcRect, float x,
                         float y);
    // The whole image through the transform, centred on (x, y): snapped to
    // whole pixels, or at sub-pixel positions with the F form.
    void DrawImageTransform(Image* image, const Transform2D& transform, float x, float y);
    void DrawImageTransformF(Image* image, const Transform2D& transform, float x, float y);
    void DrawImageTransformHelper(Image* image, const Transform2D& transform, const Rect& srcRect,
                                  float x, float y, bool floatPlacement);

    // Nine-piece box: corners once, edges and centre tiled.
    void DrawImageBox(const Rect& destRect, Image* image);
    void DrawImageBoxPart(const Rect& destRect, const Rect& srcRect, Image* image);

    void DrawImageCel(Image* image, int32_t x, int32_t y, int32_t cel);
    void DrawImageCelStretched(Image* image, const Rect& destRect, int32_t cel);
    void DrawImageCelColRow(Image* image, int32_t x, int32_t y, int32_t column, int32_t row);
    void DrawImageCelColRowStretched(Image* image, const Rect& destRect, int32_t column,
                                     int32_t row);

    // Text, through the font; y is the baseline. Without a font nothing is
    // drawn and the measures are 0.
    void DrawString(const std::string& text, int32_t x, int32_t y);
    // One line with colour tags ("^RRGGBB^", "^oldclr^", "^^"). Justification
    // 0 centres in the width, 1 aligns right, anything else left. Draws only
    // with the draw flag; returns the width without the tags. previousColor
    // is a packed 0xAARRGGBB colour for "^oldclr^", -1 for the current one.
    int32_t WriteString(const std::string& text, int32_t x, int32_t y, int32_t width = -1,
                        int32_t justification = -1, bool draw = true, int32_t start = 0,
                        int32_t length = -1, int32_t previousColor = -1);
    // Draws count characters from start, cut at limit; -1 when none are left.
    int32_t WriteStringSlice(int32_t start, int32_t count, int32_t limit, const std::string& text,
                             int32_t x, int32_t y, int32_t width, int32_t justification,
                             int32_t previousColor);
    // Wraps the text at spaces and line feeds to the rectangle's width (the
    // height isn't used) and returns the height used. Line spacing -1 means
    // the font's.
    int32_t WriteWordWrapped(const Rect& rect, const std::string& text, int32_t lineSpacing = -1,
                             int32_t justification = -1);
    // Centred wrapped text whose first baseline is at y.
    int32_t WriteWordWrappedFromBaseline(const std::string& text, int32_t x, int32_t y,
                                         int32_t width);
    int32_t GetWordWrappedHeight(const std::string& text, int32_t width, int32_t lineSpacing = -1);

private:
    std::vector<GraphicsState> mStateStack;

    const Color& Tint() const { return mColorizeImages ? mColor : Color::White; }
    // The clip, kept inside the destination even when a caller has written
    // a larger one into the state.
    Rect DestClip() const;
    int32_t PlaceX(int32_t x) const;
    int32_t PlaceY(int32_t y) const;
    void StretchPart(Image* image, const Rect& destRect, const Rect& srcRect, bool mirror);
};

}  // namespace Vesk

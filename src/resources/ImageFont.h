#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "graphics/Font.h"
#include "resources/ActiveFontLayer.h"

namespace Vesk {

class FontData;
class FontHost;
class Image;

// The bitmap font of all game text. It draws the layers of its FontData that suit its point
// size and tags, each possibly rescaled into an image of its own; the pieces of one string
// reach the screen in the order the layers and characters give, through the shared pool of
// render commands. Drawing takes gFontDrawLock; measuring takes no lock.
class ImageFont : public Font {
public:
    // shared, reference counted
    FontData* mFontData = nullptr;
    int32_t mPointSize = 0;
    // Upper case.
    std::vector<std::string> mTagVector;
    bool mActiveListValid = false;
    std::list<ActiveFontLayer> mActiveLayerList;
    double mScale = 1.0;

    // Reads the descriptor; a font whose descriptor failed draws nothing and measures 0.
    ImageFont(FontHost* host, const std::string& descriptorFile);
    // Shares data already loaded (reference + 1).
    explicit ImageFont(FontData* fontData);
    ImageFont(const ImageFont& other);
    ImageFont& operator=(const ImageFont&) = delete;
    ~ImageFont() override;

    // The older form: an image (not owned) and its width list.
    static std::unique_ptr<ImageFont> ImageFontFromImage(FontHost* host, Image* image,
                                                         const std::string& widthsFile);

    int32_t StringWidth(const std::string& text) override;
    int32_t CharWidth(char c) override;
    int32_t CharWidthKern(char c, char previous) override;
    void DrawString(Graphics& g, int32_t x, int32_t y, const std::string& text, const Color& color,
                    const Rect& clipRect) override;
    std::unique_ptr<Font> Duplicate() const override;

    virtual void GenerateActiveLayers();
    // rectList (may be null) gets the screen rectangle of every glyph piece, width (may be
    // null) the advance of the whole string. The context clips, not clipRect.
    virtual void DrawStringEx(Graphics& g, int32_t x, int32_t y, const std::string& text,
                              const Color& color, const Rect& clipRect, std::vector<Rect>* rectList,
                              int32_t* width);
    virtual void SetPointSize(int32_t pointSize);
    virtual int32_t GetPointSize() const { return mPointSize; }
    virtual void SetScale(double scale);
    virtual int32_t GetDefaultPointSize() const;
    // False when the font has the tag already (in any case).
    virtual bool AddTag(const std::string& tag);
    virtual bool RemoveTag(const std::string& tag);
    // Compares with the stored upper-case tags as given.
    virtual bool HasTag(const std::string& tag) const;
    // The text of a define of the descriptor, or "".
    virtual std::string GetDefine(const std::string& name);
    // Rebuilds stale active layers.
    virtual void Prepare();

private:
    bool Initialized() const;
};

}  // namespace Vesk

#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "graphics/Color.h"
#include "graphics/DrawMode.h"
#include "graphics/Rect.h"
#include "platform/Device3D.h"
#include "platform/DisplayTypes.h"
#include "platform/Surface.h"

namespace platform {
class Window;
}

namespace Vesk {

class DDInterface;
class Image;
class Matrix3x3;
class MemoryImage;
class TextureData;
class VertexList;
struct TriVertex;

// The display's 3-D device: draws the screen image through a Device3D on the display's
// draw surface, sets the fixed states of every frame, and keeps every memory image it
// draws as a set of textures (TextureData). Every device call whose result matters passes
// through CheckDXError, which records the failure and lets drawing go on.
class D3DInterface {
public:
    // Makes the device on a render target; the software device unless a test gives another.
    using DeviceFactory = std::function<platform::DisplayResult(
        std::shared_ptr<platform::Surface>, std::unique_ptr<platform::Device3D>&)>;

    // Process-wide device limits and state, set by InitD3D and read by every texture
    // operation.
    static inline int32_t sMinTextureWidth = 64;
    static inline int32_t sMinTextureHeight = 64;
    static inline int32_t sMaxTextureWidth = 64;
    static inline int32_t sMaxTextureHeight = 64;
    static inline int32_t sMaxTextureAspectRatio = 1;
    // Texture format codes the device takes (a set of bits).
    static inline int32_t sSupportedTextureFormats = 0;
    // The filter last set on stage 0.
    static inline bool sLinearFilter = false;
    // The last attempt to select the render target failed.
    static inline bool sRenderTargetLost = false;

    // The display whose draw surface it draws into, whose host it reports to and whose
    // lock guards the textured images; may be null.
    explicit D3DInterface(DDInterface* display = nullptr);
    virtual ~D3DInterface();
    D3DInterface(const D3DInterface&) = delete;
    D3DInterface& operator=(const D3DInterface&) = delete;

    void SetDeviceFactory(DeviceFactory factory);
    // The factory in use (the platform's device when none was given).
    DeviceFactory GetDeviceFactory() const;
    static DeviceFactory DefaultDeviceFactory();

    // Opens the device on the display's draw surface; false with the error text set.
    bool InitFromDisplay(DDInterface& display, platform::Window* window);
    bool InitD3D();
    // Opens the frame's scene; every drawing operation draws nothing when it is false.
    bool PreDraw();
    void SetDrawMode(DrawMode drawMode);
    void SetLinearFilter(bool linear);
    // Ends an open scene.
    void Flush();
    // Makes sure the image's textures are current; true when it can be drawn.
    bool CreateImageTexture(MemoryImage* image);
    void RemoveImageTextureData(MemoryImage* image);
    // Brings the pixels back from the textures into bits of the image's size.
    bool RecoverBits(MemoryImage* image, uint32_t* bits);
    // The textures hold the image's pixels as they are now.
    bool IsTextureDataCurrent(const MemoryImage& image) const;
    void Cleanup();
    // True for a failure: records label + ": " + the result's name as the last error text
    // and in the registry value "Test3D\RuntimeError".
    bool CheckDXError(platform::DisplayResult result, const char* label);

    // ARGB pixels (width apart) from a locked 32- or 16-bit surface, for the acceleration
    // test: each channel's mask moved to the top of its byte.
    static void ReadSurfaceToARGB32(uint32_t* dest, const platform::LockedSurface& desc);
    static void ReadSurfaceToARGB16(uint32_t* dest, const platform::LockedSurface& desc);

    // Drawing (D3DDraw.cpp). Each opens the scene first and draws nothing without it; the
    // textured ones draw nothing when the image cannot be made into textures.
    void Blt(Image* image, float x, float y, const Rect& srcRect, const Color& color,
             DrawMode drawMode, bool linear);
    void BltClipF(Image* image, float x, float y, const Rect& srcRect, const Rect* clipRect,
                  const Color& color, DrawMode drawMode);
    void BltMirror(Image* image, float x, float y, const Rect& srcRect, const Color& color,
                   DrawMode drawMode);
    void StretchBlt(Image* image, const Rect& destRect, const Rect& srcRect, const Rect* clipRect,
                    const Color& color, DrawMode drawMode, bool fastStretch, bool mirror);
    void BltRotated(Image* image, float x, float y, const Rect* clipRect, const Color& color,
                    DrawMode drawMode, float centerX, float centerY, const Rect& srcRect,
                    double angle);
    void BltTransformed(Image* image, const Rect* clipRect, const Color& color, DrawMode drawMode,
                        const Rect& srcRect, const Matrix3x3& matrix, bool linear, float x, float y,
                        bool center);
    void BltTriangles(const TriVertex (*triangles)[3], int32_t triangleCount, const Color& color,
                      DrawMode drawMode, Image* image, float tx, float ty, bool linear);
    void DrawLine(double startX, double startY, double endX, double endY, const Color& color,
                  DrawMode drawMode);
    void FillRect(const Rect& rect, const Color& color, DrawMode drawMode);
    void FillPoly(const Point* points, int32_t count, const Rect* clipRect, const Color& color,
                  DrawMode drawMode, int32_t tx, int32_t ty);
    // Clips the polygon to the rectangle and draws what is left as a fan, with the texture
    // already set.
    void DrawPolyClipped(const Rect& clipRect, const VertexList& polygon);

    platform::Device3D* GetDevice() const { return mD3DDevice.get(); }
    // The images that have texture data; guarded by the display lock.
    const std::set<MemoryImage*>& TexturedImages() const { return mImageSet; }

private:
    // Whether the scene may be drawn into and the image (a memory image) has textures.
    TextureData* PrepareTexturedDraw(Image* image, DrawMode drawMode);
    void UpdateViewport();

    DDInterface* mDDInterface = nullptr;
    platform::Window* mWindow = nullptr;
    DeviceFactory mDeviceFactory;
    std::shared_ptr<platform::Surface> mRenderTarget;
    std::unique_ptr<platform::Device3D> mD3DDevice;
    platform::Viewport3D mViewport;
    bool mSceneBegun = false;
    std::set<MemoryImage*> mImageSet;
};

}  // namespace Vesk

#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "graphics/NativeDisplay.h"
#include "graphics/Rect.h"
#include "platform/DisplaySystem.h"
#include "platform/Message.h"
#include "util/CriticalLock.h"
#include "util/Ratio.h"

namespace platform {
class SettingsStore;
class Window;
class WindowSystem;
}  // namespace platform

namespace Vesk {

class D3DInterface;
class D3DTester;
class DDImage;
class Image;
class MemoryImage;
class VeskAppBase;

// The display of the application: owns the display device and the surfaces of a windowed or
// full-screen screen, the draw surface everything is drawn into and the screen image that
// wraps it, presents finished frames and keeps a software cursor on the screen that the
// cursor thread moves between frames. One re-entrant lock, mCritSect, serialises all of it
// between the main thread, the cursor thread and image creation on the loading thread.
//
// Init, Redraw and GetScreenImage are virtual so that the application's tests can stand in
// a display of their own.
class DDInterface : public NativeDisplay {
public:
    enum Result {
        RESULT_OK = 0,
        RESULT_FAIL = 1,
        RESULT_DD_CREATE_FAIL = 2,
        RESULT_SURFACE_FAIL = 3,
        RESULT_EXCLUSIVE_FAIL = 4,
        RESULT_DISPCHANGE_FAIL = 5,
        RESULT_INVALID_COLORDEPTH = 6,
        RESULT_3D_FAIL = 7,
    };

    // Makes the display device; each Init makes a fresh one and Cleanup drops it.
    using DeviceFactory =
        std::function<platform::DisplayResult(std::unique_ptr<platform::DisplaySystem>&)>;

    // What the display reads of the application. With an application it is taken from the
    // application at every Init and Redraw; a display made without one uses it as set.
    struct Settings {
        int32_t clientWidth = 640;
        int32_t clientHeight = 480;
        int32_t colorDepth = 16;  // of the full-screen mode
        bool wants3D = false;
        bool wantsAccelerationTest = false;
        uint32_t minVidMemory3D = 6;  // MB
        uint32_t recommendedVidMemory3D = 14;
        bool waitForVSync = false;
        // Keeps the vertical-sync wait off in a window.
        bool softVSyncWait = true;
        bool popupShowing = false;
        bool allowPageFlip = true;
        // Widen a window narrower than correctionAspect to it, showing the picture centred
        // (or drawing into the whole width when drawIntoCorrectedWidth).
        bool correctAspect = false;
        Ratio correctionAspect;  // 4:3 unless set
        bool drawIntoCorrectedWidth = false;
    };

    // The application as the display sees it. The application installs one before each Init
    // (it stays for the presents); a display without one uses mSettings as they are.
    class Host {
    public:
        virtual ~Host() = default;
        virtual platform::WindowSystem* GetWindowSystem() = 0;
        virtual void ReadSettings(Settings& settings) = 0;
        // Where the client area lies in the display, (0, 0, width, height) at each Init.
        virtual void SetScreenBounds(const Rect& bounds) = 0;
        // The monitor's frequency was unknown or outside 60..100 Hz.
        virtual void SetRefreshRateClamped(bool clamped) = 0;
        // After an acceleration test that found no stored results.
        virtual void FirstAccelerationTestHook() = 0;

        // The 3-D device and the acceleration test; without an application nothing is
        // stored, no demo is followed and the window never counts as minimised.
        // A text value of the application's registry, through the demo stream.
        virtual bool RegistryWriteString(const std::string& valueName, const std::string& value) {
            (void)valueName;
            (void)value;
            return false;
        }
        // The store the acceleration test keeps its results in directly, and the key of the
        // application's values in it ("SOFTWARE\" + registry key); null when there is none.
        virtual platform::SettingsStore* GetSettingsStore() { return nullptr; }
        virtual std::string GetRegistryKeyPath() { return std::string(); }
        virtual bool IsWindowMinimized() { return false; }
        virtual bool IsPlayingDemo() { return false; }
        // Recorded while a demo is recorded, replaced by the recorded value while one plays.
        virtual void DemoSyncString(std::string* value) { (void)value; }
        virtual void DemoSyncBool(bool* value) { (void)value; }
    };

    static constexpr int32_t kCursorBoxSide = 64;
    // How long one scan-line wait of a split present may poll.
    static constexpr uint32_t kScanLineWaitMs = 200;
    // Failed scan-line waits after which presents only wait for the vertical blank.
    static constexpr int32_t kMaxVSyncFailures = 3;

    // The application's display; the application gives it its Host, and the device comes
    // from the application's window system (SDL or headless).
    explicit DDInterface(VeskAppBase* app);
    // A display without an application (tools, tests); settings in mSettings. Without a
    // factory the device is the one the window system's backend offers: SDL's, or a
    // headless one on a desktop like the window system's.
    DDInterface(platform::WindowSystem* windowSystem, DeviceFactory factory);
    ~DDInterface() override;
    DDInterface(const DDInterface&) = delete;
    DDInterface& operator=(const DDInterface&) = delete;

    void SetHost(std::unique_ptr<Host> host);
    Host* GetHost() const { return mHost.get(); }

    // One of the Result codes; on failure mErrorString says which step failed and why.
    virtual int Init(platform::WindowId window, bool isWindowed);
    // Releases everything Init made; the display is not initialised afterwards.
    void Cleanup();
    // "RESULT_OK" ... "RESULT_INVALID_COLORDEPTH"; anything else "RESULT_UNKNOWN".
    static std::string ResultToString(int result);
    // False for success; otherwise mErrorString becomes "<context>: <error name>".
    bool GotDXError(platform::DisplayResult result, const std::string& context);

    // Makes a surface on the display device. Refuses (DDERR_INVALIDPIXELFORMAT, out null)
    // while the screen is neither 16 nor 32 bits deep. Sets the standard channel order.
    platform::DisplayResult CreateSurface(const platform::SurfaceDesc& desc,
                                          std::shared_ptr<platform::Surface>& out);
    // Fills the surface with zero bytes; nothing for null.
    void ClearSurface(platform::Surface* surface);
    // True when an acceleration test ran.
    bool RunAccelerationTest(platform::WindowId window);
    // The acceleration test's verdict: recommended when it ran without a failure or a
    // warning, supported when it ran without a failure; both false when it never ran.
    bool Is3DRecommended() const;
    bool Is3DSupported() const;
    // The test ran and recorded a failure reason.
    bool AccelerationTestFailed() const;

    virtual DDImage* GetScreenImage();
    // Rebuilds the screen image over a video-memory back surface (on) or the draw surface.
    void SetVideoOnlyDraw(bool videoOnly);

    // The images made on this display; called by the images themselves.
    void AddDDImage(DDImage* image);
    void RemoveDDImage(DDImage* image);
    // Drops the image's textures of the 3-D device.
    void RemoveImageTextureData(MemoryImage* image);

    // Presents the draw surface (the whole frame for null); false when not initialised or
    // the present failed, the application then makes the display again.
    virtual bool Redraw(const Rect* rect);

    // Software cursor (DDInterfaceCursor.cpp). SetCursorImage: true when the image changed.
    bool SetCursorImage(Image* image);
    // From the cursor thread: the newest position in client coordinates.
    void SetCursorPos(int32_t x, int32_t y);
    // Saves the background under the cursor box at the drawn position and draws the cursor
    // over it; screenCoordinates for a surface addressed like the screen (the primary).
    void DrawCursor(platform::Surface* surface, bool screenCoordinates);
    // Puts a saved background back over the drawn box (client coordinates).
    void RestoreCursorArea(platform::Surface* surface);
    // Moves a drawn cursor on a screen-addressed surface without flicker or traces.
    void MoveCursor(platform::Surface* surface, int32_t x, int32_t y);

    // Process-wide: the screen's blue mask is below its green mask, and that below the red.
    static bool IsStandardChannelOrder() { return sStandardChannelOrder.load(); }

    // The display device; null while the display is not made.
    platform::DisplaySystem* GetDisplaySystem() { return mDisplay.get(); }

    VeskAppBase* mApp = nullptr;
    // The 3-D device, made by the constructor; the tester of the first Init that wants one.
    std::unique_ptr<D3DInterface> mD3DInterface;
    std::unique_ptr<D3DTester> mD3DTester;
    bool mIs3D = false;
    CriticalLock mCritSect;
    std::atomic<bool> mPresenting{false};

    std::unique_ptr<platform::DisplaySystem> mDisplay;
    std::shared_ptr<platform::Surface> mPrimarySurface;
    std::shared_ptr<platform::Surface> mBackSurface;
    std::shared_ptr<platform::Surface> mDrawSurface;

    int32_t mWidth = 0;
    int32_t mHeight = 0;
    Ratio mAspect;
    int32_t mDesktopWidth = 0;
    int32_t mDesktopHeight = 0;
    Ratio mDesktopAspect;
    bool mIsAspectCorrected = false;
    int32_t mDisplayWidth = 0;
    int32_t mDisplayHeight = 0;
    Ratio mDisplayAspect;
    Rect mPresentationRect;
    int32_t mColorDepth = 0;
    uint32_t mRefreshRate = 60;
    uint32_t mMillisecondsPerFrame = 16;
    // The monitor's frequency was unknown or outside 60..100 Hz at the last Init.
    bool mRefreshRateClamped = false;
    int32_t mVSyncFailCount = 0;

    // Sum of two channel values, clamped: entry i = min(i, channel maximum).
    std::vector<int32_t> mRedAddTable;
    std::vector<int32_t> mGreenAddTable;
    std::vector<int32_t> mBlueAddTable;

    bool mInitialized = false;
    platform::WindowId mWindow = platform::kNoWindow;
    bool mIsWindowed = true;
    std::unique_ptr<DDImage> mScreenImage;
    std::set<DDImage*> mDDImageSet;
    bool mVideoOnlyDraw = false;

    int32_t mCursorWidth = kCursorBoxSide;
    int32_t mCursorHeight = kCursorBoxSide;
    std::atomic<int32_t> mCursorX{0};
    std::atomic<int32_t> mCursorY{0};
    int32_t mCursorDrawnX = 0;
    int32_t mCursorDrawnY = 0;
    Image* mCursorImage = nullptr;
    bool mCursorDrawn = false;
    std::shared_ptr<platform::Surface> mOldCursorArea;
    std::shared_ptr<platform::Surface> mNewCursorArea;
    std::unique_ptr<DDImage> mOldCursorAreaImage;
    std::unique_ptr<DDImage> mNewCursorAreaImage;

    std::string mErrorString;

    // Read at every Init and Redraw from the host, when there is one.
    Settings mSettings;

private:
    // Init's steps; each returns RESULT_OK or the code of the failing step.
    int InitWindowed(platform::Window* window);
    int InitFullScreen(platform::Window* window);
    void CorrectWindowAspect(platform::Window* window);
    int InitCursorAreas();
    int ReadScreenFormat();
    void ReadRefreshRate();
    // The 3-D device's start on this display; false with its error text.
    bool Start3DDevice(std::string& errorText);

    void ReadSettings();
    platform::WindowSystem* GetWindowSystem() const;
    // Where the window's client area starts on the screen.
    platform::Point ClientOrigin() const;
    DeviceFactory DefaultDeviceFactory() const;

    // Redraw's roads; each returns the present's result.
    platform::DisplayResult PresentWindowed(platform::Surface& frame, const Rect* rect,
                                            const platform::SurfaceRect& source,
                                            const platform::SurfaceRect& dest);
    // The split present timed to the monitor's middle line; false when the scan line could
    // not be followed, nothing was presented and the failure was counted.
    bool PresentSplit(platform::Surface& frame, const platform::SurfaceRect& source,
                      const platform::SurfaceRect& dest, platform::DisplayResult& result);
    // Polls the scan line until the test says stop; false on a failed poll or timeout.
    bool WaitForScanLine(const std::function<int(platform::DisplayResult, uint32_t)>& test);

    // Cursor geometry (DDInterfaceCursor.cpp).
    platform::SurfaceRect CursorBox(int32_t x, int32_t y) const;
    platform::SurfaceRect ClipToPresentation(const platform::SurfaceRect& box) const;
    // Offset from client coordinates to the surface's own.
    platform::Point SurfaceOrigin(const platform::Surface* surface, bool screenCoordinates) const;
    // Draws the cursor image centred in a box whose top-left is (boxLeft, boxTop) of target.
    void DrawCursorImage(DDImage* target, int32_t boxLeft, int32_t boxTop);
    // Saves the surface's pixels under the client rectangle `box` (clipped) into the area at
    // the box's offset; on failure retried clipped to the primary. The saved part of the
    // area, or none.
    std::optional<platform::SurfaceRect> SaveUnderBox(platform::Surface& area,
                                                      platform::Surface& surface,
                                                      const platform::SurfaceRect& box,
                                                      const platform::SurfaceRect& clipped,
                                                      platform::Point origin);
    // Puts the saved background back over the box at the drawn position.
    void PutBackSavedArea(platform::Surface& surface, platform::Point origin);

    // The part of the old cursor area that holds the saved background, in area pixels.
    platform::SurfaceRect mSavedAreaRect;
    std::unique_ptr<Host> mHost;
    platform::WindowSystem* mWindowSystem = nullptr;
    // The window Init bound the display to; safe to ask from the cursor thread.
    platform::Window* mWindowHandle = nullptr;
    DeviceFactory mDeviceFactory;

    static std::atomic<bool> sStandardChannelOrder;
};

}  // namespace Vesk

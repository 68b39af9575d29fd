#pragma once

#include <cstdint>
#include <string>

#include "app/util/CriticalLock.h"
#include "graphics/NativeDisplay.h"
#include "graphics/Rect.h"
#include "platform/Message.h"

namespace Vesk {

class DDImage;
class Image;
class VeskAppBase;

// The display of the application: presents finished frames into the main window. This is
// the part the application frame drives (initialisation with its result codes, presenting,
// the screen image, the refresh rate); surfaces and the screen image arrive with the display
// device. Init, Redraw and GetScreenImage are virtual so that tests can stand in a display.
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

    explicit DDInterface(VeskAppBase* app);
    ~DDInterface() override;
    DDInterface(const DDInterface&) = delete;
    DDInterface& operator=(const DDInterface&) = delete;

    // Result codes as above.
    virtual int Init(platform::WindowId window, bool isWindowed);
    // Presents the frame (the whole screen for null); true on success.
    virtual bool Redraw(const Rect* rect);
    virtual DDImage* GetScreenImage() { return mScreenImage; }
    // True when the software cursor's image changed.
    bool SetCursorImage(Image* image);

    static std::string ResultToString(int result);

    VeskAppBase* mApp = nullptr;
    bool mIs3D = false;
    CriticalLock mCritSect;
    int32_t mWidth = 0;
    int32_t mHeight = 0;
    int32_t mDisplayWidth = 0;
    int32_t mDisplayHeight = 0;
    Rect mPresentationRect;
    uint32_t mRefreshRate = 60;
    uint32_t mMillisecondsPerFrame = 16;
    bool mInitialized = false;
    platform::WindowId mWindow = platform::kNoWindow;
    bool mIsWindowed = true;
    DDImage* mScreenImage = nullptr;
    Image* mCursorImage = nullptr;
    std::string mErrorString;
};

}  // namespace Vesk

#include "graphics/DDInterface.h"

#include <mutex>

#include "app/VeskAppBase.h"

namespace Vesk {

DDInterface::DDInterface(VeskAppBase* app) : mApp(app) {}

DDInterface::~DDInterface() = default;

int DDInterface::Init(platform::WindowId window, bool isWindowed) {
    std::lock_guard<CriticalLock> lock(mCritSect);
    mInitialized = false;
    mWindow = window;
    mIsWindowed = isWindowed;
    mWidth = mApp->mWidth;
    mHeight = mApp->mHeight;
    mDisplayWidth = mWidth;
    mDisplayHeight = mHeight;
    mPresentationRect = Rect(0, 0, mWidth, mHeight);
    mApp->mScreenBounds = Rect(0, 0, mWidth, mHeight);
    mMillisecondsPerFrame = 1000 / mRefreshRate;
    mInitialized = true;
    return RESULT_OK;
}

bool DDInterface::Redraw(const Rect* rect) {
    (void)rect;
    std::lock_guard<CriticalLock> lock(mCritSect);
    return mInitialized;
}

bool DDInterface::SetCursorImage(Image* image) {
    std::lock_guard<CriticalLock> lock(mCritSect);
    if (image == mCursorImage)
        return false;
    mCursorImage = image;
    return true;
}

std::string DDInterface::ResultToString(int result) {
    switch (result) {
        case RESULT_OK:
            return "RESULT_OK";
        case RESULT_FAIL:
            return "RESULT_FAIL";
        case RESULT_DD_CREATE_FAIL:
            return "RESULT_DD_CREATE_FAIL";
        case RESULT_SURFACE_FAIL:
            return "RESULT_SURFACE_FAIL";
        case RESULT_EXCLUSIVE_FAIL:
            return "RESULT_EXCLUSIVE_FAIL";
        case RESULT_DISPCHANGE_FAIL:
            return "RESULT_DISPCHANGE_FAIL";
        case RESULT_INVALID_COLORDEPTH:
            return "RESULT_INVALID_COLORDEPTH";
        default:
            return "RESULT_UNKNOWN";
    }
}

}  // namespace Vesk

#include "app/AppDisplayHost.h"

#include "app/VeskAppBase.h"

namespace Vesk {

platform::WindowSystem* AppDisplayHost::GetWindowSystem() {
    return mApp.mWindowSystem;
}

void AppDisplayHost::ReadSettings(DDInterface::Settings& settings) {
    settings.clientWidth = mApp.mWidth;
    settings.clientHeight = mApp.mHeight;
    settings.colorDepth = mApp.mColorDepth;
    settings.wants3D = mApp.mAutoEnable3D;
    settings.wantsAccelerationTest = mApp.mTest3D;
    settings.minVidMemory3D = mApp.mMinVidMemory3D;
    settings.recommendedVidMemory3D = mApp.mRecommendedVidMemory3D;
    settings.waitForVSync = mApp.mWaitForVSync;
    settings.softVSyncWait = mApp.mSoftVSyncWait;
    settings.popupShowing = mApp.mPopupShowing;
    settings.allowPageFlip = mApp.mAllowPageFlip;
    settings.correctAspect = mApp.mEnableWindowAspect;
    settings.correctionAspect = mApp.mWindowAspect;
    settings.drawIntoCorrectedWidth = mApp.mWidescreenAware;
}

void AppDisplayHost::SetScreenBounds(const Rect& bounds) {
    mApp.mScreenBounds = bounds;
}

void AppDisplayHost::SetRefreshRateClamped(bool clamped) {
    // A rate that could not be read or was cut to 60..100 Hz would pace the updates wrongly;
    // only the pacing check may drop pacing otherwise, so a good rate never restores it.
    if (clamped) {
        mApp.mRefreshPacingDropped = true;
    }
}

void AppDisplayHost::FirstAccelerationTestHook() {
    mApp.FirstAccelerationTestHook();
}

bool AppDisplayHost::RegistryWriteString(const std::string& valueName, const std::string& value) {
    return mApp.RegistryWriteString(valueName, value);
}

platform::SettingsStore* AppDisplayHost::GetSettingsStore() {
    // Without a registry key the application keeps no settings.
    return mApp.mRegKey.empty() ? nullptr : mApp.GetSettingsStore();
}

std::string AppDisplayHost::GetRegistryKeyPath() {
    return mApp.RegistryLocation(std::string()).first;
}

bool AppDisplayHost::IsWindowMinimized() {
    return mApp.mMinimized;
}

bool AppDisplayHost::IsPlayingDemo() {
    return mApp.mPlayingDemoBuffer;
}

void AppDisplayHost::DemoSyncString(std::string* value) {
    mApp.DemoSyncString(value);
}

void AppDisplayHost::DemoSyncBool(bool* value) {
    mApp.DemoSyncBool(value);
}

}  // namespace Vesk

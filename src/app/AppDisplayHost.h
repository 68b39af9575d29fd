#pragma once

#include <string>

#include "graphics/DDInterface.h"

namespace Vesk {

class VeskAppBase;

// The application as its display sees it: the client size, colour depth, 3-D and
// vertical-sync wishes, popup and page-flip flags and the aspect settings, read from the
// application's members; the screen rectangle and the first-test hook go back to it.
class AppDisplayHost : public DDInterface::Host {
public:
    explicit AppDisplayHost(VeskAppBase& app) : mApp(app) {}

    platform::WindowSystem* GetWindowSystem() override;
    void ReadSettings(DDInterface::Settings& settings) override;
    void SetScreenBounds(const Rect& bounds) override;
    void SetRefreshRateClamped(bool clamped) override;
    void FirstAccelerationTestHook() override;
    bool RegistryWriteString(const std::string& valueName, const std::string& value) override;
    platform::SettingsStore* GetSettingsStore() override;
    std::string GetRegistryKeyPath() override;
    bool IsWindowMinimized() override;
    bool IsPlayingDemo() override;
    void DemoSyncString(std::string* value) override;
    void DemoSyncBool(bool* value) override;

private:
    VeskAppBase& mApp;
};

}  // namespace Vesk

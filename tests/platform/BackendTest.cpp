#include "platform/Backend.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>

namespace platform {
namespace {

// Sets or clears an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : mName(name) {
        if (const char* old = std::getenv(name)) {
            mOld = old;
        }
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (mOld) {
            setenv(mName, mOld->c_str(), 1);
        } else {
            unsetenv(mName);
        }
    }

private:
    const char* mName;
    std::optional<std::string> mOld;
};

TEST(BackendTest, NamesParseInAnyCase) {
    EXPECT_EQ(ParseBackendKind("sdl"), BackendKind::Sdl);
    EXPECT_EQ(ParseBackendKind("HeadLess"), BackendKind::Headless);
    EXPECT_FALSE(ParseBackendKind("x11"));
    EXPECT_FALSE(ParseBackendKind(""));
}

TEST(BackendTest, ChoiceGoesRequestThenEnvironmentThenDisplay) {
    ScopedEnv backend("VESK_BACKEND", nullptr);
    ScopedEnv wayland("WAYLAND_DISPLAY", nullptr);
    {
        ScopedEnv display("DISPLAY", nullptr);
        EXPECT_EQ(ChooseBackendKind(), BackendKind::Headless);
    }
    {
        ScopedEnv display("DISPLAY", ":0");
        EXPECT_EQ(ChooseBackendKind(), BackendKind::Sdl);
        ScopedEnv env("VESK_BACKEND", "headless");
        EXPECT_EQ(ChooseBackendKind(), BackendKind::Headless);
        EXPECT_EQ(ChooseBackendKind("sdl"), BackendKind::Sdl);
    }
    ScopedEnv env("VESK_BACKEND", "vulkan");
    EXPECT_THROW(ChooseBackendKind(), std::invalid_argument);
    EXPECT_THROW(ChooseBackendKind("gdi"), std::invalid_argument);
}

TEST(BackendTest, TheHeadlessFactoryNeedsNoDisplay) {
    const auto system = MakeWindowSystem(BackendKind::Headless);
    ASSERT_NE(system, nullptr);
    EXPECT_EQ(system->Name(), "headless");
    EXPECT_TRUE(system->VideoAvailable());
}

}  // namespace
}  // namespace platform

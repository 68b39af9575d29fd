#pragma once

// A window of the tests' own for the widget-drawn dialogs: the input is a script, and once the
// script is spent the window is closed, so a dialog that waits for more never hangs a test.
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/Message.h"
#include "platform/PixelWindow.h"

namespace apptest {

class ScriptedPixelWindow : public platform::PixelWindow {
public:
    struct Log {
        std::vector<Params> opened;
        int presents = 0;
        // The picture last shown, 0x00RRGGBB.
        std::vector<uint32_t> lastFrame;
    };

    ScriptedPixelWindow(const Params& params, std::deque<platform::Message> script, Log* log)
        : mSize(params.clientSize), mScript(std::move(script)), mLog(log) {
        mLog->opened.push_back(params);
    }

    platform::Size ClientSize() const override { return mSize; }
    void Present(const uint32_t* pixels, int32_t pitch) override {
        ++mLog->presents;
        mLog->lastFrame.clear();
        for (int32_t y = 0; y < mSize.height; ++y) {
            mLog->lastFrame.insert(mLog->lastFrame.end(), pixels + y * pitch,
                                   pixels + y * pitch + mSize.width);
        }
    }
    std::optional<platform::Message> WaitMessage(uint32_t ms) override {
        (void)ms;
        if (mScript.empty()) {
            if (!mCloseWhenSpent) {
                return std::nullopt;
            }
            return Make(platform::msg::Close, 0);
        }
        platform::Message message = mScript.front();
        mScript.pop_front();
        return message;
    }

    // Script pieces.
    static platform::Message Make(uint32_t kind, uintptr_t wparam, intptr_t lparam = 0) {
        platform::Message m;
        m.kind = kind;
        m.wparam = wparam;
        m.lparam = lparam;
        return m;
    }
    static void Type(std::deque<platform::Message>& script, const std::string& text) {
        for (char c : text) {
            script.push_back(Make(platform::msg::Char, static_cast<uint8_t>(c)));
        }
    }
    static void Click(std::deque<platform::Message>& script, int x, int y) {
        const intptr_t at = platform::MakeLParam(x, y);
        script.push_back(Make(platform::msg::MouseMove, 0, at));
        script.push_back(Make(platform::msg::LeftButtonDown, platform::mouseKey::Left, at));
        script.push_back(Make(platform::msg::LeftButtonUp, 0, at));
    }
    static void Key(std::deque<platform::Message>& script, uintptr_t key) {
        script.push_back(Make(platform::msg::KeyDown, key));
        script.push_back(Make(platform::msg::KeyUp, key));
    }

    // False: a spent script leaves the window waiting (a progress window the upload ends).
    bool mCloseWhenSpent = true;

private:
    platform::Size mSize;
    std::deque<platform::Message> mScript;
    Log* mLog;
};

}  // namespace apptest

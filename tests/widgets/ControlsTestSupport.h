#pragma once

// A widget host with fake fonts, a clipboard, a scripted application step and a record of
// the dialog, sound and caret calls.
#include <functional>
#include <string>
#include <vector>

#include "WidgetTestSupport.h"
#include "widgets/Dialog.h"

namespace widgettest {

class ControlsHost : public RecordingHost {
public:
    std::unique_ptr<Vesk::Font> CreateSystemFont(const std::string& face, int pointSize,
                                                 int charSet) override {
        mFonts.push_back(Vesk::StrFormat("%s %d %d", face.c_str(), pointSize, charSet));
        return std::make_unique<FakeFont>();
    }
    bool UpdateAppStep(bool* updated) override {
        *updated = true;
        ++mSteps;
        return mOnStep ? mOnStep(mSteps) : false;
    }
    bool KillDialog(int dialogId) override {
        mKilled.push_back(dialogId);
        return true;
    }
    bool KillDialogByObject(Vesk::Dialog* dialog) override { return KillDialog(dialog->mId); }
    int GetAppWidth() override { return 800; }
    int GetAppHeight() override { return 600; }
    void StopAllSounds() override { ++mSoundStops; }
    void CopyToClipboard(const std::string& text) override { mClipboard = text; }
    std::string GetClipboard() override { return mClipboard; }
    bool WantsSystemCaret() override { return mWantsCaret; }
    void CreateCaret(int width, int height) override {
        mCaret.push_back(Vesk::StrFormat("create %d %d", width, height));
    }
    void ShowCaret() override { mCaret.push_back("show"); }
    void SetCaretPos(int x, int y) override {
        mCaret.push_back(Vesk::StrFormat("move %d %d", x, y));
    }
    void HideCaret() override { mCaret.push_back("hide"); }
    void DestroyCaret() override { mCaret.push_back("destroy"); }

    std::vector<std::string> mFonts;
    int mSteps = 0;
    std::function<bool(int)> mOnStep;
    std::vector<int> mKilled;
    int mSoundStops = 0;
    std::string mClipboard;
    bool mWantsCaret = false;
    std::vector<std::string> mCaret;
};

class ControlsTest : public WidgetTest {
protected:
    ControlsTest() { mManager.mHost = &mControlsHost; }

    ControlsHost mControlsHost;
};

}  // namespace widgettest

#pragma once

// Shared pieces of the widget tests: a fixed-pitch fake font, a widget that records every call
// as text, and a manager over an 800 x 600 memory screen image.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "graphics/DDImage.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "util/Common.h"
#include "widgets/Widget.h"
#include "widgets/WidgetHost.h"
#include "widgets/WidgetManager.h"

namespace widgettest {

using Log = std::vector<std::string>;

// Every character is 6 pixels wide; ascent 8, height 10. Draws nothing.
class FakeFont : public Vesk::Font {
public:
    FakeFont() {
        mAscent = 8;
        mHeight = 10;
    }
    int32_t StringWidth(const std::string& text) override {
        return 6 * static_cast<int32_t>(text.size());
    }
    void DrawString(Vesk::Graphics& g, int32_t x, int32_t y, const std::string& text,
                    const Vesk::Color& color, const Vesk::Rect& clipRect) override {
        (void)g;
        (void)clipRect;
        mDrawn.push_back(Vesk::StrFormat("%s %d %d %08X", text.c_str(), x, y, color.ToInt()));
    }
    std::unique_ptr<Vesk::Font> Duplicate() const override {
        return std::make_unique<FakeFont>(*this);
    }

    std::vector<std::string> mDrawn;
};

// Records its calls as "<name> <call> <args>" and paints its rectangle in its colour.
class RecordingWidget : public Vesk::Widget {
public:
    RecordingWidget(std::string name, Log* log, int x, int y, int width, int height)
        : mName(std::move(name)), mLog(log) {
        Resize(x, y, width, height);
    }

    void Update() override {
        Widget::Update();
        Record("Update");
        if (mOnUpdate) {
            mOnUpdate();
        }
    }
    void Draw(Vesk::Graphics* g) override {
        Record("Draw");
        g->SetColor(mPaint);
        g->FillRect(0, 0, mWidth, mHeight);
        if (mOnDraw) {
            mOnDraw(g);
        }
    }
    void DrawOverlay(Vesk::Graphics* g) override {
        Record("Overlay");
        if (mOnOverlay) {
            mOnOverlay(g);
        }
    }
    void MouseEnter() override { Record("Enter"); }
    void MouseLeave() override {
        Record("Leave");
        if (mOnLeave) {
            mOnLeave();
        }
    }
    void MouseMove(int x, int y) override { Record(Vesk::StrFormat("Move %d %d", x, y)); }
    void MouseDrag(int x, int y) override { Record(Vesk::StrFormat("Drag %d %d", x, y)); }
    void MouseDown(int x, int y, int clickCount) override {
        Record(Vesk::StrFormat("Down %d %d %d", x, y, clickCount));
        Widget::MouseDown(x, y, clickCount);
    }
    void MouseUp(int x, int y, int clickCount) override {
        Record(Vesk::StrFormat("Up %d %d %d", x, y, clickCount));
        if (mOnUp) {
            mOnUp();
        }
    }
    void MouseWheel(int delta) override { Record(Vesk::StrFormat("Wheel %d", delta)); }
    void KeyDown(int key) override {
        Record(Vesk::StrFormat("KeyDown %d", key));
        Widget::KeyDown(key);
    }
    void KeyUp(int key) override { Record(Vesk::StrFormat("KeyUp %d", key)); }
    void KeyChar(char c) override {
        Record(Vesk::StrFormat("KeyChar %d", static_cast<unsigned char>(c)));
    }
    void GotFocus() override {
        Widget::GotFocus();
        Record("GotFocus");
    }
    void LostFocus() override {
        Widget::LostFocus();
        Record("LostFocus");
        if (mOnLostFocus) {
            mOnLostFocus();
        }
    }
    bool IsPointVisible(int x, int y) override {
        (void)x;
        (void)y;
        return mPointVisible;
    }

    void Record(const std::string& what) { mLog->push_back(mName + " " + what); }

    std::string mName;
    Log* mLog;
    Vesk::Color mPaint = Vesk::Color(255, 0, 0);
    bool mPointVisible = true;
    std::function<void()> mOnUpdate;
    std::function<void(Vesk::Graphics*)> mOnDraw;
    std::function<void(Vesk::Graphics*)> mOnOverlay;
    std::function<void()> mOnLeave;
    std::function<void()> mOnUp;
    std::function<void()> mOnLostFocus;
};

class RecordingHost : public Vesk::WidgetHost {
public:
    void SetCursor(int cursorNum) override { mCursors.push_back(cursorNum); }
    std::vector<int> mCursors;
};

class WidgetTest : public ::testing::Test {
protected:
    WidgetTest() {
        mScreen.Create(800, 600);
        mManager.mImage = &mScreen;
        mManager.mHost = &mHost;
        mManager.SetViewRects(Vesk::Rect(0, 0, 800, 600), Vesk::Rect(0, 0, 800, 600));
    }

    // Owned by the test; deleted (and so taken out of the tree) when the test ends.
    RecordingWidget* Make(const std::string& name, int x, int y, int width, int height,
                          Vesk::WidgetContainer* parent = nullptr) {
        mWidgets.push_back(std::make_unique<RecordingWidget>(name, &mLog, x, y, width, height));
        RecordingWidget* widget = mWidgets.back().get();
        (parent != nullptr ? parent : &mManager)->AddWidget(widget);
        return widget;
    }

    uint32_t Pixel(int x, int y) { return mScreen.GetBits()[y * 800 + x] & 0xFFFFFF; }

    // Declared first so that it goes last: the widgets leave it as they go.
    Vesk::DDImage mScreen;
    RecordingHost mHost;
    Vesk::WidgetManager mManager{nullptr};
    Log mLog;
    std::vector<std::unique_ptr<RecordingWidget>> mWidgets;
};

}  // namespace widgettest

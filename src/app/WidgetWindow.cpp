#include "app/WidgetWindow.h"

#include "app/TextPane.h"
#include "platform/Message.h"
#include "platform/TextSystem.h"
#include "resources/SysFont.h"

namespace Vesk {

namespace {

// Input that arrives together is handed over in one turn, up to this much.
constexpr int kMaxMessagesPerStep = 256;

}  // namespace

WidgetWindow::WidgetWindow(std::unique_ptr<platform::PixelWindow> window)
    : mWindow(std::move(window)), mTextSystem(platform::GetTextSystem()) {
    if (mTextSystem == nullptr) {
        mOwnTextSystem = platform::MakeTextSystem(platform::BackendKind::Sdl);
        mTextSystem = mOwnTextSystem.get();
    }
    const platform::Size size = mWindow->ClientSize();
    mScreen.Create(size.width, size.height);
    mManager.mImage = &mScreen;
    mManager.mHost = this;
    const Rect all(0, 0, size.width, size.height);
    mManager.SetViewRects(all, all);
    mBackground = std::make_unique<TextPane>();
    mBackground->Resize(0, 0, size.width, size.height);
    mManager.AddWidget(mBackground.get());
    // A window of its own has the focus while it runs; buttons click only in a focused one.
    mManager.GotFocus();
}

WidgetWindow::~WidgetWindow() {
    mManager.RemoveWidget(mBackground.get());
}

std::unique_ptr<Font> WidgetWindow::MakeFont(const std::string& face, int pointSize, bool bold) {
    return std::make_unique<SysFont>(mTextSystem, face, pointSize, bold);
}

std::unique_ptr<Font> WidgetWindow::CreateSystemFont(const std::string& face, int pointSize,
                                                     int charSet) {
    (void)charSet;
    return MakeFont(face, pointSize, false);
}

bool WidgetWindow::Step(uint32_t ms) {
    for (int i = 0; i < kMaxMessagesPerStep && !mCloseRequested; ++i) {
        const std::optional<platform::Message> message = mWindow->WaitMessage(i == 0 ? ms : 0);
        if (!message) {
            break;
        }
        Deliver(*message);
    }
    mManager.UpdateFrame();
    if (mManager.DrawScreen()) {
        Show();
    }
    return !mCloseRequested;
}

bool WidgetWindow::RunUntil(const std::function<bool()>& done) {
    while (!done()) {
        if (!Step(kStepMs)) {
            // An answer given before the close still counts.
            return done();
        }
    }
    return true;
}

void WidgetWindow::Show() {
    mWindow->Present(mScreen.GetBits(), mScreen.GetWidth());
}

void WidgetWindow::Deliver(const platform::Message& message) {
    namespace msg = platform::msg;
    const int x = platform::LowSigned(message.lparam);
    const int y = platform::HighSigned(message.lparam);
    switch (message.kind) {
        case msg::Close:
            mCloseRequested = true;
            return;
        case msg::Paint:
            Show();
            return;
        case msg::KeyDown: {
            const int key = static_cast<int>(message.wparam);
            if (!mKeyFilter || !mKeyFilter(key)) {
                mManager.KeyDown(key);
            }
            return;
        }
        case msg::KeyUp:
            mManager.KeyUp(static_cast<int>(message.wparam));
            return;
        case msg::Char:
            // Enter and Escape belong to the window's buttons.
            if (message.wparam == 13 || message.wparam == 27) {
                return;
            }
            mManager.KeyChar(static_cast<char>(static_cast<uint8_t>(message.wparam)));
            return;
        case msg::MouseWheel:
            mManager.MouseWheel(platform::WheelDelta(message.wparam) /
                                platform::WheelDeltaPerNotch);
            return;
        case msg::MouseMove:
            mManager.MouseMove(x, y);
            return;
        case msg::LeftButtonDown:
        case msg::LeftButtonDoubleClick:
        case msg::RightButtonDown:
        case msg::RightButtonDoubleClick: {
            const bool left =
                message.kind == msg::LeftButtonDown || message.kind == msg::LeftButtonDoubleClick;
            const bool twice = message.kind == msg::LeftButtonDoubleClick ||
                               message.kind == msg::RightButtonDoubleClick;
            mManager.MouseMove(x, y);
            mManager.MouseDown(x, y, (left ? 1 : -1) * (twice ? 2 : 1));
            return;
        }
        case msg::LeftButtonUp:
        case msg::RightButtonUp:
            mManager.MouseMove(x, y);
            mManager.MouseUp(x, y, message.kind == msg::LeftButtonUp ? 1 : -1);
            return;
        default:
            return;
    }
}

}  // namespace Vesk

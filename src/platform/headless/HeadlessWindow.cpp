#include "platform/headless/HeadlessWindow.h"

#include "platform/headless/HeadlessWindowSystem.h"

namespace platform {

HeadlessWindow::HeadlessWindow(HeadlessWindowSystem& system, WindowId id,
                               const WindowParams& params, Frame frame)
    : Window(id, params),
      mSystem(system),
      mTitle(params.title),
      mClientSize(params.clientSize),
      mFrame(params.style == WindowStyle::Captioned ? frame : Frame{}),
      mX(params.position.x),
      mY(params.position.y),
      mVisible(params.visible && params.kind == WindowKind::Main && !system.MapsDropped()) {}

void HeadlessWindow::Show(ShowCommand command) {
    mShowHistory.push_back(command);
    if (Kind() == WindowKind::Invisible ||
        (command != ShowCommand::Hide && !mVisible && mSystem.MapsDropped())) {
        return;
    }
    switch (command) {
        case ShowCommand::Hide:
            mVisible = false;
            mSystem.WindowDeactivated(Id());
            break;
        case ShowCommand::Show:
            // Keeps the current size, minimised or not.
            mVisible = true;
            if (mState != ShowState::Minimized) {
                mSystem.WindowActivated(Id());
            }
            break;
        case ShowCommand::ShowNormal:
        case ShowCommand::Restore:
            mVisible = true;
            if (mState != ShowState::Normal) {
                mState = ShowState::Normal;
                mSystem.PostWindowEvent(Id(), input::WindowEvent::Restored);
            }
            mSystem.WindowActivated(Id());
            break;
        case ShowCommand::ShowNoActivate:
            mVisible = true;
            break;
        case ShowCommand::Minimize:
            mVisible = true;
            if (mState != ShowState::Minimized) {
                mState = ShowState::Minimized;
                mSystem.PostWindowEvent(Id(), input::WindowEvent::Minimized);
                mSystem.WindowDeactivated(Id());
            }
            break;
        case ShowCommand::Maximize:
            mVisible = true;
            if (mState != ShowState::Maximized) {
                mState = ShowState::Maximized;
                mSystem.PostWindowEvent(Id(), input::WindowEvent::Maximized);
            }
            mSystem.WindowActivated(Id());
            break;
    }
}

void HeadlessWindow::SetForeground() {
    ++mForegroundCount;
    if (mVisible && mState != ShowState::Minimized) {
        mSystem.WindowActivated(Id());
    }
}

void HeadlessWindow::SetFocus() {
    ++mFocusCount;
}

void HeadlessWindow::SetPosition(Point outer) {
    mX.store(outer.x);
    mY.store(outer.y);
}

bool HeadlessWindow::SetClientSize(Size client) {
    if (client.width < 0 || client.height < 0) {
        return false;
    }
    mClientSize = client;
    return true;
}

Placement HeadlessWindow::GetPlacement() const {
    return Placement{mState, Position()};
}

Point HeadlessWindow::ClientToScreen(Point client) const {
    return Point{client.x + mX.load() + mFrame.left, client.y + mY.load() + mFrame.top};
}

Point HeadlessWindow::ScreenToClient(Point screen) const {
    return Point{screen.x - mX.load() - mFrame.left, screen.y - mY.load() - mFrame.top};
}

void HeadlessWindow::SetIcon(int32_t width, int32_t height, const uint32_t* argb) {
    mIconSize = argb != nullptr ? Size{width, height} : Size{};
}

}  // namespace platform

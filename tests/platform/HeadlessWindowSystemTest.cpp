#include "platform/headless/HeadlessWindowSystem.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/VirtualKeys.h"
#include "platform/headless/FakeClock.h"

namespace platform {
namespace {

class HeadlessWindowSystemTest : public ::testing::Test {
protected:
    // A captioned main window at (100, 50) with an 8-pixel frame and a
    // 30-pixel caption, like a desktop would draw it.
    Window* MakeMain(bool visible = true) {
        system.SetFrame(HeadlessWindow::Frame{8, 30, 8, 8});
        WindowParams params;
        params.title = "Vorns";
        params.position = Point{100, 50};
        params.clientSize = Size{800, 600};
        params.visible = visible;
        params.procedure = [this](const Message& m) {
            handled.push_back(m);
            return intptr_t{0};
        };
        return system.CreateWindow(params);
    }

    std::vector<Message> Drain() {
        std::vector<Message> out;
        while (auto m = system.PeekMessage(true)) {
            out.push_back(*m);
        }
        return out;
    }

    ScopedFakeClock clock{1000};
    HeadlessWindowSystem system;
    std::vector<Message> handled;
};

TEST_F(HeadlessWindowSystemTest, CreateAndDestroySendTheirMessagesAtOnce) {
    Window* w = MakeMain(false);
    ASSERT_NE(w, nullptr);
    const WindowId id = w->Id();
    ASSERT_EQ(handled.size(), 1u);
    EXPECT_EQ(handled[0].kind, msg::Create);
    system.SetTimer(id, 100, 10);
    system.PostMessage(id, msg::User, 1, 2);

    system.DestroyWindow(id);
    EXPECT_EQ(handled.back().kind, msg::Destroy);
    EXPECT_EQ(system.FindWindow(id), nullptr);
    EXPECT_EQ(system.DestroyedWindows(), std::vector<WindowId>{id});
    clock->Advance(50);
    EXPECT_TRUE(Drain().empty());  // its messages and timer went with it
    EXPECT_FALSE(system.PostMessage(id, msg::User, 0, 0));
    // Ids are never reused, so old messages cannot reach a new window.
    EXPECT_NE(MakeMain()->Id(), id);
}

TEST_F(HeadlessWindowSystemTest, ScriptedInputComesOutAsDesktopMessages) {
    Window* w = MakeMain();
    Drain();  // activation from showing

    system.PushKeyDown(vk::LeftShift);
    system.PushText("A");
    system.PushKeyUp(vk::LeftShift);
    system.PushKeyDown(vk::Control);
    system.PushKeyDown(vk::C);
    system.PushKeyUp(vk::Control);
    system.PushKeyDown(vk::Alt);
    system.PushKeyDown(vk::F4);

    const auto m = Drain();
    ASSERT_EQ(m.size(), 9u);
    EXPECT_EQ(m[0].kind, msg::KeyDown);
    EXPECT_EQ(m[0].wparam, vk::Shift);  // either side is the plain key
    EXPECT_EQ(m[1].kind, msg::Char);
    EXPECT_EQ(m[1].wparam, static_cast<uintptr_t>('A'));
    EXPECT_EQ(m[2].kind, msg::KeyUp);
    EXPECT_EQ(m[4].kind, msg::KeyDown);
    EXPECT_EQ(m[4].wparam, vk::C);
    EXPECT_EQ(m[5].kind, msg::Char);
    EXPECT_EQ(m[5].wparam, 3u);
    EXPECT_EQ(m[7].kind, msg::SysKeyDown);
    EXPECT_EQ(m[7].wparam, vk::Alt);
    EXPECT_EQ(m[8].kind, msg::SysKeyDown);
    EXPECT_EQ(m[8].wparam, vk::F4);
    for (const Message& each : m) {
        EXPECT_EQ(each.window, w->Id());
        EXPECT_EQ(each.time, 1000u);
    }
}

TEST_F(HeadlessWindowSystemTest, MouseInputUsesClientCoordinatesAndMovesTheCursor) {
    Window* w = MakeMain();
    Drain();
    system.PushMouseMove(Point{10, 20});
    EXPECT_EQ(system.CursorPosition(), (Point{118, 100}));
    EXPECT_EQ(system.WindowUnderCursor(), w->Id());
    system.PushMouseButton(input::MouseButton::Right, true, 1);
    system.PushMouseButton(input::MouseButton::Right, false, 1);
    system.PushMouseButton(input::MouseButton::Right, true, 2);
    system.PushWheel(-2);

    const auto m = Drain();
    ASSERT_EQ(m.size(), 5u);
    EXPECT_EQ(m[0].kind, msg::MouseMove);
    EXPECT_EQ(LowSigned(m[0].lparam), 10);
    EXPECT_EQ(HighSigned(m[0].lparam), 20);
    EXPECT_EQ(m[0].point, (Point{118, 100}));
    EXPECT_EQ(m[1].kind, msg::RightButtonDown);
    EXPECT_EQ(m[1].wparam, mouseKey::Right);
    EXPECT_EQ(LowSigned(m[1].lparam), 10);
    EXPECT_EQ(m[2].kind, msg::RightButtonUp);
    EXPECT_EQ(m[2].wparam, 0u);
    EXPECT_EQ(m[3].kind, msg::RightButtonDoubleClick);
    EXPECT_EQ(m[4].kind, msg::MouseWheel);
    EXPECT_EQ(WheelDelta(m[4].wparam), -240);

    system.SetCursorPosition(Point{5, 5});
    EXPECT_EQ(system.WindowUnderCursor(), kNoWindow);
    EXPECT_EQ(w->ScreenToClient(Point{118, 100}), (Point{10, 20}));
}

TEST_F(HeadlessWindowSystemTest, InputWithoutAWindowIsRefused) {
    EXPECT_FALSE(system.PushKeyDown(vk::A));
    EXPECT_FALSE(system.PushMouseMove(Point{1, 1}));
    EXPECT_FALSE(system.PushClose());
    EXPECT_TRUE(Drain().empty());
}

TEST_F(HeadlessWindowSystemTest, ShowingMinimisingAndFocusReportActivationAndSize) {
    Window* w = MakeMain(false);
    EXPECT_EQ(system.ActiveWindow(), kNoWindow);
    w->Show(ShowCommand::ShowNoActivate);
    EXPECT_TRUE(Drain().empty());
    w->Show(ShowCommand::ShowNormal);
    EXPECT_EQ(system.ActiveWindow(), w->Id());
    auto m = Drain();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].kind, msg::ActivateApp);
    EXPECT_EQ(m[0].wparam, 1u);

    system.PushMinimize();
    m = Drain();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].kind, msg::Size);
    EXPECT_EQ(m[0].wparam, size::Minimized);
    EXPECT_EQ(m[1].kind, msg::ActivateApp);
    EXPECT_EQ(m[1].wparam, 0u);
    EXPECT_EQ(w->GetPlacement().state, ShowState::Minimized);

    // What the first instance does when the second one knocks.
    w->Show(ShowCommand::Restore);
    w->SetForeground();
    m = Drain();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].wparam, size::Restored);
    EXPECT_EQ(LowSigned(m[0].lparam), 800);
    EXPECT_EQ(m[1].kind, msg::ActivateApp);
    EXPECT_EQ(m[1].wparam, 1u);

    system.PushFocus(false);
    system.PushFocus(true);
    m = Drain();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].wparam, 0u);
    EXPECT_EQ(m[1].wparam, 1u);
    EXPECT_EQ(w->GetPlacement().normalPosition, (Point{100, 50}));
}

TEST_F(HeadlessWindowSystemTest, TimersFollowTheFakeClock) {
    Window* w = MakeMain(false);
    system.SetTimer(w->Id(), 100, 10);
    EXPECT_FALSE(system.PeekMessage(true));
    clock->Advance(10);
    const auto timer = system.PeekMessage(true);
    ASSERT_TRUE(timer);
    EXPECT_EQ(timer->kind, msg::Timer);
    EXPECT_EQ(timer->wparam, 100u);
    clock->Advance(300);  // a stalled loop
    EXPECT_TRUE(system.PeekMessage(true));
    EXPECT_FALSE(system.PeekMessage(true));
    system.KillTimer(w->Id(), 100);
    clock->Advance(1000);
    EXPECT_FALSE(system.PeekMessage(true));
}

TEST_F(HeadlessWindowSystemTest, DefaultProcessingTurnsAltF4IntoCloseAndCloseIntoDestroy) {
    Window* w = MakeMain();
    const WindowId id = w->Id();
    Drain();
    system.PushKeyDown(vk::Alt);
    system.PushKeyDown(vk::F4);
    system.PushKeyDown(vk::Digit(4));  // not F4: nothing
    for (auto m = system.PeekMessage(true); m; m = system.PeekMessage(true)) {
        system.DefaultProcessing(*m);
        if (m->kind == msg::SysCommand) {
            EXPECT_EQ(m->wparam, sysCommand::Close);
        }
    }
    EXPECT_EQ(system.FindWindow(id), nullptr);
    EXPECT_EQ(handled.back().kind, msg::Destroy);
}

TEST_F(HeadlessWindowSystemTest, DispatchLetsAProcedureDestroyItsOwnWindow) {
    WindowParams params;
    params.kind = WindowKind::Invisible;
    WindowId id = kNoWindow;
    int destroys = 0;
    params.procedure = [&](const Message& m) {
        if (m.kind == msg::Close) {
            system.DestroyWindow(id);
        } else if (m.kind == msg::Destroy) {
            ++destroys;
            system.DestroyWindow(id);  // again, from its own Destroy
        }
        return intptr_t{0};
    };
    id = system.CreateWindow(params)->Id();
    EXPECT_FALSE(system.FindWindow(id)->IsVisible());
    system.PostMessage(id, msg::Close, 0, 0);
    system.Dispatch(*system.PeekMessage(true));
    EXPECT_EQ(system.FindWindow(id), nullptr);
    EXPECT_EQ(destroys, 1);
    EXPECT_EQ(system.Dispatch(Message{id, msg::Paint, 0, 0, 0, {}}), 0);
}

TEST_F(HeadlessWindowSystemTest, MessageBoxesFollowTheScriptThenTheDefaultButton) {
    system.QueueMessageBoxAnswer(mb::IdNo);
    EXPECT_EQ(system.MessageBox(kNoWindow, "Keep it?", "Question", mb::YesNo | mb::IconQuestion),
              mb::IdNo);
    EXPECT_EQ(system.MessageBox(kNoWindow, "Keep it?", "Question", mb::YesNo), mb::IdYes);
    EXPECT_EQ(system.MessageBox(kNoWindow, "x", "y", mb::YesNo | mb::DefaultButton2), mb::IdNo);
    EXPECT_EQ(
        system.MessageBoxWide(kNoWindow, L"Caf\u00E9", L"FATAL ERROR", mb::Ok | mb::IconError),
        mb::IdOk);
    const auto& boxes = system.MessageBoxes();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0].text, "Keep it?");
    EXPECT_EQ(boxes[0].flags, mb::YesNo | mb::IconQuestion);
    EXPECT_EQ(boxes[3].text, "Caf\xC3\xA9");
    EXPECT_EQ(boxes[3].title, "FATAL ERROR");
    // Narrow texts are Windows-1252.
    system.MessageBox(kNoWindow, "\x80", "", mb::Ok);
    EXPECT_EQ(system.MessageBoxes().back().text, "\xE2\x82\xAC");
}

TEST_F(HeadlessWindowSystemTest, InstanceLockAndNotifyActLikeTwoProcesses) {
    auto host = std::make_shared<HeadlessWindowSystem::Host>();
    HeadlessWindowSystem first(host);
    {
        HeadlessWindowSystem second(host);
        EXPECT_EQ(first.AcquireInstanceLock("VornsMutex"), InstanceLockResult::Acquired);
        EXPECT_EQ(first.AcquireInstanceLock("VornsMutex"), InstanceLockResult::HeldElsewhere);
        EXPECT_EQ(second.AcquireInstanceLock("VornsMutex"), InstanceLockResult::HeldElsewhere);
        EXPECT_EQ(second.AcquireInstanceLock("OtherMutex"), InstanceLockResult::Acquired);

        WindowParams params;
        const WindowId target = first.CreateWindow(params)->Id();
        const uint32_t kind = first.RegisterMessage("VornsNotify");
        EXPECT_GE(kind, msg::FirstRegistered);
        EXPECT_EQ(first.RegisterMessage("vornsnotify"), kind);
        EXPECT_NE(first.RegisterMessage("Other"), kind);
        EXPECT_EQ(first.RegisterMessage(""), 0u);

        const uint32_t secondKind = second.RegisterMessage("VornsNotify");
        EXPECT_FALSE(second.BroadcastMessage(secondKind + 1, 0, 0));  // not registered there
        EXPECT_TRUE(second.BroadcastMessage(secondKind, 0, 5));
        const auto note = first.PeekMessage(true);
        ASSERT_TRUE(note);
        EXPECT_EQ(note->kind, kind);
        EXPECT_EQ(note->window, target);
        EXPECT_EQ(note->lparam, 5);
    }
    // The second "process" ended and its lock with it.
    HeadlessWindowSystem third(host);
    EXPECT_EQ(third.AcquireInstanceLock("OtherMutex"), InstanceLockResult::Acquired);
    EXPECT_EQ(third.AcquireInstanceLock("VornsMutex"), InstanceLockResult::HeldElsewhere);
}

TEST_F(HeadlessWindowSystemTest, CursorsAreRecordedAndSharedOnesSurviveDestroy) {
    const CursorHandle arrow = system.LoadSystemCursor(SystemCursor::Arrow);
    EXPECT_EQ(system.CurrentCursor(), arrow);
    EXPECT_EQ(system.LoadSystemCursor(SystemCursor::Arrow), arrow);
    CursorMasks masks;
    masks.andMask.fill(0xFF);
    const CursorHandle hand = system.CreateMaskCursor(masks, Point{11, 4});
    EXPECT_EQ(system.SetCursor(hand), arrow);
    EXPECT_EQ(system.FindCursor(hand)->hotSpot, (Point{11, 4}));
    EXPECT_EQ(system.SetCursor(kNoCursor), hand);
    system.SetCursor(hand);
    system.DestroyCursor(hand);
    EXPECT_EQ(system.FindCursor(hand), nullptr);
    EXPECT_EQ(system.CurrentCursor(), arrow);
    system.DestroyCursor(arrow);
    EXPECT_NE(system.FindCursor(arrow), nullptr);
}

TEST_F(HeadlessWindowSystemTest, ExposesCoalesceAndDisplayChangesReachEveryWindow) {
    Window* w = MakeMain(false);
    WindowParams invisible;
    invisible.kind = WindowKind::Invisible;
    system.CreateWindow(invisible);
    system.PushExpose();
    system.PushExpose();
    system.PushDisplayChange(Size{1024, 768}, 16);
    const auto m = Drain();
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].kind, msg::Paint);
    EXPECT_EQ(m[0].window, w->Id());
    EXPECT_EQ(m[1].kind, msg::DisplayChange);
    EXPECT_EQ(m[2].kind, msg::DisplayChange);
    EXPECT_EQ(m[1].wparam, 16u);
    EXPECT_EQ(system.ScreenSize(), (Size{1024, 768}));
    EXPECT_EQ(system.ClientToWindowSize(WindowStyle::Captioned, Size{800, 600}), (Size{816, 638}));
    EXPECT_EQ(system.ClientToWindowSize(WindowStyle::FullScreenPopup, Size{800, 600}),
              (Size{800, 600}));
}

}  // namespace
}  // namespace platform

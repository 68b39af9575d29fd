// The dialog table, message boxes, the error log and opening web addresses.
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "AppTestSupport.h"
#include "platform/MemoryDisplay.h"
#include "widgets/Dialog.h"
#include "widgets/DialogButton.h"

namespace apptest {
namespace {

using Vesk::Dialog;

// Reports its own deletion.
class TrackedDialog : public Dialog {
public:
    TrackedDialog(int id, bool modal, int* deletions)
        : Dialog(nullptr, id, modal, "Head", "Lines", "Foot", BUTTONS_YES_NO),
          mDeletions(deletions) {}
    ~TrackedDialog() override { ++*mDeletions; }
    int GetPreferredHeight(int width) override { return width / 4; }

    int* mDeletions;
};

class ModalApp : public TestApp {
public:
    using TestApp::TestApp;
    void ModalOpen() override { mEvents.push_back("ModalOpen"); }
    void ModalClose() override { mEvents.push_back("ModalClose"); }
};

class DialogTest : public AppTest {
protected:
    ModalApp& MakeModalApp() {
        mApp = std::make_unique<ModalApp>(mWs.get());
        mApp->mWidth = 800;
        mApp->mHeight = 600;
        return static_cast<ModalApp&>(*mApp);
    }

    std::string ReadLog() {
        std::ifstream in(mTempDir + "/ScrError.txt");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    int mDeletions = 0;
};

TEST_F(DialogTest, DoDialogShowsTheRealDialogWithItsButtons) {
    ModalApp& app = MakeModalApp();
    Dialog* dialog = app.DoDialog(3, true, "", "", "", Dialog::BUTTONS_YES_NO);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->GetRect(), Vesk::Rect(200, 120, 400, 80));
    EXPECT_EQ(dialog->mYesButton->mLabel, "YES");
    EXPECT_EQ(dialog->mNoButton->mLabel, "NO");
    EXPECT_EQ(dialog->mYesButton->GetRect(), Vesk::Rect(224, 152, 172, 24));
    EXPECT_EQ(dialog->mNoButton->GetRect(), Vesk::Rect(404, 152, 172, 24));
    EXPECT_TRUE(app.mWidgetManager->HasWidget(dialog->mNoButton.get()));
    EXPECT_TRUE(app.KillDialog(3));
    EXPECT_FALSE(app.mWidgetManager->HasWidget(dialog->mNoButton.get()));
}

TEST_F(DialogTest, AnUnsizedDialogIsPlacedAndTracked) {
    ModalApp& app = MakeModalApp();
    auto* dialog = new TrackedDialog(5, false, &mDeletions);
    app.AddDialog(5, dialog);
    EXPECT_EQ(dialog->mX, 200);
    EXPECT_EQ(dialog->mY, 120);
    EXPECT_EQ(dialog->mWidth, 400);
    EXPECT_EQ(dialog->mHeight, 100);
    EXPECT_EQ(app.GetDialog(5), dialog);
    EXPECT_EQ(app.GetDialogCount(), 1);
    EXPECT_TRUE(app.mWidgetManager->HasWidget(dialog));

    // A dialog with a size keeps it.
    auto* sized = new TrackedDialog(6, false, &mDeletions);
    sized->Resize(1, 2, 30, 40);
    app.AddDialogByObject(sized);
    EXPECT_EQ(sized->mX, 1);
    EXPECT_EQ(sized->mWidth, 30);
    EXPECT_EQ(app.GetDialogCount(), 2);
    EXPECT_EQ(app.mDialogList, (std::list<Dialog*>{dialog, sized}));

    // The application's destructor deletes what is still open.
    mApp.reset();
    EXPECT_EQ(mDeletions, 2);
}

TEST_F(DialogTest, KillingClosesAndDeletesAfterTheStep) {
    ModalApp& app = MakeModalApp();
    auto* first = new TrackedDialog(5, true, &mDeletions);
    app.AddDialog(5, first);
    EXPECT_EQ(app.mEvents, (std::vector<std::string>{"ModalOpen"}));
    EXPECT_EQ(app.mWidgetManager->mBaseModalWidget, first);

    // A new dialog under the same id replaces the old one.
    auto* second = new TrackedDialog(5, false, &mDeletions);
    second->mResult = 4;
    app.AddDialog(5, second);
    EXPECT_EQ(first->mResult, 0);  // killed without a result
    EXPECT_EQ(app.mEvents, (std::vector<std::string>{"ModalOpen", "ModalClose"}));
    EXPECT_EQ(app.mWidgetManager->mBaseModalWidget, nullptr);
    EXPECT_FALSE(app.mWidgetManager->HasWidget(first));
    EXPECT_EQ(app.GetDialog(5), second);
    EXPECT_EQ(mDeletions, 0);  // only after the step
    app.ProcessSafeDeleteList();
    EXPECT_EQ(mDeletions, 1);

    EXPECT_TRUE(app.KillDialogByObject(second));
    EXPECT_EQ(second->mResult, 4);  // a result is kept
    EXPECT_FALSE(app.KillDialog(5));
    EXPECT_EQ(app.GetDialogCount(), 0);
    app.ProcessSafeDeleteList();
    EXPECT_EQ(mDeletions, 2);

    // Removed but neither taken off the screen nor deleted: the caller keeps it.
    auto* kept = new TrackedDialog(7, false, &mDeletions);
    app.AddDialog(7, kept);
    EXPECT_TRUE(app.KillDialogFull(7, false, false));
    EXPECT_TRUE(app.mWidgetManager->HasWidget(kept));
    app.ProcessSafeDeleteList();
    EXPECT_EQ(mDeletions, 2);
    app.mWidgetManager->RemoveWidget(kept);
    delete kept;
}

TEST_F(DialogTest, ADialogAddedAgainIsNeverDeletedWhileRegistered) {
    ModalApp& app = MakeModalApp();
    auto* dialog = new TrackedDialog(5, false, &mDeletions);
    app.AddDialog(5, dialog);
    app.AddDialog(5, dialog);
    app.ProcessSafeDeleteList();
    EXPECT_EQ(mDeletions, 0);
    EXPECT_EQ(app.GetDialog(5), dialog);
    EXPECT_EQ(app.mDialogList.size(), 1u);

    // Under another id it moves: one entry, one deletion.
    app.AddDialog(9, dialog);
    EXPECT_EQ(app.GetDialog(5), nullptr);
    EXPECT_EQ(app.GetDialog(9), dialog);
    EXPECT_EQ(app.GetDialogCount(), 1);
    EXPECT_EQ(dialog->mResult, Dialog::NO_RESULT);

    // Killed and added again in the same step, it must survive the step.
    app.KillDialog(9);
    app.AddDialog(9, dialog);
    app.ProcessSafeDeleteList();
    EXPECT_EQ(mDeletions, 0);
    mApp.reset();
    EXPECT_EQ(mDeletions, 1);
}

TEST_F(DialogTest, DoDialogMakesAStandardDialogAndButtonsBecomeAppButtons) {
    ModalApp& app = MakeModalApp();
    Dialog* dialog = app.DoDialog(5, false, "Title", "Body", "Footer", Dialog::BUTTONS_YES_NO);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->mId, 5);
    EXPECT_EQ(dialog->mHeader, "Title");
    EXPECT_EQ(dialog->mLines, "Body");
    EXPECT_EQ(dialog->mComponentImage, nullptr);
    EXPECT_EQ(app.GetDialog(5), dialog);

    dialog->ButtonDepress(Dialog::ID_NO);
    dialog->ButtonPress(Dialog::ID_YES);
    dialog->ButtonPress(42);
    app.DialogButtonPress(5, 7);
    EXPECT_EQ(app.mEvents, (std::vector<std::string>{"ButtonDepress 3005", "ButtonPress 2005"}));

    Dialog* again = app.DoDialog(5, false, "Other", "", "", Dialog::BUTTONS_NONE);
    EXPECT_NE(again, dialog);
    EXPECT_EQ(app.GetDialogCount(), 1);
}

TEST_F(DialogTest, MessageBoxesAndPopups) {
    TestApp& app = MakeApp();
    mWs->QueueMessageBoxAnswer(platform::mb::IdNo);
    EXPECT_EQ(app.MsgBox("Keep?", "Question", platform::mb::YesNo), platform::mb::IdNo);
    app.Popup("Broken");
    app.SetString("FATAL_ERROR", u"Fehler");
    app.PopupWide(u"Kaputt \u00e4");
    EXPECT_EQ(app.MsgBoxWide(u"Wide", u"W", platform::mb::Ok), platform::mb::IdOk);

    const auto& boxes = mWs->MessageBoxes();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0].text, "Keep?");
    EXPECT_EQ(boxes[0].title, "Question");
    EXPECT_EQ(boxes[1].text, "Broken");
    EXPECT_EQ(boxes[1].title, "FATAL ERROR");
    EXPECT_EQ(boxes[1].flags & platform::mb::IconMask, platform::mb::IconError);
    EXPECT_EQ(boxes[2].text, "Kaputt \u00e4");
    EXPECT_EQ(boxes[2].title, "Fehler");
    EXPECT_EQ(boxes[3].title, "W");

    // Once shutting down, no fatal box any more.
    app.Shutdown();
    app.Popup("Late");
    EXPECT_EQ(boxes.size(), 4u);
}

TEST_F(DialogTest, ABoxOverAFullScreenPictureHandsTheScreenToTheDesktop) {
    TestApp& app = MakeApp();
    app.mIsWindowed = false;
    app.Init();
    ASSERT_FALSE(app.mIsPhysWindowed);
    auto* display = dynamic_cast<platform::MemoryDisplay*>(app.mDDInterface->GetDisplaySystem());
    ASSERT_NE(display, nullptr);
    const uint64_t before = display->DesktopFlipCount();
    app.MsgBox("Seen?", "t", platform::mb::Ok);
    EXPECT_EQ(display->DesktopFlipCount(), before + 1);
    EXPECT_FALSE(app.mPopupShowing);
}

TEST_F(DialogTest, ScreenSaversLogInsteadOfShowingBoxes) {
    const std::string oldDir = platform::fs::CurrentDirectory();
    ASSERT_TRUE(platform::fs::SetCurrentDirectory(mTempDir));
    mClock.SetLocalTimeText("Tue Mar 04 13:05:09 2025");
    TestApp& app = MakeApp();
    app.mIsScreenSaver = true;
    EXPECT_EQ(app.MsgBox("asked", "t", platform::mb::YesNo), platform::mb::IdOk);
    app.Popup("popped");
    app.PopupWide(u"wide");
    EXPECT_TRUE(mWs->MessageBoxes().empty());
    const std::string log = ReadLog();
    platform::fs::SetCurrentDirectory(oldDir);
    EXPECT_NE(log.find("asked 13:05:09 100000\n"), std::string::npos) << log;
    EXPECT_NE(log.find("popped 13:05:09 100000\n"), std::string::npos) << log;
    EXPECT_NE(log.find("wide 13:05:09 100000\n"), std::string::npos) << log;
}

// After SIGTERM or SIGINT a box would hold up the end of the run: none opens, its words go to
// the error log, and its answer is nobody's choice. A box such a signal ends counts the same.
TEST_F(DialogTest, AfterAQuitSignalBoxesGoToTheErrorLog) {
    const std::string oldDir = platform::fs::CurrentDirectory();
    ASSERT_TRUE(platform::fs::SetCurrentDirectory(mTempDir));
    mClock.SetLocalTimeText("Tue Mar 04 13:05:09 2025");
    TestApp& app = MakeApp();
    mWs->QueueMessageBoxAnswer(platform::mb::IdEndedBySignal);
    EXPECT_EQ(app.MsgBox("cut short", "t", platform::mb::YesNo), platform::mb::IdEndedBySignal);
    EXPECT_EQ(app.MsgBox("asked", "t", platform::mb::YesNo), platform::mb::IdEndedBySignal);
    EXPECT_EQ(app.MsgBoxWide(u"wide", u"t", platform::mb::Ok), platform::mb::IdEndedBySignal);
    app.Popup("popped");
    EXPECT_EQ(mWs->MessageBoxes().size(), 1u);
    const std::string log = ReadLog();
    platform::fs::SetCurrentDirectory(oldDir);
    for (const char* text : {"cut short", "asked", "wide", "popped"}) {
        EXPECT_NE(log.find(std::string(text) + " 13:05:09"), std::string::npos) << log;
    }
}

TEST_F(DialogTest, ASignalBeforeAnyBoxKeepsEveryBoxShut) {
    TestApp& app = MakeApp();
    mWs->PushQuitSignal();
    EXPECT_EQ(app.MsgBox("asked", "t", platform::mb::YesNo), platform::mb::IdEndedBySignal);
    app.PopupWide(u"wide");
    EXPECT_TRUE(mWs->MessageBoxes().empty());
}

TEST_F(DialogTest, TheFirstErrorOfARunStartsANewLog) {
    // A fresh process, so that this is the run's first error line.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            platform::fs::SetCurrentDirectory(mTempDir);
            std::ofstream("ScrError.txt") << "from an earlier run\n";
            TestApp& app = MakeApp();
            app.LogError("one");
            mClock.Advance(5);
            app.LogError("two");
            const bool ok = ReadLog() == "one 00:00:00 100000\ntwo 00:00:00 100005\n";
            std::_Exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// An installed game cannot write its working folder: once the data folder is known, the log
// goes there, beside the players' files, started afresh for the run.
TEST_F(DialogTest, TheErrorLogMovesToTheDataFolderOnceItIsKnown) {
    const std::string oldDir = platform::fs::CurrentDirectory();
    ASSERT_TRUE(platform::fs::SetCurrentDirectory(mTempDir));
    TestApp& app = MakeApp();
    app.LogError("early");
    const std::string data = mTempDir + "/data/";
    std::filesystem::create_directories(data);
    std::ofstream(data + "ScrError.txt") << "from an earlier run\n";
    Vesk::SetAppDataFolder(data);
    app.LogError("one");
    app.LogError("two");
    const std::string inWorkingFolder = ReadLog();
    platform::fs::SetCurrentDirectory(oldDir);
    EXPECT_EQ(inWorkingFolder, "early 00:00:00 100000\n");
    std::stringstream inDataFolder;
    inDataFolder << std::ifstream(data + "ScrError.txt").rdbuf();
    EXPECT_EQ(inDataFolder.str(), "one 00:00:00 100000\ntwo 00:00:00 100000\n");
}

TEST_F(DialogTest, OpeningAnAddressIsWatchedUntilItIsJudged) {
    TestApp& app = MakeApp();
    EXPECT_TRUE(app.OpenURL("https://example.org/a?b=1&c=2", false));
    EXPECT_TRUE(app.mIsOpeningURL);
    EXPECT_EQ(app.mOpeningURLTime, 100000u);
    mClock.Advance(50);
    EXPECT_TRUE(app.OpenURL("https://example.org/a?b=1&c=2", true));  // pending: not again
    EXPECT_EQ(mWs->OpenedUrls().size(), 1u);
    EXPECT_FALSE(app.mShutdownOnURLOpen);

    app.URLOpenFailed("https://example.org/a?b=1&c=2");
    EXPECT_FALSE(app.mIsOpeningURL);
    mWs->SetOpenUrlResult(false);
    EXPECT_FALSE(app.OpenURL("https://example.org/b", true));
    EXPECT_FALSE(app.mIsOpeningURL);

    mWs->SetOpenUrlResult(true);
    EXPECT_TRUE(app.OpenURL("https://example.org/b", true));
    EXPECT_EQ(mWs->OpenedUrls().back(), "https://example.org/b");
    app.URLOpenSucceeded("https://example.org/b");
    EXPECT_FALSE(app.mIsOpeningURL);
    EXPECT_TRUE(app.mShutdown);
}

}  // namespace
}  // namespace apptest

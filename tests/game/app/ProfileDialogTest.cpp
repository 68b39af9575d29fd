// The profile dialog over a temporary folder: the scan, creating, selecting and deleting
// profiles, and names that must not leave the folder.
#include "GameAppTestSupport.h"
#include "MenuScreensTestSupport.h"
#include "game/app/CEditProfile.h"
#include "game/app/ResourceIds.h"
#include "widgets/DialogButton.h"
#include "widgets/EditWidget.h"
#include "widgets/WidgetManager.h"
#include "widgets/zmListWidget.h"

namespace gameapptest {
namespace {

class ProfileDialogTest : public GameAppTest {
protected:
    void SetUp() override {
        GameAppTest::SetUp();
        UnbindPicturesAndFonts();
        ASSERT_TRUE(mGame->LoadGameData());
        ::FONT_SMALL = &mFont;
    }
    void TearDown() override {
        ::FONT_SMALL = nullptr;
        GameAppTest::TearDown();
    }
    // Shown as the main menu shows it; the application's dialog table owns it.
    Vesk::CEditProfile& Show() {
        mDialog = new Vesk::CEditProfile("", "");
        mGame->AddDialogByObject(mDialog);
        return *mDialog;
    }
    std::vector<std::string> Lines() {
        std::vector<std::string> lines;
        for (int i = 0; i < mDialog->List().GetLineCount(); ++i) {
            lines.push_back(mDialog->List().GetLine(i));
        }
        return lines;
    }
    void Type(const std::string& text) {
        for (char c : text) {
            mDialog->NameEdit().KeyChar(c);
        }
    }
    bool Exists(const std::string& file) { return std::filesystem::exists(Profiles(file)); }
    bool DeleteEnabled() { return !mDialog->Button(Vesk::CEditProfile::DELETE).mDisabled; }

    FakeFont mFont;
    Vesk::CEditProfile* mDialog = nullptr;
};

TEST_F(ProfileDialogTest, ScanShowsFilesOfAnyCaseUpperCasedAndSelectsTheCurrentPlayer) {
    Write("anna.sav", {});
    Write("Bob.SAV", {1, 2, 3, 4});
    Write("notes.txt", {});
    Write(".sav", {});
    std::filesystem::create_directories(Profiles("dir.sav"));
    mGame->mCurrentPlayer = "Bob";
    Show();
    EXPECT_EQ(Lines(), (std::vector<std::string>{"ANNA", "BOB", "DIR"}));
    EXPECT_EQ(mDialog->List().mSelectIdx, 1);
    EXPECT_TRUE(DeleteEnabled());

    mGame->mCurrentPlayer = "Nobody";
    mDialog->ScanProfiles();
    EXPECT_EQ(mDialog->List().mSelectIdx, -1);
    EXPECT_FALSE(DeleteEnabled());
}

// A player whose saved game cannot be used stays listed and is told of when chosen, once each;
// the file is never written, under the list's upper-cased name either.
TEST_F(ProfileDialogTest, APlayerWhoseSavedGameCannotBeUsedIsToldWhenChosenAndNeverWritten) {
    std::filesystem::create_directories(Profiles("Dir.sav"));
    // Root reads past any mode; this link fails with a read error for everyone.
    std::filesystem::create_symlink("/proc/self/mem", Profiles("Ann.sav"));
    Write("Bob.sav", {});
    mGame->mCurrentPlayer = "Bob";
    Show();
    ASSERT_EQ(Lines(), (std::vector<std::string>{"ANN", "BOB", "DIR"}));
    EXPECT_TRUE(mGame->mBoxes.empty());
    for (const int line : {0, 2, 0, 2}) {
        mDialog->ListSelect(line);
        mGame->ClearSavedGame();
    }
    // Ann's file, the failed save, Dir's file.
    ASSERT_EQ(mGame->mBoxes.size(), 3u);
    EXPECT_NE(mGame->mBoxes[0].find(Profiles("Ann.sav")), std::string::npos);
    EXPECT_NE(mGame->mBoxes[2].find(Profiles("Dir.sav")), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_symlink(Profiles("Ann.sav")));
    EXPECT_TRUE(std::filesystem::is_directory(Profiles("Dir.sav")));

    // A write that fails: a folder stands where the temporary file would be made.
    std::filesystem::create_directories(
        Profiles("Bob.sav.tmp" + std::to_string(platform::ProcessId())));
    mDialog->ListSelect(1);
    mGame->ClearSavedGame();
    // The log names the files as they are on disk, not as the list spells the players.
    std::vector<std::string> refused;
    for (const std::string& line : mGame->mLogged) {
        if (line.starts_with("Not writing") || line.starts_with("Cannot write")) {
            refused.push_back(line.substr(0, line.find_first_of(":;")));
        }
    }
    EXPECT_EQ(refused,
              (std::vector<std::string>{
                  "Not writing " + Profiles("Ann.sav"), "Not writing " + Profiles("Dir.sav"),
                  "Not writing " + Profiles("Ann.sav"), "Not writing " + Profiles("Dir.sav"),
                  "Cannot write " + Profiles("Bob.sav")}));
}

TEST_F(ProfileDialogTest, TypingCreatesAProfileWhoseNameIsFreeIgnoringCase) {
    Write("ANNA.sav", {});
    Show();
    Type("anna");
    mDialog->Update();
    EXPECT_TRUE(mDialog->Button(Vesk::CEditProfile::CREATE).mDisabled);
    mDialog->NameEdit().SetText("", false);
    // Refused characters never reach the field; the twelfth character neither.
    Type("Zo#$%&()*+-.:^@/\\?\"<>|e the great");
    EXPECT_EQ(mDialog->NameEdit().mString, "Zoe the gre");
    mDialog->Update();
    EXPECT_FALSE(mDialog->Button(Vesk::CEditProfile::CREATE).mDisabled);
    mGame->mShowHelp = 0;
    mDialog->NameEdit().KeyDown(13);  // Enter
    EXPECT_EQ(Lines(), (std::vector<std::string>{"ANNA", "Zoe the gre"}));
    EXPECT_EQ(mDialog->List().mSelectIdx, 1);
    EXPECT_EQ(mGame->mCurrentPlayer, "Zoe the gre");
    EXPECT_EQ(mGame->mShowHelp, 1);
    EXPECT_TRUE(Exists("Zoe the gre.sav"));
    EXPECT_EQ(mDialog->NameEdit().mString, "");
    // Created while the dialog is open, it counts ignoring case too.
    Type("ZOE THE GRE");
    mDialog->Update();
    EXPECT_TRUE(mDialog->Button(Vesk::CEditProfile::CREATE).mDisabled);
}

TEST_F(ProfileDialogTest, HostileNamesNeverNameAFileOutsideTheFolder) {
    Show();
    for (const char* name : {"../evil", "a/b", "..", "x\\y", "a:b"}) {
        mDialog->NameEdit().SetText(name, false);  // as a paste would
        mDialog->CreateProfile();
    }
    EXPECT_TRUE(Lines().empty());
    EXPECT_FALSE(std::filesystem::exists(mDir + "/evil.sav"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(mDir + "/profiles"), {}), 0);
}

TEST_F(ProfileDialogTest, SelectingMakesTheCurrentPlayerAndWritesTheGameData) {
    Write("Anna.sav", {});
    Write("Bob.sav", {});
    mGame->mCurrentPlayer = "Anna";
    Show();
    mDialog->ListClicked(0, 1, 2);  // a double click selects nothing
    EXPECT_EQ(mGame->mCurrentPlayer, "Anna");
    mDialog->ListClicked(0, 5, 1);  // past the end
    EXPECT_EQ(mGame->mCurrentPlayer, "Anna");
    mDialog->ListClicked(0, 1, 1);
    EXPECT_EQ(mGame->mCurrentPlayer, "BOB");
    const Bytes data = Read("game.dat");
    ASSERT_GE(data.size(), 7u);
    EXPECT_EQ(Bytes(data.begin(), data.begin() + 7), (Bytes{3, 0, 0, 0, 'B', 'O', 'B'}));
    // The upper-cased line still names the file written in another case.
    EXPECT_EQ(mGame->SavedGamePath().empty(), false);
    Write("Bob.sav", {1, 2, 3, 4});
    EXPECT_FALSE(mGame->IsSavedGameEmpty(mGame->SavedGamePath()));
}

TEST_F(ProfileDialogTest, DeletingMovesTheCurrentPlayerAndNeverReadsPastTheList) {
    Write("a.sav", {});
    Write("b.sav", {});
    Write("C.sav", {});
    mGame->mCurrentPlayer = "c";
    Show();
    ASSERT_EQ(mDialog->List().mSelectIdx, 2);
    mDialog->DeleteSelected();
    EXPECT_FALSE(Exists("C.sav"));
    EXPECT_EQ(Lines(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(mGame->mCurrentPlayer, "B");
    EXPECT_EQ(mDialog->List().mSelectIdx, 1);

    // Another player's line: the selection past the end moves to the last line.
    mGame->mCurrentPlayer = "A";
    mDialog->DeleteSelected();
    EXPECT_FALSE(Exists("b.sav"));
    EXPECT_EQ(mGame->mCurrentPlayer, "A");
    EXPECT_EQ(mDialog->List().mSelectIdx, 0);

    mDialog->List().SetSelect(3);
    mDialog->DeleteSelected();
    EXPECT_TRUE(Exists("a.sav"));
    EXPECT_FALSE(DeleteEnabled());

    mDialog->List().SetSelect(0);
    mDialog->DeleteSelected();
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(mGame->mCurrentPlayer, "player");
    EXPECT_FALSE(DeleteEnabled());
    EXPECT_FALSE(Exists("a.sav"));
}

TEST_F(ProfileDialogTest, OkCreatesAndCloses) {
    Show();
    mDialog->ButtonDepress(Vesk::CEditProfile::OK);  // empty field: only closes
    EXPECT_EQ(mGame->GetDialog(Vesk::CEditProfile::kDialogId), nullptr);
    Show();
    Type("Ida");
    mDialog->ButtonDepress(Vesk::CEditProfile::OK);
    EXPECT_TRUE(Exists("Ida.sav"));
    EXPECT_EQ(mGame->mCurrentPlayer, "Ida");
    EXPECT_EQ(mGame->GetDialog(Vesk::CEditProfile::kDialogId), nullptr);
}

}  // namespace
}  // namespace gameapptest

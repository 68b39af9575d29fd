#include "game/app/CEditProfile.h"

#include <algorithm>
#include <initializer_list>

#include "game/app/CMainMenu.h"
#include "game/app/GameApp.h"
#include "game/app/ResourceIds.h"
#include "graphics/Image.h"
#include "platform/FileSystem.h"
#include "platform/ProfileFiles.h"
#include "platform/TextEncoding.h"
#include "platform/VirtualKeys.h"
#include "widgets/DialogButton.h"
#include "widgets/EditWidget.h"
#include "widgets/WidgetManager.h"
#include "widgets/zmListWidget.h"
#include "widgets/zmScrollbarWidget.h"
#include "widgets/zmScrollbuttonWidget.h"

namespace Vesk {

namespace {

constexpr int kDialogX = 229;
constexpr int kDialogY = 49;
// What the player's own files may not hold in a name: the characters the game always refused,
// and those no file name can carry on the system the files come from.
constexpr std::string_view kRefused = "#$%&()*+-.:^@/\\?\"<>|";

int Width(const Image* image) {
    return image != nullptr ? image->GetWidth() : 0;
}
int Height(const Image* image) {
    return image != nullptr ? image->GetHeight() : 0;
}

std::unique_ptr<DialogButton> MakeButton(int id, ButtonListener* listener, Image* normal,
                                         Image* over, Image* down, Image* disabled) {
    auto button = std::make_unique<DialogButton>(nullptr, id, listener);
    button->mButtonImage = normal;
    button->mOverImage = over;
    button->mDownImage = down;
    button->mDisabledImage = disabled;
    return button;
}

void SetArrowImages(ButtonWidget& arrow, Image* normal, Image* over, Image* down, Image* disabled) {
    arrow.mButtonImage = normal;
    arrow.mOverImage = over;
    arrow.mDownImage = down;
    arrow.mDisabledImage = disabled;
}

}  // namespace

CEditProfile::CEditProfile(const std::string& header, const std::string& footer)
    : zmDialog(IMAGE_PROFILE_BG, kDialogId, header, "", footer) {
    Resize(kDialogX, kDialogY, Width(IMAGE_PROFILE_BG), Height(IMAGE_PROFILE_BG));

    mNameEdit = std::make_unique<EditWidget>(0, this);
    mNameEdit->SetFont(FONT_SMALL);
    static constexpr int kEditColors[4][4] = {
        {0, 0, 0, 0}, {0, 0, 0, 0}, {255, 255, 255, 255}, {255, 255, 255, 128}};
    mNameEdit->SetColorsRGBA(kEditColors, 4);
    mNameEdit->mMaxChars = kMaxNameLength;
    mNameEdit->Resize(36, 80, 263, 18);

    zmListWidget::SetDefaults(FONT_SMALL, IMAGE_LISTSELECT, IMAGE_LISTITEM);
    mList = std::make_unique<zmListWidget>(0, this);
    static constexpr int kListColors[6][4] = {{0, 0, 0, 0},         {0, 0, 0, 0},
                                              {255, 255, 255, 255}, {255, 171, 163, 255},
                                              {255, 255, 255, 76},  {160, 254, 38, 255}};
    mList->SetColorsRGBA(kListColors, 6);
    mList->SetHiliteImage();
    mList->SetItemImage();

    mScrollbar = std::make_unique<zmScrollbarWidget>(mList.get());
    mScrollbar->mTrackImage = IMAGE_SCROLL;
    mScrollbar->mThumbImage = IMAGE_THUMB;
    SetArrowImages(*mScrollbar->mUpArrow, IMAGE_SCROLL_UP, IMAGE_SCROLL_UP_OVER,
                   IMAGE_SCROLL_UP_DOWN, IMAGE_SCROLL_UP_DSBLD);
    SetArrowImages(*mScrollbar->mDownArrow, IMAGE_SCROLL_DOWN, IMAGE_SCROLL_DOWN_OVER,
                   IMAGE_SCROLL_DOWN_DOWN, IMAGE_SCROLL_DOWN_DSBLD);
    mScrollbar->SetFixedThumb();
    const int thumbWidth = Width(IMAGE_THUMB);
    mScrollbar->ResizeScrollbar(36 + 263 - thumbWidth, 176, thumbWidth, 182);
    mScrollbar->SetVisible(true);
    mList->mScrollbar = mScrollbar.get();
    // Sized with its bar attached, so the bar learns the page size.
    mList->Resize(36, 176, 263, 182);

    mCreate = MakeButton(CREATE, this, IMAGE_CREATE, IMAGE_CREATE_OVER, IMAGE_CREATE_DOWN,
                         IMAGE_CREATE_DISABLED);
    mCreate->Resize(115, 89, Width(IMAGE_CREATE_DOWN), Height(IMAGE_CREATE_DOWN));
    mDelete = MakeButton(DELETE, this, IMAGE_DELETE, IMAGE_DELETE_OVER, IMAGE_DELETE_DOWN,
                         IMAGE_DELETE_DISABLED);
    mDelete->Resize(115, 348, Width(IMAGE_DELETE_DOWN), Height(IMAGE_DELETE_DOWN));
    mOk = MakeButton(OK, this, IMAGE_OK, IMAGE_OK_OVER, IMAGE_OK_PRESSED, nullptr);
    mOk->Resize(34, 391, Width(IMAGE_OK_PRESSED), Height(IMAGE_OK_PRESSED));
    mCancel =
        MakeButton(CANCEL, this, IMAGE_CANCEL, IMAGE_CANCEL_OVER, IMAGE_CANCEL_PRESSED, nullptr);
    mCancel->Resize(211, 391, Width(IMAGE_CANCEL), Height(IMAGE_CANCEL));
}

CEditProfile::~CEditProfile() {
    RemoveAllWidgets(false, false);
}

GameApp& CEditProfile::App() const {
    return *GetGameApp();
}

DialogButton& CEditProfile::Button(int id) {
    switch (id) {
        case CREATE:
            return *mCreate;
        case DELETE:
            return *mDelete;
        case OK:
            return *mOk;
        default:
            return *mCancel;
    }
}

std::string CEditProfile::ProfilePath(const std::string& name) const {
    return platform::fs::PathInFolder(App().ProfilesFolder(), name + kSuffix);
}

void CEditProfile::AddedToManager(WidgetManager* manager) {
    zmDialog::AddedToManager(manager);
    ScanProfiles();
    mNameEdit->SetText("", false);
    const std::initializer_list<Widget*> children = {
        mNameEdit.get(), mList.get(), mScrollbar.get(), mCreate.get(),
        mDelete.get(),   mOk.get(),   mCancel.get()};
    for (Widget* widget : children) {
        AddWidget(widget);
    }
}

void CEditProfile::ScanProfiles() {
    GameApp& app = App();
    const std::string folder = app.ProfilesFolder();
    platform::fs::MakeDirectories(folder);
    mList->RemoveAll();
    const std::string_view suffix = kSuffix;
    for (const std::string& file : platform::fs::ListNamesEndingIn(folder, suffix)) {
        // A file named only ".sav" would be a profile without a name.
        if (file.size() > suffix.size()) {
            mList->AddLine(platform::text::UpperCp1252(
                               std::string_view(file).substr(0, file.size() - suffix.size())),
                           false);
        }
    }
    // The current player may be spelt in another case than the upper-cased lines.
    const std::string current = platform::text::UpperCp1252(app.mCurrentPlayer);
    int found = -1;
    for (int i = 0; i < mList->GetLineCount(); ++i) {
        if (mList->GetLine(i) == current) {
            found = i;
            break;
        }
    }
    mList->SetSelect(found);
    mDelete->SetDisabled(found < 0);
}

bool CEditProfile::IsNameFree(const std::string& name) {
    const std::string upper = platform::text::UpperCp1252(name);
    for (int i = 0; i < mList->GetLineCount(); ++i) {
        if (platform::text::UpperCp1252(mList->GetLine(i)) == upper) {
            return false;
        }
    }
    return true;
}

bool CEditProfile::AllowChar(int id, char character) {
    (void)id;
    return static_cast<unsigned char>(character) >= 32 &&
           kRefused.find(character) == std::string_view::npos;
}

void CEditProfile::CreateProfile() {
    const std::string name = mNameEdit->mString;
    // Pasted text passes no character check, so the name is checked whole once more.
    if (name.empty() || !IsNameFree(name) ||
        std::any_of(name.begin(), name.end(), [this](char c) { return !AllowChar(0, c); })) {
        return;
    }
    const int index = mList->AddLine(name, false);
    mList->SetSelect(index);
    const int lines = mList->GetLineCount();
    mScrollbar->SetValue(index * mScrollbar->mMaxValue / lines);
    mNameEdit->SetText("", false);
    mDelete->SetDisabled(false);

    GameApp& app = App();
    app.mCurrentPlayer = name;
    // A file that cannot be made now is made empty when the game is next saved.
    const std::string path = ProfilePath(name);
    if (!path.empty()) {
        platform::fs::CreateEmptyFile(path);
    }
    app.mShowHelp = 1;
}

void CEditProfile::DeleteSelected() {
    const int selected = mList->mSelectIdx;
    if (selected < 0 || selected >= mList->GetLineCount()) {
        mDelete->SetDisabled(true);
        return;
    }
    const std::string name = mList->GetLine(selected);
    const std::string path = ProfilePath(name);
    // A file that cannot be deleted still leaves the list.
    if (!path.empty() && !platform::fs::IsDirectory(path)) {
        platform::fs::RemoveFile(path);
    }
    mList->RemoveLine(selected);
    const int lines = mList->GetLineCount();
    GameApp& app = App();
    const bool wasCurrent =
        platform::text::UpperCp1252(name) == platform::text::UpperCp1252(app.mCurrentPlayer);
    if (lines == 0) {
        mList->SetSelect(-1);
        mDelete->SetDisabled(true);
        if (wasCurrent) {
            app.mCurrentPlayer = "player";
        }
        return;
    }
    // The selection never stays past the end of the list.
    const int next = std::min(selected, lines - 1);
    if (wasCurrent) {
        mList->SetSelect(next);
        app.mCurrentPlayer = mList->GetLine(next);
        app.CheckSavedGame();
    } else if (selected >= lines) {
        mList->SetSelect(next);
    }
}

void CEditProfile::ListSelect(int index) {
    if (index < 0 || index >= mList->GetLineCount()) {
        return;
    }
    mList->SetSelect(index);
    GameApp& app = App();
    app.mCurrentPlayer = mList->GetLine(index);
    app.CheckSavedGame();
    app.SaveGameData();
    mDelete->SetDisabled(false);
}

void CEditProfile::ListClicked(int id, int lineIndex, int clickCount) {
    (void)id;
    if (clickCount == 1) {
        ListSelect(lineIndex);
    }
}

void CEditProfile::EditText(int id, const std::string& text) {
    (void)id;
    (void)text;
    CreateProfile();
}

void CEditProfile::ButtonMouseEnter(int id) {
    (void)id;
    App().PlaySoundById(SOUND_BUTTON_OVER, false, false);
}

void CEditProfile::ButtonDepress(int id) {
    App().PlaySoundById(SOUND_BUTTON_DOWN, false, false);
    switch (id) {
        case CREATE:
            CreateProfile();
            break;
        case DELETE:
            DeleteSelected();
            break;
        case OK:
            CreateProfile();
            Close();
            break;
        case CANCEL:
            Close();
            break;
        default:
            break;
    }
}

void CEditProfile::KeyDown(int key) {
    zmDialog::KeyDown(key);
    if (mWidgetManager != nullptr) {
        mWidgetManager->SetFocus(mNameEdit.get());
    }
    mNameEdit->KeyDown(key);
    if (key == platform::vk::Escape) {
        Close();
    }
}

void CEditProfile::Close() {
    zmDialog::Close();
    GameApp& app = App();
    if (app.mWidgetManager != nullptr && app.mMainMenu != nullptr) {
        app.mWidgetManager->SetFocus(app.mMainMenu.get());
    }
}

void CEditProfile::Update() {
    const std::string& text = mNameEdit->mString;
    mCreate->SetDisabled(text.empty() || !IsNameFree(text));
    zmDialog::Update();
}

}  // namespace Vesk

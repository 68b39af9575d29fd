#include "game/app/CComics.h"

#include "game/app/CCredits.h"
#include "game/app/GameApp.h"
#include "game/app/ResourceIds.h"
#include "game/core/Board.h"
#include "graphics/DDImage.h"
#include "graphics/Graphics.h"
#include "platform/VirtualKeys.h"
#include "util/Common.h"
#include "widgets/ButtonWidget.h"

namespace Vesk {

CComics::CComics() : CScreen(true) {}

int16_t CComics::ChapterForLevel(int32_t level) {
    switch (level) {
        case 1:
            return 1;
        case 26:
            return 2;
        case 51:
            return 3;
        case 76:
            return 4;
        case kEndLevel:
            return 5;
        default:
            return 0;
    }
}

std::string CComics::PagePath(int32_t chapter) {
    return StrFormat("%s%d.jpg", "data/images/comics/page-", chapter);
}

int16_t CComics::GetChapterForLevel() const {
    const Board* board = GetBoard();
    return board != nullptr ? ChapterForLevel(board->level) : 0;
}

bool CComics::HasChapter() const {
    return mChaptersOn && GetChapterForLevel() > 0;
}

void CComics::AddedToManager(WidgetManager* manager) {
    mChaptersOn = true;
    mChapter = GetChapterForLevel();
    mPage.reset();
    if (mChapter > 0 && mChapter <= kPageLimit) {
        // A page that cannot be read leaves the screen black under its buttons.
        mPage.reset(App().GetImage(PagePath(mChapter), true));
    }
    zmWidget::AddedToManager(manager);
    AddButtons();
    mContinueButton->SetDisabled(false);
}

void CComics::RemovedFromManager(WidgetManager* manager) {
    WidgetContainer::RemovedFromManager(manager);
    RemoveAllWidgets(false, false);
    mPage.reset();
}

void CComics::Update() {
    zmWidget::Update();
    MarkDirty();
}

void CComics::Draw(Graphics* g) {
    zmWidget::Draw(g);
    if (mChapter != 0 && mPage != nullptr) {
        g->DrawImage(mPage.get(), 0, 0);
    } else {
        g->SetColor(Color::Black);
        g->FillRect(0, 0, mWidth, mHeight);
    }
}

void CComics::GotFocus() {
    zmWidget::GotFocus();
    StartFadeIn();
}

void CComics::KeyDown(int key) {
    zmWidget::KeyDown(key);
    if (key == platform::vk::Escape && mFadeState == FADE_IDLE) {
        Finish();
    }
}

void CComics::ButtonDepress(int id) {
    App().PlaySoundById(SOUND_BUTTON_DOWN, false, false);
    // CONTINUE and then MAINMENU in one fade would take the board down before the save.
    if (mFadeState != FADE_IDLE) {
        return;
    }
    if (id == CONTINUE) {
        Finish();
    } else if (id == MAINMENU) {
        SaveAndLeaveToMenu();
    }
}

void CComics::Finish() {
    GameApp& app = App();
    Board* board = GetBoard();
    const bool ended = board != nullptr && board->level == kEndLevel;
    if (board != nullptr) {
        board->LeaveBoard();
    }
    if (ended) {
        LeaveTo<CCredits>();
    } else {
        app.PlayLevelMusic();
        LeaveTo<Board>();
    }
}

}  // namespace Vesk

#pragma once

// The game application with a real board on a fake host, the screens of the level path, and
// the bound pictures they draw made in memory.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "../core/FakeBoardHost.h"
#include "GameAppTestSupport.h"
#include "game/app/CComics.h"
#include "game/app/CHelp.h"
#include "game/app/CLandMap.h"
#include "game/app/ResourceIdTable.h"
#include "game/app/ResourceIds.h"
#include "game/core/Board.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "sound/DSoundManager.h"
#include "widgets/WidgetManager.h"

namespace gameapptest {

class ScreenTest : public GameAppTest {
protected:
    void SetUp() override {
        GameAppTest::SetUp();
        // Other tests bind the ids to resources long gone.
        for (const ResourceIdEntry& entry : kResourceIdEntries) {
            if (entry.mKind == ResourceKind::Sound) {
                *static_cast<int*>(entry.mVariable) = 1;
            } else {
                *static_cast<void**>(entry.mVariable) = nullptr;
            }
        }
        Bind(IMAGE_MAPDOT_SMALL_GREEN, 6, Vesk::Color(0, 200, 0));
        Bind(IMAGE_MAPDOT_SMALL_PURPLE, 6, Vesk::Color(160, 0, 200));
        Bind(IMAGE_MAPDOT_MEDIUM_GREEN, 14, Vesk::Color(0, 220, 0));
        Bind(IMAGE_MAPDOT_MEDIUM_PURPLE, 14, Vesk::Color(180, 0, 220));
        Bind(IMAGE_MAPDOT_BIG_GREEN, 20, Vesk::Color(0, 255, 0));
        Bind(IMAGE_MAPDOT_BIG_PURPLE, 20, Vesk::Color(200, 0, 255));
        Bind(IMAGE_MAPDOT_MEDIUM_AURA, 24, Vesk::Color(255, 255, 0, 128));
        Bind(IMAGE_MAPDOT_BIG_AURA, 30, Vesk::Color(255, 255, 0, 128));
        Bind(IMAGE_CONTINUE, 60, Vesk::Color(0, 0, 255), 30);
        Bind(IMAGE_MAINMENU, 60, Vesk::Color(255, 0, 0), 30);
        Bind(IMAGE_LANDMAP, 800, Vesk::Color(40, 90, 40), 600);
        mGame->mSoundManager =
            std::make_unique<Vesk::DSoundManager>(platform::kNoWindow, false, nullptr);
        mHost = std::make_unique<fake::BoardHost>(mDir + "/");
        mHost->mLevels.assign(100, fake::MakeLevel());
        mGame->mBoard = std::make_unique<Vesk::Board>(*mHost);
        mGame->mLandMap = std::make_unique<Vesk::CLandMap>();
        mGame->mLandMap->Resize(0, 0, 800, 600);
        mGame->mComics = std::make_unique<Vesk::CComics>();
        mGame->mComics->Resize(0, 0, 800, 600);
        mGame->mHelp = std::make_unique<Vesk::CHelp>();
        mGame->mHelp->Resize(0, 0, 800, 600);
    }
    void TearDown() override {
        mGame->mWidgetManager->RemoveAllWidgets(false, false);
        mGame->mLandMap.reset();
        mGame->mComics.reset();
        mGame->mHelp.reset();
        mGame->mBoard.reset();
        mHost.reset();
        for (Vesk::Image** slot : mSlots) {
            *slot = nullptr;
        }
        mSlots.clear();
        // The images tell the application when they go.
        mImages.clear();
        GameAppTest::TearDown();
    }

    void Bind(Vesk::Image*& slot, int width, const Vesk::Color& color, int height = -1) {
        auto image = std::make_unique<Vesk::MemoryImage>();
        image->Create(width, height < 0 ? width : height);
        image->FillRect(Vesk::Rect(0, 0, width, height < 0 ? width : height), color,
                        Vesk::kDrawModeNormal);
        slot = image.get();
        mSlots.push_back(&slot);
        mImages.push_back(std::move(image));
    }

    Vesk::Board& GetBoard() { return static_cast<Vesk::Board&>(*mGame->mBoard); }
    Vesk::CLandMap& Map() { return static_cast<Vesk::CLandMap&>(*mGame->mLandMap); }
    Vesk::CComics& Comics() { return static_cast<Vesk::CComics&>(*mGame->mComics); }
    Vesk::WidgetManager& Manager() { return *mGame->mWidgetManager; }
    void Show(Vesk::Widget* screen) {
        Manager().AddWidget(screen);
        Manager().SetFocus(screen);
    }
    // Widget updates with the clock advanced a frame each.
    void Run(Vesk::Widget& widget, int updates) {
        for (int i = 0; i < updates; ++i) {
            mClock.Advance(10);
            widget.Update();
        }
    }
    // Updates until the screen's fade-in ended.
    void FadeIn(Vesk::zmWidget& screen) {
        for (int i = 0; i < 200 && screen.mFadeState != Vesk::zmWidget::FADE_IDLE; ++i) {
            screen.Update();
        }
    }
    // Updates until the screen left the manager.
    void FadeOut(Vesk::zmWidget& screen) {
        for (int i = 0; i < 200 && Manager().HasWidget(&screen); ++i) {
            screen.Update();
        }
    }

    std::unique_ptr<fake::BoardHost> mHost;
    std::vector<std::unique_ptr<Vesk::MemoryImage>> mImages;
    std::vector<Vesk::Image**> mSlots;
};

}  // namespace gameapptest

#include "game/app/CMainMenu.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

#include "game/app/CComics.h"
#include "game/app/CCredits.h"
#include "game/app/CEditProfile.h"
#include "game/app/CHelp.h"
#include "game/app/CHighScoresDialog.h"
#include "game/app/CLandMap.h"
#include "game/app/CNewGameDialog.h"
#include "game/app/COptionsDialog.h"
#include "game/app/GameApp.h"
#include "game/app/GameAppMedia.h"
#include "game/app/ResourceIds.h"
#include "game/core/Board.h"
#include "game/core/CSpark.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "graphics/MemoryImage.h"
#include "graphics/OpaqueRect.h"
#include "util/Common.h"
#include "util/GameRandom.h"
#include "widgets/ButtonWidget.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {

constexpr int kComicsTrack = 5;
constexpr int kMenuTrack = 3;

struct SparkPlace {
    int x;
    int y;
};

constexpr SparkPlace kSparkPlaces[] = {{783, 170}, {717, 426}, {650, 490}, {599, 493}, {356, 534},
                                       {293, 547}, {320, 452}, {136, 551}, {26, 512}};

std::string UpperCase(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

// Land rectangles smaller than this are not worth leaving the sky out of.
constexpr int64_t kLeastCover = 64 * 64;
constexpr int kMostCovers = 3;

// What is left of the rectangles once `cut` is taken out of each, as disjoint rectangles.
std::vector<Rect> CutOut(const std::vector<Rect>& pieces, const Rect& cut) {
    std::vector<Rect> out;
    for (const Rect& p : pieces) {
        const Rect both = p.Intersection(cut);
        if (both.mWidth <= 0 || both.mHeight <= 0) {
            out.push_back(p);
            continue;
        }
        const int32_t pBottom = p.mY + p.mHeight;
        const int32_t bBottom = both.mY + both.mHeight;
        const Rect parts[4] = {
            Rect(p.mX, p.mY, p.mWidth, both.mY - p.mY),
            Rect(p.mX, bBottom, p.mWidth, pBottom - bBottom),
            Rect(p.mX, both.mY, both.mX - p.mX, both.mHeight),
            Rect(both.mX + both.mWidth, both.mY, p.mX + p.mWidth - both.mX - both.mWidth,
                 both.mHeight),
        };
        for (const Rect& part : parts) {
            if (part.mWidth > 0 && part.mHeight > 0) {
                out.push_back(part);
            }
        }
    }
    return out;
}

}  // namespace

struct CMainMenu::ButtonRow {
    int id;
    int x;
    int y;
    // The bound variables, read when the menu is built, after the interface group was bound;
    // disabled may be null.
    Image** normal;
    Image** over;
    Image** pressed;
    Image** disabled;
    void (*press)(CMainMenu& menu);
};

std::span<const CMainMenu::ButtonRow> CMainMenu::Buttons() {
    static const ButtonRow kButtons[] = {
        {START, 162, 245, &IMAGE_START, &IMAGE_START_OVER, &IMAGE_START_PRESSED, nullptr,
         [](CMainMenu& menu) {
             // A saved game is given up only on the player's word.
             if (menu.GetButton(RESUME)->mDisabled) {
                 menu.StartNewGame();
             } else {
                 menu.OpenDialog(new CNewGameDialog());
             }
         }},
        {RESUME, 152, 291, &IMAGE_RESUME, &IMAGE_RESUME_OVER, &IMAGE_RESUME_PRESSED,
         &IMAGE_RESUME_DISABLED, [](CMainMenu& menu) { menu.ResumeGame(); }},
        {OPTIONS, 148, 334, &IMAGE_OPTIONS, &IMAGE_OPTIONS_OVER, &IMAGE_OPTIONS_PRESSED, nullptr,
         [](CMainMenu& menu) { menu.OpenDialog(new COptionsDialog()); }},
        {CREDITS, 149, 381, &IMAGE_CREDITS, &IMAGE_CREDITS_OVER, &IMAGE_CREDITS_PRESSED, nullptr,
         [](CMainMenu& menu) { menu.LeaveTo<CCredits>(); }},
        {EXIT, 168, 468, &IMAGE_EXIT, &IMAGE_EXIT_OVER, &IMAGE_EXIT_PRESSED, nullptr,
         [](CMainMenu& menu) { menu.LeaveTo(nullptr); }},
        {CH_PRFL, 124, 207, &IMAGE_CH_PRFL, &IMAGE_CH_PRFL_OVER, &IMAGE_CH_PRFL_PRESSED, nullptr,
         [](CMainMenu& menu) { menu.OpenDialog(new CEditProfile("", "")); }},
        {SCORES, 156, 426, &IMAGE_SCORES, &IMAGE_SCORES_OVER, &IMAGE_SCORES_PRESSED, nullptr,
         [](CMainMenu& menu) { menu.OpenDialog(new CHighScoresDialog("", "")); }},
    };
    return kButtons;
}

CMainMenu::CMainMenu() : CScreen(false), mMedia(std::make_unique<GameAppMedia>()) {
    // The sky moves under a still picture.
    mRedrawsChangedAreas = true;
    GameApp& app = App();
    const int width = app.mWidth > 0 ? app.mWidth : 1;
    mSkyOffset = -static_cast<double>(app.mGameRandom.Next() % width);
    for (const ButtonRow& row : Buttons()) {
        auto button = std::make_unique<ButtonWidget>(row.id, this);
        button->mDoFinger = true;
        button->mButtonImage = *row.normal;
        button->mOverImage = *row.over;
        button->mDownImage = *row.pressed;
        if (row.disabled != nullptr) {
            button->mDisabledImage = *row.disabled;
        }
        mButtons.push_back(std::move(button));
    }
}

CMainMenu::~CMainMenu() {
    RemoveAllWidgets(false, false);
    mSparks.DeleteAll();
}

ButtonWidget* CMainMenu::GetButton(int id) {
    const std::span<const ButtonRow> rows = Buttons();
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].id == id) {
            return mButtons[i].get();
        }
    }
    return nullptr;
}

uint32_t CMainMenu::TickCount() {
    return App().GetGameTickMs();
}

GameRandom& CMainMenu::Random() {
    return App().mGameRandom;
}

GameMedia& CMainMenu::Media() {
    return *mMedia;
}

void CMainMenu::SparkBegan(uint32_t now) {
    mLastSparkTime = now;
    mSparkFired = true;
}

int CMainMenu::SparkCount() const {
    return mSparks.GetCount();
}

void CMainMenu::Resize(int x, int y, int width, int height) {
    CScreen::Resize(x, y, width, height);
    const std::span<const ButtonRow> rows = Buttons();
    for (size_t i = 0; i < rows.size(); ++i) {
        ButtonWidget& button = *mButtons[i];
        const Image* image = button.mButtonImage;
        button.Resize(rows[i].x, rows[i].y, image != nullptr ? image->GetWidth() : 0,
                      image != nullptr ? image->GetHeight() : 0);
    }
}

void CMainMenu::AddedToManager(WidgetManager* manager) {
    // The fading widget's own step only: the children come below, in id order.
    mHost = manager->mHost;
    for (const SparkPlace& place : kSparkPlaces) {
        auto* spark = new CSpark();
        spark->CSparkAt(*this, this, place.x, place.y);
        mSparks.Add(spark);
    }
    mSparks.ClearDeleteAllRequest();
    GameApp& app = App();
    // What is wrong with the file is logged and told where it is found, once a run.
    static_cast<void>(app.LoadGameData());
    app.SwitchMusic(kMenuTrack);
    for (auto& button : mButtons) {
        AddWidget(button.get());
    }
}

void CMainMenu::RemovedFromManager(WidgetManager* manager) {
    mSparks.DeleteAll();
    App().SaveGameData();
    RemoveAllWidgets(false, false);
    WidgetContainer::RemovedFromManager(manager);
}

void CMainMenu::GotFocus() {
    zmWidget::GotFocus();
    GameApp& app = App();
    // The board learns the saved level, best level and flags; a finished game cannot resume.
    bool finished = false;
    if (app.mBoard != nullptr) {
        // A header-only read answers 0 by contract; its fields are what counts.
        static_cast<void>(app.mBoard->LoadGame(true));
        finished = app.mBoard->headerByte != 0;
    }
    GetButton(RESUME)->SetDisabled(finished || app.IsSavedGameEmpty(app.SavedGamePath()));
}

void CMainMenu::Update() {
    zmWidget::Update();
    mSkyOffset += mSkySpeed;
    const int skyWidth = IMAGE_MM_BGSKY != nullptr ? IMAGE_MM_BGSKY->GetWidth() : 0;
    // At or past one whole strip the sky starts over; a strip narrower than the screen
    // would otherwise scroll away.
    if (static_cast<int>(mSkyOffset + 0.5) + skyWidth <= 0) {
        mSkyOffset = 0.0;
    }
    mSparks.UpdateAll();
    if (mSparkFired &&
        (!mSparkleSounded || mLastSparkTime - mLastSparkleSoundTime > kSparkleInterval)) {
        mLastSparkleSoundTime = mLastSparkTime;
        mSparkleSounded = true;
        mSparkFired = false;
        App().PlaySoundById(SOUND_ROSA, false, false);
    }
    // Only a changed picture is drawn again: the sky moves a whole pixel every fifth update, and
    // in between the menu would draw the very frame it shows. Fades, buttons and dialogs mark it
    // themselves.
    bool sparkling = false;
    for (int32_t i = 0; i < mSparks.GetCount(); ++i) {
        sparkling = sparkling || static_cast<const CSpark*>(mSparks.GetAt(i))->IsPlaying();
    }
    if (SkyPlace() != mDrawnSky || sparkling || mSparkling ||
        App().mCurrentPlayer != mDrawnPlayer) {
        MarkDirty();
    }
    // The frame after the last sparkle still has to take it away.
    mSparkling = sparkling;
}

std::pair<int, int> CMainMenu::SkyPlace() const {
    return {static_cast<int>(mSkyOffset + 0.5), static_cast<int>(0.5 + mSkyY)};
}

void CMainMenu::Draw(Graphics* g) {
    mDrawnSky = SkyPlace();
    mDrawnPlayer = App().mCurrentPlayer;
    DrawSky(g, mDrawnSky.first, mDrawnSky.second);
    if (IMAGE_MM_BACKGROUND != nullptr) {
        g->DrawImage(IMAGE_MM_BACKGROUND, 0, 0);
    }
    if (Font* font = FONT_SHOWCARDGOTHIC) {
        g->SetColor(Color(160, 254, 38));
        g->SetFont(font);
        const std::string hello = VeskAppBase::GetString("HELLO");
        if (mHelloHalfWidth < 0) {
            mHelloHalfWidth = font->StringWidth(hello) / 2;
        }
        g->DrawString(hello, 210 - mHelloHalfWidth, 184);
        const std::string name = StrFormat("%s!", UpperCase(App().mCurrentPlayer).c_str());
        g->DrawString(name, 210 - font->StringWidth(name) / 2, 179 + font->GetLineSpacing());
    }
    zmWidget::Draw(g);
    mSparks.DrawAll(*g, *mMedia);
}

void CMainMenu::DrawSky(Graphics* g, int32_t skyX, int32_t skyY) {
    if (IMAGE_MM_BGSKY == nullptr) {
        return;
    }
    const int32_t skyWidth = IMAGE_MM_BGSKY->GetWidth();
    const int32_t still = skyY + SkyStillFrom();
    // Under the land's opaque parts the sky would only be drawn over, and a moved sky would
    // make them look changed.
    for (const Rect& piece : SkyPieces(skyY)) {
        const int32_t split = std::clamp(still, piece.mY, piece.mY + piece.mHeight);
        const std::array<std::pair<Rect, int32_t>, 2> parts{
            std::pair{Rect(piece.mX, piece.mY, piece.mWidth, split - piece.mY), skyX},
            std::pair{Rect(piece.mX, split, piece.mWidth, piece.mY + piece.mHeight - split), 0}};
        for (const auto& [part, x] : parts) {
            if (part.mHeight <= 0) {
                continue;
            }
            g->PushState();
            g->ClipRect(part.mX, part.mY, part.mWidth, part.mHeight);
            g->DrawImage(IMAGE_MM_BGSKY, x, skyY);
            g->DrawImage(IMAGE_MM_BGSKY, x + skyWidth, skyY);
            g->PopState();
        }
    }
}

int32_t CMainMenu::SkyStillFrom() {
    auto* sky = dynamic_cast<MemoryImage*>(IMAGE_MM_BGSKY);
    if (sky == nullptr) {
        return IMAGE_MM_BGSKY->GetHeight();
    }
    if (sky->mSerial == mSkyStillSky && sky->mChangeCount == mSkyStillSkyChange) {
        return mSkyStillFrom;
    }
    mSkyStillSky = sky->mSerial;
    mSkyStillSkyChange = sky->mChangeCount;
    const int32_t width = sky->GetWidth();
    const uint32_t* bits = sky->GetBits();
    int32_t from = sky->GetHeight();
    while (bits != nullptr && from > 0) {
        const uint32_t* row = bits + static_cast<size_t>(from - 1) * static_cast<size_t>(width);
        if (std::find_if(row, row + width, [row](uint32_t p) { return p != row[0]; }) !=
            row + width) {
            break;
        }
        --from;
    }
    mSkyStillFrom = from;
    return from;
}

const std::vector<Rect>& CMainMenu::SkyPieces(int32_t skyY) {
    auto* land = dynamic_cast<MemoryImage*>(IMAGE_MM_BACKGROUND);
    const uint64_t landSerial = land != nullptr ? land->mSerial : 0;
    const int32_t landChange = land != nullptr ? land->mChangeCount : -1;
    if (landSerial == mSkyPiecesLand && landChange == mSkyPiecesLandChange && skyY == mSkyPiecesY) {
        return mSkyPieces;
    }
    const Rect band(0, skyY, mWidth, IMAGE_MM_BGSKY->GetHeight());
    mSkyPieces.assign(1, band);
    mSkyPiecesLand = landSerial;
    mSkyPiecesLandChange = landChange;
    mSkyPiecesY = skyY;
    // The land is drawn over the sky at (0, 0) as it is: where it is opaque nothing of the sky
    // shows.
    const Rect rows = band.Intersection(Rect(0, 0, land != nullptr ? land->GetWidth() : 0,
                                             land != nullptr ? land->GetHeight() : 0));
    const uint32_t* bits = land != nullptr && rows.mHeight > 0 ? land->GetBits() : nullptr;
    if (bits == nullptr) {
        return mSkyPieces;
    }
    const int32_t landWidth = land->GetWidth();
    std::vector<uint8_t> taken(static_cast<size_t>(landWidth) * static_cast<size_t>(rows.mHeight),
                               0);
    for (int cover = 0; cover < kMostCovers; ++cover) {
        const Rect opaque =
            LargestOpaqueRect(bits, landWidth, rows.mY, rows.mY + rows.mHeight, taken)
                .Intersection(band);
        if (int64_t{opaque.mWidth} * opaque.mHeight < kLeastCover) {
            break;
        }
        for (int32_t y = opaque.mY; y < opaque.mY + opaque.mHeight; ++y) {
            std::fill_n(
                taken.begin() + static_cast<std::ptrdiff_t>(y - rows.mY) * landWidth + opaque.mX,
                opaque.mWidth, uint8_t{1});
        }
        mSkyPieces = CutOut(mSkyPieces, opaque);
    }
    return mSkyPieces;
}

void CMainMenu::ButtonDepress(int id) {
    GameApp& app = App();
    app.PlaySoundById(SOUND_BUTTON_DOWN, false, false);
    if (mFadeState != FADE_IDLE) {
        return;
    }
    for (const ButtonRow& row : Buttons()) {
        if (row.id == id) {
            row.press(*this);
            return;
        }
    }
}

void CMainMenu::OpenDialog(Dialog* dialog) {
    // The application's dialog list owns it from here.
    GameApp& app = App();
    app.AddDialogByObject(dialog);
    app.mWidgetManager->SetFocus(dialog);
}

void CMainMenu::StartNewGame() {
    GameApp& app = App();
    if (app.mBoard != nullptr) {
        app.mBoard->NewGame();
        app.mBoard->continueSaved = false;
    }
    // A player who has been further sees the map first, to choose a stage.
    Widget* next = app.mShowHelp != 0 ? app.GetScreen<CHelp>() : nullptr;
    if (next == nullptr && app.mBoard != nullptr && app.mBoard->bestLevel > 1) {
        next = app.GetScreen<CLandMap>();
    }
    if (next == nullptr) {
        next = app.GetScreen<CComics>();
    }
    if (next == nullptr) {
        next = app.GetScreen<Board>();
    }
    if (next != nullptr) {
        LeaveTo(next);
    } else {
        mNextScreen = nullptr;
    }
}

void CMainMenu::ResumeGame() {
    GameApp& app = App();
    if (app.mBoard != nullptr) {
        app.mBoard->continueSaved = true;
        app.mBoard->NewGame();
        // A header-only read answers 0 by contract; its fields are what counts.
        static_cast<void>(app.mBoard->LoadGame(true));
    }
    app.PlayLevelMusic();
    Widget* next = app.GetScreen<Board>();
    // A game saved between levels at a stage's first level comes back on the map.
    const Board* board = app.mBoard.get();
    if (board != nullptr && board->rebuildOnLoad && (board->level - 1) % 5 == 0 &&
        app.mLandMap != nullptr) {
        next = app.GetScreen<CLandMap>();
    }
    if (next != nullptr) {
        LeaveTo(next);
    } else {
        mNextScreen = nullptr;
    }
}

bool CMainMenu::PrepareHandOver(Widget* next) {
    GameApp& app = App();
    if (next == nullptr) {
        app.Shutdown();
        return false;
    }
    if ((next == app.GetScreen<CLandMap>() || next == app.GetScreen<CComics>()) &&
        app.BoardLevel() <= 1) {
        // Leaving either screen for the menu saves the game, which needs a level set up.
        if (app.mBoard != nullptr) {
            app.mBoard->SetupLevel();
        }
        app.SwitchMusic(kComicsTrack);
    }
    return true;
}

}  // namespace Vesk

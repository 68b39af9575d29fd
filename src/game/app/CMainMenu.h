#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "game/app/CScreen.h"
#include "game/core/CObjectList.h"
#include "game/core/CSparkSink.h"
#include "game/core/ObjectOwner.h"
#include "graphics/Rect.h"

namespace Vesk {

class Dialog;
class GameAppMedia;

// The hub of the game: seven image buttons over a scrolling sky and the menu picture, nine
// sparks and the greeting. Starting or resuming a game, the credits and leaving all fade the
// menu out first; the next screen is added and focused once the fade has ended.
class CMainMenu : public CScreen, public ObjectOwner, public CSparkSink {
public:
    // The ids of the buttons' rows (CMainMenu.cpp).
    enum ButtonId { START = 0, RESUME, OPTIONS, CREDITS, EXIT, CH_PRFL, SCORES };
    static constexpr uint32_t kSparkleInterval = 240000;
    static constexpr double kSkySpeed = -0.2;

    CMainMenu();
    ~CMainMenu() override;

    void AddedToManager(WidgetManager* manager) override;
    void RemovedFromManager(WidgetManager* manager) override;
    void Update() override;
    void Draw(Graphics* g) override;
    void Resize(int x, int y, int width, int height) override;
    void GotFocus() override;

    void ButtonDepress(int id) override;

    void StartNewGame();
    void ResumeGame();
    // Adds the dialog to the application's list and focuses it.
    void OpenDialog(Dialog* dialog);

    // ObjectOwner, for the sparks.
    int32_t GetUpdateCount() const override { return mUpdateCnt; }
    uint32_t TickCount() override;
    GameRandom& Random() override;
    GameMedia& Media() override;
    // CSparkSink.
    void SparkBegan(uint32_t now) override;

    // Null for an id without a row.
    ButtonWidget* GetButton(int id);
    // Where the sky can show at the sky's height: its band less the land's largest opaque
    // rectangles, worked out once for a land picture.
    const std::vector<Rect>& SkyPieces(int32_t skyY);
    // The sky strip at (skyX, skyY) and once more to its right, only where it can show. Its
    // bottom rows that are the same all along are drawn as if the strip had not moved: they
    // look the same, and a moved sky then leaves them as they are.
    void DrawSky(Graphics* g, int32_t skyX, int32_t skyY);
    int SparkCount() const;

    double mSkyOffset = 0.0;
    double mSkyY = 0.0;
    double mSkySpeed = kSkySpeed;
    uint32_t mLastSparkTime = 0;
    uint32_t mLastSparkleSoundTime = 0;
    bool mSparkFired = false;
    // The first sparkle always sounds, however early the tick count.
    bool mSparkleSounded = false;

protected:
    // The next screen comes, or the program ends without one.
    bool PrepareHandOver(Widget* next) override;

private:
    struct ButtonRow;
    // One row a button, in id order: its id, place, pictures and what a press does once the
    // menu is fully faded in.
    static std::span<const ButtonRow> Buttons();

    // In the rows' order.
    std::vector<std::unique_ptr<ButtonWidget>> mButtons;
    std::unique_ptr<GameAppMedia> mMedia;
    CObjectList mSparks{this};
    // Measured at the first draw.
    int mHelloHalfWidth = -1;
    // What the last frame showed, to tell whether the next would differ.
    std::pair<int, int> SkyPlace() const;
    std::pair<int, int> mDrawnSky{INT32_MIN, INT32_MIN};
    std::string mDrawnPlayer;
    bool mSparkling = false;
    std::vector<Rect> mSkyPieces;
    uint64_t mSkyPiecesLand = 0;
    int32_t mSkyPiecesLandChange = -1;
    int32_t mSkyPiecesY = INT32_MIN;
    // The first of the sky's bottom rows that are each one colour, for the sky picture known.
    int32_t SkyStillFrom();
    int32_t mSkyStillFrom = 0;
    uint64_t mSkyStillSky = 0;
    int32_t mSkyStillSkyChange = -1;
};

}  // namespace Vesk

#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "game/core/CObjectList.h"
#include "game/core/CSparkSink.h"
#include "game/core/ObjectOwner.h"
#include "widgets/ButtonListener.h"
#include "widgets/zmWidget.h"

namespace Vesk {

class ButtonWidget;
class Dialog;
class GameApp;
class GameAppMedia;

// The hub of the game: seven image buttons over a scrolling sky and the menu picture, nine
// sparks and the greeting. Starting or resuming a game, the credits and leaving all fade the
// menu out first; the next screen is added and focused once the fade has ended.
class CMainMenu : public zmWidget, public ButtonListener, public ObjectOwner, public CSparkSink {
public:
    enum ButtonId { START = 0, RESUME, OPTIONS, CREDITS, EXIT, CH_PRFL, SCORES, kButtonCount };
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
    // The fade-out has ended: the next screen comes, or the program ends without one.
    void FadeOutDone() override;

    void ButtonDepress(int id) override;
    void ButtonMouseEnter(int id) override;

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

    ButtonWidget* GetButton(int id) { return mButtons.at(static_cast<size_t>(id)).get(); }
    int SparkCount() const;

    // Null: leave the program.
    Widget* mNextScreen = nullptr;
    double mSkyOffset = 0.0;
    double mSkyY = 0.0;
    double mSkySpeed = kSkySpeed;
    uint32_t mLastSparkTime = 0;
    uint32_t mLastSparkleSoundTime = 0;
    bool mSparkFired = false;
    // The first sparkle always sounds, however early the tick count.
    bool mSparkleSounded = false;

private:
    GameApp& App() const;

    std::array<std::unique_ptr<ButtonWidget>, kButtonCount> mButtons;
    std::unique_ptr<GameAppMedia> mMedia;
    CObjectList mSparks{this};
    // Measured at the first draw.
    int mHelloHalfWidth = -1;
};

}  // namespace Vesk

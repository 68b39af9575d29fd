#pragma once

#include <string>

#include "widgets/zmWidget.h"

namespace Vesk {

class GameApp;

// A screen whose own game part is still to come: a black page with its name that fades in and,
// at a click or a key, fades out to the board (the screens on the way into a game) or back to
// the main menu. It holds the screen's place among the
// application's screens, so every way to it already works.
class CInterimScreen : public zmWidget {
public:
    explicit CInterimScreen(std::string name) : mName(std::move(name)) {}

    void Draw(Graphics* g) override;
    void MouseDown(int x, int y, int clickCount) override;
    void KeyDown(int key) override;
    void FadeOutDone() override;

    const std::string& GetName() const { return mName; }

private:
    void Leave();

    std::string mName;
};

}  // namespace Vesk

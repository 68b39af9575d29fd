// Program entry: makes the game, runs it and ends.
#include <memory>

#include "app/RunApplication.h"
#include "game/app/GameApp.h"

int main(int argc, char** argv) {
    return Vesk::RunApplication(
        argc, argv, [](platform::BackendKind) { return std::make_unique<Vesk::GameApp>(); });
}

// A player's saved game as the board reads it: the header, the help topics and every object.
// Whatever loads is played for a few frames, drawn nowhere and saved again.
#include <cstddef>
#include <cstdint>
#include <span>

#include "../game/core/FakeBoardHost.h"
#include "game/core/Board.h"
#include "game/core/GameMath.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InitTrigTables();
    fake::BoardHost host;
    Vesk::Board board(host);
    if (board.LoadGameBytes(std::span<const uint8_t>(data, size), false) == 1) {
        board.SetPaused(false);
        for (int i = 0; i < 8; ++i) {
            host.mTick += 700;
            board.Update();
        }
        board.SaveGameBytes();
    }
    return 0;
}

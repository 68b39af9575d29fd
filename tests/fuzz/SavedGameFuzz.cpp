// A player's saved game as the board reads it: the header, the help topics and every object.
// Whatever loads must hold a sound field, and keep it while it is played for a few frames;
// it is drawn nowhere and saved again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "../game/core/FakeBoardHost.h"
#include "../game/core/FieldCheck.h"
#include "game/core/Board.h"
#include "game/core/GameMath.h"

namespace {

void CheckField(Vesk::Board& board) {
    if (board.GetTable() != nullptr &&
        !fake::FieldFault(*board.GetTable(), board.Objects()).empty()) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InitTrigTables();
    fake::BoardHost host;
    Vesk::Board board(host);
    if (board.LoadGameBytes(std::span<const uint8_t>(data, size), false) == 1) {
        board.SetPaused(false);
        CheckField(board);
        for (int i = 0; i < 8; ++i) {
            host.mTick += 700;
            board.Update();
            CheckField(board);
        }
        board.SaveGameBytes();
    }
    return 0;
}

// A player's saved game as the board reads it: the header, the help topics and every object.
// Whatever loads must hold a sound field, and keep it while it is played for a few frames;
// it is drawn nowhere and saved again.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

#include "../game/core/FakeBoardHost.h"
#include "../game/core/FieldCheck.h"
#include "game/core/Board.h"
#include "game/core/GameMath.h"

namespace {

void CheckField(Vesk::Board& board, const char* when) {
    if (board.GetTable() == nullptr) {
        return;
    }
    const std::string fault = fake::FieldFault(*board.GetTable(), board.Objects());
    if (!fault.empty()) {
        std::fprintf(stderr, "unsound field after %s: %s\n", when, fault.c_str());
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
        CheckField(board, "loading");
        for (int i = 0; i < 8; ++i) {
            host.mTick += 700;
            board.Update();
            CheckField(board, "play");
        }
        board.SaveGameBytes();
    }
    return 0;
}

// A player's saved game as the board reads it: the header, the help topics and every object.
// Whatever loads must hold a sound field; it is then played for a few frames, drawn nowhere and
// saved again. Soundness after play is not checked yet: a field that loads sound can still, in its
// first update, drop a block into a cell another holds (kept in regressions/).
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

void CheckField(Vesk::Board& board) {
    if (board.GetTable() == nullptr) {
        return;
    }
    const std::string fault = fake::FieldFault(*board.GetTable(), board.Objects());
    if (!fault.empty()) {
        std::fprintf(stderr, "unsound field after loading: %s\n", fault.c_str());
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
        }
        board.SaveGameBytes();
    }
    return 0;
}

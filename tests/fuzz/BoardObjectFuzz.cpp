// Board-object records as a saved game holds them: a type id, then the record. Whatever loads
// is appended to a list, updated, drawn nowhere and saved again.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "../game/core/FakeBoard.h"
#include "game/core/CObject.h"
#include "game/core/CTimeObject.h"
#include "game/core/ObjectFactory.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fake::Board board;
    Vesk::ByteReader in(std::span<const uint8_t>(data, size));
    for (int i = 0; i < 64 && !in.AtEnd(); ++i) {
        std::unique_ptr<CObject> object = MakeBoardObject(in.I32());
        if (in.Failed() || !object) {
            break;
        }
        // Objects register with the board only once their whole record loaded.
        if (object->Load(in, board) == 0 || in.Failed()) {
            break;
        }
        board.mObjects.AddLast(object.release());
    }
    for (int i = 0; i < 8; ++i) {
        board.mTick += 700;
        board.mObjects.UpdateAll();
    }
    Vesk::ByteWriter out;
    for (int32_t i = 0; i < board.mObjects.GetCount(); ++i) {
        board.mObjects.GetAt(i)->Save(out);
    }
    return 0;
}

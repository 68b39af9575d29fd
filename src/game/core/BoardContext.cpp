#include "game/core/BoardContext.h"

#include "game/core/CTimeObject.h"

namespace Vesk {

double BoardContext::GameTime() {
    CTimeObject* clock = GetClock();
    return clock != nullptr ? clock->GetTime() : 0.0;
}

double BoardContext::TimeRate() {
    CTimeObject* clock = GetClock();
    return clock != nullptr ? clock->GetRate() : 1.0;
}

}  // namespace Vesk

#include "util/ModValMark.h"

#include "util/ModValRegistry.h"

namespace Vesk {

ModValMark::ModValMark(std::string_view file, int32_t order, int32_t line)
    : mFile(file), mOrder(order), mLine(line) {
    ModValRegistry::Instance().Register(*this);
}

ModValMark::~ModValMark() {
    ModValRegistry::Instance().Unregister(*this);
}

void ModValMark::NoteEvaluated() {
    if (mEvaluated.load(std::memory_order_relaxed) || mEvaluated.exchange(true)) {
        return;
    }
    ModValRegistry::Instance().MarkUsed(*this);
}

void ModValMark::Store(int32_t intValue, double floatValue, std::string_view text) {
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mIntValue = intValue;
        mFloatValue = floatValue;
        if (mTexts.empty() || mTexts.back() != text) {
            mTexts.emplace_back(text);
        }
    }
    mAttached.store(true, std::memory_order_release);
}

int32_t ModValMark::StoredInt() {
    std::lock_guard<std::mutex> lock(mMutex);
    return mIntValue;
}

double ModValMark::StoredFloat() {
    std::lock_guard<std::mutex> lock(mMutex);
    return mFloatValue;
}

const char* ModValMark::StoredText() {
    std::lock_guard<std::mutex> lock(mMutex);
    return mTexts.back().c_str();
}

}  // namespace Vesk

#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <type_traits>

namespace Vesk {

// One tweakable constant: the place of a tweak macro in the source and the value re-read from
// there. A mark registers itself with the process's ModValRegistry when it is made and leaves
// it when it is destroyed; until a value has been stored it answers with the literal it is
// given.
class ModValMark {
public:
    // The order number ranks the marks of one source line (the tweak macro passes its column).
    ModValMark(std::string_view file, int32_t order, int32_t line);
    ~ModValMark();
    ModValMark(const ModValMark&) = delete;
    ModValMark& operator=(const ModValMark&) = delete;

    const std::string& File() const { return mFile; }
    int32_t Order() const { return mOrder; }
    int32_t Line() const { return mLine; }

    // The stored value converted to the literal's type, or the literal while nothing is stored.
    // The first call also asks for the mark's file to be re-read from now on. A text stays
    // readable until the mark is destroyed, even after a newer text has been stored.
    template <class T>
    T Get(T literal) {
        NoteEvaluated();
        if (!mAttached.load(std::memory_order_acquire)) {
            return literal;
        }
        if constexpr (std::is_same_v<T, const char*>) {
            return StoredText();
        } else if constexpr (std::is_floating_point_v<T>) {
            return static_cast<T>(StoredFloat());
        } else {
            static_assert(std::is_integral_v<T>, "tweak values are numbers or texts");
            return static_cast<T>(StoredInt());
        }
    }

    // Stores all three forms at once; called while re-reading the source.
    void Store(int32_t intValue, double floatValue, std::string_view text);

private:
    void NoteEvaluated();
    int32_t StoredInt();
    double StoredFloat();
    const char* StoredText();

    std::string mFile;
    int32_t mOrder;
    int32_t mLine;
    std::atomic<bool> mEvaluated{false};
    std::atomic<bool> mAttached{false};  // a value has been stored

    // The value holder, guarded by mMutex.
    std::mutex mMutex;
    int32_t mIntValue = 0;
    double mFloatValue = 0.0;
    // The current text is the last one; older texts stay for pointers handed out earlier.
    std::deque<std::string> mTexts;
};

}  // namespace Vesk

#include "util/MemoryLeakTracker.h"

#include <cstdarg>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>

#include "platform/Clock.h"
#include "platform/Debug.h"
#include "util/CommonText.h"
#include "util/CriticalLock.h"

namespace Vesk {

namespace {

constexpr size_t kMaxFileNameLength = 260;

struct Allocation {
    int32_t size = 0;
    std::string file;
    int32_t line = 0;
};

struct TrackerState {
    CriticalLock lock;
    std::map<uintptr_t, Allocation> table;
    bool alive = false;
    bool dumpAtExit = false;
};

// Never destroyed: allocations may still be recorded or reported by other
// exit-time code after static destructors have begun.
TrackerState& State() {
    static TrackerState* state = new TrackerState;
    return *state;
}

// Report lines go to the debugger first and then to the file.
void Emit(std::FILE* file, const std::string& text) {
    platform::DebugOutput(text);
    std::fputs(text.c_str(), file);
}

}  // namespace

void MemoryLeakTracker::Init() {
    TrackerState& state = State();
    std::lock_guard guard(state.lock);
    state.table.clear();
    state.alive = true;
}

void MemoryLeakTracker::Shutdown() {
    TrackerState& state = State();
    std::lock_guard guard(state.lock);
    if (state.dumpAtExit) {
        DumpMemoryLeaks();
    }
    state.alive = false;
    state.table.clear();
}

bool MemoryLeakTracker::IsAlive() {
    TrackerState& state = State();
    std::lock_guard guard(state.lock);
    return state.alive;
}

void MemoryLeakTracker::SetDumpAtExit(bool dump) {
    TrackerState& state = State();
    std::lock_guard guard(state.lock);
    state.dumpAtExit = dump;
}

void MemoryLeakTracker::AddAllocation(uintptr_t address, int32_t size, std::string_view file,
                                      int32_t line) {
    TrackerState& state = State();
    std::lock_guard guard(state.lock);
    if (!state.alive) {
        return;
    }
    state.table[address] = Allocation{size, std::string(file.substr(0, kMaxFileNameLength)), line};
}

void MemoryLeakTracker::RemoveAllocation(uintptr_t address) {
    TrackerState& state = State();
    std::lock_guard guard(state.lock);
    if (state.alive) {
        state.table.erase(address);
    }
}

void DumpMemoryLeaks() {
    TrackerState& state = State();
    std::lock_guard guard(state.lock);
    if (!state.alive) {
        return;
    }
    std::FILE* file = std::fopen("mem_leaks.txt", "w");
    if (file == nullptr) {
        return;
    }
    const std::string header =
        "Memory Leak Report for " + platform::GetClock().LocalTimeText() + "\n\n";
    std::fputs(header.c_str(), file);
    platform::DebugOutput("\n");
    platform::DebugOutput(header);

    // Summed wide: many large records must not wrap the total.
    int64_t total = 0;
    for (const auto& [address, allocation] : state.table) {
        Emit(file, StrFormat("%s(%d) : Leak %d byte%s\n", allocation.file.c_str(), allocation.line,
                             allocation.size, allocation.size < 2 ? "" : "s"));
        total += allocation.size;
    }
    Emit(file, "-----------------------------------------------------------\n");
    Emit(file, StrFormat("Total Unfreed: %lld bytes (%lldKB)\n\n", static_cast<long long>(total),
                         static_cast<long long>(total / 1024)));
    std::fclose(file);
}

void OutputDebugPrintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = vformat(format, args);
    va_end(args);
    platform::DebugOutput(text);
}

}  // namespace Vesk

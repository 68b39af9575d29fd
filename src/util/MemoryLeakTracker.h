#pragma once

#include <cstdint>
#include <string_view>

namespace Vesk {

// Table of allocations still alive, reported at exit into "mem_leaks.txt"
// in the current folder. The framework records nothing by itself: a build
// that wants the report hooks its allocations into AddAllocation and
// RemoveAllocation and asks for the report with SetDumpAtExit.
class MemoryLeakTracker {
public:
    // Start-up: empty table, tracking on.
    static void Init();
    // Exit: the report when it was asked for, then tracking off, table empty.
    static void Shutdown();

    static bool IsAlive();
    static void SetDumpAtExit(bool dump);

    // Both are ignored unless the tracker is alive. File names are kept to
    // their first 260 characters.
    static void AddAllocation(uintptr_t address, int32_t size, std::string_view file, int32_t line);
    static void RemoveAllocation(uintptr_t address);
};

// Writes the report of every allocation in the table to "mem_leaks.txt" and
// to the debugger channel; does nothing unless the tracker is alive.
void DumpMemoryLeaks();

// printf-style write to the debugger channel.
void OutputDebugPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace Vesk

#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// Catching fatal faults and describing the crashed process for the crash report.
//
// A fault (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGTRAP, SIGABRT) becomes a fault record carrying
// the Windows-style exception code the report names, so "Access Violation" and the rest keep
// their meaning in reports and on the report server.
namespace platform::crash {

// The exception codes faults are mapped to.
inline constexpr uint32_t kAccessViolation = 0xC0000005;
inline constexpr uint32_t kInPageError = 0xC0000006;
inline constexpr uint32_t kDataTypeMisalignment = 0x80000002;
inline constexpr uint32_t kBreakpoint = 0x80000003;
inline constexpr uint32_t kIllegalInstruction = 0xC000001D;
inline constexpr uint32_t kPrivilegedInstruction = 0xC0000096;
inline constexpr uint32_t kArrayBoundsExceeded = 0xC000008C;
inline constexpr uint32_t kFloatDivideByZero = 0xC000008E;
inline constexpr uint32_t kFloatInexactResult = 0xC000008F;
inline constexpr uint32_t kFloatInvalidOperation = 0xC0000090;
inline constexpr uint32_t kFloatOverflow = 0xC0000091;
inline constexpr uint32_t kFloatUnderflow = 0xC0000093;
inline constexpr uint32_t kIntegerDivideByZero = 0xC0000094;
inline constexpr uint32_t kIntegerOverflow = 0xC0000095;
inline constexpr uint32_t kStackOverflow = 0xC00000FD;
// abort(): the code of a fatal application exit. The report has no name for it, so it shows
// as an unknown exception.
inline constexpr uint32_t kFatalAppExit = 0x40000015;

// The interrupted thread's registers (x86-64; zero elsewhere). The segment registers the kernel
// does not save (DS, ES) stay 0.
struct Registers {
    uint64_t ax = 0, bx = 0, cx = 0, dx = 0, si = 0, di = 0;
    uint64_t ip = 0, sp = 0, bp = 0;
    uint16_t cs = 0, ss = 0, ds = 0, es = 0, fs = 0, gs = 0;
    uint64_t flags = 0;
};

// One frame of the call stack: the faulting instruction for the first frame, a return address
// for the others; the frame's address (the caller's stack pointer before the call) and the
// four words stored above it.
struct Frame {
    uintptr_t pc = 0;
    uintptr_t frame = 0;
    std::array<uintptr_t, 4> params{};
};

inline constexpr size_t kMaxFrames = 64;

struct FaultRecord {
    int signal = 0;
    int signalCode = 0;         // si_code; 0 or below when the signal was sent, not caused
    uint32_t code = 0;          // exception code
    uintptr_t address = 0;      // the instruction that faulted
    uintptr_t dataAddress = 0;  // the memory a memory fault touched, else 0
    uint32_t threadId = 0;
    Registers registers;
    std::array<Frame, kMaxFrames> frames{};
    size_t frameCount = 0;
};

// Runs on the crashing thread, on the alternate stack. When it returns the process ends.
using Handler = void (*)(const FaultRecord& fault);

// Catches the fatal signals on an alternate stack of the calling thread (the crash windows run
// on that stack too, so it is large) and keeps the previous actions. Installing again only
// replaces the handler. Only the first fault is handled: a fault on the reporting thread ends
// the process at once, and other faulting threads wait for the report to end the process.
bool Install(Handler handler);
// Puts the previous actions and alternate stack back.
void Uninstall();
bool IsInstalled();

// Report building may wait on a lock the crash left held (the heap, the display connection);
// after a time limit the process ends with the fault's signal. The crash windows, which wait
// for the player, lift the limit first.
void CancelWatchdog();

// The exception code of a signal. signalCode and dataAddress count only for faults the
// kernel raised (signalCode above 0); a memory fault close to the stack pointer is a stack
// overflow.
uint32_t ExceptionCode(int signal, int signalCode, uintptr_t dataAddress, uintptr_t stackPointer);

// The caller's call stack, innermost first, without parameters. Returns the number of frames.
size_t CaptureFrames(Frame* frames, size_t capacity);

// Where an address lies: the module's full path, the 1-based index of its loadable segment and
// the distance from that segment's start (the report's "logical address").
struct LogicalAddress {
    std::string modulePath;
    uint32_t section = 0;
    uint32_t offset = 0;
};
std::optional<LogicalAddress> ModuleOf(uintptr_t address);

// The exported symbol holding an address, demangled, and the address's distance from it.
struct Symbol {
    std::string name;
    uintptr_t displacement = 0;
};
std::optional<Symbol> SymbolOf(uintptr_t address);

// The readable form of a mangled C++ name; nothing for names that are not mangled.
std::optional<std::string> Demangle(const std::string& name);

// Reads a word of the process's memory without faulting; false when it is not readable.
bool ReadWord(uintptr_t address, uintptr_t& value);

struct SystemVersion {
    std::string name;     // "Linux"
    std::string release;  // kernel release
    std::string build;    // kernel build text
    std::string machine;  // "x86_64"
};
SystemVersion GetSystemVersion();

// Ends the process by the signal's default action, without a core dump. Async-signal-safe.
[[noreturn]] void EndProcess(int signal);

}  // namespace platform::crash

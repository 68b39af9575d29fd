#include "platform/Crash.h"

#include <cxxabi.h>
#include <dlfcn.h>
#include <link.h>
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/uio.h>
#include <sys/utsname.h>
#include <ucontext.h>
#include <unistd.h>
#include <unwind.h>

#include <atomic>
#include <cstdlib>
#include <iterator>

#include "platform/Process.h"
#include "platform/Thread.h"

namespace platform::crash {
namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGTRAP, SIGABRT};
constexpr size_t kSignalCount = std::size(kSignals);

// Long enough for a report and its application text, short enough that a hung report does not
// keep a dead game on screen.
constexpr unsigned kWatchdogSeconds = 15;
// A fault this close to the stack pointer hit the stack's guard page.
constexpr uintptr_t kStackSlack = 64 * 1024;
// The report and the crash windows (a toolkit message box included) run on this stack.
constexpr size_t kAltStackSize = 1024 * 1024;
// The handler's own frames come before the faulting one in a capture.
constexpr size_t kHandlerFrames = 16;

alignas(64) unsigned char gAltStack[kAltStackSize];
stack_t gPreviousAltStack;
struct sigaction gPrevious[kSignalCount];
std::atomic<Handler> gHandler{nullptr};
std::atomic<bool> gInstalled{false};
// The thread reporting a crash, 0 while none is.
std::atomic<uint32_t> gReportingThread{0};
std::atomic<int> gReportedSignal{0};
// Static rather than on the alternate stack, which the report needs.
FaultRecord gFault;

struct UnwindState {
    Frame* frames;
    size_t capacity;
    size_t count;
};

_Unwind_Reason_Code CollectFrame(_Unwind_Context* context, void* arg) {
    auto* state = static_cast<UnwindState*>(arg);
    if (state->count == state->capacity) {
        return _URC_END_OF_STACK;
    }
    int beforeInstruction = 0;
    Frame& frame = state->frames[state->count++];
    frame = Frame{};
    frame.pc = _Unwind_GetIPInfo(context, &beforeInstruction);
    frame.frame = _Unwind_GetCFA(context);
    return _URC_NO_REASON;
}

void OnWatchdog(int) {
    EndProcess(gReportedSignal.load());
}

void StartWatchdog() {
    struct sigaction action {};
    action.sa_handler = OnWatchdog;
    sigemptyset(&action.sa_mask);
    sigaction(SIGALRM, &action, nullptr);
    alarm(kWatchdogSeconds);
}

void ReadRegisters(const void* context, FaultRecord& fault) {
#if defined(__x86_64__)
    const auto* uc = static_cast<const ucontext_t*>(context);
    const greg_t* g = uc->uc_mcontext.gregs;
    Registers& r = fault.registers;
    r.ax = static_cast<uint64_t>(g[REG_RAX]);
    r.bx = static_cast<uint64_t>(g[REG_RBX]);
    r.cx = static_cast<uint64_t>(g[REG_RCX]);
    r.dx = static_cast<uint64_t>(g[REG_RDX]);
    r.si = static_cast<uint64_t>(g[REG_RSI]);
    r.di = static_cast<uint64_t>(g[REG_RDI]);
    r.ip = static_cast<uint64_t>(g[REG_RIP]);
    r.sp = static_cast<uint64_t>(g[REG_RSP]);
    r.bp = static_cast<uint64_t>(g[REG_RBP]);
    r.flags = static_cast<uint64_t>(g[REG_EFL]);
    // The kernel packs CS, GS, FS and (when it says so in the flags) SS into one word.
    const auto segments = static_cast<uint64_t>(g[REG_CSGSFS]);
    r.cs = static_cast<uint16_t>(segments);
    r.gs = static_cast<uint16_t>(segments >> 16);
    r.fs = static_cast<uint16_t>(segments >> 32);
    constexpr unsigned long kSigcontextSs = 0x2;
    if ((uc->uc_flags & kSigcontextSs) != 0) {
        r.ss = static_cast<uint16_t>(segments >> 48);
    }
    fault.address = static_cast<uintptr_t>(r.ip);
#else
    (void)context;
    (void)fault;
#endif
}

void FillFault(int signal, const siginfo_t* info, const void* context) {
    FaultRecord& fault = gFault;
    fault = FaultRecord{};
    fault.signal = signal;
    fault.signalCode = info != nullptr ? info->si_code : 0;
    const bool raisedByKernel = fault.signalCode > 0;
    if (raisedByKernel && (signal == SIGSEGV || signal == SIGBUS)) {
        fault.dataAddress = reinterpret_cast<uintptr_t>(info->si_addr);
    } else if (raisedByKernel) {
        fault.address = reinterpret_cast<uintptr_t>(info->si_addr);
    }
    fault.threadId = CurrentThreadId();
    if (context != nullptr) {
        ReadRegisters(context, fault);
    }
    fault.code = ExceptionCode(signal, fault.signalCode, fault.dataAddress,
                               static_cast<uintptr_t>(fault.registers.sp));

    // The capture starts inside this handler; the report starts at the faulting instruction.
    Frame captured[kMaxFrames + kHandlerFrames];
    const size_t count = CaptureFrames(captured, std::size(captured));
    size_t first = count;
    for (size_t i = 0; i < count; ++i) {
        if (captured[i].pc == fault.address) {
            first = i;
            break;
        }
    }
    if (first == count) {
        fault.frames[0].pc = fault.address;
        fault.frames[0].frame = static_cast<uintptr_t>(fault.registers.sp);
        fault.frameCount = 1;
    } else {
        for (size_t i = first; i < count && fault.frameCount < kMaxFrames; ++i) {
            fault.frames[fault.frameCount++] = captured[i];
        }
    }
    for (size_t i = 0; i < fault.frameCount; ++i) {
        Frame& frame = fault.frames[i];
        for (size_t p = 0; p < frame.params.size(); ++p) {
            (void)ReadWord(frame.frame + p * sizeof(uintptr_t), frame.params[p]);
        }
    }
}

void OnSignal(int signal, siginfo_t* info, void* context) {
    const uint32_t self = CurrentThreadId();
    uint32_t reporting = 0;
    if (!gReportingThread.compare_exchange_strong(reporting, self)) {
        // A fault while reporting must not start another report.
        if (reporting == self) {
            EndProcess(signal);
        }
        // Another thread is reporting and will end the process.
        for (;;) {
            pause();
        }
    }
    gReportedSignal.store(signal);
    StartWatchdog();
    FillFault(signal, info, context);
    if (Handler handler = gHandler.load()) {
        handler(gFault);
    }
    EndProcess(signal);
}

struct SegmentSearch {
    uintptr_t address = 0;
    bool found = false;
    LogicalAddress result;
};

int FindSegment(dl_phdr_info* info, size_t, void* data) {
    auto* search = static_cast<SegmentSearch*>(data);
    uint32_t index = 0;
    for (size_t i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& header = info->dlpi_phdr[i];
        if (header.p_type != PT_LOAD) {
            continue;
        }
        ++index;
        const uintptr_t start = info->dlpi_addr + header.p_vaddr;
        if (search->address >= start && search->address - start < header.p_memsz) {
            search->found = true;
            search->result.section = index;
            search->result.offset = static_cast<uint32_t>(search->address - start);
            search->result.modulePath = info->dlpi_name != nullptr ? info->dlpi_name : "";
            return 1;
        }
    }
    return 0;
}

}  // namespace

bool Install(Handler handler) {
    gHandler.store(handler);
    if (gInstalled.exchange(true)) {
        return true;
    }
    // The unwinder's first use loads its library and takes the loader's locks; that must not
    // first happen inside a signal handler.
    Frame scratch[4];
    (void)CaptureFrames(scratch, std::size(scratch));

    stack_t stack{};
    stack.ss_sp = gAltStack;
    stack.ss_size = sizeof gAltStack;
    stack.ss_flags = 0;
    bool ok = sigaltstack(&stack, &gPreviousAltStack) == 0;

    struct sigaction action {};
    action.sa_sigaction = OnSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < kSignalCount; ++i) {
        ok = sigaction(kSignals[i], &action, &gPrevious[i]) == 0 && ok;
    }
    return ok;
}

void Uninstall() {
    if (!gInstalled.exchange(false)) {
        return;
    }
    for (size_t i = 0; i < kSignalCount; ++i) {
        sigaction(kSignals[i], &gPrevious[i], nullptr);
    }
    sigaltstack(&gPreviousAltStack, nullptr);
    gHandler.store(nullptr);
}

bool IsInstalled() {
    return gInstalled.load();
}

void CancelWatchdog() {
    alarm(0);
}

uint32_t ExceptionCode(int signal, int signalCode, uintptr_t dataAddress, uintptr_t stackPointer) {
    const int code = signalCode > 0 ? signalCode : 0;
    switch (signal) {
        case SIGSEGV: {
            if (code != 0 && dataAddress != 0 && stackPointer != 0) {
                const uintptr_t distance = dataAddress > stackPointer ? dataAddress - stackPointer
                                                                      : stackPointer - dataAddress;
                if (distance < kStackSlack) {
                    return kStackOverflow;
                }
            }
            return kAccessViolation;
        }
        case SIGFPE:
            switch (code) {
                case FPE_INTOVF:
                    return kIntegerOverflow;
                case FPE_FLTDIV:
                    return kFloatDivideByZero;
                case FPE_FLTOVF:
                    return kFloatOverflow;
                case FPE_FLTUND:
                    return kFloatUnderflow;
                case FPE_FLTRES:
                    return kFloatInexactResult;
                case FPE_FLTINV:
                    return kFloatInvalidOperation;
                case FPE_FLTSUB:
                    return kArrayBoundsExceeded;
                default:
                    return kIntegerDivideByZero;
            }
        case SIGILL:
            return code == ILL_PRVOPC || code == ILL_PRVREG ? kPrivilegedInstruction
                                                            : kIllegalInstruction;
        case SIGBUS:
            return code == BUS_ADRALN ? kDataTypeMisalignment : kInPageError;
        case SIGTRAP:
            return kBreakpoint;
        case SIGABRT:
            return kFatalAppExit;
        default:
            return kFatalAppExit;
    }
}

size_t CaptureFrames(Frame* frames, size_t capacity) {
    UnwindState state{frames, capacity, 0};
    _Unwind_Backtrace(CollectFrame, &state);
    return state.count;
}

std::optional<LogicalAddress> ModuleOf(uintptr_t address) {
    SegmentSearch search;
    search.address = address;
    dl_iterate_phdr(FindSegment, &search);
    if (!search.found) {
        return std::nullopt;
    }
    // The program itself is listed without a name.
    if (search.result.modulePath.empty()) {
        search.result.modulePath = ProgramPath();
    }
    return search.result;
}

std::optional<Symbol> SymbolOf(uintptr_t address) {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(address), &info) == 0 || info.dli_sname == nullptr ||
        info.dli_saddr == nullptr) {
        return std::nullopt;
    }
    Symbol symbol;
    symbol.name = Demangle(info.dli_sname).value_or(info.dli_sname);
    symbol.displacement = address - reinterpret_cast<uintptr_t>(info.dli_saddr);
    return symbol;
}

std::optional<std::string> Demangle(const std::string& name) {
    if (name.compare(0, 2, "_Z") != 0) {
        return std::nullopt;
    }
    int status = 0;
    char* text = abi::__cxa_demangle(name.c_str(), nullptr, nullptr, &status);
    if (text == nullptr || status != 0) {
        std::free(text);
        return std::nullopt;
    }
    std::string result(text);
    std::free(text);
    return result;
}

bool ReadWord(uintptr_t address, uintptr_t& value) {
    // The kernel copies the word, so an unmapped address is an error rather than a fault.
    uintptr_t word = 0;
    iovec local{&word, sizeof word};
    iovec remote{reinterpret_cast<void*>(address), sizeof word};
    if (process_vm_readv(getpid(), &local, 1, &remote, 1, 0) != static_cast<ssize_t>(sizeof word)) {
        return false;
    }
    value = word;
    return true;
}

SystemVersion GetSystemVersion() {
    SystemVersion version;
    utsname names{};
    if (uname(&names) != 0) {
        return version;
    }
    version.name = names.sysname;
    version.release = names.release;
    version.build = names.version;
    version.machine = names.machine;
    return version;
}

void EndProcess(int signal) {
    // The report replaces the core dump; nor should a system crash reporter step in.
    rlimit limit{};
    if (getrlimit(RLIMIT_CORE, &limit) == 0) {
        limit.rlim_cur = 0;
        setrlimit(RLIMIT_CORE, &limit);
    }
    if (signal > 0) {
        struct sigaction action {};
        action.sa_handler = SIG_DFL;
        sigemptyset(&action.sa_mask);
        sigaction(signal, &action, nullptr);
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, signal);
        pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
        raise(signal);
    }
    _exit(128 + (signal > 0 ? signal : 0));
}

}  // namespace platform::crash

#include "platform/Crash.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

#include "platform/Process.h"

namespace platform::crash {
namespace {

constexpr uintptr_t kStack = 0x7FFC00100000;

TEST(CrashCodeTest, MemoryFaultsAreAccessViolationsUnlessAtTheStack) {
    EXPECT_EQ(ExceptionCode(SIGSEGV, SEGV_MAPERR, 0, kStack), kAccessViolation);
    EXPECT_EQ(ExceptionCode(SIGSEGV, SEGV_ACCERR, 0x401000, kStack), kAccessViolation);
    EXPECT_EQ(ExceptionCode(SIGSEGV, SEGV_MAPERR, kStack - 8, kStack), kStackOverflow);
    EXPECT_EQ(ExceptionCode(SIGSEGV, SEGV_MAPERR, kStack + 0x100, kStack), kStackOverflow);
    EXPECT_EQ(ExceptionCode(SIGSEGV, SEGV_MAPERR, kStack - 0x20000, kStack), kAccessViolation);
    // A sent signal carries no fault address, whatever the record holds.
    EXPECT_EQ(ExceptionCode(SIGSEGV, SI_TKILL, kStack - 8, kStack), kAccessViolation);
}

TEST(CrashCodeTest, ArithmeticInstructionAndBusFaults) {
    EXPECT_EQ(ExceptionCode(SIGFPE, FPE_INTDIV, 0, 0), kIntegerDivideByZero);
    EXPECT_EQ(ExceptionCode(SIGFPE, FPE_INTOVF, 0, 0), kIntegerOverflow);
    EXPECT_EQ(ExceptionCode(SIGFPE, FPE_FLTDIV, 0, 0), kFloatDivideByZero);
    EXPECT_EQ(ExceptionCode(SIGFPE, FPE_FLTOVF, 0, 0), kFloatOverflow);
    EXPECT_EQ(ExceptionCode(SIGFPE, FPE_FLTUND, 0, 0), kFloatUnderflow);
    EXPECT_EQ(ExceptionCode(SIGFPE, FPE_FLTRES, 0, 0), kFloatInexactResult);
    EXPECT_EQ(ExceptionCode(SIGFPE, FPE_FLTINV, 0, 0), kFloatInvalidOperation);
    EXPECT_EQ(ExceptionCode(SIGFPE, SI_USER, 0, 0), kIntegerDivideByZero);
    EXPECT_EQ(ExceptionCode(SIGILL, ILL_ILLOPC, 0, 0), kIllegalInstruction);
    EXPECT_EQ(ExceptionCode(SIGILL, ILL_PRVOPC, 0, 0), kPrivilegedInstruction);
    EXPECT_EQ(ExceptionCode(SIGBUS, BUS_ADRALN, 0x1001, kStack), kDataTypeMisalignment);
    EXPECT_EQ(ExceptionCode(SIGBUS, BUS_ADRERR, 0x1000, kStack), kInPageError);
    EXPECT_EQ(ExceptionCode(SIGTRAP, TRAP_BRKPT, 0, 0), kBreakpoint);
    EXPECT_EQ(ExceptionCode(SIGABRT, SI_TKILL, 0, 0), kFatalAppExit);
}

TEST(CrashLookupTest, OwnCodeLiesInTheProgramsLoadableSegments) {
    const auto where = ModuleOf(reinterpret_cast<uintptr_t>(&ExceptionCode));
    ASSERT_TRUE(where.has_value());
    EXPECT_EQ(where->modulePath, ProgramPath());
    EXPECT_GE(where->section, 1u);
    EXPECT_FALSE(ModuleOf(0).has_value());
}

TEST(CrashLookupTest, ExportedSymbolsAreNamedAndDemangled) {
    const auto symbol = SymbolOf(reinterpret_cast<uintptr_t>(&std::abort));
    ASSERT_TRUE(symbol.has_value());
    EXPECT_EQ(symbol->name, "abort");
    EXPECT_EQ(symbol->displacement, 0u);

    EXPECT_EQ(Demangle("_ZN4Vesk12CrashHandler7InstallEv").value_or(""),
              "Vesk::CrashHandler::Install()");
    EXPECT_FALSE(Demangle("main").has_value());
    EXPECT_FALSE(Demangle("_Z").has_value());
}

TEST(CrashLookupTest, ReadWordFailsOnUnmappedMemoryInsteadOfFaulting) {
    const uintptr_t word = 0x1122334455667788;
    uintptr_t value = 0;
    EXPECT_TRUE(ReadWord(reinterpret_cast<uintptr_t>(&word), value));
    EXPECT_EQ(value, word);
    value = 7;
    EXPECT_FALSE(ReadWord(8, value));
    EXPECT_EQ(value, 7u);
}

TEST(CrashLookupTest, CaptureFramesSeesTheCallers) {
    Frame frames[8];
    const size_t count = CaptureFrames(frames, 8);
    ASSERT_GE(count, 2u);
    for (size_t i = 0; i < count; ++i) {
        EXPECT_NE(frames[i].frame, 0u);
    }
    EXPECT_EQ(CaptureFrames(frames, 1), 1u);
    EXPECT_FALSE(GetSystemVersion().name.empty());
}

TEST(CrashInstallTest, InstallAndUninstallPutTheActionsBack) {
    struct sigaction before {};
    sigaction(SIGABRT, nullptr, &before);
    ASSERT_TRUE(Install([](const FaultRecord&) {}));
    EXPECT_TRUE(IsInstalled());
    struct sigaction during {};
    sigaction(SIGABRT, nullptr, &during);
    EXPECT_NE(during.sa_flags & SA_ONSTACK, 0);
    Uninstall();
    EXPECT_FALSE(IsInstalled());
    struct sigaction after {};
    sigaction(SIGABRT, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

}  // namespace
}  // namespace platform::crash

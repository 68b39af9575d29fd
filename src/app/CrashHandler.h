#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Crash.h"

namespace Vesk {

class VeskAppBase;

// Turns a fault that nothing else handled into a plain-text crash report (exception, module
// and logical address, call stack, registers, system versions, the application's own text),
// writes it to "crash.txt" in the current directory, copies it to the clipboard, closes a demo
// being recorded so that it survives, and hands report and title to the crash windows. The
// process then ends by the fault's signal, without a core dump.
//
// Everything runs on the crashing thread inside the signal handler; only the first fault is
// handled, and a fault while reporting ends the process at once. A fault on another thread
// while the application shuts down gets report and demo written, but no windows.
class CrashHandler {
public:
    using FaultRecord = platform::crash::FaultRecord;

    // What the report learns about the crashed process. The live one asks the platform layer;
    // tests give fixed answers.
    class Inspector {
    public:
        virtual ~Inspector() = default;
        virtual std::optional<platform::crash::LogicalAddress> ModuleOf(
            uintptr_t address) const = 0;
        virtual std::optional<platform::crash::Symbol> SymbolOf(uintptr_t address) const = 0;
        // False when the word is not readable.
        virtual bool ReadWord(uintptr_t address, uintptr_t& value) const = 0;
        // The system block of the report.
        virtual std::string SysInfo() const = 0;
    };

    struct Report {
        std::string text;
        std::string title;
    };

    // The crash windows: show report and title, return once the player has closed them.
    using CrashWindowFunction = void (*)(const std::string& report, const std::string& title);

    // The frame-chain walk stops after this many frames even when the chain goes on.
    static constexpr int kMaxChainFrames = 256;

    static bool Install();
    // Puts the previous fault handling back.
    static void Uninstall();

    // The fault filter; the process ends when it returns.
    static void UnhandledExceptionFilter(const FaultRecord& fault);
    // Builds, writes and shows the report of a fault, and saves the application's demo.
    static void HandleException(const FaultRecord& fault);

    // The report of a fault up to the system block, and its title.
    static Report BuildReport(const FaultRecord& fault, const Inspector& inspector);
    // The name of an exception code, or nullptr for a code the report does not know.
    static const char* GetExceptionName(uint32_t code);
    // The call stack from the unwound frames, with symbols where known; empty without frames.
    static std::string StackWalkText(const FaultRecord& fault, const Inspector& inspector);
    // The call stack by following saved frame pointers from a program counter and frame pointer.
    static std::string FrameChainText(uintptr_t pc, uintptr_t framePointer,
                                      const Inspector& inspector);
    static std::string RegisterText(const platform::crash::Registers& registers);
    static std::string GetSysInfo();
    static bool GetLogicalAddress(uintptr_t address, std::string& modulePath, uint32_t& section,
                                  uint32_t& offset);

    // Names the "ssss:oooooooo" addresses of the report from the first "*.map" file in the
    // current directory; the report is unchanged without one.
    static std::string AnnotateFromMapFile(const std::string& report);
    // The same with the map file's text.
    static std::string AnnotateWithMap(const std::string& report, std::string_view mapText);
    // Hexadecimal digits, at most 8; an empty text is 0. On a bad digit the result holds the
    // sum of the digits before it.
    static bool HexToUInt(std::string_view text, uint32_t& value);

    // Writes the report and a newline to "crash.txt" in the current directory.
    static bool WriteCrashFile(const std::string& report);

    // Appends the application's crash text to the report.
    static void AddApplicationText(VeskAppBase& app, std::string& report);
    // Closes and writes a demo being recorded and picks the upload's attachment; switches
    // recording and playing off.
    static void SaveDemoAndAttachment(VeskAppBase& app);

    // The crash windows are a separate piece that registers itself here; without them the
    // process ends right after the report is written.
    static void SetCrashWindow(CrashWindowFunction function);
    static void ShowCrashWindow(const std::string& report, const std::string& title);

    // The file to attach to a report upload. Kept in storage that is never destroyed, so a
    // crash late in the exit still finds it.
    static const std::string& GetAttachmentPath();
    static bool HasAttachment();
};

}  // namespace Vesk

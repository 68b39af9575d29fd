#include "app/CrashHandler.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <utility>

#include "app/VeskAppBase.h"
#include "platform/FileSystem.h"
#include "util/Common.h"

namespace Vesk {
namespace {

struct ExceptionName {
    uint32_t code;
    const char* name;
};

constexpr ExceptionName kExceptionNames[] = {
    {0x40000005, "Segment Notification"},
    {0x80000003, "Breakpoint"},
    {0x80000004, "Single step"},
    {0x00000000, "Wait 0"},
    {0x00000080, "Abandoned Wait 0"},
    {0x000000C0, "User APC"},
    {0x00000102, "Timeout"},
    {0x00000103, "Pending"},
    {0x80000001, "Guard Page Violation"},
    {0x80000002, "Data Type Misalignment"},
    {0xC0000005, "Access Violation"},
    {0xC0000006, "In Page Error"},
    {0xC0000017, "No Memory"},
    {0xC000001D, "Illegal Instruction"},
    {0xC0000025, "Noncontinuable Exception"},
    {0xC0000026, "Invalid Disposition"},
    {0xC000008C, "Array Bounds Exceeded"},
    {0xC000008D, "Float Denormal Operand"},
    {0xC000008E, "Divide by Zero"},
    {0xC000008F, "Float Inexact Result"},
    {0xC0000090, "Float Invalid Operation"},
    {0xC0000091, "Float Overflow"},
    {0xC0000092, "Float Stack Check"},
    {0xC0000093, "Float Underflow"},
    {0xC0000094, "Integer Divide by Zero"},
    {0xC0000095, "Integer Overflow"},
    {0xC0000096, "Privileged Instruction"},
    {0xC00000FD, "Stack Overflow"},
    {0xC000013A, "Ctrl+C Exit"},
};

// The long-form demo event that ends a recording cut short by a crash.
constexpr int kDemoNoActionCode = 31;

using ULL = unsigned long long;

class LiveInspector : public CrashHandler::Inspector {
public:
    std::optional<platform::crash::LogicalAddress> ModuleOf(uintptr_t address) const override {
        return platform::crash::ModuleOf(address);
    }
    std::optional<platform::crash::Symbol> SymbolOf(uintptr_t address) const override {
        return platform::crash::SymbolOf(address);
    }
    bool ReadWord(uintptr_t address, uintptr_t& value) const override {
        return platform::crash::ReadWord(address, value);
    }
    std::string SysInfo() const override { return CrashHandler::GetSysInfo(); }
};

struct Attachment {
    std::string path;
    bool present = false;
};

Attachment& AttachmentState() {
    // Never destroyed: the handler may run after the exit list has torn globals down.
    static Attachment* state = new Attachment;
    return *state;
}

std::atomic<CrashHandler::CrashWindowFunction> gCrashWindow{nullptr};

// The application's clipboard and demo-event calls, used once the application offers them.
template <class App>
void CopyReportToClipboard(App& app, const std::string& report) {
    if constexpr (requires { app.CopyToClipboard(report); }) {
        app.CopyToClipboard(report);
    }
}

template <class App>
void WriteDemoClosingEvent(App& app) {
    if constexpr (requires { app.WriteDemoEventHeader(); }) {
        app.WriteDemoEventHeader();
        app.mDemoBuffer.WriteNumBits(0, 1);
        app.mDemoBuffer.WriteNumBits(kDemoNoActionCode, 5);
    }
}

// The name after the last separator, extension included.
std::string ModuleFileName(const std::string& path) {
    const size_t separator = path.find_last_of("/\\");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

platform::crash::LogicalAddress LogicalOrNone(const CrashHandler::Inspector& inspector,
                                              uintptr_t address) {
    return inspector.ModuleOf(address).value_or(platform::crash::LogicalAddress{});
}

// ---- Map files ----
//
// A map file names the code at logical addresses (section = 1-based loadable segment of the
// module, offset from that segment's start), in the linker map layout:
//
//  - a symbol line: at least 23 characters, 4 hex digits of section at index 1, ':' at index 5,
//    8 hex digits of offset at index 6, a blank at index 20 and the (possibly mangled) name
//    from index 21 to the next blank:
//        " 0001:00000010       _ZN4Vesk5Board6UpdateEv    0000000000401010 f   Board.o"
//  - a line that starts with "Line numbers" opens a block of line entries for the source file
//    named between its first "(" and its last ")":
//        "Line numbers for Board.o(src/game/core/Board.cpp) segment .text"
//  - in a block, lines made of 20-character entries (up to four per line): a 6-character line
//    number, a blank, 4 hex digits of section, ':' and 8 hex digits of offset:
//        "    12 0001:00000010    13 0001:0000001A"
//
// Other lines are ignored. Entries must be listed in address order only as far as the lookup
// takes the nearest entry at or below an address.

struct MapKey {
    uint32_t section = 0;
    uint32_t offset = 0;
    auto operator<=>(const MapKey&) const = default;
};

struct LineEntry {
    std::string file;
    int line = 0;
};

struct MapTables {
    std::map<MapKey, std::string> symbols;
    std::map<MapKey, LineEntry> lines;
};

constexpr size_t kLineEntryWidth = 20;
constexpr size_t kLineEntriesPerLine = 4;

bool ParseKey(std::string_view sectionText, std::string_view offsetText, MapKey& key) {
    return CrashHandler::HexToUInt(sectionText, key.section) &&
           CrashHandler::HexToUInt(offsetText, key.offset);
}

void ReadLineEntries(std::string_view line, const std::string& file, MapTables& tables) {
    if (line.empty() || line.size() % kLineEntryWidth != 0 ||
        line.size() > kLineEntryWidth * kLineEntriesPerLine) {
        return;
    }
    for (size_t at = 0; at < line.size(); at += kLineEntryWidth) {
        const std::string_view entry = line.substr(at, kLineEntryWidth);
        MapKey key;
        if (!ParseKey(entry.substr(7, 4), entry.substr(12, 8), key)) {
            continue;
        }
        const int number = std::atoi(std::string(entry.substr(0, 6)).c_str());
        tables.lines.emplace(key, LineEntry{file, number});
    }
}

MapTables ReadMap(std::string_view text) {
    MapTables tables;
    bool inLineBlock = false;
    std::string lineFile;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }

        if (line.starts_with("Line numbers")) {
            inLineBlock = true;
            const size_t open = line.find('(');
            const size_t close = line.rfind(')');
            lineFile =
                open != std::string_view::npos && close != std::string_view::npos && close > open
                    ? std::string(line.substr(open + 1, close - open - 1))
                    : std::string();
            continue;
        }
        MapKey key;
        if (line.size() >= 23 && line[5] == ':' && line[20] == ' ' &&
            ParseKey(line.substr(1, 4), line.substr(6, 8), key)) {
            const size_t nameEnd = line.find(' ', 21);
            const std::string_view name = line.substr(
                21, nameEnd == std::string_view::npos ? std::string_view::npos : nameEnd - 21);
            if (!name.empty()) {
                tables.symbols.emplace(key, std::string(name));
            }
            continue;
        }
        if (inLineBlock) {
            ReadLineEntries(line, lineFile, tables);
        }
    }
    return tables;
}

// The entry at or below the address in the same section; none below the first entry or
// beyond the last one.
template <class T>
const std::pair<const MapKey, T>* FindEntry(const std::map<MapKey, T>& table, const MapKey& key,
                                            uint32_t& distance) {
    auto it = table.lower_bound(key);
    if (it == table.end()) {
        return nullptr;
    }
    if (it->first != key) {
        if (it == table.begin()) {
            return nullptr;
        }
        --it;
    }
    if (it->first.section != key.section) {
        return nullptr;
    }
    distance = key.offset - it->first.offset;
    return &*it;
}

}  // namespace

bool CrashHandler::Install() {
    return platform::crash::Install(&UnhandledExceptionFilter);
}

void CrashHandler::Uninstall() {
    platform::crash::Uninstall();
}

void CrashHandler::UnhandledExceptionFilter(const FaultRecord& fault) {
    HandleException(fault);
}

void CrashHandler::HandleException(const FaultRecord& fault) {
    const LiveInspector inspector;
    Report report = BuildReport(fault, inspector);
    // On disk before the application is asked anything: when its state is what broke, the
    // second fault ends the process with the report already written.
    WriteCrashFile(report.text);

    VeskAppBase* app = gVeskAppBase;
    // Another thread's fault while the application shuts down: the main thread may be waiting
    // for the faulting one while it holds what the window, clipboard and music calls take, and
    // no player is left to answer a crash window. Report and demo are written, and the process
    // ends with the watchdog still on.
    const bool quiet = app != nullptr && app->mShutdown && fault.threadId != app->mPrimaryThreadId;
    if (app != nullptr) {
        if (!quiet) {
            app->HideAppWindow();
        }
        AddApplicationText(*app, report.text);
        if (!quiet) {
            CopyReportToClipboard(*app, report.text);
        }
    }
    report.text = AnnotateFromMapFile(report.text);
    WriteCrashFile(report.text);
    if (app != nullptr) {
        SaveDemoAndAttachment(*app);
    }
    if (quiet) {
        return;
    }

    // The crash windows wait for the player for as long as it takes.
    platform::crash::CancelWatchdog();
    ShowCrashWindow(report.text, report.title);
}

CrashHandler::Report CrashHandler::BuildReport(const FaultRecord& fault,
                                               const Inspector& inspector) {
    Report report;
    std::string& text = report.text;
    if (const char* name = GetExceptionName(fault.code)) {
        text += StrFormat("Exception: %s (code 0x%x) at address %08llX in thread %X\r\n", name,
                          fault.code, static_cast<ULL>(fault.address), fault.threadId);
    } else {
        text += StrFormat("Unknown exception: (code 0x%x) at address %08llX in thread %X\r\n",
                          fault.code, static_cast<ULL>(fault.address), fault.threadId);
    }

    const platform::crash::LogicalAddress where = LogicalOrNone(inspector, fault.address);
    text += "Module: " + ModuleFileName(where.modulePath) + "\r\n";
    text += StrFormat("Logical Address: %04X:%08X\r\n", where.section, where.offset);
    text += "\r\n";
    report.title = StrFormat("Exception at %04X:%08X", where.section, where.offset);

    std::string stack = StackWalkText(fault, inspector);
    if (stack.empty()) {
        stack = FrameChainText(static_cast<uintptr_t>(fault.registers.ip),
                               static_cast<uintptr_t>(fault.registers.bp), inspector);
    }
    text += stack;
    text += "\r\n";

    text += RegisterText(fault.registers);
    text += "\r\n";
    text += inspector.SysInfo();
    return report;
}

const char* CrashHandler::GetExceptionName(uint32_t code) {
    for (const ExceptionName& entry : kExceptionNames) {
        if (entry.code == code) {
            return entry.name;
        }
    }
    return nullptr;
}

std::string CrashHandler::StackWalkText(const FaultRecord& fault, const Inspector& inspector) {
    std::string text;
    const size_t count = std::min(fault.frameCount, fault.frames.size());
    for (size_t i = 0; i < count; ++i) {
        const platform::crash::Frame& frame = fault.frames[i];
        if (frame.frame == 0 || frame.pc == 0) {
            break;
        }
        if (const auto symbol = inspector.SymbolOf(frame.pc)) {
            text += StrFormat("%08llX %08llX %s+%llX\r\n", static_cast<ULL>(frame.frame),
                              static_cast<ULL>(frame.pc), symbol->name.c_str(),
                              static_cast<ULL>(symbol->displacement));
        } else {
            const platform::crash::LogicalAddress where = LogicalOrNone(inspector, frame.pc);
            text += StrFormat("%08llX %08llX %04X:%08X %s\r\n", static_cast<ULL>(frame.frame),
                              static_cast<ULL>(frame.pc), where.section, where.offset,
                              where.modulePath.c_str());
        }
        text += StrFormat("Params: %08llX %08llX %08llX %08llX\r\n",
                          static_cast<ULL>(frame.params[0]), static_cast<ULL>(frame.params[1]),
                          static_cast<ULL>(frame.params[2]), static_cast<ULL>(frame.params[3]));
        text += "\r\n";
    }
    return text;
}

std::string CrashHandler::FrameChainText(uintptr_t pc, uintptr_t framePointer,
                                         const Inspector& inspector) {
    constexpr uintptr_t kWord = sizeof(uintptr_t);
    std::string text;
    for (int n = 0; n < kMaxChainFrames; ++n) {
        const platform::crash::LogicalAddress where = LogicalOrNone(inspector, pc);
        text += StrFormat("%08llX  %08llX  %04X:%08X %s\r\n", static_cast<ULL>(pc),
                          static_cast<ULL>(framePointer), where.section, where.offset,
                          where.modulePath.c_str());
        // The caller's frame pointer is saved at the frame pointer, the return address above it.
        uintptr_t nextFrame = 0;
        uintptr_t nextPc = 0;
        if (!inspector.ReadWord(framePointer, nextFrame) ||
            !inspector.ReadWord(framePointer + kWord, nextPc)) {
            break;
        }
        // A chain that goes down or out of alignment is not a frame chain any more.
        if (nextFrame % kWord != 0 || nextFrame <= framePointer) {
            break;
        }
        uintptr_t probe = 0;
        if (!inspector.ReadWord(nextFrame, probe) ||
            !inspector.ReadWord(nextFrame + kWord, probe)) {
            break;
        }
        pc = nextPc;
        framePointer = nextFrame;
    }
    return text;
}

std::string CrashHandler::RegisterText(const platform::crash::Registers& r) {
    // The 32-bit labels are kept so reports read the same everywhere; values are full width.
    return StrFormat("EAX:%08llX EBX:%08llX ECX:%08llX EDX:%08llX ESI:%08llX EDI:%08llX\r\n",
                     static_cast<ULL>(r.ax), static_cast<ULL>(r.bx), static_cast<ULL>(r.cx),
                     static_cast<ULL>(r.dx), static_cast<ULL>(r.si), static_cast<ULL>(r.di)) +
           StrFormat("EIP:%08llX ESP:%08llX  EBP:%08llX\r\n", static_cast<ULL>(r.ip),
                     static_cast<ULL>(r.sp), static_cast<ULL>(r.bp)) +
           StrFormat("CS:%04X SS:%04X DS:%04X ES:%04X FS:%04X GS:%04X\r\n", r.cs, r.ss, r.ds, r.es,
                     r.fs, r.gs) +
           StrFormat("Flags:%08llX\r\n", static_cast<ULL>(r.flags));
}

std::string CrashHandler::GetSysInfo() {
    // The DirectX library versions of the original block have no counterpart here.
    const platform::crash::SystemVersion version = platform::crash::GetSystemVersion();
    return (version.name.empty() ? std::string("System") : version.name) +
           " Ver: " + version.release + " " + version.build + " " + version.machine + "\r\n";
}

bool CrashHandler::GetLogicalAddress(uintptr_t address, std::string& modulePath, uint32_t& section,
                                     uint32_t& offset) {
    const auto where = platform::crash::ModuleOf(address);
    if (!where) {
        return false;
    }
    modulePath = where->modulePath;
    section = where->section;
    offset = where->offset;
    return true;
}

std::string CrashHandler::AnnotateFromMapFile(const std::string& report) {
    for (const platform::fs::DirEntry& entry : platform::fs::List(".", "*.map")) {
        if (entry.isDirectory) {
            continue;
        }
        const auto contents = platform::fs::ReadWholeFile(entry.name);
        if (!contents) {
            return report;
        }
        return AnnotateWithMap(
            report,
            std::string_view(reinterpret_cast<const char*>(contents->data()), contents->size()));
    }
    return report;
}

std::string CrashHandler::AnnotateWithMap(const std::string& report, std::string_view mapText) {
    const MapTables tables = ReadMap(mapText);
    if (tables.symbols.empty()) {
        return report;
    }
    std::string text = report;
    size_t colon = 0;
    while ((colon = text.find(':', colon)) != std::string::npos) {
        const size_t digits = std::min<size_t>(8, text.size() - colon - 1);
        MapKey key;
        uint32_t distance = 0;
        const std::pair<const MapKey, std::string>* symbol = nullptr;
        if (colon >= 4 && digits > 0 &&
            ParseKey(std::string_view(text).substr(colon - 4, 4),
                     std::string_view(text).substr(colon + 1, digits), key)) {
            symbol = FindEntry(tables.symbols, key, distance);
        }
        if (symbol == nullptr) {
            ++colon;
            continue;
        }
        std::string name = platform::crash::Demangle(symbol->second).value_or(symbol->second);
        if (distance != 0) {
            name += StrFormat("+0x%X", distance);
        }
        uint32_t lineDistance = 0;
        if (const auto* line = FindEntry(tables.lines, key, lineDistance)) {
            name += StrFormat("\r\n    %s line %d +0x%X", line->second.file.c_str(),
                              line->second.line, lineDistance);
        }
        // Exactly the parsed characters are replaced, however close to the end they are.
        text.replace(colon - 4, 4 + 1 + digits, name);
        colon = colon - 4 + name.size();
    }
    return text;
}

bool CrashHandler::HexToUInt(std::string_view text, uint32_t& value) {
    value = 0;
    if (text.size() > 8) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        uint32_t digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<uint32_t>(c - '0');
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<uint32_t>(c - 'A' + 10);
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<uint32_t>(c - 'a' + 10);
        } else {
            return false;
        }
        value += digit << (4 * (text.size() - i - 1));
    }
    return true;
}

bool CrashHandler::WriteCrashFile(const std::string& report) {
    std::FILE* file = std::fopen("crash.txt", "wb");
    if (file == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(report.data(), 1, report.size(), file) == report.size() &&
                    std::fputc('\n', file) != EOF;
    return std::fclose(file) == 0 && ok;
}

void CrashHandler::AddApplicationText(VeskAppBase& app, std::string& report) {
    const std::string text = app.GetCrashReportText();
    if (!text.empty()) {
        report += "\r\n" + text;
    }
}

void CrashHandler::SaveDemoAndAttachment(VeskAppBase& app) {
    Attachment& attachment = AttachmentState();
    if (app.mRecordingDemoBuffer) {
        WriteDemoClosingEvent(app);
        app.WriteDemoFile();
        attachment.path = app.mDemoFileName;
    }
    attachment.present = app.mRecordingDemoBuffer;
    const std::string extra = app.GetExtraInfoText();
    if (!extra.empty()) {
        attachment.path = extra;
        attachment.present = true;
    }
    app.mRecordingDemoBuffer = false;
    app.mPlayingDemoBuffer = false;
}

void CrashHandler::SetCrashWindow(CrashWindowFunction function) {
    gCrashWindow.store(function);
}

void CrashHandler::ShowCrashWindow(const std::string& report, const std::string& title) {
    if (CrashWindowFunction show = gCrashWindow.load()) {
        show(report, title);
    }
}

const std::string& CrashHandler::GetAttachmentPath() {
    return AttachmentState().path;
}

bool CrashHandler::HasAttachment() {
    return AttachmentState().present;
}

}  // namespace Vesk

#include "app/StartupGlobals.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdlib>

#include "app/CrashDialog.h"
#include "app/CrashHandler.h"
#include "app/HTTPTransfer.h"
#include "app/WidgetCrashDialogs.h"
#include "app/WidgetDevDialogs.h"
#include "util/CommonSystem.h"
#include "util/MemoryLeakTracker.h"
#include "util/ModValRegistry.h"
#include "util/Profiler.h"

namespace Vesk {

namespace {

using Global = StartupGlobals::Global;
using Step = StartupGlobals::Step;

struct Entry {
    Global global;
    const char* name;
    // Null: the object already holds its start-up value.
    void (*build)();
    // Null: nothing goes on the exit list.
    void (*teardown)();
};

std::atomic<bool> gInitialized{false};
std::atomic<StartupGlobals::Observer> gObserver{nullptr};

void Notify(Global global, Step step) {
    if (StartupGlobals::Observer observer = gObserver.load()) {
        observer(global, step);
    }
}

// The exit list takes plain functions: one per global that has a teardown.
template <Global kGlobal, void (*kUndo)()>
void TearDown() {
    kUndo();
    Notify(kGlobal, Step::TornDown);
}

void InstallCrashFilter() {
    // The window before the filter, so a fault right after it is in already gets its window.
    CrashDialog::Register();
    // The sdl backend's crash windows and demo dialogs are drawn with the widgets, so that
    // they take typed text.
    WidgetCrashDialogs::Register();
    WidgetDevDialogs::Register();
    CrashHandler::Install();
}

// What the transfer's destructor does, at this point of the exit: the object itself stays
// until the runtime's teardown, so a crash handled later on the exit still finds it whole.
void StopHTTPTransfer() {
    gHTTPTransfer.Abort();
    gHTTPTransfer.WaitFor();
}

// Each build step of an object made on first use makes it now.
constexpr std::array<Entry, StartupGlobals::kGlobalCount> kEntries{{
    {Global::CrashFilter, "crash filter", &InstallCrashFilter,
     &TearDown<Global::CrashFilter, &CrashHandler::Uninstall>},
    // Constant-initialised.
    {Global::PerfTimer, "perf timer", nullptr, nullptr},
    // A static object, never null.
    {Global::PakInterface, "pak interface", nullptr, nullptr},
    // The report, its title and the player's text belong to the crash window of each crash.
    {Global::CrashReportTitle, "crash report title", nullptr, nullptr},
    {Global::CrashReportText, "crash report text", nullptr, nullptr},
    {Global::CrashUserText, "crash user text", nullptr, nullptr},
    {Global::CrashAttachmentPath, "crash attachment path",
     [] { static_cast<void>(CrashHandler::GetAttachmentPath()); }, nullptr},
    // Took transfer id 1 when it was built; the counter is constant-initialised.
    {Global::HTTPTransfer, "HTTP transfer", nullptr,
     &TearDown<Global::HTTPTransfer, &StopHTTPTransfer>},
    // The window texts are constants.
    {Global::CrashWindowHeader, "crash window header", nullptr, nullptr},
    {Global::ReportServer, "report server",
     [] { static_cast<void>(CrashDialog::GetReportServer()); }, nullptr},
    {Global::SubmitWindowHeader, "submit window header", nullptr, nullptr},
    {Global::ConnectionFailureText, "connection failure text", nullptr, nullptr},
    // Sections and samples share one profiler state.
    {Global::ProfilerSections, "profiler section map", [] { static_cast<void>(IsProfiling()); },
     nullptr},
    {Global::ProfilerSamples, "profiler sample list", nullptr, nullptr},
    {Global::LeakTracker, "leak tracker", &MemoryLeakTracker::Init,
     &TearDown<Global::LeakTracker, &MemoryLeakTracker::Shutdown>},
    // Constant-initialised with seed 4357; nothing here may draw from it.
    {Global::MersenneTwister, "Mersenne twister", nullptr, nullptr},
    {Global::DataFolder, "data folder", [] { static_cast<void>(GetAppDataFolder()); }, nullptr},
    {Global::ModValTable, "live-tweak value table",
     [] { static_cast<void>(ModValRegistry::Instance()); }, nullptr},
    // Constant-initialised, as are the Direct3D error text, the pool and the dialog words;
    // the empty image and the font lock are built by the runtime before the entry function.
    {Global::ColorBlack, "black", nullptr, nullptr},
    {Global::ColorWhite, "white", nullptr, nullptr},
    {Global::D3DErrorText, "Direct3D error text", nullptr, nullptr},
    {Global::EmptyImage, "empty image", nullptr, nullptr},
    {Global::FontDrawLock, "font draw lock", nullptr, nullptr},
    {Global::RenderCommandPool, "render command pool", nullptr, nullptr},
    {Global::DialogButtonYes, "dialog word YES", nullptr, nullptr},
    {Global::DialogButtonNo, "dialog word NO", nullptr, nullptr},
    {Global::DialogButtonOk, "dialog word OK", nullptr, nullptr},
    {Global::DialogButtonCancel, "dialog word CANCEL", nullptr, nullptr},
}};

constexpr bool EntriesInOrder() {
    for (size_t row = 0; row < kEntries.size(); ++row) {
        if (static_cast<size_t>(kEntries[row].global) != row + 1) {
            return false;
        }
    }
    return true;
}
static_assert(EntriesInOrder(), "one entry per global, in construction order");

const Entry* FindEntry(Global global) {
    const int row = static_cast<int>(global) - 1;
    if (row < 0 || row >= StartupGlobals::kGlobalCount) {
        return nullptr;
    }
    return &kEntries[static_cast<size_t>(row)];
}

}  // namespace

bool StartupGlobals::Init() {
    if (gInitialized.exchange(true)) {
        return false;
    }
    for (size_t row = 0; row < kEntries.size(); ++row) {
        const Entry& entry = kEntries[row];
        if (entry.build != nullptr) {
            entry.build();
        }
        Notify(entry.global, Step::Built);
        // Registered right after the build, so exit undoes the steps in reverse, interleaved
        // correctly with the runtime's teardown of the objects made on first use above.
        if (entry.teardown != nullptr) {
            std::atexit(entry.teardown);
        }
    }
    return true;
}

bool StartupGlobals::IsInitialized() {
    return gInitialized.load();
}

void StartupGlobals::SetObserver(Observer observer) {
    gObserver.store(observer);
}

const char* StartupGlobals::GetName(Global global) {
    const Entry* entry = FindEntry(global);
    return entry == nullptr ? "" : entry->name;
}

bool StartupGlobals::HasExitTeardown(Global global) {
    const Entry* entry = FindEntry(global);
    return entry != nullptr && entry->teardown != nullptr;
}

}  // namespace Vesk

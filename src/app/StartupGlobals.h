#pragma once

namespace Vesk {

// The framework's process-wide objects, brought up in one fixed order by the entry function
// before it does anything else. Each one that owns something puts its teardown on the exit
// list right after it is built, so exit undoes them in reverse: the crash filter is the first
// thing in and the last thing put back, and the HTTP transfer's worker is stopped only after
// the leak report.
//
// Most of the objects are constant-initialised or static storage of their owners and hold
// their start-up values before any code runs; their steps here only keep the order. Objects
// made on first use are made at their step, so that the runtime's own teardown of them falls
// into the same order. The texts a crash may still need (report texts, attachment path, report
// server, window texts) are constants or storage that is never destroyed, so a fault late in
// the exit still finds them.
class StartupGlobals {
public:
    // In construction order.
    enum class Global {
        CrashFilter = 1,
        PerfTimer,
        PakInterface,
        CrashReportTitle,
        CrashReportText,
        CrashUserText,
        CrashAttachmentPath,
        HTTPTransfer,
        CrashWindowHeader,
        ReportServer,
        SubmitWindowHeader,
        ConnectionFailureText,
        ProfilerSections,
        ProfilerSamples,
        LeakTracker,
        MersenneTwister,
        DataFolder,
        ModValTable,
        ColorBlack,
        ColorWhite,
        D3DErrorText,
        EmptyImage,
        FontDrawLock,
        RenderCommandPool,
        DialogButtonYes,
        DialogButtonNo,
        DialogButtonOk,
        DialogButtonCancel,
    };
    static constexpr int kGlobalCount = 28;

    enum class Step { Built, TornDown };
    // Told right after each step, including the teardowns at exit.
    using Observer = void (*)(Global global, Step step);

    // Once per process, on the main thread, first thing in the entry function. Answers false
    // and does nothing when the globals are already up.
    static bool Init();
    static bool IsInitialized();

    // For tests; null removes the observer.
    static void SetObserver(Observer observer);

    static const char* GetName(Global global);
    // True for the globals whose teardown Init puts on the exit list.
    static bool HasExitTeardown(Global global);
};

}  // namespace Vesk

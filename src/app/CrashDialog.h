#pragma once

#include <atomic>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "platform/CrashDialogs.h"

namespace Vesk {

class HTTPTransfer;
class VeskAppBase;

// The crash windows and the report upload. The crash window shows the report; with a report
// server known, "Send Report" leads to the description window and then to the progress window
// while the report, the description and the demo recording go to the server as a multipart
// POST through an HTTP transfer. A failed upload offers Retry and Cancel.
//
// Threads: the windows run on the crashing thread; the request is built and handed to the
// transfer on a thread of its own, and the progress window learns the outcome by polling the
// transfer's result.
class CrashDialog : private platform::CrashDialogs::ProgressHandler {
public:
    static constexpr std::string_view kCrashHeader = "An unexpected error has occured!";
    static constexpr std::string_view kSubmitHeader =
        "Please help out by providing as much information as you can about this crash.";
    static constexpr std::string_view kConnectionFailure = "Failed to connect to server.";
    static constexpr std::string_view kConnectionFailedTitle = "Connection Failed";
    static constexpr std::string_view kProgressText = "Please Wait";
    static constexpr std::string_view kBoundary = "---------------------------7d3e1f30eec";

    // Everything one upload sends.
    struct Upload {
        std::string server;
        std::map<std::string, std::string> extraFields;  // sent first, in name order
        std::string product;
        std::string version;
        std::string userText;
        std::string errorTitle;
        std::string errorText;
        std::optional<std::string> attachment;  // the demo file's bytes
    };

    // What the windows work with. The application may be absent (a crash before or after it
    // lived): the report can then not be sent.
    struct Setup {
        platform::CrashDialogs& dialogs;
        HTTPTransfer& transfer;
        VeskAppBase* app = nullptr;
        std::string server;
        std::string attachmentPath;
        bool hasAttachment = false;
    };

    explicit CrashDialog(Setup setup);
    ~CrashDialog() override;
    CrashDialog(const CrashDialog&) = delete;
    CrashDialog& operator=(const CrashDialog&) = delete;

    // Shows the windows from the crash window on; returns once they are all closed.
    void Run(const std::string& report, const std::string& title);

    const std::string& GetReportText() const { return mReportText; }
    const std::string& GetReportTitle() const { return mReportTitle; }
    const std::string& GetUserText() const { return mUserText; }

    // The crash handler's crash window: the process's crash windows, application, transfer,
    // report server and attachment.
    static void ShowCrashWindow(const std::string& report, const std::string& title);
    // Makes ShowCrashWindow the crash handler's crash window.
    static void Register();

    // The server reports go to: a host name, optionally followed by ":" and a port. Empty (the
    // start) means reports are not sent and the crash window offers no upload.
    static void SetReportServer(const std::string& server);
    static std::string GetReportServer();

    static std::string BuildBody(const Upload& upload);
    // The whole request: request line, headers, empty line, body.
    static std::string BuildRequest(const Upload& upload);
    // "Please Wait" and one " ." for each second, ten to a cycle.
    static std::string ProgressText(unsigned ticks);

private:
    bool Poll() override;
    std::string Tick() override;
    void Abort() override;

    Upload CollectUpload() const;
    void SubmitReport();
    void StartSubmit();
    void JoinSubmit();
    // After a failed upload: Retry starts it again (true), Cancel ends the windows.
    bool OfferRetry();

    platform::CrashDialogs& mDialogs;
    HTTPTransfer& mTransfer;
    VeskAppBase* mApp;
    std::string mServer;
    std::string mAttachmentPath;
    bool mHasAttachment;

    std::string mReportText;
    std::string mReportTitle;
    std::string mUserText;
    unsigned mTicks = 0;

    std::thread mSubmitThread;
    // Set by the submit thread once it has handed the request over (or failed to build it);
    // until then the transfer is the submit thread's.
    std::atomic<bool> mHandedOver{false};
    std::atomic<bool> mSubmitFailed{false};
    bool mAbortRequested = false;
};

}  // namespace Vesk

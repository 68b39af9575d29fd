#include "app/CrashDialog.h"

#include <mutex>
#include <system_error>
#include <utility>

#include "app/CrashHandler.h"
#include "app/HTTPTransfer.h"
#include "app/VeskAppBase.h"
#include "util/Buffer.h"

namespace Vesk {

namespace {

struct ServerState {
    std::mutex lock;
    std::string server;
};

ServerState& Server() {
    // Never destroyed: a crash late in the exit still finds it.
    static ServerState* state = new ServerState;
    return *state;
}

void AppendPartStart(std::string& body) {
    body += "--";
    body += CrashDialog::kBoundary;
    body += "\r\n";
}

void AppendField(std::string& body, std::string_view name, std::string_view value) {
    AppendPartStart(body);
    body += "Content-Disposition: form-data; name=\"";
    body += name;
    body += "\"\r\n\r\n";
    body += value;
    body += "\r\n";
}

}  // namespace

CrashDialog::CrashDialog(Setup setup)
    : mDialogs(setup.dialogs),
      mTransfer(setup.transfer),
      mApp(setup.app),
      mServer(std::move(setup.server)),
      mAttachmentPath(std::move(setup.attachmentPath)),
      mHasAttachment(setup.hasAttachment) {}

CrashDialog::~CrashDialog() {
    JoinSubmit();
}

void CrashDialog::Run(const std::string& report, const std::string& title) {
    mReportTitle = title;
    mReportText = report;
    mUserText.clear();

    const bool sendVisible = !mServer.empty();
    const bool sendEnabled = mApp != nullptr;
    if (mDialogs.Report(kCrashHeader, mReportText, sendVisible, sendEnabled) !=
        platform::CrashDialogs::ReportChoice::Send) {
        return;
    }
    platform::CrashDialogs::SubmitAnswer answer = mDialogs.Submit(kSubmitHeader);
    if (!answer.proceed) {
        return;
    }
    mUserText = std::move(answer.userText);
    if (mUserText.size() > platform::CrashDialogs::kMaxUserText) {
        mUserText.resize(platform::CrashDialogs::kMaxUserText);
    }

    mTicks = 0;
    StartSubmit();
    mDialogs.Progress(kProgressText, *this);
    JoinSubmit();
}

void CrashDialog::ShowCrashWindow(const std::string& report, const std::string& title) {
    CrashDialog dialog(Setup{platform::GetCrashDialogs(), gHTTPTransfer, gVeskAppBase,
                             GetReportServer(), CrashHandler::GetAttachmentPath(),
                             CrashHandler::HasAttachment()});
    dialog.Run(report, title);
}

void CrashDialog::Register() {
    CrashHandler::SetCrashWindow(&CrashDialog::ShowCrashWindow);
}

void CrashDialog::SetReportServer(const std::string& server) {
    ServerState& state = Server();
    std::lock_guard<std::mutex> lock(state.lock);
    state.server = server;
}

std::string CrashDialog::GetReportServer() {
    ServerState& state = Server();
    std::lock_guard<std::mutex> lock(state.lock);
    return state.server;
}

std::string CrashDialog::BuildBody(const Upload& upload) {
    std::string body;
    for (const auto& [name, value] : upload.extraFields) {
        AppendField(body, name, value);
    }
    AppendField(body, "prod", upload.product);
    AppendField(body, "version", upload.version);
    AppendField(body, "usertext", upload.userText);
    AppendField(body, "errortitle", upload.errorTitle);
    AppendField(body, "errortext", upload.errorText);
    if (upload.attachment) {
        AppendPartStart(body);
        body += "Content-Disposition: form-data; name=\"demofile\"; filename=\"mobrix.dmo\"\r\n";
        body += "Content-Type: application/octet-stream\r\n";
        body += "\r\n";
        body += *upload.attachment;
        body += "\r\n";
    }
    body += "--";
    body += kBoundary;
    body += "--\r\n";
    return body;
}

std::string CrashDialog::BuildRequest(const Upload& upload) {
    const std::string body = BuildBody(upload);
    std::string request =
        "POST /deluxe_error.php HTTP/1.1\r\nContent-Type: multipart/form-data; boundary=";
    request += kBoundary;
    request += "\r\nUser-Agent: Mozilla/4.0 (compatible; mobrix)\r\n";
    request += "Host: " + upload.server + "\r\n";
    // Decimal, as "%d" writes it, without its 31-bit limit.
    request += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    request += "Connection: close\r\n";
    request += "\r\n";
    request += body;
    return request;
}

std::string CrashDialog::ProgressText(unsigned ticks) {
    std::string text(kProgressText);
    for (unsigned i = 0; i < ticks % 10; ++i) {
        text += " .";
    }
    return text;
}

bool CrashDialog::Poll() {
    if (!mHandedOver.load(std::memory_order_acquire)) {
        return true;
    }
    JoinSubmit();
    if (mSubmitFailed.load(std::memory_order_acquire)) {
        return !mAbortRequested && OfferRetry();
    }
    // An Abort pressed while the request was still being built reaches the transfer now.
    if (mAbortRequested) {
        mTransfer.Abort();
    }
    switch (mTransfer.GetResultCode()) {
        case HTTPTransfer::RESULT_IDLE:
        case HTTPTransfer::RESULT_RUNNING:
            return true;
        case HTTPTransfer::RESULT_DONE:
        case HTTPTransfer::RESULT_ABORTED:
            return false;
        default:
            return OfferRetry();
    }
}

std::string CrashDialog::Tick() {
    ++mTicks;
    return ProgressText(mTicks);
}

void CrashDialog::Abort() {
    mAbortRequested = true;
    if (mHandedOver.load(std::memory_order_acquire)) {
        mTransfer.Abort();
    }
}

bool CrashDialog::OfferRetry() {
    mTransfer.Reset();
    if (mDialogs.RetryCancel(kConnectionFailure, kConnectionFailedTitle) !=
        platform::CrashDialogs::kRetry) {
        return false;
    }
    StartSubmit();
    return true;
}

CrashDialog::Upload CrashDialog::CollectUpload() const {
    Upload upload;
    upload.server = mServer;
    if (mApp != nullptr) {
        mApp->GetCrashFormFields(upload.extraFields);
        upload.product = mApp->mProdName;
        upload.version = mApp->mProductVersion;
    }
    upload.userText = mUserText;
    upload.errorTitle = mReportTitle;
    upload.errorText = mReportText;
    if (mHasAttachment) {
        // A file that cannot be read goes as an empty part: the report itself still counts.
        Buffer buffer;
        if (mApp != nullptr) {
            mApp->ReadBufferFromFile(mAttachmentPath, &buffer, true);
        }
        upload.attachment.emplace();
        if (buffer.GetDataLen() > 0) {
            upload.attachment->assign(reinterpret_cast<const char*>(buffer.GetDataPtr()),
                                      static_cast<size_t>(buffer.GetDataLen()));
        }
    }
    return upload;
}

void CrashDialog::SubmitReport() {
    try {
        const std::string request = BuildRequest(CollectUpload());
        mTransfer.SendRequestString(mServer, request);
    } catch (...) {
        // Out of memory for the request, most likely: the player may retry or cancel.
        mSubmitFailed.store(true, std::memory_order_release);
    }
    mHandedOver.store(true, std::memory_order_release);
}

void CrashDialog::StartSubmit() {
    JoinSubmit();
    mAbortRequested = false;
    mSubmitFailed.store(false, std::memory_order_relaxed);
    mHandedOver.store(false, std::memory_order_relaxed);
    try {
        mSubmitThread = std::thread(&CrashDialog::SubmitReport, this);
    } catch (const std::system_error&) {
        mSubmitFailed.store(true, std::memory_order_relaxed);
        mHandedOver.store(true, std::memory_order_release);
    }
}

void CrashDialog::JoinSubmit() {
    if (mSubmitThread.joinable()) {
        mSubmitThread.join();
    }
}

}  // namespace Vesk

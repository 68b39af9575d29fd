#pragma once

#include <atomic>
#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>

#include "util/Buffer.h"

namespace platform {
class TcpSocket;
}

namespace Vesk {

// The demo event calls an application offers to the synchronous readers of the outside world:
// the event header writer and reader, and the held event's form, code and consumed flag.
template <class App>
concept HTTPDemoEvents = requires(App& app) {
                             app.WriteDemoEventHeader();
                             { app.ReadDemoEventHeader() } -> std::convertible_to<bool>;
                             app.mDemoHeaderNeeded = true;
                             { app.mDemoEventIsShort } -> std::convertible_to<bool>;
                             { app.mDemoEventCode } -> std::convertible_to<int>;
                         };

// A one-shot HTTP/1.x client: a transfer is prepared from a server text, handed a complete
// request and run on a worker thread of its own while the caller polls the result code. The
// answer's body is collected as text, chunked coding decoded. Result changes pass through the
// demo stream, so a played demo sees the recorded results without touching the network.
//
// Threads: the worker writes the content and the result; the caller may read the content once
// the result has left RESULT_RUNNING (the result is published after the content).
class HTTPTransfer {
public:
    enum ResultCode : int32_t {
        RESULT_DONE = 0,
        RESULT_IDLE = 1,
        RESULT_RUNNING = 2,
        RESULT_NOT_FOUND = 3,   // status 404
        RESULT_HTTP_ERROR = 4,  // any status but 200 and 404, or no status line
        RESULT_ABORTED = 5,
        RESULT_SOCKET_ERROR = 6,  // no socket, a failed wait, or an answer cut short
        RESULT_HOST_NOT_FOUND = 7,
        RESULT_CONNECT_FAILED = 8,
        RESULT_SEND_FAILED = 9,
    };

    // The demo event that carries a result: transfer id, result byte, content.
    static constexpr int kDemoEventCode = 17;
    // A wait that sees no progress for this long fails the transfer with RESULT_SOCKET_ERROR.
    static constexpr uint32_t kDefaultStallTimeoutMs = 60000;

    HTTPTransfer();
    virtual ~HTTPTransfer();
    HTTPTransfer(const HTTPTransfer&) = delete;
    HTTPTransfer& operator=(const HTTPTransfer&) = delete;

    // Prepares a transfer to the server and starts it with the request as it is: the request
    // must be complete (request line, headers, empty line, body).
    void SendRequestString(const std::string& server, const std::string& request);
    // Resets, takes a new transfer id and splits the URL into protocol, host, port and path.
    void PrepareTransfer(const std::string& url);
    void StartTransfer();
    // The worker stops within one wait slice (100 ms) and the result becomes RESULT_ABORTED.
    void Abort();
    // Stops any worker and waits for it; then idle with a new transfer id.
    void Reset();
    // Returns once the transfer has ended (or, while a demo plays, once its result is replayed
    // or the demo has run out).
    void WaitFor();
    int GetResultCode();
    // The demo passage of the result for the process's application object.
    void UpdateStatus();
    // The demo passage against a given application; a null application does nothing.
    template <class App>
    void UpdateStatusFor(App* app);

    // Valid once the result has left RESULT_RUNNING.
    const std::string& GetContent() const { return mContent; }
    int32_t GetContentLength() const { return mContentLength.load(std::memory_order_acquire); }

    int32_t GetTransferId() const { return mTransferId; }
    bool IsTransferring() const { return mTransferring.load(std::memory_order_acquire); }
    const std::string& GetURL() const { return mURL; }
    const std::string& GetProtocol() const { return mProtocol; }
    const std::string& GetHost() const { return mHost; }
    int32_t GetPort() const { return mPort; }
    const std::string& GetPath() const { return mPath; }

    // Takes effect for the next transfer.
    void SetStallTimeout(uint32_t ms) { mStallTimeoutMs = ms; }

private:
    void DoTransfer();
    void Connect(platform::TcpSocket& socket);
    void SendRequest(platform::TcpSocket& socket);
    void ReceiveAnswer(platform::TcpSocket& socket);
    // The steps of reading what has arrived of the answer (HTTPTransfer.cpp). Each takes as
    // much as it can; false when it needs more bytes, has finished, or failed the transfer.
    struct Answer;
    void ParseAnswer(Answer& answer);
    bool ReadAnswerHeader(Answer& answer);
    bool ReadAnswerChunk(Answer& answer);
    void ReadAnswerBody(Answer& answer);
    // The next line up to CR LF; false while it has not fully arrived, and a failure once it
    // is longer than any header or chunk line may be.
    bool NextAnswerLine(Answer& answer, std::string_view& line);
    bool SocketWait(platform::TcpSocket& socket, bool forRead, bool forWrite);
    void Fail(int32_t code);
    void JoinWorker();
    // Takes this transfer's result event when it is due; false once the stream has ended.
    template <class App>
    bool TakeReplayedResult(App& app);

    int32_t mTransferId;
    std::string mSendData;
    std::string mURL;
    std::string mProtocol;
    std::string mHost;
    int32_t mPort = 80;
    std::string mPath;
    std::atomic<int32_t> mContentLength{0};
    std::string mContent;
    std::atomic<bool> mTransferring{false};
    std::atomic<bool> mThreadRunning{false};
    std::atomic<bool> mStop{false};
    std::atomic<bool> mAborted{false};
    std::atomic<int32_t> mResult{RESULT_IDLE};
    int32_t mLastDemoResult = RESULT_IDLE;
    uint32_t mStallTimeoutMs = kDefaultStallTimeoutMs;
    std::thread mThread;
};

// The one transfer of the process; the crash-report upload is its user.
extern HTTPTransfer gHTTPTransfer;

template <class App>
void HTTPTransfer::UpdateStatusFor(App* app) {
    if (app == nullptr) {
        return;
    }
    if (app->mRecordingDemoBuffer) {
        const int32_t result = mResult.load(std::memory_order_acquire);
        if (result == mLastDemoResult) {
            return;
        }
        if constexpr (HTTPDemoEvents<App>) {
            app->WriteDemoEventHeader();
            Buffer& stream = app->mDemoBuffer;
            stream.WriteNumBits(0, 1);
            stream.WriteNumBits(kDemoEventCode, 5);
            stream.WriteLong(mTransferId);
            stream.WriteByte(static_cast<uint8_t>(result));
            // The content is complete once the result has left RESULT_RUNNING.
            stream.WriteString(result == RESULT_RUNNING ? std::string_view() : mContent);
        }
        mLastDemoResult = result;
    } else if (app->mPlayingDemoBuffer) {
        // A replayed final result, or a demo that has nothing more to give, ends the waiting:
        // no worker runs while a demo plays.
        if (!TakeReplayedResult(*app) ||
            mResult.load(std::memory_order_acquire) != RESULT_RUNNING) {
            mTransferring.store(false, std::memory_order_release);
        }
    }
}

template <class App>
bool HTTPTransfer::TakeReplayedResult(App& app) {
    if constexpr (HTTPDemoEvents<App>) {
        // Once closed by the user, a played demo no longer feeds synchronised calls.
        if (app.mManualShutdown) {
            return false;
        }
        Buffer& stream = app.mDemoBuffer;
        // The shortest event has 10 bits; fewer are the padding of the file's last byte.
        constexpr int32_t kMinEventBits = 10;
        if (app.mDemoHeaderNeeded &&
            stream.GetBitLength() - stream.GetReadCursor() < kMinEventBits) {
            return false;
        }
        if (!app.ReadDemoEventHeader() || app.mDemoHeaderNeeded || app.mDemoEventIsShort ||
            app.mDemoEventCode != kDemoEventCode) {
            return true;
        }
        const int32_t start = stream.GetReadCursor();
        // Id, result byte and the string's 16-bit length must all be there.
        if (stream.GetBitLength() - start < 32 + 8 + 16) {
            return false;
        }
        if (stream.ReadLong() != mTransferId) {
            stream.SetReadCursor(start);
            return true;
        }
        const uint8_t result = stream.ReadByte();
        const int32_t textStart = stream.GetReadCursor();
        const int32_t length = stream.ReadShort();
        if (length < 0 || int64_t{stream.GetBitLength()} - stream.GetReadCursor() < length * 8LL) {
            stream.SetReadCursor(start);
            return false;
        }
        stream.SetReadCursor(textStart);
        mContent = stream.ReadString();
        mResult.store(result, std::memory_order_release);
        mLastDemoResult = result;
        app.mDemoHeaderNeeded = true;
        return true;
    } else {
        // The application offers no demo events: there is nothing to replay.
        (void)app;
        return false;
    }
}

}  // namespace Vesk

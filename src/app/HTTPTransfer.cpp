#include "app/HTTPTransfer.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <system_error>

#include "app/VeskAppBase.h"
#include "platform/Socket.h"
#include "util/CommonText.h"

namespace Vesk {

HTTPTransfer gHTTPTransfer;

namespace {

// Constant-initialised, so every transfer built before main still finds it ready.
constinit std::atomic<int32_t> gNextTransferId{1};

int32_t TakeTransferId() {
    return gNextTransferId.fetch_add(1, std::memory_order_relaxed);
}

// One wait slice: the worker notices Abort within this time.
constexpr int kWaitSliceMs = 100;
constexpr size_t kReceivePiece = 256;
constexpr std::chrono::milliseconds kPollInterval{20};
// A header or chunk-size line longer than this is no answer of a web server.
constexpr size_t kMaxLineBytes = 64 * 1024;

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// atoi, with out-of-range values stuck at the limits.
int32_t ParseLeadingInt(std::string_view text) {
    const int64_t value = LeadingNumber(text, int64_t{std::numeric_limits<int32_t>::max()} + 1);
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// The size line of a chunk: hexadecimal digits with blanks around them. A size that does not
// fit a signed 32-bit count is refused rather than wrapped, so it can never pose as the final
// 0 chunk or as a negative count.
bool ParseChunkSize(std::string_view line, int32_t& size) {
    const std::string digits = Trim(line);
    if (digits.empty()) {
        return false;
    }
    int64_t value = 0;
    for (const char c : digits) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return false;
        }
        value = value * 16 + digit;
        if (value > std::numeric_limits<int32_t>::max()) {
            return false;
        }
    }
    size = static_cast<int32_t>(value);
    return true;
}

}  // namespace

HTTPTransfer::HTTPTransfer() : mTransferId(TakeTransferId()) {}

HTTPTransfer::~HTTPTransfer() {
    Abort();
    JoinWorker();
}

void HTTPTransfer::SendRequestString(const std::string& server, const std::string& request) {
    PrepareTransfer(server);
    mSendData = request;
    StartTransfer();
}

void HTTPTransfer::PrepareTransfer(const std::string& url) {
    Reset();
    mTransferId = TakeTransferId();
    mURL = url;
    mContent.clear();
    mStop = false;
    mAborted = false;
    mResult.store(RESULT_RUNNING, std::memory_order_release);
    mContentLength = 0;
    mPort = 80;
    mProtocol.clear();

    std::string_view rest = mURL;
    const size_t slashes = rest.find("//");
    if (slashes != std::string_view::npos) {
        // The text before "//" without its ":".
        mProtocol = std::string(rest.substr(0, slashes == 0 ? 0 : slashes - 1));
        rest.remove_prefix(slashes + 2);
    }
    const size_t slash = rest.find('/');
    if (slash == std::string_view::npos) {
        mHost = std::string(rest);
        mPath = "/";
    } else {
        mHost = std::string(rest.substr(0, slash));
        mPath = std::string(rest.substr(slash));
    }
    const size_t colon = mHost.find(':');
    if (colon != std::string::npos) {
        mPort = ParseLeadingInt(std::string_view(mHost).substr(colon + 1));
        mHost.erase(colon);
    }
}

void HTTPTransfer::StartTransfer() {
    // One worker per transfer: a second start while one runs would race on the same fields.
    if (mThreadRunning.load(std::memory_order_acquire)) {
        return;
    }
    JoinWorker();
    mTransferring.store(true, std::memory_order_release);
    if (gVeskAppBase != nullptr && gVeskAppBase->mPlayingDemoBuffer) {
        return;  // the result comes from the demo stream
    }
    mThreadRunning.store(true, std::memory_order_release);
    try {
        mThread = std::thread(&HTTPTransfer::DoTransfer, this);
    } catch (const std::system_error&) {
        mThreadRunning = false;
        mTransferring = false;
        mResult.store(RESULT_SOCKET_ERROR, std::memory_order_release);
    }
}

void HTTPTransfer::Abort() {
    mAborted = true;
    mStop = true;
}

void HTTPTransfer::Reset() {
    if (mThreadRunning.load(std::memory_order_acquire)) {
        Abort();
    }
    // Waiting without passing results through the demo: the abandoned transfer's last result
    // is never asked for, so a replay would find nothing to take it.
    JoinWorker();
    mTransferring = false;
    mTransferId = TakeTransferId();
    mResult.store(RESULT_IDLE, std::memory_order_release);
    mLastDemoResult = RESULT_IDLE;
    mContent.clear();
    mURL.clear();
    mSendData.clear();
    mPath.clear();
    mStop = false;
    mAborted = false;
}

void HTTPTransfer::WaitFor() {
    // Only a worker changes the result while the caller waits: while a demo plays no worker
    // runs and the demo's clock stands still, so one look at the stream is all there is.
    while (mTransferring.load(std::memory_order_acquire) &&
           mThreadRunning.load(std::memory_order_acquire)) {
        UpdateStatus();
        std::this_thread::sleep_for(kPollInterval);
    }
    UpdateStatus();
}

int HTTPTransfer::GetResultCode() {
    UpdateStatus();
    return mResult.load(std::memory_order_acquire);
}

void HTTPTransfer::UpdateStatus() {
    UpdateStatusFor(gVeskAppBase);
}

void HTTPTransfer::Fail(int32_t code) {
    mResult.store(code, std::memory_order_release);
    mStop = true;
}

void HTTPTransfer::JoinWorker() {
    if (mThread.joinable()) {
        mThread.join();
    }
}

void HTTPTransfer::DoTransfer() {
    {
        platform::TcpSocket socket;
        if (!socket.Open()) {
            Fail(RESULT_SOCKET_ERROR);
        }
        if (!mStop) {
            Connect(socket);
        }
        if (!mStop) {
            SendRequest(socket);
        }
        if (!mStop) {
            ReceiveAnswer(socket);
        }
    }
    if (mAborted) {
        mResult.store(RESULT_ABORTED, std::memory_order_release);
    } else {
        int32_t running = RESULT_RUNNING;
        mResult.compare_exchange_strong(running, RESULT_DONE, std::memory_order_acq_rel);
    }
    mTransferring.store(false, std::memory_order_release);
    mThreadRunning.store(false, std::memory_order_release);
}

void HTTPTransfer::Connect(platform::TcpSocket& socket) {
    const std::optional<platform::IPv4Address> address = platform::LookupHostIPv4(mHost);
    if (!address) {
        Fail(RESULT_HOST_NOT_FOUND);
        return;
    }
    // A port the network cannot carry would otherwise be cut to 16 bits: another server.
    if (mPort < 1 || mPort > 65535) {
        Fail(RESULT_CONNECT_FAILED);
        return;
    }
    switch (socket.Connect(*address, static_cast<uint16_t>(mPort))) {
        case platform::SocketStatus::Ok:
            return;
        case platform::SocketStatus::InProgress:
            if (!SocketWait(socket, false, true)) {
                Fail(RESULT_CONNECT_FAILED);
            } else if (!mStop && socket.ConnectResult() != platform::SocketStatus::Ok) {
                Fail(RESULT_CONNECT_FAILED);
            }
            return;
        default:
            Fail(RESULT_CONNECT_FAILED);
            return;
    }
}

void HTTPTransfer::SendRequest(platform::TcpSocket& socket) {
    while (!mSendData.empty() && !mStop) {
        if (!SocketWait(socket, false, true) || mStop) {
            return;
        }
        const platform::SocketIo io = socket.Send(mSendData.data(), mSendData.size());
        if (io.status == platform::SocketStatus::InProgress) {
            continue;  // the send buffer filled up again since the wait
        }
        if (io.status != platform::SocketStatus::Ok || io.count == 0) {
            Fail(RESULT_SEND_FAILED);
            return;
        }
        mSendData.erase(0, io.count);
    }
}

// What has arrived of the answer and how far it is read.
struct HTTPTransfer::Answer {
    std::string received;
    size_t pos = 0;
    // Bytes after pos already searched for CR LF in vain, so each byte is searched once.
    size_t searched = 0;
    bool headersDone = false;
    bool sawStatus = false;
    bool chunked = false;
    bool hasLength = false;
    // Bytes left of the chunk under way; 0 while the CR LF after a chunk is due, -1 between
    // chunks.
    int64_t chunkLeft = -1;
    bool complete = false;

    size_t Unread() const { return received.size() - pos; }
};

bool HTTPTransfer::NextAnswerLine(Answer& answer, std::string_view& line) {
    // The CR of a pair may be the last byte searched.
    const size_t end =
        answer.received.find("\r\n", answer.pos + (answer.searched > 0 ? answer.searched - 1 : 0));
    if (end == std::string::npos) {
        answer.searched = answer.Unread();
        if (answer.searched > kMaxLineBytes) {
            Fail(RESULT_HTTP_ERROR);
        }
        return false;
    }
    answer.searched = 0;
    line = std::string_view(answer.received).substr(answer.pos, end - answer.pos);
    answer.pos = end + 2;
    return true;
}

bool HTTPTransfer::ReadAnswerHeader(Answer& answer) {
    std::string_view line;
    if (!NextAnswerLine(answer, line)) {
        return false;
    }
    if (line.empty()) {
        answer.headersDone = true;
        // Without a status line this was no HTTP/1.x answer at all.
        if (!answer.sawStatus) {
            Fail(RESULT_HTTP_ERROR);
            return false;
        }
        if (!answer.chunked && answer.hasLength && mContentLength.load() == 0) {
            answer.complete = true;
        }
    } else if (StartsWith(line, "HTTP/1.")) {
        answer.sawStatus = true;
        if (line.size() < 12) {
            Fail(RESULT_HTTP_ERROR);
            return false;
        }
        const std::string_view status = line.substr(9, 3);
        if (status != "200") {
            Fail(status == "404" ? RESULT_NOT_FOUND : RESULT_HTTP_ERROR);
            return false;
        }
    } else if (line == "Transfer-Encoding: chunked") {
        answer.chunked = true;
    } else if (StartsWith(line, "Transfer-Encoding: ")) {
        if (line.substr(19) != "identity") {
            answer.chunked = true;
        }
    } else if (StartsWith(line, "Content-Length: ")) {
        mContentLength = ParseLeadingInt(line.substr(16));
        answer.hasLength = true;
    }
    return true;
}

bool HTTPTransfer::ReadAnswerChunk(Answer& answer) {
    if (answer.chunkLeft < 0) {
        std::string_view line;
        if (!NextAnswerLine(answer, line)) {
            return false;
        }
        int32_t size = 0;
        if (!ParseChunkSize(line, size)) {
            Fail(RESULT_SOCKET_ERROR);
            return false;
        }
        if (size == 0) {
            answer.complete = true;  // trailers are not read
            return false;
        }
        answer.chunkLeft = size;
        return true;
    }
    if (answer.chunkLeft == 0) {
        if (answer.Unread() < 2) {
            return false;
        }
        answer.pos += 2;
        answer.chunkLeft = -1;
        return true;
    }
    const size_t take = static_cast<size_t>(std::min<int64_t>(answer.chunkLeft, answer.Unread()));
    if (take == 0) {
        return false;
    }
    mContent.append(answer.received, answer.pos, take);
    answer.pos += take;
    answer.chunkLeft -= static_cast<int64_t>(take);
    return true;
}

void HTTPTransfer::ReadAnswerBody(Answer& answer) {
    const size_t unread = answer.Unread();
    const int32_t length = mContentLength.load();
    if (length > 0) {
        const size_t want = static_cast<size_t>(length) - mContent.size();
        const size_t take = std::min(want, unread);
        mContent.append(answer.received, answer.pos, take);
        answer.pos += take;
        if (mContent.size() >= static_cast<size_t>(length)) {
            answer.complete = true;
        }
        return;
    }
    // No length: everything up to the close belongs to the body.
    mContent.append(answer.received, answer.pos, unread);
    answer.pos += unread;
}

void HTTPTransfer::ParseAnswer(Answer& answer) {
    while (!mStop && !answer.complete) {
        if (!answer.headersDone) {
            if (!ReadAnswerHeader(answer)) {
                return;
            }
        } else if (answer.chunked) {
            if (!ReadAnswerChunk(answer)) {
                return;
            }
        } else {
            ReadAnswerBody(answer);
            return;
        }
    }
}

void HTTPTransfer::ReceiveAnswer(platform::TcpSocket& socket) {
    Answer answer;
    char piece[kReceivePiece];
    bool closed = false;
    while (!mStop && !answer.complete) {
        if (!SocketWait(socket, true, false) || mStop) {
            return;
        }
        const platform::SocketIo io = socket.Receive(piece, sizeof(piece));
        if (io.status == platform::SocketStatus::InProgress) {
            continue;
        }
        if (io.status != platform::SocketStatus::Ok) {
            // Closed, or a socket error: either way the end of the answer.
            closed = true;
            break;
        }
        answer.received.append(piece, io.count);
        ParseAnswer(answer);
        answer.received.erase(0, answer.pos);
        answer.pos = 0;
    }
    // An answer that ends before its headers, its length or its final chunk is incomplete;
    // only an answer without a length is complete at the close.
    if (closed && !mStop && (!answer.headersDone || answer.chunked || mContentLength.load() > 0)) {
        Fail(RESULT_SOCKET_ERROR);
    }
}

bool HTTPTransfer::SocketWait(platform::TcpSocket& socket, bool forRead, bool forWrite) {
    const auto start = std::chrono::steady_clock::now();
    const auto stallLimit = std::chrono::milliseconds(mStallTimeoutMs);
    while (!mStop) {
        switch (socket.Wait(forRead, forWrite, kWaitSliceMs)) {
            case platform::SocketStatus::Ok:
                return true;
            case platform::SocketStatus::TimedOut:
                if (std::chrono::steady_clock::now() - start >= stallLimit) {
                    Fail(RESULT_SOCKET_ERROR);
                    return false;
                }
                break;
            default:
                Fail(RESULT_SOCKET_ERROR);
                return false;
        }
    }
    return true;
}

}  // namespace Vesk

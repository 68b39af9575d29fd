#include "app/HTTPTransfer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "AppTestSupport.h"
#include "platform/Socket.h"

namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;
using Vesk::HTTPTransfer;

constexpr platform::IPv4Address kLoopback = 0x7F000001;
const std::string kRequest =
    "GET /version.txt HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";

// ---- Server side ----

bool SendAll(platform::TcpSocket& socket, std::string_view data, SteadyClock::time_point deadline) {
    while (!data.empty()) {
        if (SteadyClock::now() > deadline) {
            return false;
        }
        if (socket.Wait(false, true, 20) != platform::SocketStatus::Ok) {
            continue;
        }
        const platform::SocketIo io = socket.Send(data.data(), data.size());
        if (io.status == platform::SocketStatus::Ok) {
            data.remove_prefix(io.count);
        } else if (io.status != platform::SocketStatus::InProgress) {
            return false;
        }
    }
    return true;
}

// Reads until want bytes arrived, the peer closed, or the deadline passed.
std::string ReadSome(platform::TcpSocket& socket, size_t want, SteadyClock::time_point deadline) {
    std::string text;
    char piece[4096];
    while (text.size() < want && SteadyClock::now() < deadline) {
        if (socket.Wait(true, false, 20) != platform::SocketStatus::Ok) {
            continue;
        }
        const platform::SocketIo io =
            socket.Receive(piece, std::min(sizeof(piece), want - text.size()));
        if (io.status == platform::SocketStatus::Ok) {
            text.append(piece, io.count);
        } else if (io.status != platform::SocketStatus::InProgress) {
            break;
        }
    }
    return text;
}

// A one-connection server on 127.0.0.1: accepts one client, reads as many bytes as the
// request has, then runs the test's script on the connection. Everything it does has a
// deadline, so a faulty client never hangs the test.
class LoopbackServer {
public:
    struct Connection {
        platform::TcpSocket& socket;
        LoopbackServer& server;
        bool Send(std::string_view data) { return SendAll(socket, data, server.mDeadline); }
        void Pause(std::chrono::milliseconds time) { std::this_thread::sleep_for(time); }
        // Keeps the connection open until the client closes it or the test ends.
        void HoldOpen() {
            char byte;
            while (!server.mStopping && SteadyClock::now() < server.mDeadline) {
                if (socket.Wait(true, false, 20) != platform::SocketStatus::Ok) {
                    continue;
                }
                const platform::SocketIo io = socket.Receive(&byte, 1);
                if (io.status == platform::SocketStatus::Closed ||
                    io.status == platform::SocketStatus::Failed) {
                    return;
                }
            }
        }
    };
    using Script = std::function<void(Connection&)>;

    LoopbackServer(size_t requestSize, Script script) {
        EXPECT_TRUE(mListener.ListenLoopback(0));
        mPort = mListener.LocalPort();
        mThread = std::thread(
            [this, requestSize, script = std::move(script)] { Run(requestSize, script); });
    }
    ~LoopbackServer() { Join(); }

    // Ends the server thread; afterwards Request() is stable.
    void Join() {
        mStopping = true;
        if (mThread.joinable()) {
            mThread.join();
        }
    }

    std::string Url() const { return "127.0.0.1:" + std::to_string(mPort); }
    uint16_t Port() const { return mPort; }
    bool Accepted() const { return mAccepted; }
    const std::string& Request() const { return mRequest; }

private:
    void Run(size_t requestSize, const Script& script) {
        platform::TcpSocket client;
        bool connected = false;
        while (!mStopping && SteadyClock::now() < mDeadline) {
            const platform::SocketStatus status = mListener.Accept(client, 20);
            if (status == platform::SocketStatus::Ok) {
                connected = true;
                break;
            }
            if (status == platform::SocketStatus::Failed) {
                break;
            }
        }
        if (!connected) {
            return;
        }
        mAccepted = true;
        mRequest = ReadSome(client, requestSize, mDeadline);
        Connection connection{client, *this};
        script(connection);
    }

    platform::TcpSocket mListener;
    uint16_t mPort = 0;
    SteadyClock::time_point mDeadline = SteadyClock::now() + 5s;
    std::atomic<bool> mStopping{false};
    std::atomic<bool> mAccepted{false};
    std::string mRequest;
    std::thread mThread;
};

LoopbackServer::Script Answer(std::string answer, bool holdOpen = false) {
    return [answer = std::move(answer), holdOpen](LoopbackServer::Connection& c) {
        c.Send(answer);
        if (holdOpen) {
            c.HoldOpen();
        }
    };
}

// ---- Client side ----

// Polls like the crash window does, for at most a few seconds.
int RunToEnd(HTTPTransfer& transfer, std::chrono::milliseconds limit = 4s) {
    const auto deadline = SteadyClock::now() + limit;
    int result = transfer.GetResultCode();
    while (result == HTTPTransfer::RESULT_RUNNING && SteadyClock::now() < deadline) {
        std::this_thread::sleep_for(2ms);
        result = transfer.GetResultCode();
    }
    return result;
}

// Only loopback names resolve, so no test can reach the outside network.
class HTTPTransferTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetHostLookup([this](const std::string& host) {
            std::lock_guard<std::mutex> lock(mLookupMutex);
            mLookedUp.push_back(host);
            return host == "127.0.0.1" || host == "localhost"
                       ? std::optional<platform::IPv4Address>(kLoopback)
                       : std::nullopt;
        });
    }
    void TearDown() override { platform::SetHostLookup({}); }

    // A transfer whose waits give up quickly if anything goes wrong.
    static void Configure(HTTPTransfer& transfer) { transfer.SetStallTimeout(3000); }

    std::mutex mLookupMutex;
    std::vector<std::string> mLookedUp;
};

TEST_F(HTTPTransferTest, UrlSplitsIntoProtocolHostPortAndPath) {
    HTTPTransfer transfer;
    transfer.PrepareTransfer("http://reports.example.org:8080/cgi/upload.php");
    EXPECT_EQ(transfer.GetProtocol(), "http");
    EXPECT_EQ(transfer.GetHost(), "reports.example.org");
    EXPECT_EQ(transfer.GetPort(), 8080);
    EXPECT_EQ(transfer.GetPath(), "/cgi/upload.php");
    EXPECT_EQ(transfer.GetURL(), "http://reports.example.org:8080/cgi/upload.php");
    EXPECT_EQ(transfer.GetResultCode(), HTTPTransfer::RESULT_RUNNING);

    transfer.PrepareTransfer("example.org");
    EXPECT_EQ(transfer.GetProtocol(), "");
    EXPECT_EQ(transfer.GetHost(), "example.org");
    EXPECT_EQ(transfer.GetPort(), 80);
    EXPECT_EQ(transfer.GetPath(), "/");

    transfer.PrepareTransfer("example.org:81x/a");
    EXPECT_EQ(transfer.GetHost(), "example.org");
    EXPECT_EQ(transfer.GetPort(), 81);
    EXPECT_EQ(transfer.GetPath(), "/a");
}

TEST_F(HTTPTransferTest, TransferIdsComeFromOneProcessWideCounter) {
    // The global transfer is built before main and takes the counter's first id.
    EXPECT_EQ(Vesk::gHTTPTransfer.GetTransferId(), 1);
    EXPECT_EQ(Vesk::gHTTPTransfer.GetResultCode(), HTTPTransfer::RESULT_IDLE);

    HTTPTransfer transfer;
    const int32_t first = transfer.GetTransferId();
    EXPECT_GT(first, 1);
    transfer.Reset();
    EXPECT_EQ(transfer.GetTransferId(), first + 1);
    // Prepare resets (one id) and then takes its own.
    transfer.PrepareTransfer("127.0.0.1");
    EXPECT_EQ(transfer.GetTransferId(), first + 3);
    HTTPTransfer other;
    EXPECT_EQ(other.GetTransferId(), first + 4);
}

TEST_F(HTTPTransferTest, ContentLengthAnswerEndsAtItsLengthWhileTheServerHoldsOn) {
    LoopbackServer server(
        kRequest.size(),
        Answer("HTTP/1.1 200 OK\r\nContent-Length: 5\r\nServer: t\r\n\r\nhelloEXTRA", true));
    HTTPTransfer transfer;
    Configure(transfer);
    const auto start = SteadyClock::now();
    transfer.SendRequestString(server.Url() + "/version.txt", kRequest);
    EXPECT_EQ(RunToEnd(transfer), HTTPTransfer::RESULT_DONE);
    // The server only lets go after 5 s: the client did not wait for the close.
    EXPECT_LT(SteadyClock::now() - start, 2s);
    EXPECT_EQ(transfer.GetContent(), "hello");
    EXPECT_EQ(transfer.GetContentLength(), 5);
    transfer.WaitFor();
    EXPECT_FALSE(transfer.IsTransferring());
    server.Join();
    EXPECT_EQ(server.Request(), kRequest);
}

TEST_F(HTTPTransferTest, RequestGoesOutByteForByteAsGiven) {
    // Far more than one send takes, with bytes a text routine could trip over.
    std::string body(300000, '\0');
    for (size_t i = 0; i < body.size(); ++i) {
        body[i] = static_cast<char>(i * 7 + 3);
    }
    const std::string request =
        "POST /deluxe_error.php HTTP/1.1\r\nContent-Length: " + std::to_string(body.size()) +
        "\r\nConnection: close\r\n\r\n" + body;
    LoopbackServer server(request.size(), Answer("HTTP/1.0 200 OK\r\n\r\nthanks"));
    HTTPTransfer transfer;
    Configure(transfer);
    transfer.SendRequestString(server.Url(), request);
    EXPECT_EQ(RunToEnd(transfer), HTTPTransfer::RESULT_DONE);
    EXPECT_EQ(transfer.GetContent(), "thanks");
    server.Join();
    EXPECT_TRUE(server.Request() == request)
        << "request differs, " << server.Request().size() << " of " << request.size() << " bytes";
}

TEST_F(HTTPTransferTest, ChunkedBodiesAreDecodedWhateverTheirPieces) {
    const std::string answer =
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nHello\r\n3\r\nabc\r\n0\r\n\r\n";
    {
        LoopbackServer server(kRequest.size(), Answer(answer, true));
        HTTPTransfer transfer;
        Configure(transfer);
        transfer.SendRequestString(server.Url(), kRequest);
        EXPECT_EQ(RunToEnd(transfer), HTTPTransfer::RESULT_DONE);
        EXPECT_EQ(transfer.GetContent(), "Helloabc");
    }
    {
        // Cut inside the size line, inside the data and between the CR and LF after a chunk.
        LoopbackServer server(kRequest.size(), [answer](LoopbackServer::Connection& c) {
            const size_t body = answer.find("\r\n\r\n") + 4;
            const std::vector<size_t> cuts = {body + 1, body + 6, body + 9, body + 10, body + 12};
            size_t from = 0;
            for (const size_t cut : cuts) {
                c.Send(std::string_view(answer).substr(from, cut - from));
                c.Pause(30ms);
                from = cut;
            }
            c.Send(std::string_view(answer).substr(from));
            c.HoldOpen();
        });
        HTTPTransfer transfer;
        Configure(transfer);
        transfer.SendRequestString(server.Url(), kRequest);
        EXPECT_EQ(RunToEnd(transfer), HTTPTransfer::RESULT_DONE);
        EXPECT_EQ(transfer.GetContent(), "Helloabc");
    }
    {
        // Any coding but "identity" counts as chunked; blanks around a size are trimmed.
        LoopbackServer server(kRequest.size(),
                              Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n"
                                     " a \r\n0123456789\r\n0\r\n\r\n"));
        HTTPTransfer transfer;
        Configure(transfer);
        transfer.SendRequestString(server.Url(), kRequest);
        EXPECT_EQ(RunToEnd(transfer), HTTPTransfer::RESULT_DONE);
        EXPECT_EQ(transfer.GetContent(), "0123456789");
    }
}

TEST_F(HTTPTransferTest, AnswerWithoutLengthIsReadUntilTheClose) {
    std::string body(1000, 'x');
    LoopbackServer server(kRequest.size(),
                          Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: identity\r\n\r\n" + body));
    HTTPTransfer transfer;
    Configure(transfer);
    transfer.SendRequestString(server.Url(), kRequest);
    EXPECT_EQ(RunToEnd(transfer), HTTPTransfer::RESULT_DONE);
    EXPECT_EQ(transfer.GetContent(), body);
    EXPECT_EQ(transfer.GetContentLength(), 0);
}

TEST_F(HTTPTransferTest, ZeroContentLengthEndsWithTheHeaders) {
    LoopbackServer server(kRequest.size(),
                          Answer("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", true));
    HTTPTransfer transfer;
    Configure(transfer);
    transfer.SendRequestString(server.Url(), kRequest);
    EXPECT_EQ(RunToEnd(transfer, 2s), HTTPTransfer::RESULT_DONE);
    EXPECT_EQ(transfer.GetContent(), "");
}

TEST_F(HTTPTransferTest, StatusOtherThan200Fails) {
    struct Case {
        const char* answer;
        int result;
    };
    const Case cases[] = {
        {"HTTP/1.1 404 Not Found\r\nContent-Length: 3\r\n\r\nno!", HTTPTransfer::RESULT_NOT_FOUND},
        {"HTTP/1.0 500 Internal Server Error\r\n\r\n", HTTPTransfer::RESULT_HTTP_ERROR},
        {"HTTP/1.1 301 Moved\r\nLocation: /x\r\n\r\n", HTTPTransfer::RESULT_HTTP_ERROR},
        // Too short to carry a status: a failure, not a crash.
        {"HTTP/1.1 2\r\n\r\n", HTTPTransfer::RESULT_HTTP_ERROR},
        {"HTTP/1.\r\n\r\n", HTTPTransfer::RESULT_HTTP_ERROR},
        // No status line at all is no HTTP/1.x answer.
        {"Content-Length: 2\r\n\r\nok", HTTPTransfer::RESULT_HTTP_ERROR},
        // Header names are compared with their case.
        {"http/1.1 200 OK\r\n\r\nok", HTTPTransfer::RESULT_HTTP_ERROR},
    };
    // A line that never ends fails once it is longer than any header, not at the close.
    {
        const std::string endless = "HTTP/1.1 200 OK\r\nX: " + std::string(70 * 1024, 'x');
        LoopbackServer server(kRequest.size(), Answer(endless, true));
        HTTPTransfer transfer;
        Configure(transfer);
        transfer.SendRequestString(server.Url(), kRequest);
        EXPECT_EQ(RunToEnd(transfer), HTTPTransfer::RESULT_HTTP_ERROR);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        LoopbackServer server(kRequest.size(), Answer(c.answer, true));
        HTTPTransfer transfer;
        Configure(transfer);
        transfer.SendRequestString(server.Url(), kRequest);
        EXPECT_EQ(RunToEnd(transfer), c.result);
    }
}

TEST_F(HTTPTransferTest, MalformedOrCutShortAnswersFail) {
    const char* const chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    const std::string cases[] = {
        // Huge sizes: wrapping would make them negative, or 0 posing as the last chunk.
        std::string(chunked) + "FFFFFFFF\r\nabc",
        std::string(chunked) + "100000000\r\nabc\r\n0\r\n\r\n",
        std::string(chunked) + "7FFFFFFF\r\nabc",
        std::string(chunked) + "zz\r\nabc\r\n0\r\n\r\n",
        std::string(chunked) + "\r\n0\r\n\r\n",
        // The connection closes before the last chunk, the length, or the end of the headers.
        std::string(chunked) + "5\r\nHello\r\n",
        std::string(chunked) + "5\r\nHel",
        "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly ten b",
        "HTTP/1.1 200 OK\r\nContent-Le",
        "",
    };
    for (const std::string& answer : cases) {
        SCOPED_TRACE(answer);
        LoopbackServer server(kRequest.size(), Answer(answer));
        HTTPTransfer transfer;
        Configure(transfer);
        transfer.SendRequestString(server.Url(), kRequest);
        EXPECT_EQ(RunToEnd(transfer), HTTPTransfer::RESULT_SOCKET_ERROR);
    }
}

TEST_F(HTTPTransferTest, ConnectionClosedBeforeTheRequestIsReadFails) {
    // The server hangs up at once; sending on into the closed connection must give a result,
    // never a signal that ends the process.
    LoopbackServer server(0, [](LoopbackServer::Connection&) {});
    HTTPTransfer transfer;
    Configure(transfer);
    transfer.SendRequestString(server.Url(), "POST / HTTP/1.1\r\n\r\n" + std::string(4 << 20, 'r'));
    const int result = RunToEnd(transfer);
    // Whether the close reaches the client while it sends or while it reads is up to timing.
    EXPECT_TRUE(result == HTTPTransfer::RESULT_SOCKET_ERROR ||
                result == HTTPTransfer::RESULT_SEND_FAILED)
        << result;
}

TEST_F(HTTPTransferTest, UnreachablePortOrBadPortFailsToConnect) {
    uint16_t port;
    {
        platform::TcpSocket probe;
        ASSERT_TRUE(probe.ListenLoopback(0));
        port = probe.LocalPort();
    }
    HTTPTransfer transfer;
    Configure(transfer);
    transfer.SendRequestString("127.0.0.1:" + std::to_string(port), kRequest);
    EXPECT_EQ(RunToEnd(transfer), HTTPTransfer::RESULT_CONNECT_FAILED);

    // Cut to 16 bits this would be port 4464: somebody else's server.
    transfer.SendRequestString("127.0.0.1:70000", kRequest);
    EXPECT_EQ(RunToEnd(transfer), HTTPTransfer::RESULT_CONNECT_FAILED);
    transfer.SendRequestString("localhost:0", kRequest);
    EXPECT_EQ(RunToEnd(transfer), HTTPTransfer::RESULT_CONNECT_FAILED);
}

TEST_F(HTTPTransferTest, UnknownHostIsNotFound) {
    HTTPTransfer transfer;
    Configure(transfer);
    transfer.SendRequestString("http://nonexistent.invalid/report", kRequest);
    EXPECT_EQ(RunToEnd(transfer), HTTPTransfer::RESULT_HOST_NOT_FOUND);
    std::lock_guard<std::mutex> lock(mLookupMutex);
    EXPECT_EQ(mLookedUp, std::vector<std::string>{"nonexistent.invalid"});
}

TEST_F(HTTPTransferTest, AbortDuringASlowAnswerEndsPromptly) {
    LoopbackServer server(kRequest.size(), [](LoopbackServer::Connection& c) {
        c.Send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\nsome");
        c.HoldOpen();
    });
    HTTPTransfer transfer;
    Configure(transfer);
    transfer.SendRequestString(server.Url(), kRequest);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(transfer.GetResultCode(), HTTPTransfer::RESULT_RUNNING);
    const auto start = SteadyClock::now();
    transfer.Abort();
    EXPECT_EQ(RunToEnd(transfer), HTTPTransfer::RESULT_ABORTED);
    EXPECT_LT(SteadyClock::now() - start, 500ms);
    transfer.WaitFor();
    EXPECT_FALSE(transfer.IsTransferring());
}

TEST_F(HTTPTransferTest, DestroyingARunningTransferStopsItsWorker) {
    LoopbackServer server(kRequest.size(), [](LoopbackServer::Connection& c) { c.HoldOpen(); });
    const auto start = SteadyClock::now();
    {
        HTTPTransfer transfer;
        Configure(transfer);
        transfer.SendRequestString(server.Url(), kRequest);
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_LT(SteadyClock::now() - start, 1s);
}

TEST_F(HTTPTransferTest, SilentServerFailsAfterTheStallTime) {
    LoopbackServer server(kRequest.size(), [](LoopbackServer::Connection& c) { c.HoldOpen(); });
    HTTPTransfer transfer;
    transfer.SetStallTimeout(300);
    const auto start = SteadyClock::now();
    transfer.SendRequestString(server.Url(), kRequest);
    EXPECT_EQ(RunToEnd(transfer), HTTPTransfer::RESULT_SOCKET_ERROR);
    EXPECT_GE(SteadyClock::now() - start, 300ms);
}

TEST_F(HTTPTransferTest, SameObjectRunsASecondTransferAfterTheFirst) {
    HTTPTransfer transfer;
    Configure(transfer);
    {
        LoopbackServer server(kRequest.size(), Answer("HTTP/1.1 404 Nope\r\n\r\n"));
        transfer.SendRequestString(server.Url(), kRequest);
        EXPECT_EQ(RunToEnd(transfer), HTTPTransfer::RESULT_NOT_FOUND);
    }
    LoopbackServer server(kRequest.size(),
                          Answer("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"));
    transfer.SendRequestString(server.Url(), kRequest);
    EXPECT_EQ(RunToEnd(transfer), HTTPTransfer::RESULT_DONE);
    EXPECT_EQ(transfer.GetContent(), "ok");
    transfer.Reset();
    EXPECT_EQ(transfer.GetResultCode(), HTTPTransfer::RESULT_IDLE);
    EXPECT_EQ(transfer.GetContent(), "");
}

// ---- Demo passage ----

// The demo calls of an application, after the event stream rules: a 4-bit delta with filler
// events for longer gaps, a form bit and a 1- or 5-bit code.
struct FakeDemoApp {
    bool mRecordingDemoBuffer = false;
    bool mPlayingDemoBuffer = false;
    bool mManualShutdown = false;
    Vesk::Buffer mDemoBuffer;
    int mUpdateCount = 0;
    int mNextEventUpdate = 0;
    bool mDemoHeaderNeeded = true;
    bool mDemoEventIsShort = false;
    int mDemoEventCode = 0;

    void WriteDemoEventHeader() {
        while (mUpdateCount - mNextEventUpdate > 15) {
            mDemoBuffer.WriteNumBits(15, 4);
            mNextEventUpdate += 15;
            mDemoBuffer.WriteNumBits(0, 1);
            mDemoBuffer.WriteNumBits(31, 5);
        }
        mDemoBuffer.WriteNumBits(mUpdateCount - mNextEventUpdate, 4);
        mNextEventUpdate = mUpdateCount;
    }
    bool ReadDemoEventHeader() {
        if (mDemoHeaderNeeded) {
            mNextEventUpdate += mDemoBuffer.ReadNumBits(4, false);
            mDemoEventIsShort = mDemoBuffer.ReadNumBits(1, false) != 0;
            mDemoEventCode = mDemoBuffer.ReadNumBits(mDemoEventIsShort ? 1 : 5, false);
            mDemoHeaderNeeded = false;
        }
        return mNextEventUpdate == mUpdateCount;
    }
    // Writes an HTTP result event by hand, as a recording would have.
    void WriteResultEvent(int32_t id, uint8_t result, std::string_view content) {
        WriteDemoEventHeader();
        mDemoBuffer.WriteNumBits(0, 1);
        mDemoBuffer.WriteNumBits(17, 5);
        mDemoBuffer.WriteLong(id);
        mDemoBuffer.WriteByte(result);
        mDemoBuffer.WriteString(content);
    }
};
static_assert(Vesk::HTTPDemoEvents<FakeDemoApp>);

TEST_F(HTTPTransferTest, RecordingWritesEachResultChangeAsEvent17) {
    LoopbackServer server(kRequest.size(),
                          Answer("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabc"));
    FakeDemoApp app;
    app.mRecordingDemoBuffer = true;
    app.mUpdateCount = 20;
    HTTPTransfer transfer;
    Configure(transfer);
    transfer.SendRequestString(server.Url(), kRequest);
    transfer.UpdateStatusFor(&app);
    transfer.UpdateStatusFor(&app);  // unchanged: nothing new
    const auto deadline = SteadyClock::now() + 4s;
    while (transfer.GetResultCode() == HTTPTransfer::RESULT_RUNNING &&
           SteadyClock::now() < deadline) {
        std::this_thread::sleep_for(2ms);
    }
    ASSERT_EQ(transfer.GetResultCode(), HTTPTransfer::RESULT_DONE);
    app.mUpdateCount = 23;
    transfer.UpdateStatusFor(&app);

    Vesk::Buffer& stream = app.mDemoBuffer;
    // A filler, then the running state at update 20 with an empty text.
    EXPECT_EQ(stream.ReadNumBits(4, false), 15);
    EXPECT_EQ(stream.ReadNumBits(1, false), 0);
    EXPECT_EQ(stream.ReadNumBits(5, false), 31);
    EXPECT_EQ(stream.ReadNumBits(4, false), 5);
    EXPECT_EQ(stream.ReadNumBits(1, false), 0);
    EXPECT_EQ(stream.ReadNumBits(5, false), 17);
    EXPECT_EQ(stream.ReadLong(), transfer.GetTransferId());
    EXPECT_EQ(stream.ReadByte(), HTTPTransfer::RESULT_RUNNING);
    EXPECT_EQ(stream.ReadString(), "");
    // Then the finished state with the content.
    EXPECT_EQ(stream.ReadNumBits(4, false), 3);
    EXPECT_EQ(stream.ReadNumBits(1, false), 0);
    EXPECT_EQ(stream.ReadNumBits(5, false), 17);
    EXPECT_EQ(stream.ReadLong(), transfer.GetTransferId());
    EXPECT_EQ(stream.ReadByte(), HTTPTransfer::RESULT_DONE);
    EXPECT_EQ(stream.ReadString(), "abc");
    EXPECT_TRUE(stream.AtEnd());
    EXPECT_FALSE(stream.ReadFailed());
}

TEST_F(HTTPTransferTest, PlaybackTakesOnlyItsOwnDueResult) {
    HTTPTransfer transfer;
    transfer.PrepareTransfer("127.0.0.1:1");
    const int32_t id = transfer.GetTransferId();

    FakeDemoApp app;
    app.mUpdateCount = 4;
    app.WriteResultEvent(id + 100, HTTPTransfer::RESULT_DONE, "another transfer's");
    app.mUpdateCount = 6;
    app.WriteResultEvent(id, HTTPTransfer::RESULT_NOT_FOUND, "recorded");
    app.mRecordingDemoBuffer = false;
    app.mPlayingDemoBuffer = true;
    app.mUpdateCount = 0;
    app.mNextEventUpdate = 0;

    // Not due yet.
    transfer.UpdateStatusFor(&app);
    EXPECT_EQ(transfer.GetResultCode(), HTTPTransfer::RESULT_RUNNING);
    EXPECT_FALSE(app.mDemoHeaderNeeded);

    // Due, but another transfer's: the event stays held and the read position is put back.
    app.mUpdateCount = 4;
    const int32_t held = app.mDemoBuffer.GetReadCursor();
    transfer.UpdateStatusFor(&app);
    EXPECT_EQ(app.mDemoBuffer.GetReadCursor(), held);
    EXPECT_FALSE(app.mDemoHeaderNeeded);
    EXPECT_EQ(transfer.GetResultCode(), HTTPTransfer::RESULT_RUNNING);

    // That other transfer takes its event.
    app.mDemoBuffer.ReadLong();
    app.mDemoBuffer.ReadByte();
    app.mDemoBuffer.ReadString();
    app.mDemoHeaderNeeded = true;

    app.mUpdateCount = 6;
    transfer.UpdateStatusFor(&app);
    EXPECT_TRUE(app.mDemoHeaderNeeded);
    EXPECT_EQ(transfer.GetResultCode(), HTTPTransfer::RESULT_NOT_FOUND);
    EXPECT_EQ(transfer.GetContent(), "recorded");
    EXPECT_TRUE(app.mDemoBuffer.AtEnd());
}

TEST_F(HTTPTransferTest, PlaybackSurvivesAnEndedOrDamagedStream) {
    HTTPTransfer transfer;
    transfer.PrepareTransfer("127.0.0.1:1");
    const int32_t id = transfer.GetTransferId();

    // Only the padding bits of a file's last byte: no header is read from them.
    FakeDemoApp app;
    app.mPlayingDemoBuffer = true;
    app.mDemoBuffer.WriteNumBits(0, 7);
    transfer.UpdateStatusFor(&app);
    EXPECT_TRUE(app.mDemoHeaderNeeded);
    EXPECT_EQ(transfer.GetResultCode(), HTTPTransfer::RESULT_RUNNING);

    // A text length beyond the data: nothing taken, no crash.
    FakeDemoApp damaged;
    damaged.WriteDemoEventHeader();
    damaged.mDemoBuffer.WriteNumBits(0, 1);
    damaged.mDemoBuffer.WriteNumBits(17, 5);
    damaged.mDemoBuffer.WriteLong(id);
    damaged.mDemoBuffer.WriteByte(HTTPTransfer::RESULT_DONE);
    damaged.mDemoBuffer.WriteShort(30000);
    damaged.mDemoBuffer.WriteBytes("abc", 3);
    damaged.mPlayingDemoBuffer = true;
    transfer.UpdateStatusFor(&damaged);
    EXPECT_EQ(transfer.GetResultCode(), HTTPTransfer::RESULT_RUNNING);

    // Closed by the user: the stream is no longer touched.
    FakeDemoApp closed;
    closed.WriteResultEvent(id, HTTPTransfer::RESULT_DONE, "x");
    closed.mPlayingDemoBuffer = true;
    closed.mManualShutdown = true;
    transfer.UpdateStatusFor(&closed);
    EXPECT_EQ(closed.mDemoBuffer.GetReadCursor(), 0);
    EXPECT_EQ(transfer.GetResultCode(), HTTPTransfer::RESULT_RUNNING);
}

// With the real application playing a demo, no socket is opened and waiting never hangs.
class HTTPTransferAppTest : public apptest::AppTest {};

TEST_F(HTTPTransferAppTest, PlayingDemoOpensNoSocketAndWaitingEnds) {
    apptest::TestApp& app = MakeApp();
    app.mPlayingDemoBuffer = true;
    LoopbackServer server(kRequest.size(), [](LoopbackServer::Connection&) {});
    HTTPTransfer transfer;
    transfer.SendRequestString(server.Url(), kRequest);
    const auto start = SteadyClock::now();
    transfer.WaitFor();
    EXPECT_LT(SteadyClock::now() - start, 1s);
    EXPECT_FALSE(transfer.IsTransferring());
    std::this_thread::sleep_for(100ms);
    server.Join();
    EXPECT_FALSE(server.Accepted());
}

}  // namespace

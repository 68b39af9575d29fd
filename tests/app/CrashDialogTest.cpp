// The crash windows' course through scripted headless windows, and the report upload checked
// byte for byte against a loopback server of the test's own.
#include "app/CrashDialog.h"

#include <chrono>
#include <fstream>
#include <mutex>
#include <optional>
#include <thread>

#include "AppTestSupport.h"
#include "ScriptedPixelWindow.h"
#include "app/CrashHandler.h"
#include "app/HTTPTransfer.h"
#include "app/WidgetCrashDialogs.h"
#include "platform/Socket.h"
#include "platform/VirtualKeys.h"
#include "platform/headless/HeadlessCrashDialogs.h"

namespace apptest {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;
using platform::HeadlessCrashDialogs;
using ReportChoice = platform::CrashDialogs::ReportChoice;
using Vesk::CrashDialog;
using Vesk::HTTPTransfer;

const std::string kBoundary = "---------------------------7d3e1f30eec";

std::string Field(const std::string& name, const std::string& value) {
    return "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" +
           value + "\r\n";
}

std::string Request(const std::string& host, const std::string& body) {
    return "POST /deluxe_error.php HTTP/1.1\r\n"
           "Content-Type: multipart/form-data; boundary=" +
           kBoundary +
           "\r\n"
           "User-Agent: Mozilla/4.0 (compatible; mobrix)\r\n"
           "Host: " +
           host + "\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

// ---- A loopback server that takes one request per answer ----

// Accepts one connection per answer, reads each request whole (headers and Content-Length
// body) and sends the answer, or stays silent until the client leaves when there is none.
// Every wait has a deadline, so a faulty client never hangs the test.
class UploadServer {
public:
    explicit UploadServer(std::vector<std::optional<std::string>> answers) {
        EXPECT_TRUE(mListener.ListenLoopback(0));
        mThread = std::thread([this, answers = std::move(answers)] {
            for (const auto& answer : answers) {
                if (!Serve(answer)) {
                    break;
                }
            }
        });
    }
    ~UploadServer() { Join(); }

    void Join() {
        mStopping = true;
        if (mThread.joinable()) {
            mThread.join();
        }
    }

    std::string Address() const { return "127.0.0.1:" + std::to_string(mListener.LocalPort()); }
    // Stable after Join.
    const std::vector<std::string>& Requests() const { return mRequests; }

private:
    bool Serve(const std::optional<std::string>& answer) {
        platform::TcpSocket client;
        for (;;) {
            if (mStopping || SteadyClock::now() > mDeadline) {
                return false;
            }
            const platform::SocketStatus status = mListener.Accept(client, 20);
            if (status == platform::SocketStatus::Ok) {
                break;
            }
            if (status == platform::SocketStatus::Failed) {
                return false;
            }
        }
        std::string request;
        size_t wanted = std::string::npos;
        char piece[4096];
        while (request.size() < wanted && SteadyClock::now() < mDeadline) {
            if (client.Wait(true, false, 20) != platform::SocketStatus::Ok) {
                continue;
            }
            const platform::SocketIo io = client.Receive(piece, sizeof(piece));
            if (io.status == platform::SocketStatus::Ok) {
                request.append(piece, io.count);
            } else if (io.status != platform::SocketStatus::InProgress) {
                break;
            }
            const size_t headerEnd = request.find("\r\n\r\n");
            const size_t length = request.find("Content-Length: ");
            if (wanted == std::string::npos && headerEnd != std::string::npos &&
                length < headerEnd) {
                wanted = headerEnd + 4 + std::stoul(request.substr(length + 16));
            }
        }
        mRequests.push_back(request);
        if (answer) {
            std::string_view rest = *answer;
            while (!rest.empty() && SteadyClock::now() < mDeadline) {
                if (client.Wait(false, true, 20) != platform::SocketStatus::Ok) {
                    continue;
                }
                const platform::SocketIo io = client.Send(rest.data(), rest.size());
                if (io.status == platform::SocketStatus::Ok) {
                    rest.remove_prefix(io.count);
                } else if (io.status != platform::SocketStatus::InProgress) {
                    break;
                }
            }
            return true;
        }
        while (!mStopping && SteadyClock::now() < mDeadline) {
            if (client.Wait(true, false, 20) != platform::SocketStatus::Ok) {
                continue;
            }
            const platform::SocketIo io = client.Receive(piece, sizeof(piece));
            if (io.status == platform::SocketStatus::Closed ||
                io.status == platform::SocketStatus::Failed) {
                break;
            }
        }
        return true;
    }

    platform::TcpSocket mListener;
    SteadyClock::time_point mDeadline = SteadyClock::now() + 10s;
    std::atomic<bool> mStopping{false};
    std::vector<std::string> mRequests;
    std::thread mThread;
};

const std::string kOk = "HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\nthanks";

// An application with extra form fields for the upload.
class FieldsApp : public TestApp {
public:
    using TestApp::TestApp;
    void GetCrashFormFields(std::map<std::string, std::string>& fields) override {
        fields["zone"] = "7";
        fields["account"] = "ab c";
    }
};

// Scripted crash windows on the real clock (the upload runs in real time), a transfer of the
// test's own and a name lookup that only knows the loopback address.
class CrashDialogTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        platform::SetClock(nullptr);
        platform::SetHostLookup([](const std::string& host) {
            return host == "127.0.0.1" ? std::optional<platform::IPv4Address>(0x7F000001)
                                       : std::nullopt;
        });
        mTransfer.SetStallTimeout(3000);
    }
    void TearDown() override {
        platform::SetHostLookup({});
        AppTest::TearDown();
    }

    FieldsApp& MakeFieldsApp() {
        mApp = std::make_unique<FieldsApp>(mWs.get());
        mApp->mProdName = "Vorns";
        mApp->mProductVersion = "1.0";
        return static_cast<FieldsApp&>(*mApp);
    }

    CrashDialog::Setup MakeSetup(Vesk::VeskAppBase* app, const std::string& server,
                                 const std::string& attachment = "") {
        return CrashDialog::Setup{mDialogs, mTransfer,  app,
                                  server,   attachment, !attachment.empty()};
    }

    std::string WriteAttachment(const std::string& bytes) {
        const std::string path = mTempDir + "/veskapp.dmo";
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    HeadlessCrashDialogs mDialogs;
    HTTPTransfer mTransfer;
};

TEST(CrashDialogUploadTest, BodyAndRequestAreBuiltToTheLetter) {
    CrashDialog::Upload upload;
    upload.server = "reports.example.org:8080";
    upload.product = "Vorns";
    upload.version = "1.0";
    upload.errorTitle = "Exception at 0001:00000010";
    upload.errorText = "X";
    const std::string body = CrashDialog::BuildBody(upload);
    EXPECT_EQ(body.size(), 552u);
    EXPECT_EQ(body,
              "-----------------------------7d3e1f30eec\r\n"
              "Content-Disposition: form-data; name=\"prod\"\r\n\r\nVorns\r\n"
              "-----------------------------7d3e1f30eec\r\n"
              "Content-Disposition: form-data; name=\"version\"\r\n\r\n1.0\r\n"
              "-----------------------------7d3e1f30eec\r\n"
              "Content-Disposition: form-data; name=\"usertext\"\r\n\r\n\r\n"
              "-----------------------------7d3e1f30eec\r\n"
              "Content-Disposition: form-data; name=\"errortitle\"\r\n\r\n"
              "Exception at 0001:00000010\r\n"
              "-----------------------------7d3e1f30eec\r\n"
              "Content-Disposition: form-data; name=\"errortext\"\r\n\r\nX\r\n"
              "-----------------------------7d3e1f30eec--\r\n");
    EXPECT_EQ(
        CrashDialog::BuildRequest(upload),
        "POST /deluxe_error.php HTTP/1.1\r\n"
        "Content-Type: multipart/form-data; boundary=---------------------------7d3e1f30eec\r\n"
        "User-Agent: Mozilla/4.0 (compatible; mobrix)\r\n"
        "Host: reports.example.org:8080\r\n"
        "Content-Length: 552\r\n"
        "Connection: close\r\n"
        "\r\n" +
            body);
}

TEST(CrashDialogUploadTest, ExtraFieldsComeFirstByNameAndTheDemoFileLast) {
    CrashDialog::Upload upload;
    upload.extraFields = {{"zone", "7"}, {"account", "a"}};
    upload.product = "P";
    upload.version = "V";
    upload.userText = "it froze\r\nthen quit";
    upload.errorTitle = "T";
    upload.errorText = "E";
    // Bytes a text routine could trip over, the boundary's own hyphens among them.
    const std::string demo("\x42\xBE\xEF\x78\0\r\n--\xFF", 10);
    upload.attachment = demo;
    EXPECT_EQ(CrashDialog::BuildBody(upload),
              Field("account", "a") + Field("zone", "7") + Field("prod", "P") +
                  Field("version", "V") + Field("usertext", "it froze\r\nthen quit") +
                  Field("errortitle", "T") + Field("errortext", "E") + "--" + kBoundary +
                  "\r\nContent-Disposition: form-data; name=\"demofile\"; "
                  "filename=\"mobrix.dmo\"\r\nContent-Type: application/octet-stream\r\n\r\n" +
                  demo + "\r\n--" + kBoundary + "--\r\n");

    // An attachment that could not be read still goes, as an empty part.
    upload.attachment = std::string();
    const std::string body = CrashDialog::BuildBody(upload);
    EXPECT_NE(body.find("application/octet-stream\r\n\r\n\r\n--" + kBoundary + "--\r\n"),
              std::string::npos);
}

TEST(CrashDialogUploadTest, ProgressTextCyclesThroughTenDotCounts) {
    EXPECT_EQ(CrashDialog::ProgressText(0), "Please Wait");
    EXPECT_EQ(CrashDialog::ProgressText(1), "Please Wait .");
    EXPECT_EQ(CrashDialog::ProgressText(3), "Please Wait . . .");
    EXPECT_EQ(CrashDialog::ProgressText(9), "Please Wait . . . . . . . . .");
    EXPECT_EQ(CrashDialog::ProgressText(10), "Please Wait");
    EXPECT_EQ(CrashDialog::ProgressText(12), "Please Wait . .");
}

TEST_F(CrashDialogTest, WithoutAServerOnlyCloseNowIsOffered) {
    TestApp& app = MakeApp();
    mDialogs.QueueReportChoice(ReportChoice::Send);
    const int32_t transferId = mTransfer.GetTransferId();
    CrashDialog dialog(MakeSetup(&app, ""));
    dialog.Run("the report\r\n", "Exception at 0001:00000010");

    EXPECT_EQ(mDialogs.Sequence(), std::vector<std::string>{"report"});
    const HeadlessCrashDialogs::ReportRecord& shown = mDialogs.Reports().at(0);
    EXPECT_EQ(shown.header, "An unexpected error has occured!");
    EXPECT_EQ(shown.report, "the report\r\n");
    EXPECT_FALSE(shown.sendVisible);
    ASSERT_EQ(shown.buttons.size(), 1u);
    EXPECT_EQ(shown.buttons[0].label, "Close Now");
    EXPECT_EQ(shown.buttons[0].width, 384);
    EXPECT_EQ(dialog.GetReportTitle(), "Exception at 0001:00000010");
    EXPECT_EQ(dialog.GetReportText(), "the report\r\n");
    // The transfer was never touched.
    EXPECT_EQ(mTransfer.GetTransferId(), transferId);
    EXPECT_EQ(mTransfer.GetResultCode(), HTTPTransfer::RESULT_IDLE);
}

TEST_F(CrashDialogTest, WithoutAnApplicationSendIsShownDisabled) {
    mDialogs.QueueReportChoice(ReportChoice::Send);
    CrashDialog dialog(MakeSetup(nullptr, "127.0.0.1:1"));
    dialog.Run("r", "t");
    EXPECT_EQ(mDialogs.Sequence(), std::vector<std::string>{"report"});
    const HeadlessCrashDialogs::ReportRecord& shown = mDialogs.Reports().at(0);
    EXPECT_TRUE(shown.sendVisible);
    EXPECT_FALSE(shown.sendEnabled);
    EXPECT_EQ(shown.choice, ReportChoice::Close);
    EXPECT_EQ(mTransfer.GetResultCode(), HTTPTransfer::RESULT_IDLE);
}

TEST_F(CrashDialogTest, AbortInTheDescriptionWindowSendsNothing) {
    TestApp& app = MakeApp();
    mDialogs.QueueReportChoice(ReportChoice::Send);
    mDialogs.QueueSubmitAnswer({false, "never sent"});
    CrashDialog dialog(MakeSetup(&app, "127.0.0.1:1"));
    dialog.Run("r", "t");
    EXPECT_EQ(mDialogs.Sequence(), (std::vector<std::string>{"report", "submit"}));
    EXPECT_EQ(mDialogs.SubmitHeaders().at(0),
              "Please help out by providing as much information as you can about this crash.");
    EXPECT_EQ(mDialogs.Reports().at(0).buttons.size(), 2u);
    EXPECT_EQ(dialog.GetUserText(), "");
    EXPECT_EQ(mTransfer.GetResultCode(), HTTPTransfer::RESULT_IDLE);
}

TEST_F(CrashDialogTest, SendUploadsReportDescriptionAndDemoByteForByte) {
    FieldsApp& app = MakeFieldsApp();
    const std::string demo("\x78\xEF\xBE\x42\x02\0\0\0\r\n\xFF--", 14);
    const std::string demoPath = WriteAttachment(demo);
    UploadServer server({kOk});
    mDialogs.QueueReportChoice(ReportChoice::Send);
    mDialogs.QueueSubmitAnswer({true, "It froze on level 3."});

    CrashDialog dialog(MakeSetup(&app, server.Address(), demoPath));
    dialog.Run("Exception: Access Violation\r\nModule: vorns\r\n", "Exception at 0001:00000010");
    server.Join();

    EXPECT_EQ(mDialogs.Sequence(), (std::vector<std::string>{"report", "submit", "progress"}));
    EXPECT_EQ(mDialogs.Progresses().at(0).texts.at(0), "Please Wait");
    EXPECT_TRUE(mDialogs.Progresses().at(0).abortsAtMs.empty());
    EXPECT_EQ(mTransfer.GetResultCode(), HTTPTransfer::RESULT_DONE);
    EXPECT_EQ(dialog.GetUserText(), "It froze on level 3.");

    const std::string body =
        Field("account", "ab c") + Field("zone", "7") + Field("prod", "Vorns") +
        Field("version", "1.0") + Field("usertext", "It froze on level 3.") +
        Field("errortitle", "Exception at 0001:00000010") +
        Field("errortext", "Exception: Access Violation\r\nModule: vorns\r\n") + "--" + kBoundary +
        "\r\nContent-Disposition: form-data; name=\"demofile\"; filename=\"mobrix.dmo\"\r\n"
        "Content-Type: application/octet-stream\r\n\r\n" +
        demo + "\r\n--" + kBoundary + "--\r\n";
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_TRUE(server.Requests()[0] == Request(server.Address(), body))
        << "got:\n"
        << server.Requests()[0] << "\nwanted:\n"
        << Request(server.Address(), body);
}

TEST_F(CrashDialogTest, AFailedUploadIsResetAndRetriedOnRequest) {
    TestApp& app = MakeApp();
    app.mProdName = "Vorns";
    app.mProductVersion = "1.0";
    UploadServer server({std::string("HTTP/1.1 500 Internal Server Error\r\n\r\n"), kOk});
    mDialogs.QueueReportChoice(ReportChoice::Send);
    mDialogs.QueueSubmitAnswer({true, "twice"});
    mDialogs.QueueRetryCancel(platform::CrashDialogs::kRetry);

    CrashDialog dialog(MakeSetup(&app, server.Address()));
    dialog.Run("report", "title");
    server.Join();

    EXPECT_EQ(mDialogs.Sequence(),
              (std::vector<std::string>{"report", "submit", "progress", "retrycancel"}));
    const HeadlessCrashDialogs::RetryCancelRecord& box = mDialogs.RetryCancels().at(0);
    EXPECT_EQ(box.text, "Failed to connect to server.");
    EXPECT_EQ(box.title, "Connection Failed");
    EXPECT_EQ(mTransfer.GetResultCode(), HTTPTransfer::RESULT_DONE);
    // The same request went out again; no demo part without an attachment.
    ASSERT_EQ(server.Requests().size(), 2u);
    EXPECT_EQ(server.Requests()[0], server.Requests()[1]);
    EXPECT_EQ(
        server.Requests()[0],
        Request(server.Address(), Field("prod", "Vorns") + Field("version", "1.0") +
                                      Field("usertext", "twice") + Field("errortitle", "title") +
                                      Field("errortext", "report") + "--" + kBoundary + "--\r\n"));
}

TEST_F(CrashDialogTest, CancelAfterAFailureEndsTheWindows) {
    TestApp& app = MakeApp();
    mDialogs.QueueReportChoice(ReportChoice::Send);
    // The window's text holds at most 8192 characters.
    mDialogs.QueueSubmitAnswer({true, std::string(9000, 'd')});
    mDialogs.QueueRetryCancel(platform::CrashDialogs::kCancel);

    CrashDialog dialog(MakeSetup(&app, "nowhere.invalid"));
    dialog.Run("report", "title");

    EXPECT_EQ(mDialogs.Sequence(),
              (std::vector<std::string>{"report", "submit", "progress", "retrycancel"}));
    EXPECT_EQ(dialog.GetUserText(), std::string(8192, 'd'));
    // The failed transfer was reset before the question.
    EXPECT_EQ(mTransfer.GetResultCode(), HTTPTransfer::RESULT_IDLE);
}

TEST_F(CrashDialogTest, AbortWhileTheServerIsSilentEndsWithoutRetry) {
    TestApp& app = MakeApp();
    UploadServer server({std::nullopt});
    mDialogs.QueueReportChoice(ReportChoice::Send);
    mDialogs.QueueSubmitAnswer({true, ""});
    // Long enough for two ticks of the progress text.
    mDialogs.QueueProgressAbortAfter(2100);
    // The window counts the time it waited, which falls behind the real clock whenever a busy
    // machine leaves the process unrun; the transfer's stall limit is real time, so it must
    // lie far beyond the abort for the abort to come first.
    const auto stallLimit = std::chrono::milliseconds(HTTPTransfer::kDefaultStallTimeoutMs);
    mTransfer.SetStallTimeout(HTTPTransfer::kDefaultStallTimeoutMs);

    const auto start = SteadyClock::now();
    CrashDialog dialog(MakeSetup(&app, server.Address()));
    dialog.Run("report", "title");
    // The abort ended the wait, not the stall limit.
    EXPECT_LT(SteadyClock::now() - start, stallLimit / 2);
    server.Join();

    EXPECT_EQ(mDialogs.Sequence(), (std::vector<std::string>{"report", "submit", "progress"}));
    EXPECT_EQ(mTransfer.GetResultCode(), HTTPTransfer::RESULT_ABORTED);
    const HeadlessCrashDialogs::ProgressRecord& progress = mDialogs.Progresses().at(0);
    EXPECT_EQ(progress.abortsAtMs, std::vector<uint32_t>{2100});
    ASSERT_GE(progress.texts.size(), 3u);
    EXPECT_EQ(progress.texts[0], "Please Wait");
    EXPECT_EQ(progress.texts[1], "Please Wait .");
    EXPECT_EQ(progress.texts[2], "Please Wait . .");
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(CrashDialogTest, TheCrashHandlerReachesTheWindowsOnceRegistered) {
    platform::SetCrashDialogs(&mDialogs);
    CrashDialog::Register();
    EXPECT_EQ(CrashDialog::GetReportServer(), "");
    Vesk::CrashHandler::ShowCrashWindow("report", "title");
    CrashDialog::SetReportServer("reports.example.org");
    EXPECT_EQ(CrashDialog::GetReportServer(), "reports.example.org");
    Vesk::CrashHandler::ShowCrashWindow("report 2", "title 2");
    CrashDialog::SetReportServer("");
    Vesk::CrashHandler::SetCrashWindow(nullptr);
    platform::SetCrashDialogs(nullptr);

    ASSERT_EQ(mDialogs.Reports().size(), 2u);
    EXPECT_EQ(mDialogs.Reports()[0].report, "report");
    EXPECT_FALSE(mDialogs.Reports()[0].sendVisible);
    EXPECT_EQ(mDialogs.Reports()[1].report, "report 2");
    EXPECT_TRUE(mDialogs.Reports()[1].sendVisible);
    // No application: nothing can be sent.
    EXPECT_FALSE(mDialogs.Reports()[1].sendEnabled);
}

// The widget-drawn windows: the description is typed into the field and goes out with the
// report; the windows stand where the crash windows stand.
TEST_F(CrashDialogTest, TheDrawnWindowsSendTheTypedDescription) {
    FieldsApp& app = MakeFieldsApp();
    UploadServer server({kOk});
    using Script = std::deque<platform::Message>;
    std::vector<Script> scripts(3);
    ScriptedPixelWindow::Click(scripts[0], 100, 280);  // "Send Report"
    ScriptedPixelWindow::Type(scripts[1], "It frozx");
    ScriptedPixelWindow::Key(scripts[1], platform::vk::Backspace);
    ScriptedPixelWindow::Type(scripts[1], "e");
    ScriptedPixelWindow::Key(scripts[1], platform::vk::Home);
    ScriptedPixelWindow::Type(scripts[1], ">");
    ScriptedPixelWindow::Key(scripts[1], platform::vk::Enter);
    ScriptedPixelWindow::Log log;
    size_t opened = 0;
    Vesk::WidgetCrashDialogs dialogs(
        [&](const platform::PixelWindow::Params& params) {
            auto window = std::make_unique<ScriptedPixelWindow>(
                params, opened < scripts.size() ? scripts[opened] : Script{}, &log);
            window->mCloseWhenSpent = opened != 2;
            ++opened;
            return window;
        },
        nullptr);

    CrashDialog dialog(CrashDialog::Setup{dialogs, mTransfer, &app, server.Address(), "", false});
    dialog.Run("Exception: Access Violation\r\n", "Exception at 0001:00000010");
    server.Join();

    ASSERT_EQ(log.opened.size(), 3u);
    EXPECT_EQ(log.opened[0].title, "Fatal Error!");
    EXPECT_EQ(log.opened[0].clientSize, (platform::Size{400, 300}));
    EXPECT_EQ(log.opened[1].title, "Error Details");
    EXPECT_EQ(log.opened[1].position, (platform::Point{80, 80}));
    EXPECT_EQ(log.opened[2].title, "Submitting Report");
    EXPECT_GE(log.presents, 3);
    EXPECT_EQ(dialog.GetUserText(), ">It froze");
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_NE(server.Requests()[0].find(Field("usertext", ">It froze")), std::string::npos);
}

TEST_F(CrashDialogTest, TheDrawnWindowsAnswerCloseAbortAndCancelFromTheKeyboard) {
    using Script = std::deque<platform::Message>;
    Script escape;
    ScriptedPixelWindow::Key(escape, platform::vk::Escape);
    ScriptedPixelWindow::Log log;
    Vesk::WidgetCrashDialogs dialogs(
        [&](const platform::PixelWindow::Params& params) {
            return std::make_unique<ScriptedPixelWindow>(params, escape, &log);
        },
        nullptr);
    EXPECT_EQ(dialogs.Report("h", "r", true, true), ReportChoice::Close);
    EXPECT_FALSE(dialogs.Submit("h").proceed);
    EXPECT_EQ(dialogs.RetryCancel("Failed to connect to server.", "Connection Failed"),
              platform::CrashDialogs::kCancel);
    // A closed window (the script spent at once) answers the same.
    Vesk::WidgetCrashDialogs closing(
        [&](const platform::PixelWindow::Params& params) {
            return std::make_unique<ScriptedPixelWindow>(params, Script{}, &log);
        },
        nullptr);
    EXPECT_EQ(closing.Report("h", "r", true, true), ReportChoice::Close);
    EXPECT_FALSE(closing.Submit("h").proceed);
    // Enter presses "Send Report", but never while it is disabled.
    Script enter;
    ScriptedPixelWindow::Key(enter, platform::vk::Enter);
    Vesk::WidgetCrashDialogs entering(
        [&](const platform::PixelWindow::Params& params) {
            return std::make_unique<ScriptedPixelWindow>(params, enter, &log);
        },
        nullptr);
    EXPECT_EQ(entering.Report("h", "r", true, true), ReportChoice::Send);
    EXPECT_EQ(entering.Report("h", "r", true, false), ReportChoice::Close);
    EXPECT_EQ(entering.RetryCancel("t", "c"), platform::CrashDialogs::kRetry);
}

}  // namespace
}  // namespace apptest

// The crash report's text from fixed fault records, map-file annotation, the application's part
// and, in child processes that really crash, "crash.txt".
#include "app/CrashHandler.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "AppTestSupport.h"

namespace apptest {
namespace {

using platform::crash::FaultRecord;
using platform::crash::LogicalAddress;
using platform::crash::Symbol;
using Vesk::CrashHandler;

constexpr uintptr_t kModuleBase = 0x400000;
constexpr uintptr_t kModuleEnd = 0x500000;

// One module at kModuleBase whose first segment starts there; symbols and memory by address.
class FakeInspector : public CrashHandler::Inspector {
public:
    std::optional<LogicalAddress> ModuleOf(uintptr_t address) const override {
        if (address < kModuleBase || address >= kModuleEnd) {
            return std::nullopt;
        }
        return LogicalAddress{"/opt/vorns/libgame.so", 1,
                              static_cast<uint32_t>(address - kModuleBase)};
    }
    std::optional<Symbol> SymbolOf(uintptr_t address) const override {
        auto it = mSymbols.upper_bound(address);
        if (it == mSymbols.begin()) {
            return std::nullopt;
        }
        --it;
        if (address - it->first >= 0x100) {
            return std::nullopt;
        }
        return Symbol{it->second, address - it->first};
    }
    bool ReadWord(uintptr_t address, uintptr_t& value) const override {
        const auto it = mMemory.find(address);
        if (it == mMemory.end()) {
            return false;
        }
        value = it->second;
        return true;
    }
    std::string SysInfo() const override { return "TestOS Ver: 1.0 #1 x86_64\r\n"; }

    std::map<uintptr_t, std::string> mSymbols;
    std::map<uintptr_t, uintptr_t> mMemory;
};

FaultRecord MakeFault(uint32_t code, uintptr_t address) {
    FaultRecord fault;
    fault.code = code;
    fault.address = address;
    fault.threadId = 0x1A2B;
    fault.registers.ax = 1;
    fault.registers.bx = 0x22;
    fault.registers.cx = 0x333;
    fault.registers.dx = 0x4444;
    fault.registers.si = 0x7FFF00001234;
    fault.registers.di = 6;
    fault.registers.ip = address;
    fault.registers.sp = 0x7FF0;
    fault.registers.bp = 0x8000;
    fault.registers.cs = 0x33;
    fault.registers.ss = 0x2B;
    fault.registers.flags = 0x10246;
    return fault;
}

const std::string kRegisters =
    "EAX:00000001 EBX:00000022 ECX:00000333 EDX:00004444 ESI:7FFF00001234 EDI:00000006\r\n"
    "EIP:00401234 ESP:00007FF0  EBP:00008000\r\n"
    "CS:0033 SS:002B DS:0000 ES:0000 FS:0000 GS:0000\r\n"
    "Flags:00010246\r\n";

TEST(CrashReportTest, AccessViolationReportHasEveryBlockInOrder) {
    FakeInspector inspector;
    inspector.mSymbols[0x401220] = "CTable::Update()";
    FaultRecord fault = MakeFault(0xC0000005, 0x401234);
    fault.frames[0] = {0x401234, 0x7FF8, {1, 2, 3, 4}};
    fault.frames[1] = {0x402000, 0x8010, {5, 6, 7, 8}};
    fault.frames[2] = {0, 0x8100, {}};  // the walk ends here
    fault.frames[3] = {0x402100, 0x8200, {}};
    fault.frameCount = 4;

    const CrashHandler::Report report = CrashHandler::BuildReport(fault, inspector);
    EXPECT_EQ(report.title, "Exception at 0001:00001234");
    EXPECT_EQ(report.text,
              "Exception: Access Violation (code 0xc0000005) at address 00401234 in thread 1A2B\r\n"
              "Module: libgame.so\r\n"
              "Logical Address: 0001:00001234\r\n"
              "\r\n"
              "00007FF8 00401234 CTable::Update()+14\r\n"
              "Params: 00000001 00000002 00000003 00000004\r\n"
              "\r\n"
              "00008010 00402000 0001:00002000 /opt/vorns/libgame.so\r\n"
              "Params: 00000005 00000006 00000007 00000008\r\n"
              "\r\n"
              "\r\n" +
                  kRegisters + "\r\nTestOS Ver: 1.0 #1 x86_64\r\n");
}

TEST(CrashReportTest, UnknownCodeAndAddressOutsideEveryModule) {
    FakeInspector inspector;
    FaultRecord fault = MakeFault(0x40000015, 0x900000);
    fault.frames[0] = {0x900000, 0x7FF8, {}};
    fault.frameCount = 1;
    const CrashHandler::Report report = CrashHandler::BuildReport(fault, inspector);
    EXPECT_EQ(report.title, "Exception at 0000:00000000");
    EXPECT_EQ(report.text.substr(0, report.text.find("\r\n\r\n") + 4),
              "Unknown exception: (code 0x40000015) at address 00900000 in thread 1A2B\r\n"
              "Module: \r\n"
              "Logical Address: 0000:00000000\r\n\r\n");
}

TEST(CrashReportTest, ExceptionNamesAreLookedUpByExactCode) {
    EXPECT_STREQ(CrashHandler::GetExceptionName(0xC0000094), "Integer Divide by Zero");
    EXPECT_STREQ(CrashHandler::GetExceptionName(0xC000008E), "Divide by Zero");
    EXPECT_STREQ(CrashHandler::GetExceptionName(0x00000000), "Wait 0");
    EXPECT_STREQ(CrashHandler::GetExceptionName(0xC000013A), "Ctrl+C Exit");
    EXPECT_STREQ(CrashHandler::GetExceptionName(0xC00000FD), "Stack Overflow");
    EXPECT_EQ(CrashHandler::GetExceptionName(0xC0000004), nullptr);
    EXPECT_EQ(CrashHandler::GetExceptionName(0xFFFFFFFF), nullptr);
}

// Without unwound frames the report follows the saved frame pointers from the registers.
TEST(CrashReportTest, FrameChainEndsWhenTheChainGoesDown) {
    FakeInspector inspector;
    inspector.mMemory = {{0x8000, 0x8100},   {0x8008, 0x401500}, {0x8100, 0x80F0},
                         {0x8108, 0x401600}, {0x80F0, 0x9000},   {0x80F8, 0x401700}};
    FaultRecord fault = MakeFault(0xC0000005, 0x401234);
    const CrashHandler::Report report = CrashHandler::BuildReport(fault, inspector);
    EXPECT_NE(report.text.find("Logical Address: 0001:00001234\r\n\r\n"
                               "00401234  00008000  0001:00001234 /opt/vorns/libgame.so\r\n"
                               "00401500  00008100  0001:00001500 /opt/vorns/libgame.so\r\n"
                               "\r\nEAX:"),
              std::string::npos)
        << report.text;
}

TEST(CrashReportTest, FrameChainEndsOnMisalignedOrUnreadableFrames) {
    FakeInspector inspector;
    inspector.mMemory = {
        {0x8000, 0x8104}, {0x8008, 0x401500}, {0x8104, 0x9000}, {0x810C, 0x401600}};
    EXPECT_EQ(CrashHandler::FrameChainText(0x401234, 0x8000, inspector),
              "00401234  00008000  0001:00001234 /opt/vorns/libgame.so\r\n");

    // The next frame pointer goes up but points at nothing readable.
    inspector.mMemory = {{0x8000, 0x8100}, {0x8008, 0x401500}};
    EXPECT_EQ(CrashHandler::FrameChainText(0x401234, 0x8000, inspector),
              "00401234  00008000  0001:00001234 /opt/vorns/libgame.so\r\n");

    // An unreadable starting frame pointer still reports the faulting address.
    inspector.mMemory.clear();
    EXPECT_EQ(CrashHandler::FrameChainText(0x90, 0, inspector),
              "00000090  00000000  0000:00000000 \r\n");
}

TEST(CrashReportTest, FrameChainStopsAtItsLimit) {
    FakeInspector inspector;
    for (uintptr_t fp = 0x10000; fp < 0x10000 + 0x20 * 400; fp += 0x20) {
        inspector.mMemory[fp] = fp + 0x20;
        inspector.mMemory[fp + 8] = 0x401000;
    }
    const std::string text = CrashHandler::FrameChainText(0x401000, 0x10000, inspector);
    size_t lines = 0;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) {
        ++lines;
    }
    EXPECT_EQ(lines, static_cast<size_t>(CrashHandler::kMaxChainFrames));
}

TEST(CrashMapTest, HexToUIntKeepsTheSumBeforeABadDigit) {
    uint32_t value = 99;
    EXPECT_TRUE(CrashHandler::HexToUInt("", value));
    EXPECT_EQ(value, 0u);
    EXPECT_TRUE(CrashHandler::HexToUInt("00401aBf", value));
    EXPECT_EQ(value, 0x401ABFu);
    EXPECT_FALSE(CrashHandler::HexToUInt("12G4", value));
    EXPECT_EQ(value, 0x1200u);
    EXPECT_FALSE(CrashHandler::HexToUInt("123456789", value));
}

const char kMap[] =
    " vorns\r\n"
    "\r\n"
    "  Address         Publics by Value              Rva+Base       Lib:Object\r\n"
    "\r\n"
    " 0001:00000100       _ZN6CTable6UpdateEv        00401100 f   Table.o\r\n"
    " 0001:00000200       draw_board                 00401200 f   Board.o\r\n"
    " 0002:00000000       gTables                    00402000     Table.o\r\n"
    "\r\n"
    "Line numbers for Table.o(src/game/Table.cpp) segment .text\r\n"
    "\r\n"
    "    10 0001:00000100    11 0001:00000108    12 0001:00000120    13 0001:00000140\r\n"
    "    14 0001:00000180\r\n";

TEST(CrashMapTest, AddressesInsideListedFunctionsAreNamedWithTheirSourceLine) {
    const std::string report =
        "Logical Address: 0001:00000124\r\n"
        "00401234  00008000  0001:00000200 /opt/vorns/libgame.so\r\n"
        "00401234  00008000  0001:00000180 /opt/vorns/libgame.so\r\n"
        "00401234  00008000  0001:00000184 /opt/vorns/libgame.so\r\n";
    // The line table ends at 0x180: addresses beyond its last entry find no line.
    EXPECT_EQ(CrashHandler::AnnotateWithMap(report, kMap),
              "Logical Address: CTable::Update()+0x24\r\n"
              "    src/game/Table.cpp line 12 +0x4\r\n"
              "00401234  00008000  draw_board /opt/vorns/libgame.so\r\n"
              "00401234  00008000  CTable::Update()+0x80\r\n"
              "    src/game/Table.cpp line 14 +0x0 /opt/vorns/libgame.so\r\n"
              "00401234  00008000  CTable::Update()+0x84 /opt/vorns/libgame.so\r\n");
}

TEST(CrashMapTest, AddressesOutsideTheTablesStayUnchanged) {
    // Below the first entry, beyond the last, in a section of its own, and not hexadecimal.
    const std::string report =
        "A 0001:00000010 B 0002:00000010 C 0003:00000000 D EIP:0040 E 0001:0000010G\r\n";
    EXPECT_EQ(CrashHandler::AnnotateWithMap(report, kMap), report);
    EXPECT_EQ(CrashHandler::AnnotateWithMap(report, "no symbols here\r\n"), report);
}

TEST(CrashMapTest, AddressCutShortByTheEndOfTheTextReplacesOnlyWhatWasParsed) {
    EXPECT_EQ(CrashHandler::AnnotateWithMap("at 0001:0000200", kMap), "at draw_board");
    EXPECT_EQ(CrashHandler::AnnotateWithMap("at 0001:", kMap), "at 0001:");
}

using CrashAppTest = AppTest;

class ExtraInfoApp : public TestApp {
public:
    using TestApp::TestApp;
    std::string GetExtraInfoText() override { return mExtraInfo; }
    std::string mExtraInfo;
};

TEST_F(CrashAppTest, MapFileIsTakenFromTheCurrentDirectory) {
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(mTempDir);
    std::ofstream("vorns.map", std::ios::binary) << kMap;
    const std::string annotated = CrashHandler::AnnotateFromMapFile("x 0001:00000200\r\n");
    std::filesystem::remove("vorns.map");
    const std::string unchanged = CrashHandler::AnnotateFromMapFile("x 0001:00000200\r\n");
    std::filesystem::current_path(previous);
    EXPECT_EQ(annotated, "x draw_board\r\n");
    EXPECT_EQ(unchanged, "x 0001:00000200\r\n");
}

TEST_F(CrashAppTest, ApplicationTextFollowsTheReportAfterAnEmptyLine) {
    TestApp& app = MakeApp();
    std::string report = "Linux Ver: 6\r\n";
    CrashHandler::AddApplicationText(app, report);
    EXPECT_EQ(report.rfind("Linux Ver: 6\r\n\r\nProduct: AppTest\r\nVersion: \r\n", 0), 0u)
        << report;
}

TEST_F(CrashAppTest, RecordedDemoBecomesTheAttachmentAndDemoStateEnds) {
    TestApp& app = MakeApp();
    app.mRecordingDemoBuffer = true;
    app.mDemoFileName = mTempDir + "/crashed.dmo";
    CrashHandler::SaveDemoAndAttachment(app);
    EXPECT_TRUE(CrashHandler::HasAttachment());
    EXPECT_EQ(CrashHandler::GetAttachmentPath(), mTempDir + "/crashed.dmo");
    EXPECT_FALSE(app.mRecordingDemoBuffer);
    EXPECT_FALSE(app.mPlayingDemoBuffer);

    // A played demo is no attachment.
    app.mPlayingDemoBuffer = true;
    CrashHandler::SaveDemoAndAttachment(app);
    EXPECT_FALSE(CrashHandler::HasAttachment());
    EXPECT_FALSE(app.mPlayingDemoBuffer);
}

TEST_F(CrashAppTest, ExtraInfoPathIsTheAttachmentEvenWithoutADemo) {
    auto app = std::make_unique<ExtraInfoApp>(mWs.get());
    app->mExtraInfo = "/tmp/extra.log";
    CrashHandler::SaveDemoAndAttachment(*app);
    mApp = std::move(app);
    EXPECT_TRUE(CrashHandler::HasAttachment());
    EXPECT_EQ(CrashHandler::GetAttachmentPath(), "/tmp/extra.log");
}

// ---- Real crashes, each in a child process that works in a folder of its own. ----

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

// The sanitizers would report these before the fault happens.
__attribute__((noinline, no_sanitize("address", "undefined"))) void WriteThroughNull() {
    // Both volatile: an optimiser may otherwise drop the store as dead.
    volatile int* volatile target = nullptr;
    *target = 1;
}

__attribute__((noinline, no_sanitize("undefined"))) int DivideByZero() {
    volatile int zero = 0;
    volatile int one = 1;
    return one / zero;
}

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteWindowFile(const std::string& report, const std::string& title) {
    std::ofstream("window.txt", std::ios::binary) << title << "\n" << report;
}

void CrashAgainInWindow(const std::string&, const std::string&) {
    WriteThroughNull();
}

// A folder of the test's own, relative to the working directory so that the re-run child
// finds the same one, and the death-test style that re-runs the child from the start.
class DeathFolder {
public:
    void Open() {
        mStyle = GTEST_FLAG_GET(death_test_style);
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        mDir = std::filesystem::current_path() /
               ("crash_death_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(mDir);
        std::filesystem::create_directories(mDir);
    }
    void Close() {
        std::filesystem::remove_all(mDir);
        GTEST_FLAG_SET(death_test_style, mStyle);
    }

    // Moves into the folder and catches faults; for the child.
    void Prepare(CrashHandler::CrashWindowFunction window) {
        std::filesystem::current_path(mDir);
        CrashHandler::SetCrashWindow(window);
        CrashHandler::Install();
    }

    std::string CrashText() const { return ReadText(mDir / "crash.txt"); }

    std::string mStyle;
    std::filesystem::path mDir;
};

class CrashDeathTest : public ::testing::Test, public DeathFolder {
protected:
    void SetUp() override { Open(); }
    void TearDown() override { Close(); }
};

class CrashAppDeathTest : public AppTest, public DeathFolder {
protected:
    void SetUp() override {
        AppTest::SetUp();
        Open();
    }
    void TearDown() override {
        Close();
        AppTest::TearDown();
    }
};

void ExpectReportBlocks(const std::string& text) {
    EXPECT_NE(text.find(" in thread "), std::string::npos);
    EXPECT_NE(text.find("\r\nModule: "), std::string::npos);
    EXPECT_NE(text.find("\r\nLogical Address: "), std::string::npos);
    EXPECT_NE(text.find("\r\nEIP:"), std::string::npos);
    EXPECT_NE(text.find(" Ver: "), std::string::npos);
    EXPECT_EQ(text.back(), '\n');
}

TEST_F(CrashDeathTest, AbortWritesAReportAndReachesTheCrashWindow) {
    EXPECT_EXIT(
        {
            Prepare(WriteWindowFile);
            std::abort();
        },
        ::testing::KilledBySignal(SIGABRT), "");
    const std::string text = CrashText();
    EXPECT_EQ(text.rfind("Unknown exception: (code 0x40000015) at address ", 0), 0u) << text;
    ExpectReportBlocks(text);

    // The window gets the report as written, and the title of its logical address.
    const std::string window = ReadText(mDir / "window.txt");
    const size_t titleEnd = window.find('\n');
    ASSERT_NE(titleEnd, std::string::npos);
    EXPECT_EQ(window.rfind("Exception at ", 0), 0u);
    EXPECT_NE(text.find("Logical Address: " + window.substr(13, titleEnd - 13) + "\r\n"),
              std::string::npos);
    EXPECT_EQ(window.substr(titleEnd + 1) + "\n", text);
}

TEST_F(CrashDeathTest, NullWriteIsAnAccessViolationInTheProgram) {
    if (kAddressSanitizer) {
        GTEST_SKIP() << "the address sanitizer owns SIGSEGV";
    }
    EXPECT_EXIT(
        {
            Prepare(nullptr);
            WriteThroughNull();
        },
        ::testing::KilledBySignal(SIGSEGV), "");
    const std::string text = CrashText();
    EXPECT_EQ(text.rfind("Exception: Access Violation (code 0xc0000005) at address ", 0), 0u)
        << text;
    const std::string program = std::filesystem::path(platform::ProgramPath()).filename().string();
    EXPECT_NE(text.find("\r\nModule: " + program + "\r\n"), std::string::npos) << text;
    ExpectReportBlocks(text);
}

TEST_F(CrashDeathTest, IntegerDivideByZeroIsNamed) {
    EXPECT_EXIT(
        {
            Prepare(nullptr);
            std::exit(DivideByZero());
        },
        ::testing::KilledBySignal(SIGFPE), "");
    const std::string text = CrashText();
    EXPECT_EQ(text.rfind("Exception: Integer Divide by Zero (code 0xc0000094) at address ", 0), 0u)
        << text;
    ExpectReportBlocks(text);
}

TEST_F(CrashDeathTest, FaultInsideTheCrashWindowEndsTheProcessWithTheReportKept) {
    if (kAddressSanitizer) {
        GTEST_SKIP() << "the address sanitizer owns SIGSEGV";
    }
    EXPECT_EXIT(
        {
            Prepare(CrashAgainInWindow);
            std::abort();
        },
        ::testing::KilledBySignal(SIGSEGV), "");
    EXPECT_EQ(CrashText().rfind("Unknown exception: (code 0x40000015)", 0), 0u);
}

TEST_F(CrashAppDeathTest, ReportCarriesTheApplicationText) {
    EXPECT_EXIT(
        {
            TestApp& app = MakeInitedApp();
            app.mRecordingDemoBuffer = true;
            app.mDemoFileName = "crashed.dmo";
            Prepare(nullptr);
            std::abort();
        },
        ::testing::KilledBySignal(SIGABRT), "");
    const std::string text = CrashText();
    EXPECT_NE(text.find(" Ver: "), std::string::npos);
    EXPECT_NE(text.find("\r\n\r\nProduct: AppTest\r\nVersion: \r\n"), std::string::npos) << text;
}

TEST_F(CrashAppDeathTest, FaultOnAnotherThreadDuringShutdownEndsTheProcessWithTheReport) {
    EXPECT_EXIT(
        {
            TestApp& app = MakeInitedApp();
            app.mRecordingDemoBuffer = true;
            app.mDemoFileName = "crashed.dmo";
            Prepare(WriteWindowFile);
            // As when the music thread faulted while the main thread unloaded the songs, and
            // then waited for that thread to end.
            app.mShutdownProc = [] { std::thread([] { std::abort(); }).join(); };
            app.Shutdown();
            std::_Exit(0);
        },
        ::testing::KilledBySignal(SIGABRT), "");
    const std::string text = CrashText();
    EXPECT_EQ(text.rfind("Unknown exception: (code 0x40000015)", 0), 0u) << text;
    EXPECT_NE(text.find("\r\n\r\nProduct: AppTest\r\n"), std::string::npos) << text;
    EXPECT_TRUE(std::filesystem::exists(mDir / "crashed.dmo"));
    // Nobody answers a crash window on the way out.
    EXPECT_FALSE(std::filesystem::exists(mDir / "window.txt"));
}

}  // namespace
}  // namespace apptest

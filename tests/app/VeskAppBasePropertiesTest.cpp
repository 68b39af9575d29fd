// The property tables, the string table and whole-file reading.
#include <fstream>
#include <thread>

#include "AppTestSupport.h"
#include "resources/ImageLib.h"
#include "resources/zmResourceManager.h"

namespace apptest {
namespace {

using Vesk::VeskAppBase;

class PropertiesTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        mOldDir = platform::fs::CurrentDirectory();
        ASSERT_TRUE(platform::fs::SetCurrentDirectory(mTempDir));
    }
    void TearDown() override {
        platform::fs::SetCurrentDirectory(mOldDir);
        AppTest::TearDown();
    }

    void WriteFile(const std::string& path, const std::string& text) {
        const std::filesystem::path folder = std::filesystem::path(path).parent_path();
        if (!folder.empty()) {
            std::filesystem::create_directories(folder);
        }
        std::ofstream(path, std::ios::binary) << text;
    }

    std::string mOldDir;
};

TEST_F(PropertiesTest, StringTableLookups) {
    TestApp& app = MakeApp();
    app.SetString("GREETING", u"Hello");
    app.SetString("GREETING", u"Hall\u00f6");
    EXPECT_EQ(VeskAppBase::GetString("GREETING"), "Hall\xf6");
    EXPECT_EQ(VeskAppBase::GetString("MISSING"), "");
    EXPECT_EQ(VeskAppBase::GetStringOrDefault("RegistryKey", "abc"), "abc");
    EXPECT_EQ(VeskAppBase::GetStringOrDefault("GREETING", "abc"), "Hall\xf6");
    // The constructor's defaults are there from the start.
    EXPECT_EQ(VeskAppBase::GetString("DIALOG_BUTTON_OK"), "OK");

    mApp.reset();
    EXPECT_EQ(VeskAppBase::GetStringOrDefault("GREETING", "none"), "none");
    EXPECT_EQ(VeskAppBase::GetString("GREETING"), "");
}

TEST_F(PropertiesTest, LoadPropertiesFillsEveryTable) {
    TestApp& app = MakeApp();
    WriteFile("properties/default.xml",
              "<Properties>\n"
              "  <String id=\"TITLE\">Vorns</String>\n"
              "  <StringArray id=\"NAMES\"><String>a</String><String>b</String></StringArray>\n"
              "  <Boolean id=\"FLAG\">true</Boolean>\n"
              "  <Integer id=\"COUNT\">0x1F</Integer>\n"
              "  <Double id=\"RATE\">0.75</Double>\n"
              "</Properties>\n");
    ASSERT_TRUE(app.LoadProperties());
    EXPECT_EQ(VeskAppBase::GetString("TITLE"), "Vorns");
    std::lock_guard<std::mutex> guard(app.mPropertiesLock);
    EXPECT_EQ(app.mStringVectorProperties["NAMES"], (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(app.mBoolProperties["FLAG"]);
    EXPECT_EQ(app.mIntProperties["COUNT"], 31);
    EXPECT_DOUBLE_EQ(app.mDoubleProperties["RATE"], 0.75);
    EXPECT_TRUE(mWs->MessageBoxes().empty());
}

TEST_F(PropertiesTest, AMissingOrBrokenFileIsShownAndFails) {
    TestApp& app = MakeApp();
    EXPECT_FALSE(app.LoadProperties());
    ASSERT_EQ(mWs->MessageBoxes().size(), 1u);
    EXPECT_EQ(mWs->MessageBoxes()[0].text,
              "Unable to open properties file properties\\default.xml");
    EXPECT_EQ(mWs->MessageBoxes()[0].title, "FATAL ERROR");

    app.SetString("UNABLE_OPEN_PROPERTIES", u"Kein Zugriff: ");
    EXPECT_FALSE(app.LoadPropertiesFile("nothing.xml"));
    EXPECT_EQ(mWs->MessageBoxes().back().text, "Kein Zugriff: nothing.xml");

    WriteFile("bad.xml", "<Properties>\n<Integer id=\"X\">1</Integer>\n<Bogus/>\n</Properties>\n");
    EXPECT_FALSE(app.LoadPropertiesFile("bad.xml"));
    ASSERT_EQ(mWs->MessageBoxes().size(), 3u);
    EXPECT_NE(mWs->MessageBoxes().back().text.find("Bogus"), std::string::npos);
}

TEST_F(PropertiesTest, ReadBufferFromFileReadsWholeFiles) {
    TestApp& app = MakeApp();
    WriteFile("data/empty.bin", "");
    WriteFile("data/bytes.bin", std::string("a\0b\xff", 4));

    Vesk::Buffer buffer;
    buffer.WriteLong(1234);
    ASSERT_TRUE(app.ReadBufferFromFile("data\\empty.bin", &buffer, false));
    EXPECT_EQ(buffer.GetDataLen(), 0);

    buffer.WriteLong(1234);
    buffer.ReadByte();
    ASSERT_TRUE(app.ReadBufferFromFile("data/bytes.bin", &buffer, true));
    ASSERT_EQ(buffer.GetDataLen(), 4);
    EXPECT_EQ(buffer.GetReadCursor(), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer.GetDataPtr()), 4),
              std::string("a\0b\xff", 4));

    EXPECT_FALSE(app.ReadBufferFromFile("data/missing.bin", &buffer, false));
    EXPECT_EQ(buffer.GetDataLen(), 4);  // a failed read leaves the buffer alone
    EXPECT_FALSE(app.ReadBufferFromFile("data", &buffer, false));  // a folder has no bytes
}

TEST_F(PropertiesTest, AReplayClosedByTheUserReadsNoFile) {
    TestApp& app = MakeApp();
    WriteFile("there.txt", "x");
    app.mPlayingDemoBuffer = true;
    app.mManualShutdown = true;
    Vesk::Buffer buffer;
    EXPECT_FALSE(app.ReadBufferFromFile("there.txt", &buffer, false));
    // Without syncing the file is read as usual.
    EXPECT_TRUE(app.ReadBufferFromFile("there.txt", &buffer, true));
    EXPECT_EQ(buffer.GetDataLen(), 1);
    app.mPlayingDemoBuffer = false;
}

// An end on the error's box is no crash to the next start.
TEST_F(PropertiesTest, ResourceErrorsAreShownAndMayEndTheProgram) {
    TestApp& app = MakeApp();
    app.ReadFromRegistry();
    app.mResourceManager->mError = "Image not found: IMAGE_X";
    app.ShowResourceError(false);
    ASSERT_EQ(mWs->MessageBoxes().size(), 1u);
    EXPECT_EQ(mWs->MessageBoxes()[0].text, "Image not found: IMAGE_X");
    try {
        app.ShowResourceError(true);
        ADD_FAILURE() << "the program went on";
    } catch (const ExitCalled& exit) {
        EXPECT_EQ(exit.code, 1);
    }
    EXPECT_EQ(mWs->MessageBoxes().size(), 2u);
    int inProgress = -1;
    EXPECT_TRUE(app.RegistryReadInteger("InProgress", &inProgress));
    EXPECT_EQ(inProgress, 0);
}

TEST_F(PropertiesTest, ManifestLoadsOneResourceAtATimeOnTheLoadingThread) {
    TestApp& app = MakeApp();
    ImageLib::Image picture(4, 2);
    ASSERT_TRUE(ImageLib::WritePNGImage("a.png", picture));
    ASSERT_TRUE(ImageLib::WritePNGImage("b.png", picture));
    WriteFile("properties/resources.xml",
              "<ResourceManifest><Resources id=\"Game\"><Image id=\"A\" path=\"a.png\"/>"
              "<Image id=\"B\" path=\"b.png\" rows=\"2\"/><Image id=\"P\" path=\"!program\"/>"
              "</Resources></ResourceManifest>");
    app.LoadResourceManifest();
    Vesk::zmResourceManager& manager = *app.mResourceManager;
    app.mNumLoadingThreadTasks = manager.GetGroupResourceCount("Game");
    EXPECT_EQ(app.mNumLoadingThreadTasks, 2);
    app.mLoadingProc = [&] {
        manager.BeginGroupLoad("Game");
        while (manager.LoadNextResource()) {
            ++app.mCompletedLoadingThreadTasks;
        }
    };
    app.StartLoadingThread();
    app.WaitForLoadingThread();
    EXPECT_EQ(app.mCompletedLoadingThreadTasks, 2);
    EXPECT_FALSE(manager.HadError()) << manager.GetErrorText();
    Vesk::Image* b = manager.LookupImage("B").GetImage();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->GetCelHeight(), 1);
    EXPECT_EQ(b, app.GetSharedImage("B.PNG", "", nullptr).GetImage());  // the application's own

    WriteFile("properties/resources.xml", "<ResourceManifest><Resources>");
    try {
        app.LoadResourceManifest();
        ADD_FAILURE() << "the program went on";
    } catch (const ExitCalled&) {
    }
    ASSERT_FALSE(mWs->MessageBoxes().empty());
    EXPECT_EQ(mWs->MessageBoxes().back().text,
              "No id specified. on Line 1 in File 'properties\\resources.xml'");
}

TEST_F(PropertiesTest, TablesCanBeFilledWhileTheyAreRead) {
    TestApp& app = MakeApp();
    std::thread loader([&app] {
        for (int i = 0; i < 2000; ++i) {
            app.SetString("ID" + std::to_string(i % 50), u"text");
            app.SetInteger("N" + std::to_string(i % 50), i);
        }
    });
    for (int i = 0; i < 2000; ++i) {
        const std::string text =
            VeskAppBase::GetStringOrDefault("ID" + std::to_string(i % 50), "text");
        EXPECT_EQ(text, "text");
    }
    loader.join();
    EXPECT_EQ(VeskAppBase::GetString("ID49"), "text");
}

}  // namespace
}  // namespace apptest

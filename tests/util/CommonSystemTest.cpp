#include "util/CommonSystem.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace Vesk {
namespace {

class DataFolderTest : public ::testing::Test {
protected:
    void TearDown() override { SetAppDataFolder(""); }
};

TEST(OsVersionTest, AnswersAsAModernSystem) {
    EXPECT_FALSE(IsWin9xPlatform());
    EXPECT_TRUE(IsVistaOrLater());
    // Remembered answers stay the same.
    EXPECT_FALSE(IsWin9xPlatform());
    EXPECT_TRUE(IsVistaOrLater());
}

TEST_F(DataFolderTest, StoredWithATrailingSeparator) {
    SetAppDataFolder("/home/u/.local/share/Co/Game");
    EXPECT_EQ(GetAppDataFolder(), "/home/u/.local/share/Co/Game\\");
    SetAppDataFolder("/data/");
    EXPECT_EQ(GetAppDataFolder(), "/data/");
    SetAppDataFolder("c:\\data\\");
    EXPECT_EQ(GetAppDataFolder(), "c:\\data\\");
    SetAppDataFolder("");
    EXPECT_EQ(GetAppDataFolder(), "");
}

TEST_F(DataFolderTest, ConcurrentReadersSeeWholeValues) {
    const std::string a(300, 'a');
    const std::string b(500, 'b');
    std::vector<std::thread> threads;
    std::vector<char> tornFlags(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                if (t % 2 == 0) {
                    SetAppDataFolder(i % 2 ? a : b);
                } else {
                    const std::string seen = GetAppDataFolder();
                    if (!seen.empty() && seen != a + "\\" && seen != b + "\\") {
                        tornFlags[t] = 1;
                    }
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (char flag : tornFlags) {
        EXPECT_EQ(flag, 0);
    }
}

}  // namespace
}  // namespace Vesk

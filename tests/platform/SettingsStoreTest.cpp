#include "platform/SettingsStore.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/Process.h"
#include "platform/SettingsTree.h"
#include "platform/headless/MemorySettingsStore.h"
#include "platform/posix/FileSettingsStore.h"

namespace {

namespace stdfs = std::filesystem;
using namespace platform;
using Key = SettingsStore::Key;

constexpr const char* kProductKey = "SOFTWARE\\zandermol\\Vorns";

stdfs::path TestFolder() {
    return stdfs::temp_directory_path() /
           ("vesk_settings_" + std::to_string(ProcessId()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
}

std::vector<uint8_t> ReadFile(const stdfs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const stdfs::path& p, const std::vector<uint8_t>& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

SettingsResult SetInt(SettingsStore& store, const Key& key, std::string_view name, int32_t v) {
    uint8_t bytes[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                        static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
    return store.Set(key, name, kSettingsInteger, bytes, 4);
}

// The value's type and bytes, or nothing when the query fails.
std::optional<std::pair<uint32_t, std::vector<uint8_t>>> Get(SettingsStore& store, const Key& key,
                                                             std::string_view name) {
    std::vector<uint8_t> buffer(4096);
    size_t size = buffer.size();
    uint32_t type = 0;
    if (store.Query(key, name, type, buffer.data(), size) != SettingsResult::Ok) {
        return std::nullopt;
    }
    buffer.resize(size);
    return std::make_pair(type, buffer);
}

std::vector<uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

struct MemoryBackend {
    static constexpr bool kFile = false;
    std::unique_ptr<SettingsStore> Make(const stdfs::path&) { return MakeMemorySettingsStore(); }
};
struct FileBackend {
    static constexpr bool kFile = true;
    std::unique_ptr<SettingsStore> Make(const stdfs::path& file) {
        return std::make_unique<FileSettingsStore>(file.string());
    }
};

template <typename Backend>
class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        mFolder = TestFolder();
        stdfs::remove_all(mFolder);
        mFile = mFolder / "company" / "product" / "settings.dat";
        mStore = Backend().Make(mFile);
    }
    void TearDown() override {
        mStore.reset();
        stdfs::remove_all(mFolder);
    }

    stdfs::path mFolder;
    stdfs::path mFile;
    std::unique_ptr<SettingsStore> mStore;
};

using Backends = ::testing::Types<MemoryBackend, FileBackend>;
TYPED_TEST_SUITE(SettingsStoreTest, Backends);

TYPED_TEST(SettingsStoreTest, EveryTypeRoundTrips) {
    SettingsStore& store = *this->mStore;
    Key key;
    ASSERT_EQ(store.Open(kProductKey, SettingsAccess::WriteOrCreate, key), SettingsResult::Ok);

    const char text[] = "Thu Jan 01";
    const uint8_t binary[] = {0, 0xFF, 7, 0, 0x80};
    EXPECT_EQ(store.Set(key, "DemoJumpTime", kSettingsText, text, sizeof(text)),
              SettingsResult::Ok);
    EXPECT_EQ(store.Set(key, "Guid", kSettingsBinary, binary, sizeof(binary)), SettingsResult::Ok);
    EXPECT_EQ(store.Set(key, "Empty", kSettingsBinary, nullptr, 0), SettingsResult::Ok);
    EXPECT_EQ(SetInt(store, key, "PreferredX", -5), SettingsResult::Ok);

    auto t = Get(store, key, "DemoJumpTime");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->first, kSettingsText);
    EXPECT_EQ(t->second, std::vector<uint8_t>(text, text + sizeof(text)));
    auto b = Get(store, key, "Guid");
    ASSERT_TRUE(b);
    EXPECT_EQ(b->first, kSettingsBinary);
    EXPECT_EQ(b->second, std::vector<uint8_t>(binary, binary + sizeof(binary)));
    auto e = Get(store, key, "Empty");
    ASSERT_TRUE(e);
    EXPECT_TRUE(e->second.empty());
    auto i = Get(store, key, "PreferredX");
    ASSERT_TRUE(i);
    EXPECT_EQ(i->first, kSettingsInteger);
    EXPECT_EQ(i->second, (std::vector<uint8_t>{0xFB, 0xFF, 0xFF, 0xFF}));

    // Replacing may change the type.
    EXPECT_EQ(store.Set(key, "PreferredX", kSettingsText, "12", 3), SettingsResult::Ok);
    EXPECT_EQ(Get(store, key, "PreferredX")->first, kSettingsText);
}

TYPED_TEST(SettingsStoreTest, NamesCompareWithoutCase) {
    SettingsStore& store = *this->mStore;
    Key write;
    ASSERT_EQ(store.Open(kProductKey, SettingsAccess::WriteOrCreate, write), SettingsResult::Ok);
    EXPECT_EQ(SetInt(store, write, "MusicVolume", 85), SettingsResult::Ok);
    EXPECT_EQ(SetInt(store, write, "MUSICVOLUME", 40), SettingsResult::Ok);

    Key read;
    ASSERT_EQ(store.Open("software\\ZANDERMOL\\vorns", SettingsAccess::Read, read),
              SettingsResult::Ok);
    auto v = Get(store, read, "musicvolume");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->second[0], 40);
    EXPECT_EQ(store.Delete(write, "mUsIcVoLuMe"), SettingsResult::Ok);
    EXPECT_FALSE(Get(store, read, "MusicVolume"));
}

TYPED_TEST(SettingsStoreTest, SmallBufferReportsNeededSizeAndIsNeverOverrun) {
    SettingsStore& store = *this->mStore;
    Key key;
    ASSERT_EQ(store.Open(kProductKey, SettingsAccess::WriteOrCreate, key), SettingsResult::Ok);
    const char text[] = "0123456789";
    ASSERT_EQ(store.Set(key, "Text", kSettingsText, text, sizeof(text)), SettingsResult::Ok);

    uint8_t buffer[16];
    std::memset(buffer, 0xAA, sizeof(buffer));
    uint32_t type = 0;
    size_t size = 4;
    EXPECT_EQ(store.Query(key, "Text", type, buffer, size), SettingsResult::TooSmall);
    EXPECT_EQ(size, sizeof(text));
    EXPECT_EQ(type, kSettingsText);
    for (uint8_t b : buffer) {
        EXPECT_EQ(b, 0xAA);
    }

    size = 0;
    EXPECT_EQ(store.Query(key, "Text", type, nullptr, size), SettingsResult::TooSmall);
    EXPECT_EQ(size, sizeof(text));

    size = sizeof(text);
    EXPECT_EQ(store.Query(key, "Text", type, buffer, size), SettingsResult::Ok);
    EXPECT_EQ(std::memcmp(buffer, text, sizeof(text)), 0);
    EXPECT_EQ(buffer[sizeof(text)], 0xAA);

    size = 5;
    EXPECT_EQ(store.Query(key, "Text", type, nullptr, size), SettingsResult::InvalidArgument);

    type = 99;
    size = 3;
    EXPECT_EQ(store.Query(key, "Missing", type, buffer, size), SettingsResult::NotFound);
    EXPECT_EQ(type, 99u);
    EXPECT_EQ(size, 3u);
}

TYPED_TEST(SettingsStoreTest, OpeningKeysAndAccess) {
    SettingsStore& store = *this->mStore;
    Key key;
    EXPECT_EQ(store.Open(kProductKey, SettingsAccess::Read, key), SettingsResult::NotFound);
    EXPECT_EQ(store.Open(kProductKey, SettingsAccess::Write, key), SettingsResult::NotFound);
    EXPECT_FALSE(key.IsOpen());

    Key sub;
    ASSERT_EQ(store.Open(std::string(kProductKey) + "\\Test3D", SettingsAccess::WriteOrCreate, sub),
              SettingsResult::Ok);
    ASSERT_EQ(SetInt(store, sub, "RuntimeError", 1), SettingsResult::Ok);
    // Parents exist now, and a sub-key's values are its own.
    ASSERT_EQ(store.Open("SOFTWARE", SettingsAccess::Read, key), SettingsResult::Ok);
    ASSERT_EQ(store.Open(kProductKey, SettingsAccess::Write, key), SettingsResult::Ok);
    EXPECT_FALSE(Get(store, key, "RuntimeError"));
    EXPECT_EQ(store.Delete(key, "RuntimeError"), SettingsResult::NotFound);
    EXPECT_TRUE(Get(store, sub, "RuntimeError"));

    Key read;
    ASSERT_EQ(store.Open(kProductKey, SettingsAccess::Read, read), SettingsResult::Ok);
    EXPECT_EQ(SetInt(store, read, "X", 1), SettingsResult::AccessDenied);
    EXPECT_EQ(store.Delete(read, "X"), SettingsResult::AccessDenied);

    store.Close(sub);
    EXPECT_FALSE(sub.IsOpen());
    EXPECT_EQ(SetInt(store, sub, "X", 1), SettingsResult::InvalidArgument);
    uint32_t type = 0;
    size_t size = 0;
    EXPECT_EQ(store.Query(sub, "X", type, nullptr, size), SettingsResult::InvalidArgument);

    auto other = MakeMemorySettingsStore();
    Key foreign;
    ASSERT_EQ(other->Open(kProductKey, SettingsAccess::WriteOrCreate, foreign), SettingsResult::Ok);
    EXPECT_EQ(SetInt(store, foreign, "X", 1), SettingsResult::InvalidArgument);

    const std::vector<std::string> badPaths = {"a\\\\b", "\\a", "a\\", std::string(256, 'k'),
                                               std::string("a\0b", 3)};
    for (const std::string& bad : badPaths) {
        EXPECT_EQ(store.Open(bad, SettingsAccess::WriteOrCreate, key),
                  SettingsResult::InvalidArgument)
            << bad;
    }
    EXPECT_EQ(store.Open(std::string(255, 'k'), SettingsAccess::WriteOrCreate, key),
              SettingsResult::Ok);
}

TYPED_TEST(SettingsStoreTest, BadValuesAreRefusedAndChangeNothing) {
    SettingsStore& store = *this->mStore;
    Key key;
    ASSERT_EQ(store.Open(kProductKey, SettingsAccess::WriteOrCreate, key), SettingsResult::Ok);
    ASSERT_EQ(SetInt(store, key, "WaitForVSync", 1), SettingsResult::Ok);
    const uint8_t two[2] = {1, 2};
    EXPECT_EQ(store.Set(key, "WaitForVSync", kSettingsInteger, two, 2),
              SettingsResult::InvalidArgument);
    std::vector<uint8_t> huge(SettingsTree::kMaxValueSize + 1);
    EXPECT_EQ(store.Set(key, "WaitForVSync", kSettingsBinary, huge.data(), huge.size()),
              SettingsResult::InvalidArgument);
    EXPECT_EQ(store.Set(key, "X", kSettingsBinary, nullptr, 3), SettingsResult::InvalidArgument);
    EXPECT_EQ(store.Set(key, std::string("a\0b", 3), kSettingsBinary, two, 2),
              SettingsResult::InvalidArgument);
    EXPECT_EQ(Get(store, key, "WaitForVSync")->second, (std::vector<uint8_t>{1, 0, 0, 0}));
}

TYPED_TEST(SettingsStoreTest, ThreadsCanShareAStore) {
    SettingsStore& store = *this->mStore;
    constexpr int kThreads = 4;
    const int rounds = TypeParam::kFile ? 15 : 300;
    std::vector<std::thread> threads;
    std::vector<int> failures(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            Key key;
            std::string path = std::string(kProductKey) + "\\T" + std::to_string(t % 2);
            if (store.Open(path, SettingsAccess::WriteOrCreate, key) != SettingsResult::Ok) {
                ++failures[t];
                return;
            }
            for (int i = 0; i < rounds; ++i) {
                std::string name = "V" + std::to_string(t) + "_" + std::to_string(i);
                if (SetInt(store, key, name, i) != SettingsResult::Ok) {
                    ++failures[t];
                }
                auto v = Get(store, key, name);
                if (!v || v->second[0] != static_cast<uint8_t>(i)) {
                    ++failures[t];
                }
            }
        });
    }
    for (std::thread& th : threads) {
        th.join();
    }
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(failures[t], 0) << "thread " << t;
    }
}

// The file backend.

class FileSettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        mFolder = TestFolder();
        stdfs::remove_all(mFolder);
        stdfs::create_directories(mFolder);
        mFile = mFolder / "settings.dat";
    }
    void TearDown() override { stdfs::remove_all(mFolder); }

    // A file holding kProductKey with "MusicVolume" = 85 and "Name" = "Vorns".
    std::vector<uint8_t> ValidFile() {
        FileSettingsStore store(mFile.string());
        Key key;
        EXPECT_EQ(store.Open(kProductKey, SettingsAccess::WriteOrCreate, key), SettingsResult::Ok);
        EXPECT_EQ(SetInt(store, key, "MusicVolume", 85), SettingsResult::Ok);
        EXPECT_EQ(store.Set(key, "Name", kSettingsText, "Vorns", 6), SettingsResult::Ok);
        return ReadFile(mFile);
    }

    stdfs::path mFolder;
    stdfs::path mFile;
};

// Little-endian builder for hand-made files; Finish appends the checksum a valid file has.
struct FileBuilder {
    std::vector<uint8_t> bytes{'V', 'S', 'E', 'T', 1, 0, 0, 0};
    FileBuilder& U32(uint32_t v) {
        for (int s = 0; s < 32; s += 8) {
            bytes.push_back(static_cast<uint8_t>(v >> s));
        }
        return *this;
    }
    FileBuilder& Text(std::string_view t) {
        U32(static_cast<uint32_t>(t.size()));
        bytes.insert(bytes.end(), t.begin(), t.end());
        return *this;
    }
    std::vector<uint8_t> Finish() {
        uint32_t crc = 0xFFFFFFFFu;
        for (uint8_t b : bytes) {
            crc ^= b;
            for (int i = 0; i < 8; ++i) {
                crc = (crc >> 1) ^ ((crc & 1u) ? 0xEDB88320u : 0u);
            }
        }
        U32(~crc);
        return bytes;
    }
};

TEST_F(FileSettingsStoreTest, ANewStoreOnTheFileSeesTheValuesWithTheirCase) {
    ValidFile();
    FileSettingsStore again(mFile.string());
    EXPECT_EQ(again.LoadError(), "");
    Key key;
    ASSERT_EQ(again.Open("software\\ZANDERMOL\\VORNS", SettingsAccess::Read, key),
              SettingsResult::Ok);
    auto v = Get(again, key, "musicvolume");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->first, kSettingsInteger);
    EXPECT_EQ(v->second, (std::vector<uint8_t>{85, 0, 0, 0}));
    EXPECT_EQ(Get(again, key, "NAME")->second, Bytes(std::string_view("Vorns\0", 6)));

    std::string error;
    auto tree = FileSettingsStore::Parse(ReadFile(mFile), error);
    ASSERT_TRUE(tree) << error;
    const SettingsTree::Key& stored = tree->Keys().at("software\\zandermol\\vorns");
    EXPECT_EQ(stored.path, kProductKey);
    EXPECT_EQ(stored.values.at("musicvolume").name, "MusicVolume");
}

TEST_F(FileSettingsStoreTest, TwoStoresOnOneFileSeeEachOthersChanges) {
    FileSettingsStore a(mFile.string());
    FileSettingsStore b(mFile.string());
    Key ka, kb;
    ASSERT_EQ(a.Open(kProductKey, SettingsAccess::WriteOrCreate, ka), SettingsResult::Ok);
    ASSERT_EQ(SetInt(a, ka, "Muted", 1), SettingsResult::Ok);
    ASSERT_EQ(b.Open(kProductKey, SettingsAccess::Write, kb), SettingsResult::Ok);
    ASSERT_TRUE(Get(b, kb, "Muted"));
    ASSERT_EQ(SetInt(b, kb, "ScreenMode", 1), SettingsResult::Ok);
    EXPECT_TRUE(Get(a, ka, "ScreenMode"));
    EXPECT_TRUE(Get(b, kb, "Muted"));  // b's write kept a's value
    ASSERT_EQ(a.Delete(ka, "Muted"), SettingsResult::Ok);
    EXPECT_FALSE(Get(b, kb, "Muted"));
}

TEST_F(FileSettingsStoreTest, TwoStoresWritingFromThreadsLoseNothing) {
    FileSettingsStore a(mFile.string());
    FileSettingsStore b(mFile.string());
    auto writer = [](FileSettingsStore& store, const char* prefix) {
        Key key;
        ASSERT_EQ(store.Open(kProductKey, SettingsAccess::WriteOrCreate, key), SettingsResult::Ok);
        for (int i = 0; i < 10; ++i) {
            ASSERT_EQ(SetInt(store, key, prefix + std::to_string(i), i), SettingsResult::Ok);
        }
    };
    std::thread ta(writer, std::ref(a), "A");
    std::thread tb(writer, std::ref(b), "B");
    ta.join();
    tb.join();
    FileSettingsStore check(mFile.string());
    Key key;
    ASSERT_EQ(check.Open(kProductKey, SettingsAccess::Read, key), SettingsResult::Ok);
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(Get(check, key, "A" + std::to_string(i))) << i;
        EXPECT_TRUE(Get(check, key, "B" + std::to_string(i))) << i;
    }
}

TEST_F(FileSettingsStoreTest, EveryTruncationAndDamageIsReportedNotLoaded) {
    std::vector<uint8_t> valid = ValidFile();
    std::string error;
    ASSERT_TRUE(FileSettingsStore::Parse(valid, error));
    for (size_t n = 0; n < valid.size(); ++n) {
        std::vector<uint8_t> cut(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(n));
        error.clear();
        EXPECT_FALSE(FileSettingsStore::Parse(cut, error)) << n;
        EXPECT_FALSE(error.empty()) << n;
    }
    for (size_t i = 0; i < valid.size(); ++i) {
        std::vector<uint8_t> flipped = valid;
        flipped[i] ^= 0x10;
        EXPECT_FALSE(FileSettingsStore::Parse(flipped, error)) << i;
    }
    std::vector<uint8_t> v2 = valid;
    v2[4] = 2;
    FileSettingsStore::Parse(v2, error);
    EXPECT_EQ(error, "unsupported version 2");
    FileSettingsStore::Parse(Bytes("[settings]\nX=1\n"), error);
    EXPECT_EQ(error, "not a settings file");
}

TEST_F(FileSettingsStoreTest, WellSealedButInconsistentFilesAreRejected) {
    std::string error;
    // A key count far beyond the data.
    EXPECT_FALSE(FileSettingsStore::Parse(FileBuilder().U32(0xFFFFFFFFu).Finish(), error));
    // A value length past the end.
    EXPECT_FALSE(FileSettingsStore::Parse(
        FileBuilder().U32(1).Text("K").U32(1).Text("V").U32(3).U32(0x7FFFFFFFu).Finish(), error));
    // An integer that is not 4 bytes.
    EXPECT_FALSE(FileSettingsStore::Parse(
        FileBuilder().U32(1).Text("K").U32(1).Text("V").U32(kSettingsInteger).Text("ab").Finish(),
        error));
    // The same value twice, differing only in case.
    EXPECT_FALSE(FileSettingsStore::Parse(FileBuilder()
                                              .U32(1)
                                              .Text("K")
                                              .U32(2)
                                              .Text("v")
                                              .U32(3)
                                              .Text("")
                                              .Text("V")
                                              .U32(3)
                                              .Text("")
                                              .Finish(),
                                          error));
    // The same key twice, an empty key name, trailing bytes.
    EXPECT_FALSE(FileSettingsStore::Parse(
        FileBuilder().U32(2).Text("K").U32(0).Text("k").U32(0).Finish(), error));
    EXPECT_FALSE(
        FileSettingsStore::Parse(FileBuilder().U32(1).Text("a\\\\b").U32(0).Finish(), error));
    EXPECT_FALSE(FileSettingsStore::Parse(FileBuilder().U32(0).U32(0).Finish(), error));
    // And a sound hand-made one loads, its child key before its parent included.
    auto tree = FileSettingsStore::Parse(FileBuilder()
                                             .U32(2)
                                             .Text("A\\B")
                                             .U32(0)
                                             .Text("a")
                                             .U32(1)
                                             .Text("X")
                                             .U32(3)
                                             .Text("z")
                                             .Finish(),
                                         error);
    ASSERT_TRUE(tree) << error;
    EXPECT_TRUE(tree->HasKey("a\\b"));
}

TEST_F(FileSettingsStoreTest, ADamagedFileReadsEmptyAndIsKeptAsideWhenAValueIsSet) {
    std::vector<uint8_t> valid = ValidFile();
    std::vector<uint8_t> damaged(valid.begin(), valid.end() - 3);
    WriteFile(mFile, damaged);

    FileSettingsStore store(mFile.string());
    EXPECT_NE(store.LoadError().find("truncated"), std::string::npos) << store.LoadError();
    Key key;
    EXPECT_EQ(store.Open(kProductKey, SettingsAccess::Read, key), SettingsResult::NotFound);
    ASSERT_EQ(store.Open(kProductKey, SettingsAccess::WriteOrCreate, key), SettingsResult::Ok);
    EXPECT_FALSE(Get(store, key, "MusicVolume"));
    EXPECT_EQ(store.Delete(key, "MusicVolume"), SettingsResult::NotFound);
    EXPECT_EQ(ReadFile(mFile), damaged);

    ASSERT_EQ(SetInt(store, key, "SfxVolume", 75), SettingsResult::Ok);
    EXPECT_EQ(store.LoadError(), "");
    EXPECT_EQ(ReadFile(mFile.string() + ".damaged"), damaged);
    ASSERT_EQ(SetInt(store, key, "SfxVolume", 70), SettingsResult::Ok);
    EXPECT_FALSE(stdfs::exists(mFile.string() + ".damaged.2"));
    FileSettingsStore again(mFile.string());
    EXPECT_EQ(again.LoadError(), "");
    ASSERT_EQ(again.Open(kProductKey, SettingsAccess::Read, key), SettingsResult::Ok);
    EXPECT_TRUE(Get(again, key, "SfxVolume"));
}

TEST_F(FileSettingsStoreTest, AFileThatCannotBeReadOrKeptAsideIsNeverWritten) {
    const std::vector<uint8_t> damaged = Bytes("not settings");
    for (const bool unreadable : {true, false}) {
        stdfs::remove_all(mFolder);
        stdfs::create_directories(mFolder);
        if (unreadable) {
            // Root reads past any mode; this one fails with a read error for everyone.
            stdfs::create_symlink("/proc/self/mem", mFile);
        } else {
            // Every name a copy could take is held by other bytes.
            WriteFile(mFile, damaged);
            WriteFile(mFile.string() + ".damaged", Bytes("other"));
            for (int i = 2; i <= 100; ++i) {
                WriteFile(mFile.string() + ".damaged." + std::to_string(i), Bytes("other"));
            }
        }
        FileSettingsStore store(mFile.string());
        EXPECT_NE(store.LoadError(), "");
        Key key;
        ASSERT_EQ(store.Open(kProductKey, SettingsAccess::WriteOrCreate, key), SettingsResult::Ok);
        EXPECT_EQ(SetInt(store, key, "SfxVolume", 75), SettingsResult::IoError) << unreadable;
        EXPECT_EQ(SetInt(store, key, "SfxVolume", 70), SettingsResult::IoError) << unreadable;
        if (unreadable) {
            EXPECT_TRUE(stdfs::is_symlink(mFile));
        } else {
            EXPECT_EQ(ReadFile(mFile), damaged);
        }
    }
}

// A writer killed while saving leaves its temporary file: the next store on the file removes it,
// while a running writer's stays.
TEST_F(FileSettingsStoreTest, TemporaryFilesLeftByACrashDoNotMatter) {
    ValidFile();
    WriteFile(mFolder / "settings.dat.tmp4242", Bytes("half a fi"));
    const std::string running = mFile.string() + ".tmp" + std::to_string(ProcessId());
    WriteFile(running, Bytes("junk"));
    const pid_t ended = fork();
    ASSERT_GE(ended, 0);
    if (ended == 0) {
        _exit(0);
    }
    ASSERT_EQ(waitpid(ended, nullptr, 0), ended);
    const std::string killed = mFile.string() + ".tmp" + std::to_string(ended);
    WriteFile(killed, Bytes("half a fi"));
    FileSettingsStore store(mFile.string());
    EXPECT_FALSE(stdfs::exists(killed));
    EXPECT_TRUE(stdfs::exists(running));
    EXPECT_EQ(store.LoadError(), "");
    Key key;
    ASSERT_EQ(store.Open(kProductKey, SettingsAccess::Write, key), SettingsResult::Ok);
    EXPECT_TRUE(Get(store, key, "MusicVolume"));
    ASSERT_EQ(SetInt(store, key, "PreferredY", 10), SettingsResult::Ok);
    std::string error;
    EXPECT_TRUE(FileSettingsStore::Parse(ReadFile(mFile), error)) << error;
}

TEST_F(FileSettingsStoreTest, AFailedSaveIsReportedAndChangesNothing) {
    // A folder where the file should be: it can be neither read nor replaced.
    stdfs::create_directories(mFile);
    FileSettingsStore store(mFile.string());
    EXPECT_NE(store.LoadError(), "");
    Key key;
    ASSERT_EQ(store.Open(kProductKey, SettingsAccess::WriteOrCreate, key), SettingsResult::Ok);
    EXPECT_EQ(SetInt(store, key, "InProgress", 1), SettingsResult::IoError);
    EXPECT_FALSE(Get(store, key, "InProgress"));
    EXPECT_TRUE(stdfs::is_directory(mFile));
}

TEST_F(FileSettingsStoreTest, MissingFoldersAreMadeOnFirstSave) {
    stdfs::path deep = mFolder / "a" / "b" / "settings.dat";
    FileSettingsStore store(deep.string());
    EXPECT_EQ(store.LoadError(), "");
    Key key;
    ASSERT_EQ(store.Open("", SettingsAccess::Write, key), SettingsResult::Ok);  // the root
    ASSERT_EQ(SetInt(store, key, "X", 1), SettingsResult::Ok);
    EXPECT_TRUE(stdfs::exists(deep));
}

TEST(FileSettingsStoreFactoryTest, TheFileLivesInTheConfigurationFolder) {
    auto store = MakeFileSettingsStore("zandermol\\Vorns\\");
    ASSERT_TRUE(store);
    auto* file = dynamic_cast<FileSettingsStore*>(store.get());
    ASSERT_TRUE(file);
    EXPECT_EQ(file->FilePath(), ConfigHomeFolder() + "zandermol/Vorns/settings.dat");
    for (const char* bad : {"", "/etc", "../x", "a/../../b", "a\\..", "/"}) {
        EXPECT_FALSE(MakeFileSettingsStore(bad)) << bad;
    }
}

}  // namespace

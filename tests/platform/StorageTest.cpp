#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Files.h"
#include "TempDirectory.h"
#include "platform/Storage.h"

namespace zolvex {
namespace {

namespace fs = std::filesystem;
using test::ReadWholeFile;
using test::WriteWholeFile;

class StorageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.Ready());
        root_ = folder_.Path().string();
        exe_ = root_ + "/bin";
        fs::create_directory(exe_);
        for (const char* name :
             {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XCOMPOSECACHE", "HOME"}) {
            const char* old = std::getenv(name);
            saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        }
        setenv("XDG_DATA_HOME", (root_ + "/data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }

    static bool IsPrivate(const std::string& path) {
        return (fs::status(path).permissions() & fs::perms::all) == fs::perms::owner_all;
    }
    // Root may write anywhere, so an unwritable folder is made impossible instead:
    // it lies under a file.
    std::string Impossible() {
        WriteWholeFile(root_ + "/file", "x");
        return root_ + "/file/bin";
    }

    test::TempDirectory folder_;
    std::string root_;
    std::string exe_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(StorageTest, WritableProgramFolderKeepsBothFilesAndIsLeftClean) {
    EXPECT_TRUE(IsWritableDirectory(exe_));
    StorageFolders folders = ChooseStorageFolders({exe_, false});
    EXPECT_EQ(folders.settings, exe_);
    EXPECT_EQ(folders.scores, exe_);
    EXPECT_TRUE(fs::is_empty(exe_)) << "the probe file is removed again";
    EXPECT_FALSE(fs::exists(root_ + "/data"));
    EXPECT_FALSE(fs::exists(root_ + "/config"));
}

TEST_F(StorageTest, AFolderIsWritableToThreadsAskingAtOnceAndPastAStaleProbe) {
    WriteWholeFile(exe_ + "/.zolvex.probe." + std::to_string(::getpid()) + ".0", "");
    std::atomic<int> refused{0};
    std::vector<std::thread> askers;
    for (int i = 0; i < 8; ++i) {
        askers.emplace_back([&] {
            for (int n = 0; n < 50; ++n) {
                if (!IsWritableDirectory(exe_)) ++refused;
            }
        });
    }
    for (std::thread& asker : askers) asker.join();
    EXPECT_EQ(refused, 0);
}

TEST_F(StorageTest, TheComposeCacheIsAPrivateFolderOfOursUnlessThePlayerHasOne) {
    setenv("HOME", root_.c_str(), 1);
    unsetenv("XCOMPOSECACHE");
    unsetenv("XDG_CACHE_HOME");
    const std::string ours = root_ + "/.cache/zolvex/compose";
    EXPECT_EQ(PrepareComposeCacheFolder(), ours);
    EXPECT_TRUE(IsPrivate(ours));

    setenv("XDG_CACHE_HOME", (root_ + "/cache").c_str(), 1);
    EXPECT_EQ(PrepareComposeCacheFolder(), root_ + "/cache/zolvex/compose");
    // A cache the player has is left to Xlib, and so is a folder that cannot be made.
    setenv("XDG_CACHE_HOME", Impossible().c_str(), 1);
    EXPECT_EQ(PrepareComposeCacheFolder(), "");
    setenv("XCOMPOSECACHE", (root_ + "/theirs").c_str(), 1);
    EXPECT_EQ(PrepareComposeCacheFolder(), "");
    unsetenv("XCOMPOSECACHE");
    fs::create_directory(root_ + "/.compose-cache");
    setenv("XDG_CACHE_HOME", (root_ + "/cache2").c_str(), 1);
    EXPECT_EQ(PrepareComposeCacheFolder(), "");
    EXPECT_FALSE(fs::exists(root_ + "/cache2"));
}

TEST_F(StorageTest, UnwritableFolderSplitsSettingsAndRankingsIntoPrivateXdgFolders) {
    std::string impossible = Impossible();
    EXPECT_FALSE(IsWritableDirectory(impossible));
    ::testing::internal::CaptureStderr();
    StorageFolders folders = ChooseStorageFolders({impossible, false});
    std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(folders.settings, root_ + "/config/zolvex");
    EXPECT_EQ(folders.scores, root_ + "/data/zolvex");
    EXPECT_NE(message.find(root_ + "/data/zolvex"), std::string::npos) << message;
    EXPECT_TRUE(IsPrivate(folders.settings));
    EXPECT_TRUE(IsPrivate(folders.scores));
}

TEST_F(StorageTest, InstalledCopyNeverWritesIntoItsFolderAndIsSeededOnce) {
    WriteWholeFile(exe_ + "/zolvex.ini", "[BGM]\nBGM=0\n");
    WriteWholeFile(exe_ + "/score.scr", "[10]\nName=A\n");
    ProgramFolder installed{exe_, true};
    EXPECT_EQ(PlanStorageFolders(installed).settings, root_ + "/config/zolvex");
    EXPECT_FALSE(fs::exists(root_ + "/config")) << "planning creates nothing";

    ::testing::internal::CaptureStderr();
    StorageFolders folders = ChooseStorageFolders(installed);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "an installed copy is quiet";
    EXPECT_EQ(ReadWholeFile(folders.settings + "/zolvex.ini"), "[BGM]\nBGM=0\n");
    EXPECT_EQ(ReadWholeFile(folders.scores + "/score.scr"), "[10]\nName=A\n");
    EXPECT_FALSE(fs::exists(folders.scores + "/zolvex.ini"));

    // Once the player has files of their own, the shipped ones never overwrite them.
    WriteWholeFile(folders.settings + "/zolvex.ini", "[BGM]\nBGM=1\n");
    fs::remove(folders.scores + "/score.scr");
    WriteWholeFile(folders.scores + "/score.scr", "[10]\nName=B\n");
    WriteWholeFile(exe_ + "/zolvex.ini", "[BGM]\nBGM=5\n");
    ChooseStorageFolders(installed);
    EXPECT_EQ(ReadWholeFile(folders.settings + "/zolvex.ini"), "[BGM]\nBGM=1\n");
    EXPECT_EQ(ReadWholeFile(folders.scores + "/score.scr"), "[10]\nName=B\n");
}

TEST_F(StorageTest, SettingsAnOlderRunKeptBesideTheRankingsAreMovedNotLost) {
    fs::create_directories(root_ + "/data/zolvex");
    WriteWholeFile(root_ + "/data/zolvex/zolvex.ini", "[Game]\nDefaultLevel=3\n");
    WriteWholeFile(exe_ + "/zolvex.ini", "[Game]\nDefaultLevel=1\n");
    ::testing::internal::CaptureStderr();
    StorageFolders folders = ChooseStorageFolders({exe_, true});
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(ReadWholeFile(folders.settings + "/zolvex.ini"), "[Game]\nDefaultLevel=3\n");
    EXPECT_FALSE(fs::exists(root_ + "/data/zolvex/zolvex.ini"));
}

TEST_F(StorageTest, FoldersDefaultUnderHomeAndFailureKeepsTheProgramFolder) {
    unsetenv("XDG_DATA_HOME");
    setenv("XDG_CONFIG_HOME", "relative/is/ignored", 1);
    setenv("HOME", (root_ + "/home").c_str(), 1);
    StorageFolders folders = ChooseStorageFolders({exe_, true});
    EXPECT_EQ(folders.scores, root_ + "/home/.local/share/zolvex");
    EXPECT_EQ(folders.settings, root_ + "/home/.config/zolvex");
    EXPECT_TRUE(fs::is_directory(folders.scores));

    // The folders cannot be made either: they would lie under a file.
    setenv("XDG_DATA_HOME", Impossible().c_str(), 1);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(ChooseStorageFolders({exe_, true}).scores, exe_);
    EXPECT_FALSE(::testing::internal::GetCapturedStderr().empty());
}

TEST_F(StorageTest, ProgramFolderIsFoundBesideTheExecutableOrInTheInstalledTree) {
    fs::create_directories(root_ + "/share/zolvex/bmp");
    WriteWholeFile(root_ + "/share/zolvex/bmp/mback.bmp", "BM");
    ProgramFolder found = LocateProgramFolder(exe_);
    EXPECT_EQ(found.directory, root_ + "/share/zolvex");
    EXPECT_TRUE(found.installed);

    fs::create_directories(exe_ + "/bmp");
    WriteWholeFile(exe_ + "/bmp/mback.bmp", "BM");
    found = LocateProgramFolder(exe_);
    EXPECT_EQ(found.directory, exe_);
    EXPECT_FALSE(found.installed);
}

}  // namespace
}  // namespace zolvex

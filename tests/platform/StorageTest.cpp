#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/Storage.h"

namespace zolvex {
namespace {

namespace fs = std::filesystem;

class StorageTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zolvex-storage-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        exe_ = root_ + "/bin";
        fs::create_directory(exe_);
        const char* old = std::getenv("XDG_DATA_HOME");
        hadXdg_ = old != nullptr;
        if (hadXdg_) oldXdg_ = old;
        setenv("XDG_DATA_HOME", (root_ + "/data").c_str(), 1);
    }
    void TearDown() override {
        if (hadXdg_)
            setenv("XDG_DATA_HOME", oldXdg_.c_str(), 1);
        else
            unsetenv("XDG_DATA_HOME");
        std::error_code error;
        fs::remove_all(root_, error);
    }

    static void Put(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string Get(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::string root_;
    std::string exe_;
    bool hadXdg_ = false;
    std::string oldXdg_;
};

TEST_F(StorageTest, WritableExecutableFolderIsUsedAndLeftClean) {
    EXPECT_TRUE(IsWritableDirectory(exe_));
    EXPECT_EQ(ChooseDataDirectory(exe_), exe_);
    EXPECT_TRUE(fs::is_empty(exe_)) << "the probe file is removed again";
    EXPECT_FALSE(fs::exists(root_ + "/data"));
}

TEST_F(StorageTest, UnwritableFolderFallsBackToTheDataFolder) {
    // Root may write anywhere, so make the folder impossible instead: it lies under a file.
    Put(root_ + "/file", "x");
    std::string impossible = root_ + "/file/bin";
    EXPECT_FALSE(IsWritableDirectory(impossible));
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(ChooseDataDirectory(impossible), root_ + "/data/zolvex");
    std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find(root_ + "/data/zolvex"), std::string::npos) << message;
    EXPECT_TRUE(fs::is_directory(root_ + "/data/zolvex"));
}

TEST_F(StorageTest, FallbackFolderIsSeededFromTheExecutableFolderOnce) {
    Put(exe_ + "/zolvex.ini", "[BGM]\nBGM=0\n");
    Put(exe_ + "/score.scr", "[10]\nName=A\n");
    std::string data = FallbackDataDirectory(exe_);
    ASSERT_EQ(data, root_ + "/data/zolvex");
    EXPECT_EQ(Get(data + "/zolvex.ini"), "[BGM]\nBGM=0\n");
    EXPECT_EQ(Get(data + "/score.scr"), "[10]\nName=A\n");

    // Once the player has files of their own, the shipped ones never overwrite them.
    Put(data + "/zolvex.ini", "[BGM]\nBGM=1\n");
    fs::remove(data + "/score.scr");
    Put(exe_ + "/zolvex.ini", "[BGM]\nBGM=5\n");
    EXPECT_EQ(FallbackDataDirectory(exe_), data);
    EXPECT_EQ(Get(data + "/zolvex.ini"), "[BGM]\nBGM=1\n");
    EXPECT_FALSE(fs::exists(data + "/score.scr"));
}

TEST_F(StorageTest, DataFolderDefaultsUnderHomeAndFailureKeepsExecutableFolder) {
    unsetenv("XDG_DATA_HOME");
    const char* oldHome = std::getenv("HOME");
    std::string savedHome = oldHome ? oldHome : "";
    setenv("HOME", (root_ + "/home").c_str(), 1);
    EXPECT_EQ(FallbackDataDirectory(exe_), root_ + "/home/.local/share/zolvex");
    EXPECT_TRUE(fs::is_directory(root_ + "/home/.local/share/zolvex"));

    // The data folder cannot be made either: it would lie under a file.
    Put(root_ + "/blocked", "x");
    setenv("XDG_DATA_HOME", (root_ + "/blocked").c_str(), 1);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(ChooseDataDirectory(root_ + "/blocked/bin"), root_ + "/blocked/bin");
    EXPECT_FALSE(::testing::internal::GetCapturedStderr().empty());

    if (oldHome)
        setenv("HOME", savedHome.c_str(), 1);
    else
        unsetenv("HOME");
}

}  // namespace
}  // namespace zolvex

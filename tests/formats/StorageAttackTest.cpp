// Attacks on the player's two files and races between copies of the game: links
// planted under the names a write uses, pipes, devices and huge files in place of the
// files, another copy that starts or stores meanwhile, and a full disk. Cases that
// could hang, exhaust memory or need a mount of their own run in a child process.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "formats/ProfileFile.h"
#include "formats/RankingFile.h"
#include "platform/Storage.h"

namespace zolvex {
namespace {

namespace fs = std::filesystem;

void Put(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}
std::string Get(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
RankEntry Entry(const char* name, uint32_t score) {
    RankEntry entry{};
    std::strncpy(entry.name, name, 10);
    entry.score = score;
    return entry;
}
long Lines(const std::string& text) {
    return std::count(text.begin(), text.end(), '\n');
}

// Runs `body` in a child process and returns its text: empty when all went well,
// "skip: why" when this machine cannot run it. A child that hangs for 20 s or dies fails.
std::string InChild(const std::function<std::string()>& body) {
    int out[2];
    if (::pipe(out) != 0) return "no pipe";
    pid_t child = ::fork();
    if (child == 0) {
        ::alarm(20);
        std::string report;
        try {
            report = body();
        } catch (const std::exception& error) {
            report = std::string("threw ") + error.what();
        }
        ::_exit(::write(out[1], report.data(), report.size()) < 0);
    }
    ::close(out[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t got; (got = ::read(out[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, got);
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status)) report += "died of signal " + std::to_string(WTERMSIG(status));
    return report;
}

class StorageAttackTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zolvex-attack-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code error;
        fs::remove_all(dir_, error);
    }
    std::string File(const std::string& name) const { return dir_ + "/" + name; }

    std::string dir_;
};

TEST_F(StorageAttackTest, LinksPlantedUnderTheNamesAWriteUsesAreNeverFollowed) {
    const std::string victim = File("victim");
    const std::string scores = File("score.scr");
    Put(victim, "precious\n");
    RankEntry entry = Entry("NEW", 5);
    // The name an older copy gave its temporary.
    fs::create_symlink(victim, File(".score.scr.tmp." + std::to_string(::getpid())));
    EXPECT_TRUE(StoreRankingEntry(scores, 1, &entry));
    EXPECT_EQ(Get(victim), "precious\n");
    EXPECT_EQ(GetProfileString(scores, "10", "Name", "", 11), "NEW");

    // A link in the table's place is neither read through nor replaced.
    fs::remove(scores);
    fs::create_symlink(victim, scores);
    Put(victim, "[10]\nName=VICTIM\n");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(GetProfileString(scores, "10", "Name", "", 11), "");
    EXPECT_FALSE(StoreRankingEntry(scores, 1, &entry));
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(Lines(errors), 1) << errors;
    EXPECT_NE(errors.find(scores), std::string::npos) << errors;
    EXPECT_TRUE(fs::is_symlink(scores));
    EXPECT_EQ(Get(victim), "[10]\nName=VICTIM\n");

    // Links under temporaries' names, dangling or not, go at start-up, unfollowed.
    fs::create_symlink(File("nowhere"), File(".zolvex.ini.tmp.123"));
    fs::create_symlink(victim, File(".score.scr.tmp.AbCd12"));
    RemoveStaleProfileTemporaries(dir_);
    EXPECT_FALSE(fs::exists(fs::symlink_status(File(".zolvex.ini.tmp.123"))));
    EXPECT_FALSE(fs::exists(fs::symlink_status(File(".score.scr.tmp.AbCd12"))));
    EXPECT_FALSE(fs::exists(File("nowhere")));
    EXPECT_EQ(Get(victim), "[10]\nName=VICTIM\n");
}

TEST_F(StorageAttackTest, SetUserAndGroupIdBitsAreNotCarriedOntoTheNewFile) {
    const std::string scores = File("score.scr");
    Put(scores, "[10]\nName=A\n");
    ASSERT_EQ(::chmod(scores.c_str(), 06755), 0);
    ASSERT_TRUE(StoreRankingEntry(scores, 1, nullptr));
    EXPECT_EQ(fs::status(scores).permissions(), static_cast<fs::perms>(0755));
}

TEST_F(StorageAttackTest, AStartingCopyLeavesTheTemporaryOfALiveWriterAlone) {
    const std::string scores = File("score.scr");
    ::testing::internal::CaptureStderr();
    pid_t starting = ::fork();  // starts up again and again until stopped
    if (starting == 0) {
        for (;;) RemoveStaleProfileTemporaries(dir_);
    }
    ASSERT_GT(starting, 0);
    int lost = 0;
    RankEntry entries[10] = {};
    for (uint32_t round = 1; round <= 200; ++round) {
        entries[0].score = round;
        lost += !WriteRankingTable(scores, 1, entries);
    }
    ::kill(starting, SIGKILL);
    ::waitpid(starting, nullptr, 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(GetProfileInt(scores, "10", "Score", -1), 200);
}

TEST_F(StorageAttackTest, TwoCopiesStoringAtOnceLoseNoEntryAndNoSetting) {
    const std::string scores = File("score.scr");
    const std::string settings = File("zolvex.ini");
    for (int round = 0; round < 40; ++round) {
        Put(scores, "[10]\nName=OLD\nScore=0000000150\n");
        Put(settings, "[Game]\nDefaultLevel=2\n");
        int gate[2];
        ASSERT_EQ(::pipe(gate), 0);
        pid_t copies[2];
        for (int k = 0; k < 2; ++k) {
            if ((copies[k] = ::fork()) != 0) continue;
            ::close(gate[1]);
            char go;
            bool open = ::read(gate[0], &go, 1) == 0;  // both go when the gate closes
            RankEntry entry = Entry(k == 0 ? "ANN" : "BOB", k == 0 ? 200 : 100);
            ::_exit(open && StoreRankingEntry(scores, 1, &entry) &&
                            WriteProfileString(settings, "Copies", entry.name, "1")
                        ? 0
                        : 1);
        }
        ::close(gate[0]);
        ::close(gate[1]);
        for (pid_t copy : copies) {
            int status = 0;
            ::waitpid(copy, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round;
        }
        RankEntry table[10];
        ReadRankingTable(scores, 1, table);
        ProfileSnapshot kept(settings);
        ASSERT_EQ(std::string(table[0].name) + table[1].name + table[2].name, "ANNOLDBOB")
            << "round " << round;
        ASSERT_EQ(kept.GetInt("Copies", "ANN", 0) + kept.GetInt("Copies", "BOB", 0) +
                      kept.GetInt("Game", "DefaultLevel", 0),
                  4)
            << "round " << round;
    }
}

TEST_F(StorageAttackTest, PipesDevicesAndHugeFilesAreRefusedUnreadAndUntouched) {
    const std::string settings = File("zolvex.ini");
    const std::string scores = File("score.scr");
    const std::string huge = File("huge.scr");
    const std::string zero = File("zero/zolvex.ini");
    ASSERT_EQ(::mkfifo(settings.c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(scores.c_str(), 0600), 0);
    fs::create_directory(File("zero"));
    fs::create_symlink("/dev/zero", zero);
    const std::string hugeText = "[10]\nName=BIG\nScore=7\n" + std::string(kProfileFileLimit, ';');
    Put(huge, hugeText);
    std::string report = InChild([&] {
#if !defined(__SANITIZE_ADDRESS__)
        // A reader that takes /dev/zero whole fails here rather than fill the machine.
        struct rlimit memory = {size_t{1} << 30, size_t{1} << 30};
        ::setrlimit(RLIMIT_AS, &memory);
#endif
        ::testing::internal::CaptureStderr();
        RankEntry entry = Entry("NEW", 5);
        std::string failures;
        if (GetProfileInt(settings, "Game", "DefaultLevel", 7) != 7) failures += "pipe read; ";
        if (WriteProfileString(settings, "Game", "DefaultLevel", "2")) failures += "pipe written; ";
        if (StoreRankingEntry(scores, 1, &entry)) failures += "pipe table stored; ";
        if (GetProfileInt(zero, "BGM", "BGM", 7) != 7) failures += "linked device read; ";
        if (GetProfileInt("/dev/zero", "BGM", "BGM", 7) != 7) failures += "device read; ";
        if (ReadBestScores(huge, 1).best[0] != 0) failures += "huge table read; ";
        if (StoreRankingEntry(huge, 1, &entry)) failures += "huge table stored; ";
        long lines = Lines(::testing::internal::GetCapturedStderr());
        if (lines != 5) failures += std::to_string(lines) + " lines for 5 files";
        return failures;
    });
    EXPECT_EQ(report, "");
    EXPECT_TRUE(fs::is_fifo(settings) && fs::is_fifo(scores));
    EXPECT_TRUE(Get(huge) == hugeText) << "the huge file was changed";
}

TEST_F(StorageAttackTest, AFullDiskKeepsTheOldTableAndTheSettingsWhole) {
    const std::string full = File("full");
    const std::string settingsText = "[Game]\nDefaultLevel=3\n;" + std::string(8192, '-') + "\n";
    fs::create_directories(File("data/zolvex"));
    fs::create_directory(full);
    Put(File("data/zolvex/zolvex.ini"), settingsText);
    std::string report = InChild([&]() -> std::string {
        if ((::unshare(CLONE_NEWNS) != 0 && ::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("none", full.c_str(), "tmpfs", 0, "size=64k") != 0) {
            return "skip: no tmpfs of our own here";
        }
        const std::string scores = full + "/score.scr";
        const std::string table = "[10]\nName=OLD\nScore=0000000009\n";
        Put(scores, table);
        fs::create_directories(full + "/config/zolvex");
        std::ofstream filler(full + "/filler", std::ios::binary);
        for (int i = 0; i < 100 && filler; ++i) filler << std::string(4096, 'x') << std::flush;
        ::setenv("XDG_DATA_HOME", File("data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (full + "/config").c_str(), 1);

        ::testing::internal::CaptureStderr();
        RankEntry entry = Entry("NEW", 10);
        bool stored = StoreRankingEntry(scores, 1, &entry);
        // The settings an older run kept with the rankings cannot move onto the full disk.
        StorageFolders folders = ChooseStorageFolders({File("bin"), true});
        const std::string errors = ::testing::internal::GetCapturedStderr();
        std::string failures;
        if (stored || Get(scores) != table) failures += "the table changed; ";
        if (errors.find(scores + " (writing") == std::string::npos)
            failures += "no line: " + errors;
        if (Get(folders.settings + "/zolvex.ini") != settingsText) failures += "settings cut; ";
        for (const auto& file : fs::recursive_directory_iterator(full)) {
            if (file.path().string().find(".tmp.") != std::string::npos) failures += "leftovers; ";
        }
        return failures;
    });
    if (report.rfind("skip:", 0) == 0) GTEST_SKIP() << report;
    EXPECT_EQ(report, "");
}

}  // namespace
}  // namespace zolvex

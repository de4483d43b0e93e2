// The recovery slots on a real folder: where they live, which slots a start may take (only
// those whose owner is gone, also when the owner was killed), and what a clean close leaves.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "document/recovery_file.h"

namespace kelvara {
namespace {

namespace fs = std::filesystem;

std::string content_of(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class RecoveryFileTest : public ::testing::Test {
protected:
    RecoveryFileTest() {
        char pattern[] = "/tmp/kelvara-recovery-XXXXXX";
        root_ = ::mkdtemp(pattern);
        folder_ = root_ / "state" / "kelvara";
    }
    ~RecoveryFileTest() override { fs::remove_all(root_); }

    RecoverySlot new_slot() {
        Result<RecoverySlot> slot = RecoverySlot::create(folder_);
        EXPECT_TRUE(slot.ok());
        return std::move(*slot);
    }
    size_t files_in_folder() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(folder_), {}));
    }

    fs::path root_;
    fs::path folder_;
};

TEST(RecoveryFolder, FollowsTheDesktopStateFolder) {
    struct Case {
        const char* xdg_state_home;
        const char* home;
        const char* expected;
    };
    const Case cases[] = {
        {"/x/state", "/home/u", "/x/state/kelvara"},
        {nullptr, "/home/u", "/home/u/.local/state/kelvara"},
        {"", "/home/u", "/home/u/.local/state/kelvara"},
        {"relative/state", "/home/u", "/home/u/.local/state/kelvara"},
        {nullptr, nullptr, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(recovery_folder(c.xdg_state_home, c.home), fs::path(c.expected))
            << (c.xdg_state_home ? c.xdg_state_home : "(unset)");
}

TEST_F(RecoveryFileTest, ALiveSlotIsNeverOfferedAndAReleasedOneIsOfferedWhole) {
    {
        RecoverySlot slot = new_slot();
        ASSERT_TRUE(slot.write("first text", "/music/a.kelvara").ok());
        ASSERT_TRUE(slot.write("second text", "/music/a.kelvara").ok());
        EXPECT_TRUE(RecoverySlot::claim_orphans(folder_).empty()) << "its lock is held";
        struct stat info {};
        ASSERT_EQ(::stat(folder_.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u) << "a user's unsaved work is private";
    }  // released without a clean close, as a crash leaves it

    std::vector<RecoverySlot> orphans = RecoverySlot::claim_orphans(folder_);
    ASSERT_EQ(orphans.size(), 1u);
    EXPECT_EQ(content_of(orphans[0].document_path()), "second text");
    EXPECT_EQ(orphans[0].origin(), "/music/a.kelvara");
    EXPECT_TRUE(RecoverySlot::claim_orphans(folder_).empty()) << "claimed: locked by this start";

    orphans[0].discard();
    EXPECT_EQ(files_in_folder(), 0u);
    EXPECT_TRUE(RecoverySlot::claim_orphans(folder_).empty());
}

TEST_F(RecoveryFileTest, TheLockOfAKilledOwnerIsReleasedByTheSystem) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Result<RecoverySlot> slot = RecoverySlot::create(folder_);
        if (!slot || !slot->write("edited in the child", "").ok()) ::_exit(1);
        ::raise(SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));

    std::vector<RecoverySlot> orphans = RecoverySlot::claim_orphans(folder_);
    ASSERT_EQ(orphans.size(), 1u);
    EXPECT_EQ(content_of(orphans[0].document_path()), "edited in the child");
    EXPECT_EQ(orphans[0].origin(), "") << "a document never saved";
}

TEST_F(RecoveryFileTest, OnlySlotsWithADocumentAreOfferedOldestFirst) {
    {
        RecoverySlot untouched = new_slot();
        RecoverySlot saved_since = new_slot();
        ASSERT_TRUE(saved_since.write("saved", "/a.kelvara").ok());
        saved_since.remove_document();
        RecoverySlot older = new_slot();
        ASSERT_TRUE(older.write("older", "").ok());
        fs::last_write_time(older.document_path(),
                            fs::file_time_type::clock::now() - std::chrono::hours(1));
        RecoverySlot newer = new_slot();
        ASSERT_TRUE(newer.write("newer", "/b.kelvara").ok());
    }
    std::vector<RecoverySlot> orphans = RecoverySlot::claim_orphans(folder_);
    ASSERT_EQ(orphans.size(), 2u);
    EXPECT_EQ(content_of(orphans[0].document_path()), "older");
    EXPECT_EQ(content_of(orphans[1].document_path()), "newer");
    // The two slots with nothing to recover are gone, files and all.
    EXPECT_EQ(files_in_folder(), 2u + 2u + 1u);  // two locks, two documents, one origin
}

TEST_F(RecoveryFileTest, AFolderThatCannotBeMadeIsReportedNotThrown) {
    std::ofstream(root_ / "blocker") << "a file where the folder should be";
    Result<RecoverySlot> slot = RecoverySlot::create(root_ / "blocker" / "kelvara");
    ASSERT_FALSE(slot.ok());
    EXPECT_EQ(slot.error().kind, ErrorKind::System);
    EXPECT_TRUE(RecoverySlot::claim_orphans(root_ / "missing").empty());
}

}  // namespace
}  // namespace kelvara

// Saving and reading document files on disk: an interrupted save never damages the old file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "document/document.h"
#include "document/document_io.h"
#include "persistence/atomic_file.h"
#include "persistence/document_file.h"

namespace kelvara {
namespace {

namespace fs = std::filesystem;

class DocumentFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/kelvara-files-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(folder, fs::perms::owner_all, ec);
        fs::remove_all(folder, ec);
    }
    static std::string content_of(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    // Only the named files are in the folder: no temporary file was left behind.
    std::vector<std::string> folder_entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path folder;
};

TEST_F(DocumentFilesTest, SavingReplacesTheFileKeepingItsPermissionsAndLinks) {
    Document doc;
    doc.set_overtone_type(PureTone);
    const fs::path path = folder / "song.kelvara";
    { std::ofstream(path) << "old content"; }
    const auto permissions = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(path, permissions);
    const fs::path link = folder / "link.kelvara";
    fs::create_symlink(path, link);

    EXPECT_TRUE(save_document_file(link, doc));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(content_of(path), document_text(doc));
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, permissions);
    EXPECT_THAT(folder_entries(), ::testing::ElementsAre("link.kelvara", "song.kelvara"));
    Document read;
    EXPECT_TRUE(read_document_file(path, read));
    EXPECT_EQ(read.state(), doc.state());
}

TEST_F(DocumentFilesTest, AFailedWriteLeavesTheOldFileByteIdentical) {
    // The child process may write no file larger than 100 bytes, so writing the new content
    // fails half-way (EFBIG), as on a full disk.
    const fs::path path = folder / "song.kelvara";
    const std::string old_content = "{ \"old\" = <00>; }";
    { std::ofstream(path) << old_content; }
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100, 100};
        setrlimit(RLIMIT_FSIZE, &limit);
        Document doc;
        const Result<void> saved = save_document_file(path, doc);
        _exit(!saved && saved.error().kind == ErrorKind::System && saved.error().code == EFBIG ? 0
                                                                                               : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save did not report EFBIG";
    EXPECT_EQ(content_of(path), old_content);
    EXPECT_THAT(folder_entries(), ::testing::ElementsAre("song.kelvara"));
}

TEST_F(DocumentFilesTest, AnUnwritableFolderOrAFailedRenameLeaveNoTrace) {
    // A folder stands where the file should go: the rename over it fails.
    const fs::path blocked = folder / "blocked.kelvara";
    fs::create_directories(blocked / "inside");
    Document doc;
    const Result<void> not_renamed = save_document_file(blocked, doc);
    ASSERT_FALSE(not_renamed);
    EXPECT_EQ(not_renamed.error().kind, ErrorKind::System);
    EXPECT_THAT(folder_entries(), ::testing::ElementsAre("blocked.kelvara"));

    if (geteuid() == 0) return;  // permissions do not bind the superuser
    const fs::path path = folder / "song.kelvara";
    { std::ofstream(path) << "old"; }
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    const Result<void> saved = save_document_file(path, doc);
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error().code, EACCES);
    EXPECT_EQ(content_of(path), "old");
}

TEST_F(DocumentFilesTest, ReadErrors) {
    Document doc;
    const Result<void> missing = read_document_file(folder / "missing.kelvara", doc);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().kind, ErrorKind::System);
    EXPECT_EQ(missing.error().code, ENOENT);

    const Result<void> directory = read_document_file(folder, doc);
    ASSERT_FALSE(directory);
    EXPECT_EQ(directory.error().code, EISDIR);

    const fs::path bad = folder / "bad.kelvara";
    { std::ofstream(bad) << "not a document"; }
    const Result<void> refused = read_document_file(bad, doc);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().description, unreadable_document_error().description);
    EXPECT_EQ(refused.error().located_detail(),
              bad.string() +
                  ", line 1, column 5 (byte 4): not a property list: unexpected text after the "
                  "value");

    const Result<std::string> too_long = read_whole_file(bad, 5);
    ASSERT_FALSE(too_long);
    EXPECT_EQ(too_long.error().code, EFBIG);
}

}  // namespace
}  // namespace kelvara

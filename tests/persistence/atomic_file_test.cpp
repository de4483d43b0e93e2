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

TEST_F(DocumentFilesTest, SaveThenReadRestoresTheDocument) {
    KelvaraDocument doc;
    doc.waveformSelected(PureTone);
    doc.boundsChanged(BoundField::XMax, 2.75f);
    const fs::path path = folder / "song.kelvara";
    EXPECT_EQ(save_document_file(path, doc), std::nullopt);
    EXPECT_EQ(content_of(path), doc.saveStateToData());
    EXPECT_THAT(folder_entries(), ::testing::ElementsAre("song.kelvara"));

    KelvaraDocument read;
    EXPECT_EQ(read_document_file(path, read), std::nullopt);
    EXPECT_EQ(read.file_state(), doc.file_state());
}

TEST_F(DocumentFilesTest, SavingReplacesTheFileAndKeepsItsPermissions) {
    const fs::path path = folder / "song.kelvara";
    { std::ofstream(path) << "old content"; }
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    KelvaraDocument doc;
    EXPECT_EQ(save_document_file(path, doc), std::nullopt);
    EXPECT_EQ(content_of(path), doc.saveStateToData());
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(DocumentFilesTest, SavingThroughASymbolicLinkReplacesTheLinkedFile) {
    const fs::path real = folder / "real.kelvara";
    const fs::path link = folder / "link.kelvara";
    { std::ofstream(real) << "old"; }
    fs::create_symlink(real, link);
    KelvaraDocument doc;
    EXPECT_EQ(save_document_file(link, doc), std::nullopt);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(content_of(real), doc.saveStateToData());
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
        KelvaraDocument doc;
        const auto error = save_document_file(path, doc);
        _exit(error && error->domain == "NSPOSIXErrorDomain" && error->code == EFBIG ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save did not report EFBIG";
    EXPECT_EQ(content_of(path), old_content);
    EXPECT_THAT(folder_entries(), ::testing::ElementsAre("song.kelvara"));
}

TEST_F(DocumentFilesTest, AnUnwritableFolderLeavesTheOldFileByteIdentical) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    const fs::path path = folder / "song.kelvara";
    { std::ofstream(path) << "old"; }
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    KelvaraDocument doc;
    const auto error = save_document_file(path, doc);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->code, EACCES);
    EXPECT_EQ(content_of(path), "old");
}

TEST_F(DocumentFilesTest, AFailedRenameRemovesTheTemporaryFile) {
    // A folder stands where the file should go: the rename over it fails.
    const fs::path path = folder / "song.kelvara";
    fs::create_directories(path / "inside");
    KelvaraDocument doc;
    const auto error = save_document_file(path, doc);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->domain, "NSPOSIXErrorDomain");
    EXPECT_THAT(folder_entries(), ::testing::ElementsAre("song.kelvara"));
    EXPECT_TRUE(fs::is_directory(path / "inside"));
}

TEST_F(DocumentFilesTest, ReadErrors) {
    KelvaraDocument doc;
    const auto missing = read_document_file(folder / "missing.kelvara", doc);
    ASSERT_TRUE(missing.has_value());
    EXPECT_EQ(missing->domain, "NSPOSIXErrorDomain");
    EXPECT_EQ(missing->code, ENOENT);

    const auto directory = read_document_file(folder, doc);
    ASSERT_TRUE(directory.has_value());
    EXPECT_EQ(directory->code, EISDIR);

    const fs::path bad = folder / "bad.kelvara";
    { std::ofstream(bad) << "not a document"; }
    const auto refused = read_document_file(bad, doc);
    ASSERT_TRUE(refused.has_value());
    EXPECT_EQ(*refused, unknown_read_error());

    const auto too_long = read_whole_file(bad, 5);
    ASSERT_TRUE(std::holds_alternative<DocumentError>(too_long));
    EXPECT_EQ(std::get<DocumentError>(too_long).code, EFBIG);
}

}  // namespace
}  // namespace kelvara

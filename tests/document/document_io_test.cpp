// Reading and saving documents: the errors with their reasons, a refused file that changes
// nothing, and a save that never damages the old file. (What a read leaves in the document:
// tests/persistence, value_rules_test.cpp and the window's revert in tests/app.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/error.h"
#include "document/document.h"
#include "document/document_io.h"
#include "persistence/document_file.h"
#include "persistence/fixtures.h"
#include "support/document_in_recording_window.h"

namespace kelvara {
namespace {

using kelvara::testing::fixture_path;
using kelvara::testing::read_fixture;
using ::testing::ElementsAre;
const std::string kUnknownReadDescription = "The document could not be opened.";
const std::string kUnknownReadReason = "The file is damaged or is not a Kelvara document.";

// The refusal of a file's content: the two texts of the dialog, and what was wrong.
void expect_unreadable(const Result<void>& read, const std::string& what) {
    ASSERT_FALSE(read) << what;
    EXPECT_EQ(read.error().kind, ErrorKind::Refused) << what;
    EXPECT_EQ(read.error().description, kUnknownReadDescription) << what;
    EXPECT_EQ(read.error().reason, kUnknownReadReason) << what;
    EXPECT_FALSE(read.error().detail.empty()) << what;
}

// Everything a read could change, including the arrays it would reallocate and the window.
struct DocumentSnapshot {
    DocumentFileState saved;
    const float* x_values;
    const float* partials;
    int32_t capacity;
    bool edited;
    const float* lent;
    int32_t shown_points;
    testing::ShownRange x_range, y_range;
    int32_t shown_overtones;
    friend bool operator==(const DocumentSnapshot&, const DocumentSnapshot&) = default;
};

DocumentSnapshot snapshot(const testing::DocumentInWindow& w) {
    const Document& doc = w.doc;
    return {doc.state(),
            doc.curve().x_values(),
            doc.curve().partials(),
            doc.curve().max_number_of_points(),
            doc.is_edited(),
            w.view.x_values,
            w.view.number_of_points,
            w.view.x_range,
            w.view.y_range,
            w.controls.overtones};
}

TEST(DocumentRead, EveryBadFileLeavesTheDocumentExactlyAsItWas) {
    testing::DocumentInWindow w;
    ASSERT_TRUE(read_document_text(w.doc, read_fixture("full.kelvara")));
    const DocumentSnapshot before = snapshot(w);
    w.controls.reloaded.clear();
    // (Where in the file each refusal was found: ReadErrorsSayWhichFileAndWhere below.)
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(fixture_path("bad"))) {
        ++files;
        expect_unreadable(
            read_document_text(w.doc, read_fixture("bad/" + entry.path().filename().string())),
            entry.path());
        EXPECT_EQ(snapshot(w), before) << entry.path();
    }
    EXPECT_GE(files, 6u);
    EXPECT_TRUE(w.controls.reloaded.empty());
}

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
    doc.curve_actions().set_overtone_type(PureTone);
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
    // (That what was written opens again: SavedDocument in value_rules_test.cpp.)
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

TEST_F(DocumentFilesTest, ReadErrorsSayWhichFileAndWhere) {
    Document doc;
    const Result<void> missing = read_document_file(folder / "missing.kelvara", doc);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().code, ENOENT);
    const fs::path bad = folder / "bad.kelvara";
    { std::ofstream(bad) << "not a document"; }
    const Result<void> refused = read_document_file(bad, doc);
    expect_unreadable(refused, "not a document");
    EXPECT_EQ(refused.error().located_detail(),
              bad.string() +
                  ", line 1, column 5 (byte 4): not a property list: unexpected text after the "
                  "value");
}

}  // namespace
}  // namespace kelvara

// The help command and the help window.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include "app/help_menu.h"

namespace kelvara {
namespace {

// One help window, shown again by each help command, showing the shipped page itself: no
// browser is needed. Its browser button offers the page to the desktop and says so when
// nothing opened it.
TEST(HelpWindow, ShowsTheShippedPageInItsOwnWindow) {
    std::vector<QUrl> opened;
    const QUrl page = QUrl::fromLocalFile(QStringLiteral(KELVARA_BUILD_HELP_PAGE));
    HelpMenu menu{page, [&](const QUrl& url) {
                      opened.push_back(url);
                      return false;
                  }};
    EXPECT_EQ(menu.help_window(), nullptr);
    menu.show_help();
    HelpWindow* help = menu.help_window();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->page_view()->documentTitle(), "Kelvara Help");
    EXPECT_TRUE(help->page_view()->toPlainText().contains("The curve"));
    QTest::mouseClick(help->browser_button(), Qt::LeftButton);
    EXPECT_THAT(opened, ::testing::ElementsAre(page));
    EXPECT_TRUE(help->isVisible());
    EXPECT_FALSE(help->note()->text().isEmpty()) << "no browser opened, and the window says so";
    QTest::mouseClick(help->close_button(), Qt::LeftButton);
    EXPECT_FALSE(help->isVisible());
    menu.show_help();
    EXPECT_EQ(menu.help_window(), help);
    EXPECT_TRUE(help->isVisible());
}

// Beside the program first, then in the data folder next to it, then the installed one; the
// build tree has the first.
TEST(HelpPage, IsFoundBesideTheProgramOrInTheDataFolderNextToIt) {
    EXPECT_TRUE(QFileInfo::exists(QStringLiteral(KELVARA_BUILD_HELP_PAGE)));
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("bin")));
    const QString program_dir = root.filePath(QStringLiteral("bin"));
    EXPECT_TRUE(find_help_page(program_dir).toLocalFile().startsWith(KELVARA_INSTALLED_HELP_DIR));
    for (const QString relative : {"share/kelvara/help/index.html", "bin/help/index.html"}) {
        QDir(root.path()).mkpath(QFileInfo(root.filePath(relative)).path());
        QFile(root.filePath(relative)).open(QIODevice::WriteOnly);
        EXPECT_EQ(find_help_page(program_dir).toLocalFile(), root.filePath(relative));
    }
}

}  // namespace
}  // namespace kelvara

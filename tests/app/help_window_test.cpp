// The help command and the help window.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/help_menu.h"

namespace kelvara {
namespace {

// One help window, shown again by each help command; its site button opens the help page
// and closes it (even when nothing opened), its close button only closes.
TEST(HelpWindow, OneWindowWhoseButtonsOpenThePageOrJustClose) {
    std::vector<QUrl> opened;
    const QUrl page = QUrl::fromLocalFile(QStringLiteral("/usr/share/kelvara/help/index.html"));
    HelpMenu menu{page, [&](const QUrl& url) {
                      opened.push_back(url);
                      return false;
                  }};
    EXPECT_EQ(menu.help_window(), nullptr);
    menu.show_help();
    HelpWindow* help = menu.help_window();
    ASSERT_NE(help, nullptr);
    QTest::mouseClick(help->close_button(), Qt::LeftButton);
    EXPECT_FALSE(help->isVisible());
    EXPECT_TRUE(opened.empty());
    menu.show_help();
    EXPECT_EQ(menu.help_window(), help);
    EXPECT_TRUE(help->isVisible());
    QTest::mouseClick(help->open_page_button(), Qt::LeftButton);
    EXPECT_THAT(opened, ::testing::ElementsAre(page));
    EXPECT_FALSE(help->isVisible());
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

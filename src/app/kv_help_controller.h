#pragma once
// KVHelpController: the help window ("KVHelp"). One button opens the help page that ships
// with the program in the desktop's browser and then closes the window; the other only
// closes it.
#include <QUrl>
#include <QWidget>
#include <functional>

class QPushButton;

namespace kelvara {

// Opens an address with the desktop's default handler; false when nothing could open it.
using UrlOpener = std::function<bool(const QUrl&)>;

class KVHelpController final : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* kWindowNibName = "KVHelp";

    KVHelpController(QUrl help_page, UrlOpener open_url, QWidget* parent = nullptr);

    void showWindow();
    // The site button's action: open the help page, then close the window, whether or not
    // the page could be opened.
    void goToHelpSite();
    // The close button's action.
    void closeWindow();

    QPushButton* goToSiteButton = nullptr;
    QPushButton* closeWindowButton = nullptr;

private:
    QUrl help_page_;
    UrlOpener open_url_;
};

// Where the help page is: beside the program in a build tree, under the data folder next
// to the program's folder (an installation, wherever it was moved), or under the install
// prefix. The last is also the answer when none exists.
QUrl find_help_page(const QString& program_dir);

}  // namespace kelvara

#pragma once
// HelpWindow: the help page that ships with the program, shown in a window of Kelvara's own,
// so that help works on a machine without a web browser. A button offers the page to the
// desktop's browser as well, for those who would rather read or print it there; when none
// opens it, the window says so and keeps showing the page.
#include <QUrl>
#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;
class QTextBrowser;

namespace kelvara {

// Opens an address with the desktop's default handler; false when nothing could open it.
using UrlOpener = std::function<bool(const QUrl&)>;

class HelpWindow final : public QWidget {
    Q_OBJECT

public:
    // Shows `help_page` (a local file); a page that is missing is named, with what to do.
    HelpWindow(QUrl help_page, UrlOpener open_url, QWidget* parent = nullptr);

    // Shows the window in front of the others.
    void present();
    // The browser button's action: offers the page to the desktop's browser.
    void open_in_browser();

    QTextBrowser* page_view() const { return page_view_; }
    // Empty until the browser button found no browser.
    QLabel* note() const { return note_; }
    QPushButton* browser_button() const { return browser_button_; }
    QPushButton* close_button() const { return close_button_; }

private:
    QUrl help_page_;
    UrlOpener open_url_;
    QTextBrowser* page_view_ = nullptr;
    QLabel* note_ = nullptr;
    QPushButton* browser_button_ = nullptr;
    QPushButton* close_button_ = nullptr;
};

// Where the help page is: beside the program in a build tree, under the data folder next
// to the program's folder (an installation, wherever it was moved), or under the install
// prefix. The last is also the answer when none exists.
QUrl find_help_page(const QString& program_dir);

}  // namespace kelvara

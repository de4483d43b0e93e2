#pragma once
// HelpWindow: a short note on what Kelvara does, with one button that opens the help page
// that ships with the program in the desktop's browser and then closes the window, and one
// that only closes it.
#include <QUrl>
#include <QWidget>
#include <functional>

class QPushButton;

namespace kelvara {

// Opens an address with the desktop's default handler; false when nothing could open it.
using UrlOpener = std::function<bool(const QUrl&)>;

class HelpWindow final : public QWidget {
    Q_OBJECT

public:
    HelpWindow(QUrl help_page, UrlOpener open_url, QWidget* parent = nullptr);

    // Shows the window in front of the others.
    void present();
    // The page button's action: open the help page, then close the window, whether or not
    // the page could be opened.
    void open_help_page();

    QPushButton* open_page_button() const { return open_page_button_; }
    QPushButton* close_button() const { return close_button_; }

private:
    QUrl help_page_;
    UrlOpener open_url_;
    QPushButton* open_page_button_ = nullptr;
    QPushButton* close_button_ = nullptr;
};

// Where the help page is: beside the program in a build tree, under the data folder next
// to the program's folder (an installation, wherever it was moved), or under the install
// prefix. The last is also the answer when none exists.
QUrl find_help_page(const QString& program_dir);

}  // namespace kelvara

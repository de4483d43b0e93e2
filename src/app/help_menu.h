#pragma once
// HelpMenu: the application's help command. It makes the help window the first time
// the command is used and shows that same window every later time.
#include <QObject>
#include <memory>

#include "app/help_window.h"

namespace kelvara {

class HelpMenu final : public QObject {
    Q_OBJECT

public:
    HelpMenu(QUrl help_page, UrlOpener open_url);
    ~HelpMenu() override;

    void show_help();
    // Null until the help command is first used.
    HelpWindow* help_window() const { return help_window_.get(); }

private:
    QUrl help_page_;
    UrlOpener open_url_;
    std::unique_ptr<HelpWindow> help_window_;
};

}  // namespace kelvara

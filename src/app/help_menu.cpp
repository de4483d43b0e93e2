#include "app/help_menu.h"

namespace kelvara {

HelpMenu::HelpMenu(QUrl help_page, UrlOpener open_url)
    : help_page_(std::move(help_page)), open_url_(std::move(open_url)) {}

HelpMenu::~HelpMenu() = default;

void HelpMenu::show_help() {
    if (!help_window_) help_window_ = std::make_unique<HelpWindow>(help_page_, open_url_);
    help_window_->present();
}

}  // namespace kelvara

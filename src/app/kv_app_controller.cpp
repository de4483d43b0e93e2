#include "app/kv_app_controller.h"

namespace kelvara {

KVAppController::KVAppController(QUrl help_page, UrlOpener open_url)
    : help_page_(std::move(help_page)), open_url_(std::move(open_url)) {}

KVAppController::~KVAppController() = default;

void KVAppController::helpMenuSelected() {
    if (!help_controller_)
        help_controller_ = std::make_unique<KVHelpController>(help_page_, open_url_);
    help_controller_->showWindow();
}

}  // namespace kelvara

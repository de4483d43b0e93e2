#include "app/kv_app_controller.h"

namespace kelvara {

KVAppController::KVAppController(QUrl help_page, UrlOpener open_url)
    : _help_page(std::move(help_page)), _open_url(std::move(open_url)) {}

KVAppController::~KVAppController() = default;

void KVAppController::helpMenuSelected() {
    if (!_help_controller)
        _help_controller = std::make_unique<KVHelpController>(_help_page, _open_url);
    _help_controller->showWindow();
}

}  // namespace kelvara

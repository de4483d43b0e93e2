#pragma once
// KVAppController: the application's help command. It makes the help window the first time
// the command is used and shows that same window every later time.
#include <QObject>
#include <memory>

#include "app/kv_help_controller.h"

namespace kelvara {

class KVAppController final : public QObject {
    Q_OBJECT

public:
    KVAppController(QUrl help_page, UrlOpener open_url);
    ~KVAppController() override;

    void helpMenuSelected();
    // Null until the help command is first used.
    KVHelpController* helpController() const { return _help_controller.get(); }

private:
    QUrl _help_page;
    UrlOpener _open_url;
    std::unique_ptr<KVHelpController> _help_controller;
};

}  // namespace kelvara

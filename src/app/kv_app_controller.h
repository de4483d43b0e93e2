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
    KVHelpController* helpController() const { return help_controller_.get(); }

private:
    QUrl help_page_;
    UrlOpener open_url_;
    std::unique_ptr<KVHelpController> help_controller_;
};

}  // namespace kelvara

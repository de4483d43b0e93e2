#include "app/help_window.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace kelvara {
namespace {
constexpr int kDefaultWidth = 760;
constexpr int kDefaultHeight = 680;
}  // namespace

HelpWindow::HelpWindow(QUrl help_page, UrlOpener open_url, QWidget* parent)
    : QWidget(parent, Qt::Window),
      help_page_(std::move(help_page)),
      open_url_(std::move(open_url)) {
    setObjectName(QStringLiteral("help_window"));
    setWindowTitle(tr("Kelvara Help"));

    page_view_ = new QTextBrowser;
    page_view_->setObjectName(QStringLiteral("help_page"));
    // Links leave the page only through the desktop, never by replacing it here.
    page_view_->setOpenExternalLinks(true);
    if (QFileInfo::exists(help_page_.toLocalFile())) {
        page_view_->setSource(help_page_);
    } else {
        page_view_->setHtml(
            tr("<h3>The help page is missing</h3><p>It belongs at <code>%1</code>, but is not "
               "there. Installing Kelvara again puts it back.</p>")
                .arg(help_page_.toLocalFile().toHtmlEscaped()));
    }

    note_ = new QLabel;
    note_->setObjectName(QStringLiteral("help_note"));
    note_->setWordWrap(true);
    browser_button_ = new QPushButton(tr("Open in &Web Browser"));
    browser_button_->setObjectName(QStringLiteral("browser_button"));
    browser_button_->setToolTip(tr("Read or print this page in your web browser"));
    close_button_ = new QPushButton(tr("&Close"));
    close_button_->setObjectName(QStringLiteral("close_button"));
    close_button_->setDefault(true);
    connect(browser_button_, &QPushButton::clicked, this, &HelpWindow::open_in_browser);
    connect(close_button_, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(note_, 1);
    buttons->addWidget(browser_button_);
    buttons->addWidget(close_button_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(page_view_, 1);
    layout->addLayout(buttons);
    resize(kDefaultWidth, kDefaultHeight);
}

void HelpWindow::present() {
    show();
    raise();
    activateWindow();
}

void HelpWindow::open_in_browser() {
    note_->setText(open_url_(help_page_)
                       ? QString()
                       : tr("No web browser could be opened; the page stays here."));
}

QUrl find_help_page(const QString& program_dir) {
    const QString candidates[] = {
        program_dir + QStringLiteral("/help/index.html"),
        program_dir + QStringLiteral("/../share/kelvara/help/index.html"),
        QStringLiteral(KELVARA_INSTALLED_HELP_DIR "/index.html"),
    };
    for (const QString& path : candidates)
        if (QFileInfo::exists(path)) return QUrl::fromLocalFile(QDir::cleanPath(path));
    return QUrl::fromLocalFile(candidates[2]);
}

}  // namespace kelvara

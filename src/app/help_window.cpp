#include "app/help_window.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kelvara {

HelpWindow::HelpWindow(QUrl help_page, UrlOpener open_url, QWidget* parent)
    : QWidget(parent, Qt::Window),
      help_page_(std::move(help_page)),
      open_url_(std::move(open_url)) {
    setObjectName(QStringLiteral("help_window"));
    setWindowTitle(tr("Kelvara Help"));

    auto* text = new QLabel(
        tr("<h3>Kelvara</h3>"
           "<p>Kelvara draws how rough two tones of a timbre sound together at every "
           "interval. The valleys of the curve are the intervals where the timbre sounds "
           "smooth: the notes of its natural scale.</p>"
           "<p>The help page explains the curve, the tables, the chord map and how to play "
           "it from a MIDI keyboard.</p>"));
    text->setWordWrap(true);
    text->setTextFormat(Qt::RichText);

    open_page_button_ = new QPushButton(tr("&Open Help Page"));
    open_page_button_->setObjectName(QStringLiteral("open_page_button"));
    open_page_button_->setToolTip(tr("Read the help page in your web browser"));
    open_page_button_->setDefault(true);
    close_button_ = new QPushButton(tr("&Close"));
    close_button_->setObjectName(QStringLiteral("close_button"));
    connect(open_page_button_, &QPushButton::clicked, this, &HelpWindow::open_help_page);
    connect(close_button_, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close_button_);
    buttons->addWidget(open_page_button_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addLayout(buttons);
    setMinimumWidth(380);
}

void HelpWindow::present() {
    show();
    raise();
    activateWindow();
}

void HelpWindow::open_help_page() {
    open_url_(help_page_);
    close();
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

#include "app/kv_help_controller.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kelvara {

KVHelpController::KVHelpController(QUrl help_page, UrlOpener open_url, QWidget* parent)
    : QWidget(parent, Qt::Window),
      help_page_(std::move(help_page)),
      open_url_(std::move(open_url)) {
    setObjectName(QString::fromLatin1(kWindowNibName));
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

    goToSiteButton = new QPushButton(tr("&Open Help Page"));
    goToSiteButton->setObjectName(QStringLiteral("goToSiteButton"));
    goToSiteButton->setToolTip(tr("Read the help page in your web browser"));
    goToSiteButton->setDefault(true);
    closeWindowButton = new QPushButton(tr("&Close"));
    closeWindowButton->setObjectName(QStringLiteral("closeWindowButton"));
    connect(goToSiteButton, &QPushButton::clicked, this, &KVHelpController::goToHelpSite);
    connect(closeWindowButton, &QPushButton::clicked, this, &KVHelpController::closeWindow);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(closeWindowButton);
    buttons->addWidget(goToSiteButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addLayout(buttons);
    setMinimumWidth(380);
}

void KVHelpController::showWindow() {
    show();
    raise();
    activateWindow();
}

void KVHelpController::goToHelpSite() {
    open_url_(help_page_);
    close();
}

void KVHelpController::closeWindow() {
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

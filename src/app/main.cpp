// kelvara: the desktop application. `kelvara FILE…` opens the documents given; without
// arguments it starts with a new document. Documents left unsaved by a Kelvara that did not
// close normally are offered first; `--restore-recovery=yes|no` answers without asking.
#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>

#include "app/kelvara_application.h"
#include "document/recovery_file.h"

namespace {

// Without a display Qt aborts with a message about platform plugins; say plainly what is
// missing instead.
bool has_display() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

}  // namespace

int main(int argc, char** argv) {
    if (!has_display()) {
        std::fprintf(stderr,
                     "kelvara: no display found (DISPLAY and WAYLAND_DISPLAY are empty).\n"
                     "Run it on a desktop, or without a screen under a virtual X server:\n"
                     "    xvfb-run -a %s\n",
                     argv[0]);
        return 1;
    }
    QApplication qt_app(argc, argv);
    kelvara::describe_application();

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QApplication::translate("main", "Dissonance curves of timbres, scales and chord maps"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("files"),
                                 QApplication::translate("main", "Documents to open."),
                                 QStringLiteral("[FILE…]"));
    const QCommandLineOption restore_option(
        QStringLiteral("restore-recovery"),
        QApplication::translate("main",
                                "Restore (yes) or discard (no) the unsaved documents of a "
                                "Kelvara that did not close normally, without asking."),
        QStringLiteral("yes|no"));
    parser.addOption(restore_option);
    parser.process(qt_app);

    kelvara::RecoveryAnswer answer = kelvara::RecoveryAnswer::Ask;
    if (parser.isSet(restore_option)) {
        const QString value = parser.value(restore_option);
        if (value == QStringLiteral("yes")) {
            answer = kelvara::RecoveryAnswer::Restore;
        } else if (value == QStringLiteral("no")) {
            answer = kelvara::RecoveryAnswer::Discard;
        } else {
            std::fprintf(stderr, "kelvara: --restore-recovery takes yes or no, not \"%s\"\n",
                         qPrintable(value));
            return 2;
        }
    }

    kelvara::KelvaraApplication app;
    app.documents().keep_recovery_files(kelvara::default_recovery_folder());
    app.documents().offer_recovered_documents(answer);
    app.open_startup_documents(parser.positionalArguments());
    return QApplication::exec();
}

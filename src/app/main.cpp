// kelvara: the desktop application. `kelvara FILE…` opens the documents given; without
// arguments it starts with a new document. Documents left unsaved by a Kelvara that did not
// close normally are offered first; `--restore-recovery=yes|no` answers without asking.
#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <optional>

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

QCommandLineOption restore_recovery_option() {
    return QCommandLineOption(
        QStringLiteral("restore-recovery"),
        QCoreApplication::translate("main",
                                    "Restore (yes) or discard (no) the unsaved documents of a "
                                    "Kelvara that did not close normally, without asking."),
        QStringLiteral("yes|no"));
}

// The options and arguments `kelvara --help` lists.
void describe_command_line(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        QCoreApplication::translate("main", "Dissonance curves of timbres, scales and chord maps"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("files"),
                                 QCoreApplication::translate("main", "Documents to open."),
                                 QStringLiteral("[FILE…]"));
    parser.addOption(restore_recovery_option());
}

// How to answer the offer of recovered documents; nothing for a value other than yes or no.
std::optional<kelvara::RecoveryAnswer> recovery_answer(const QCommandLineParser& parser) {
    if (!parser.isSet(restore_recovery_option())) return kelvara::RecoveryAnswer::Ask;
    const QString value = parser.value(restore_recovery_option());
    if (value == QStringLiteral("yes")) return kelvara::RecoveryAnswer::Restore;
    if (value == QStringLiteral("no")) return kelvara::RecoveryAnswer::Discard;
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    if (!has_display()) {
        // --help and --version answer on a terminal without a screen; only a start needs one.
        QCoreApplication core_app(argc, argv);
        kelvara::describe_program();
        QCommandLineParser parser;
        describe_command_line(parser);
        parser.process(core_app);
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
    describe_command_line(parser);
    parser.process(qt_app);

    const std::optional<kelvara::RecoveryAnswer> answer = recovery_answer(parser);
    if (!answer) {
        std::fprintf(stderr, "kelvara: --restore-recovery takes yes or no, not \"%s\"\n",
                     qPrintable(parser.value(restore_recovery_option())));
        return 2;
    }

    kelvara::KelvaraApplication app;
    app.documents().keep_recovery_files(kelvara::default_recovery_folder());
    app.documents().offer_recovered_documents(*answer);
    app.open_startup_documents(parser.positionalArguments());
    return QApplication::exec();
}

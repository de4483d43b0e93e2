// kelvara: the desktop application. `kelvara FILE…` opens the documents given; without
// arguments it starts with a new document.
#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>

#include "app/kelvara_application.h"

namespace {

// Without a display Qt aborts with a message about platform plugins; say plainly what is
// missing instead.
bool has_display() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
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

    kelvara::KelvaraApplication app;
    app.open_startup_documents(parser.positionalArguments());
    return QApplication::exec();
}

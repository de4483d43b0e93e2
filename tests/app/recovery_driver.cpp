// A Kelvara process for the crash-recovery test (recovery_process_test.sh): the
// application's own classes, recovery files in $XDG_STATE_HOME/kelvara as in `kelvara`,
// driven through the window's widgets where a user would type.
//   recovery_driver edit FILE STEP   opens FILE, types STEP into the step field, waits until
//                                    the recovery copy is on disk, prints "edited", then
//                                    runs until it is killed;
//   recovery_driver restore          restores what a dead Kelvara left and prints, per window,
//                                    "FILE edited=0|1 step=STEP" (FILE "-" when untitled).
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <cstdio>
#include <filesystem>

#include "app/kelvara_application.h"
#include "document/recovery_file.h"

namespace {

using kelvara::DocumentWindow;

int edit(kelvara::KelvaraApplication& app, const QString& file, const QString& step) {
    DocumentWindow* window = app.documents().open_document(file);
    if (window == nullptr) return 1;
    QLineEdit* field = window->widgets().step_field;
    field->selectAll();
    QTest::keyClicks(field, step);
    QTest::keyClick(field, Qt::Key_Return);
    if (!window->document().is_edited()) return 1;
    // The copy appears within the writer's delay; a slow machine gets ten times as long.
    const std::filesystem::path folder = kelvara::default_recovery_folder();
    const auto has_copy = [&folder] {
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            if (entry.path().extension() == ".kelvara") return true;
        return false;
    };
    if (!QTest::qWaitFor(has_copy, 20000)) return 1;
    std::printf("edited\n");
    std::fflush(stdout);
    return QApplication::exec();
}

int restore(kelvara::KelvaraApplication& app) {
    for (DocumentWindow* window :
         app.documents().offer_recovered_documents(kelvara::RecoveryAnswer::Restore)) {
        const QString file =
            window->file_path().isEmpty() ? QStringLiteral("-") : window->file_path();
        std::printf("%s edited=%d step=%s\n", qPrintable(file), window->document().is_edited(),
                    qPrintable(window->widgets().step_field->text()));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qt_app(argc, argv);
    kelvara::describe_application();
    const QStringList args = QApplication::arguments();
    kelvara::KelvaraApplication app;
    app.documents().keep_recovery_files(kelvara::default_recovery_folder());
    if (args.size() == 4 && args[1] == QStringLiteral("edit"))
        return edit(app, QDir::current().absoluteFilePath(args[2]), args[3]);
    if (args.size() == 2 && args[1] == QStringLiteral("restore")) return restore(app);
    std::fprintf(stderr, "usage: recovery_driver edit FILE STEP | restore\n");
    return 2;
}

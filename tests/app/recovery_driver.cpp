// A Kelvara process for recovery_process_test.sh: `recovery_driver FILE STEP` opens FILE with
// recovery files in $XDG_STATE_HOME/kelvara as `kelvara` keeps them, types STEP into the step
// field, prints "edited" once the recovery copy is on disk, and runs until it is killed.
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <cstdio>
#include <filesystem>

#include "app/kelvara_application.h"
#include "document/recovery_file.h"
#include "support/window_controls.h"

using kelvara::testing::control;

int main(int argc, char** argv) {
    QApplication qt_app(argc, argv);
    kelvara::describe_application();
    const QStringList args = QApplication::arguments();
    if (args.size() != 3) return 2;
    kelvara::KelvaraApplication app;
    const std::filesystem::path folder = kelvara::default_recovery_folder();
    app.documents().keep_recovery_files(folder);
    kelvara::DocumentWindow* window =
        app.documents().open_document(QDir::current().absoluteFilePath(args[1]));
    if (window == nullptr) return 1;
    QLineEdit* field = control<QLineEdit>(*window, "step_field");
    field->selectAll();
    QTest::keyClicks(field, args[2]);
    QTest::keyClick(field, Qt::Key_Return);
    // The copy appears within the writer's delay; a slow machine gets ten times as long.
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

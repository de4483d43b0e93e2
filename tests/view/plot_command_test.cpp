// `kelvara-cli plot` as a user runs it: the PNG holds the default document's curve where
// the view's maps put it.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <QImage>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "document/document.h"
#include "view/graph_widget.h"

namespace kelvara {
namespace {

int run_cli(const std::string& args) {
    const std::string command = std::string(KELVARA_CLI) + " " + args + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(PlotCommand, DrawsTheDefaultCurveWhereTheMapsPutIt) {
    QTemporaryDir dir;
    const QString png = dir.filePath("graph.png");
    ASSERT_EQ(run_cli("plot --png " + png.toStdString() + " --width 400 --height 300"), 0);
    const QImage image = QImage(png).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(image.size(), QSize(400, 300));

    // The same view and document, laid out at the same size, give the expected positions.
    GraphWidget view;
    view.resize(400, 300);
    Document document;
    NullDocumentView no_fields;
    document.attach_views(view, no_fields);
    document.show_all();
    view.grab();  // the first repaint lays the view out at its size
    const FloatRect frame = view.graph_frame();
    int checked = 0;
    for (int32_t i = 0; i < document.curve().number_of_points(); i += 4) {
        const float x = view.location_for_x(document.curve().x_values()[i]);
        const float y = view.location_for_y(document.curve().y_values()[i]);
        if (x < frame.x + 3 || x > frame.x + frame.width - 3 || y < frame.y + 3 ||
            y > frame.y + frame.height - 3)
            continue;
        const int column = static_cast<int>(x), row = 300 - 1 - static_cast<int>(y);
        // The curve (black at alpha 0.666, 2 units wide) darkens the green of the panel,
        // which the right margin shows undisturbed at the same height.
        const int panel_green = qGreen(image.pixel(397, row));
        EXPECT_LT(qGreen(image.pixel(column, row)), 0.8 * panel_green) << "sample " << i;
        ++checked;
    }
    EXPECT_GT(checked, 30);
    document.detach_views();
}

TEST(PlotCommand, MarkersCursorAndDerivativeAreOptions) {
    QTemporaryDir dir;
    const QString plain = dir.filePath("plain.png"), full = dir.filePath("full.png");
    ASSERT_EQ(run_cli("plot --png " + plain.toStdString() + " --width 300 --height 200"), 0);
    ASSERT_EQ(run_cli("plot --png " + full.toStdString() +
                      " --width 300 --height 200 --justs --cursor 1.9 --derivative"),
              0);
    const QImage a = QImage(plain).convertToFormat(QImage::Format_ARGB32);
    const QImage b = QImage(full).convertToFormat(QImage::Format_ARGB32);
    // The cursor at 1.9 (view x 267.5) adds blue near the top of the frame, the 3/2 marker
    // (view x 157.5) red.
    EXPECT_GT(qBlue(b.pixel(267, 30)), qBlue(a.pixel(267, 30)) + 20);
    EXPECT_GT(qRed(b.pixel(157, 30)), qRed(a.pixel(157, 30)) + 20);
}

TEST(PlotCommand, DrawsASavedDocument) {
    QTemporaryDir dir;
    const std::string saved = dir.filePath("saved.kelvara").toStdString();
    const std::string other = dir.filePath("other.kelvara").toStdString();
    const QString fresh = dir.filePath("new.png"), from_file = dir.filePath("file.png"),
                  from_other = dir.filePath("other.png");
    ASSERT_EQ(run_cli("new " + saved), 0);
    ASSERT_EQ(run_cli("new " + other + " --type 0 --xmax 1.5"), 0);
    const std::string size = " --width 300 --height 200";
    ASSERT_EQ(run_cli("plot --png " + fresh.toStdString() + size), 0);
    ASSERT_EQ(run_cli("plot " + saved + " --png " + from_file.toStdString() + size), 0);
    ASSERT_EQ(run_cli("plot " + other + " --png " + from_other.toStdString() + size), 0);
    // A saved new document draws exactly as a new one; another document draws its own curve.
    EXPECT_EQ(QImage(fresh), QImage(from_file));
    EXPECT_NE(QImage(fresh), QImage(from_other));
    EXPECT_EQ(run_cli("plot " + dir.filePath("missing.kelvara").toStdString() + " --png " +
                      from_file.toStdString()),
              1);
}

TEST(PlotCommand, RefusesSizesItCannotDraw) {
    QTemporaryDir dir;
    const std::string png = dir.filePath("x.png").toStdString();
    EXPECT_EQ(run_cli("plot --png " + png + " --width 0"), 2);
    EXPECT_EQ(run_cli("plot --png " + png + " --height 100000"), 2);
    EXPECT_EQ(run_cli("plot --png " + png + " --width 3000 --scale 4"), 2);
    EXPECT_EQ(run_cli("plot"), 2);
    EXPECT_EQ(run_cli("plot --png " + dir.filePath("missing/dir/x.png").toStdString()), 1);
}

}  // namespace
}  // namespace kelvara

#include "cli/surface_output.h"

#include "cli/commands.h"

#ifdef KELVARA_CLI_PLOT
#include <QGuiApplication>

#include "view/surface_picture.h"
#endif

namespace kelvara::cli {

#ifdef KELVARA_CLI_PLOT
void write_surface_pictures(const SurfaceGrid& grid, const std::vector<SurfaceMinimum>& minima,
                            const std::string& png_path, const std::string& svg_path) {
    if (png_path.empty() && svg_path.empty()) return;
    // Drawn offscreen unless the caller chose a platform: no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char program_name[] = "kelvara-cli";
    char* argv[] = {program_name, nullptr};
    const QGuiApplication application(argc, argv);
    for (const auto& [path, format] :
         {std::pair{png_path, SurfaceFileFormat::Png}, {svg_path, SurfaceFileFormat::Svg}}) {
        if (path.empty()) continue;
        const Result<void> written =
            write_surface_file(grid, minima, format, QString::fromStdString(path));
        if (!written) throw DocumentFileFailure(written.error());
    }
}
#else
void write_surface_pictures(const SurfaceGrid&, const std::vector<SurfaceMinimum>&,
                            const std::string& png_path, const std::string& svg_path) {
    if (!png_path.empty() || !svg_path.empty())
        throw UsageError("this kelvara-cli was built without Qt: --png and --svg are not here");
}
#endif

}  // namespace kelvara::cli

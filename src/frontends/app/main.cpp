#include <QApplication>
#include <QDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/FormWindow.h"
#include "app/Look.h"
#include "app/QtUi.h"
#include "app/ViewControl.h"
#include "app/WindowPlacement.h"
#include "app/Zoom.h"
#include "core/Editor.h"
#include "core/MainFrame.h"
#include "registry/Registry.h"

namespace {

constexpr const char* kUsage =
    "usage: varnisk [Qt options]\n"
    "       varnisk --help | --version\n"
    "Opens the editor window for Grand Prix 4's camera, cockpit and team settings.\n"
    "varnisk-cli runs the same operations without a window (varnisk-cli --help).\n";

}  // namespace

int main(int argc, char** argv) {
    // Answered before Qt starts, so that they need no display; a failed write
    // (a full disk, a closed pipe) is no success.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("varnisk %s\n", VARNISK_VERSION);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
    }

    QApplication app(argc, argv);  // Qt's own options only; the program reads no others
    QApplication::setApplicationName(QString::fromUtf8(varnisk::kAppTitle));
    // The desktop entry's id (packaging/CMakeLists.txt names it), by which a
    // desktop shows the window with its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(VARNISK_APP_ID));
    varnisk::app::applyLook(app);

    varnisk::QtUi ui;
    std::unique_ptr<varnisk::Registry> registry = varnisk::makeSystemRegistry();
    // ./run names a generated demo installation, used while no game is
    // registered so that a newcomer sees a filled sheet.
    if (const char* demo = std::getenv("VARNISK_DEMO_GAME"); demo != nullptr && *demo != '\0') {
        registry = varnisk::withDemoFallback(std::move(registry), demo);
    }
    varnisk::Editor editor(ui, *registry, {QDir::currentPath().toStdString()});

    using varnisk::app::FormWindow;
    FormWindow mainWindow(editor, editor.main, FormWindow::OnClose::EndProgram);
    FormWindow creditsWindow(editor, editor.credits, FormWindow::OnClose::HideForm);
    FormWindow saveWindow(editor, editor.save, FormWindow::OnClose::HideForm);
    FormWindow changesWindow(editor, editor.changesForm, FormWindow::OnClose::HideForm);
    varnisk::app::zoom::listen([&ui] { ui.setCursorScale(varnisk::app::zoom::factor()); });
    ui.setRepaintPreview([&mainWindow] {
        if (auto* view = static_cast<varnisk::ViewControl*>(mainWindow.widgetFor("GLView"))) view->requestFrame();
    });

    // The first import runs before the main window shows; an error there ends
    // the program.
    if (!editor.startUp()) return 1;

    // The zoom, size and place of the last run; kept again as the program ends.
    varnisk::app::placeMainWindow(mainWindow, *registry);
    editor.dispatch([&editor] { editor.main.show(); });
    if (editor.terminated()) return editor.exitCode();
    const int code = QApplication::exec();
    if (varnisk::RegistryWrite kept = varnisk::app::keepMainWindowPlace(mainWindow, *registry); !kept) {
        std::fprintf(stderr, "varnisk: the window's zoom, size and place were not kept for the next start: %s\n",
                     kept.reason.c_str());
    }
    return code;
}

#include <QApplication>
#include <QDir>
#include <cstdlib>
#include <memory>

#include "app/FormWindow.h"
#include "app/Look.h"
#include "core/Editor.h"
#include "core/MainFrame.h"
#include "platform/Registry.h"
#include "platform/qt/QtUi.h"
#include "preview/ViewControl.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);  // Qt's own options only; the program reads no arguments
    QApplication::setApplicationName(QString::fromUtf8(varnisk::kAppTitle));
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
    ui.setRepaintPreview([&mainWindow] {
        if (auto* view = static_cast<varnisk::ViewControl*>(mainWindow.widgetFor("GLView"))) view->requestFrame();
    });

    // The first import runs before the main window shows; an error there ends
    // the program.
    if (!editor.startUp()) return 1;

    mainWindow.centreOnScreen();
    editor.dispatch([&editor] { editor.main.show(); });
    if (editor.terminated()) return editor.exitCode();
    return QApplication::exec();
}

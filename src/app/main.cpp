#include <QApplication>
#include <QDir>

#include "app/FormWindow.h"
#include "app/Look.h"
#include "core/Editor.h"
#include "core/MainFrame.h"
#include "platform/qt/QtUi.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);  // Qt's own options only; the program reads no arguments
    QApplication::setApplicationName(QString::fromUtf8(varnisk::kAppTitle));
    varnisk::app::applyLook(app);

    varnisk::QtUi ui;
    varnisk::Editor editor(ui, {QDir::currentPath().toStdString()});

    using varnisk::app::FormWindow;
    FormWindow mainWindow(editor, editor.main, FormWindow::OnClose::EndProgram);
    FormWindow creditsWindow(editor, editor.credits, FormWindow::OnClose::HideForm);
    FormWindow saveWindow(editor, editor.save, FormWindow::OnClose::HideForm);
    ui.setRepaintPreview([&mainWindow] {
        if (QWidget* view = mainWindow.widgetFor("GLView")) view->update();
    });

    // The first import runs before the main window shows; an error there ends
    // the program.
    if (!editor.startUp()) return 1;

    mainWindow.centreOnScreen();
    editor.dispatch([&editor] { editor.main.show(); });
    if (editor.terminated()) return 0;
    return QApplication::exec();
}

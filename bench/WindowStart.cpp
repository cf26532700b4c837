#include "WindowStart.h"

#include <GL/glu.h>

#include <QApplication>
#include <QDir>
#include <QOpenGLWidget>
#include <QSurfaceFormat>
#include <QTimer>
#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "BareScene.h"
#include "CarDesigns.h"
#include "app/FormWindow.h"
#include "app/Look.h"
#include "app/QtUi.h"
#include "app/ViewControl.h"
#include "core/Editor.h"
#include "core/MainFrame.h"
#include "registry/Registry.h"

namespace varnisk::bench {

namespace {

long long nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// VmHWM of /proc/self/status in kB; -1 when it cannot be read.
long long peakResidentKb() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stoll(line.substr(6));
    }
    return -1;
}

// Notes when the steps of the start were done and reports them with the
// first frame, once `drawn` says one was painted; then quits. A watchdog
// ends a child whose frame never comes.
class FirstFrame {
public:
    explicit FirstFrame(long long mainNs) { mark("main", mainNs); }
    void mark(const char* step, long long ns = nowNs()) { marks_.emplace_back(step, ns); }
    // With the application made.
    void watch(QOpenGLWidget* view, std::function<bool()> drawn) {
        QTimer::singleShot(60000, [] {
            std::fprintf(stderr, "no frame within 60 s\n");
            QCoreApplication::exit(3);
        });
        // The widget's first resize, which the show sends, runs initializeGL,
        // makes its framebuffer (then `resized` comes), and paints.
        QObject::connect(view, &QOpenGLWidget::resized, view, [this] {
            if (!glReady_) mark("glready");
            glReady_ = true;
        });
        // frameSwapped comes after the top-level window has been composed and
        // its buffers swapped: the frame is on the screen.
        QObject::connect(view, &QOpenGLWidget::frameSwapped, view, [this, drawn = std::move(drawn)] {
            if (done_ || !drawn()) return;
            done_ = true;
            mark("frame");
            for (const auto& [step, ns] : marks_) std::printf("%s %lld\n", step, ns);
            std::printf("hwm %lld\n", peakResidentKb());
            std::fflush(stdout);
            QMetaObject::invokeMethod(qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
        });
    }

private:
    std::vector<std::pair<const char*, long long>> marks_;
    bool glReady_ = false;
    bool done_ = false;
};

// One OpenGL widget drawing the cockpit car (the shape the editor's first
// frame shows) from one display list.
class BareView : public QOpenGLWidget {
public:
    BareView() {
        setFormat(ViewControl::surfaceFormat());  // the preview view's format
        resize(320, 239);
    }
    long long frames = 0;

protected:
    void initializeGL() override {
        bareSetup();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(35, 4.0 / 3.0, 30, 40000);
        glTranslated(0, -60, -1400);
        glRotated(150, 0, 1, 0);
        std::array<double, 16> projection{};
        glGetDoublev(GL_PROJECTION_MATRIX, projection.data());
        glMatrixMode(GL_MODELVIEW);
        list_ = compileBareList(meshOf(gamegen::cockpitCarShape()), projection, {0.8f, 0.1f, 0.1f, 1});
    }
    void resizeGL(int w, int h) override { glViewport(0, 0, w, h); }
    void paintGL() override {
        bareFrame(list_);
        ++frames;
    }

private:
    GLuint list_ = 0;
};

}  // namespace

int runWindowChild(const char* programName, const std::string& gameDir, long long mainNs) {
    int argc = 1;
    char* argv[] = {const_cast<char*>(programName), nullptr};
    FirstFrame first(mainNs);
    // What the program's main does, with the registry naming the game.
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(kAppTitle));
    app::applyLook(app);
    first.mark("app");

    QtUi ui;
    MemoryRegistry registry(gameDir);
    Editor editor(ui, registry, {QDir::currentPath().toStdString()});
    first.mark("editor");

    using app::FormWindow;
    FormWindow mainWindow(editor, editor.main, FormWindow::OnClose::EndProgram);
    first.mark("mainwindow");
    FormWindow creditsWindow(editor, editor.credits, FormWindow::OnClose::HideForm);
    FormWindow saveWindow(editor, editor.save, FormWindow::OnClose::HideForm);
    ui.setRepaintPreview([&mainWindow] {
        if (auto* view = static_cast<ViewControl*>(mainWindow.widgetFor("GLView"))) view->requestFrame();
    });
    first.mark("otherwindows");

    if (!editor.startUp()) return 1;
    first.mark("import");

    auto* view = static_cast<ViewControl*>(mainWindow.widgetFor("GLView"));
    if (view == nullptr) {
        std::fprintf(stderr, "the window has no preview view\n");
        return 4;
    }
    first.watch(view, [view] { return view->framesDrawn() > 0; });

    mainWindow.centreOnScreen();
    editor.dispatch([&editor] { editor.main.show(); });
    if (editor.terminated()) return editor.exitCode();
    first.mark("shown");
    return QApplication::exec();
}

int runBareWindowChild(const char* programName, long long mainNs) {
    int argc = 1;
    char* argv[] = {const_cast<char*>(programName), nullptr};
    FirstFrame first(mainNs);
    QApplication app(argc, argv);
    first.mark("app");
    BareView view;
    first.watch(&view, [&view] { return view.frames > 0; });
    view.show();
    first.mark("shown");
    return QApplication::exec();
}

}  // namespace varnisk::bench

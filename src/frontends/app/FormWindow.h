#pragma once

#include <functional>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include <QWidget>

class QMimeData;

#include "app/Widgets.h"
#include "core/Editor.h"

namespace varnisk::app {

// A top-level window that shows one Form: one widget per control, kept in
// step with the control both ways. Writes of the model show in the widgets;
// what the user does reaches the model only as the form's user events, run
// through the editor's dispatcher.
//
// The form's width and height are the window's outer size, frame included;
// the widget's client area is that less kFrameWidth by kFrameHeight.
class FormWindow : public QWidget {
public:
    // What closing the window from its title bar does.
    enum class OnClose { EndProgram, HideForm };

    FormWindow(Editor& editor, Form& form, OnClose onClose);
    ~FormWindow() override;

    Form& form() const { return form_; }

    // The widget of a control of this window's form; nullptr if none. A
    // control on a tab page not yet shown gets its page's widgets made first.
    QWidget* widgetFor(const Control& control);
    QWidget* widgetFor(std::string_view name);

    // Places the window in the middle of its screen, or its top left corner
    // at a place on the screen.
    void centreOnScreen();
    void placeAt(QPoint topLeft);
    // Sets the form's size (outer, in its units) as the user's resize of the
    // window does.
    void resizeForm(int width, int height);

    // Zooms the program's windows to a step of kZoomSteps, no further than
    // shows the main window whole on this window's screen. False when the
    // zoom stays as it was.
    bool changeZoom(int percent);

    // Asks, as the main window closes with edits neither exported nor saved,
    // whether to export them first; a message box unless a test puts its own.
    std::function<Editor::CloseAnswer()> askOnClose = [this] { return askBeforeClosing(); };

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // A window the program hides (credits, the save selection) closes with
    // Escape as from its title bar; Return presses its button when it has
    // only one (the credits' OK).
    void keyPressEvent(QKeyEvent* event) override;
    // A right click where no control takes it offers the zoom.
    void contextMenuEvent(QContextMenuEvent* event) override;
    // The main window takes a value set file dropped onto it: one local file
    // whose name ends in .car, .cam or .tyr (any letter case) loads as by
    // "Load File"; anything else, several files among them, is refused as
    // the drag enters, so the cursor says so.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The one local value set file a drag carries; nullopt for anything else.
    static std::optional<std::string> droppedValueSet(const QMimeData* data);
    enum class WindowKey { Undo, Redo, Changes, ZoomIn, ZoomOut, ActualSize };
    // The keys of every window, wherever the focus is: Ctrl+Z undoes,
    // Ctrl+Y and Ctrl+Shift+Z (and the platform's own keys) redo, Ctrl+L
    // shows the list of changes, Ctrl++ and Ctrl+- zoom in and out, Ctrl+0
    // goes back to 100 percent.
    static std::optional<WindowKey> windowKeyOf(const QKeyEvent& event);
    // Runs what such a key does; false for any other key.
    bool runWindowKey(const QKeyEvent& event);
    Editor::CloseAnswer askBeforeClosing();
    // The model asks for the keyboard focus on a control: its window comes
    // forward and its widget takes the focus, a field with its whole text
    // selected.
    void focusControl(Control& c);
    // The program became the active one again: another program may have
    // changed the game's files meanwhile.
    void lookAtGameFiles();

    // The widget made for a control so far; nullptr while it waits on its page.
    QWidget* madeFor(const Control& control) const;
    // Makes, syncs and wires the widget of one control.
    void make(Control& c);
    // The page whose first showing makes c's widget; nullptr once it is made.
    const Control* waitingPage(const Control& c) const;
    // Makes the widgets of a page that waited for its first showing, in the
    // form's order, from the model as it is now.
    void fillPage(const Control& page);
    // Puts the widgets of a page filled late where the keyboard's Tab would
    // have met them had they been made with the window.
    void orderTabs(const Control& page);
    QWidget* create(Control& c);
    void wire(Control& c, QWidget* w);
    void relayMouse(Control& c, QWidget* w);
    // A key pressed in the edit field of c: the typing keys go to the model
    // at the field's cursor; true when the key was taken.
    bool typeKey(Control& c, const QKeyEvent& event);
    // Runs one key typed at the cursor of c's field; the field shows the
    // model's text as the user's edit and its cursor where the model puts it.
    void typeAt(Control& c, const std::function<std::optional<std::size_t>()>& key);

    // Model to widget, with the widget's signals ignored meanwhile.
    void syncControl(Control& c);
    void syncWindow();
    // The zoom changed: every widget to its new bounds, the window to its
    // new size, kept on its screen.
    void applyZoom();
    // Runs one user event; afterwards the control's widget shows again what
    // the model kept (the model may refuse or change what the user did).
    void forward(Control* c, const std::function<void()>& event);

    Editor& editor_;
    Form& form_;
    OnClose onClose_;
    std::unordered_map<const Control*, QWidget*> widgets_;
    // Tab pages that were not showing as the window was made: their
    // controls' widgets are made when the page first shows, or when asked for.
    std::unordered_set<const Control*> waitingPages_;
    int syncing_ = 0;
    const Control* typingInto_ = nullptr;  // the field a key is being typed into
    int raiseCount_ = 0;
    bool placed_ = false;
    int zoomListener_ = 0;
};

}  // namespace varnisk::app

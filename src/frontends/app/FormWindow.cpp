#include "app/FormWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <utility>
#include <vector>

#include "app/QtConvert.h"
#include "app/ViewControl.h"
#include "app/Zoom.h"
#include "base/CodePage.h"
#include "core/ChangesWindow.h"
#include "core/MainFrame.h"
#include "core/WindowPlace.h"
#include "datasets/LoadDataSet.h"
#include "preview/DataFolder.h"

namespace varnisk::app {

namespace {

QStringList toItems(const std::vector<std::string>& items) {
    QStringList out;
    for (const std::string& item : items) out << fromCp1252(item);
    return out;
}

QStringList itemsOf(const QComboBox& box) {
    QStringList out;
    for (int i = 0; i < box.count(); ++i) out << box.itemText(i);
    return out;
}

// Buttons drawn as badges: they sit over the preview.
bool isBadge(const Control& c) { return c.name == "ChangesButton"; }
// The caption that says what the preview shows, drawn over its corner.
bool isViewCaption(const Control& c) { return c.name == "ViewCaption"; }

// The line edits under `root` leave a drop to the window: a field would take
// the file's name as text past the model's checks.
void refuseDrops(QWidget& root) {
    for (QLineEdit* field : root.findChildren<QLineEdit*>()) field->setAcceptDrops(false);
}

// Whether the keyboard's Tab stops at the widget (when it is shown and
// enabled): what Qt asks of a widget as Tab moves the focus along the chain.
bool takesTab(const QWidget* w) {
    return (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && w->focusProxy() == nullptr;
}

// Runs `shown` each time the widget it watches is shown, until removed.
class ShowWatch : public QObject {
public:
    ShowWatch(QWidget* widget, std::function<void()> shown) : QObject(widget), shown_(std::move(shown)) {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == parent() && event->type() == QEvent::Show) shown_();
        return false;
    }

private:
    std::function<void()> shown_;
};

// Scoped mark that the window is writing its widgets from the model.
class Syncing {
public:
    explicit Syncing(int& depth) : depth_(depth) { ++depth_; }
    ~Syncing() { --depth_; }
    Syncing(const Syncing&) = delete;
    Syncing& operator=(const Syncing&) = delete;

private:
    int& depth_;
};

}  // namespace

FormWindow::FormWindow(Editor& editor, Form& form, OnClose onClose)
    : editor_(editor), form_(form), onClose_(onClose) {
    setAttribute(Qt::WA_QuitOnClose, onClose == OnClose::EndProgram);
    {
        Syncing syncing(syncing_);
        for (const auto& control : form_.controls()) {
            if (waitingPage(*control) == nullptr) make(*control);
        }
    }
    form_.onControlChanged = [this](Control& c) { syncControl(c); };
    form_.onWindowChanged = [this] { syncWindow(); };
    form_.onFocusRequest = [this](Control& c) { focusControl(c); };
    raiseCount_ = form_.raiseCount();
    syncWindow();
    zoomListener_ = zoom::listen([this] { applyZoom(); });
    // The main window looks at the game's files whenever the user comes back
    // to the program.
    if (onClose == OnClose::EndProgram) {
        // Files dropped anywhere on it reach the window: a field would take
        // the file's name as text past the model's checks.
        setAcceptDrops(true);
        refuseDrops(*this);
        connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive) lookAtGameFiles();
        });
    }
}

FormWindow::~FormWindow() {
    zoom::unlisten(zoomListener_);
    form_.onControlChanged = nullptr;
    form_.onWindowChanged = nullptr;
    form_.onFocusRequest = nullptr;
}

QWidget* FormWindow::widgetFor(const Control& control) {
    while (const Control* page = waitingPage(control)) fillPage(*page);
    return madeFor(control);
}

QWidget* FormWindow::madeFor(const Control& control) const {
    auto it = widgets_.find(&control);
    return it == widgets_.end() ? nullptr : it->second;
}

QWidget* FormWindow::widgetFor(std::string_view name) {
    Control* c = form_.find(name);
    return c == nullptr ? nullptr : widgetFor(*c);
}

void FormWindow::centreOnScreen() {
    QScreen* s = screen();
    if (s == nullptr) return;
    QRect area = s->availableGeometry();
    const int w = zoom::toPixels(form_.width()), h = zoom::toPixels(form_.height());
    move(area.left() + (area.width() - w) / 2, area.top() + (area.height() - h) / 2);
    placed_ = true;
}

void FormWindow::placeAt(QPoint topLeft) {
    move(topLeft);
    placed_ = true;
}

void FormWindow::resizeForm(int width, int height) {
    forward(nullptr, [&] { form_.setSize(width, height); });
}

bool FormWindow::changeZoom(int wanted) {
    int percent = nearestZoom(wanted);
    // Never more than shows the main window whole, at its smallest, on this
    // window's screen.
    if (const QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        const Form& main = editor_.main;
        const Extent smallest{main.minWidth() > 0 ? main.minWidth() : main.width(),
                              main.minHeight() > 0 ? main.minHeight() : main.height()};
        percent = std::min(percent, largestZoomThatFits(smallest, {area.width(), area.height()}));
    }
    if (percent == zoom::percent()) return false;
    zoom::set(percent);
    return true;
}

void FormWindow::applyZoom() {
    {
        Syncing syncing(syncing_);
        for (const auto& control : form_.controls()) syncControl(*control);
    }
    const QScreen* s = screen();
    const QRect area = s != nullptr ? s->availableGeometry() : QRect();
    // A window that grows past its screen shrinks to fit it, as far as its
    // form allows.
    if (!area.isEmpty() && form_.minWidth() + form_.minHeight() > 0) {
        const int w = std::min(form_.width(), zoom::toUnits(area.width()));
        const int h = std::min(form_.height(), zoom::toUnits(area.height()));
        if (w != form_.width() || h != form_.height()) resizeForm(w, h);
    }
    syncWindow();
    // And it stays on its screen: its left and top edges first.
    if (isVisible() && !area.isEmpty()) {
        const QRect frame = frameGeometry();
        const int x = std::max(area.left(), std::min(frame.left(), area.right() + 1 - frame.width()));
        const int y = std::max(area.top(), std::min(frame.top(), area.bottom() + 1 - frame.height()));
        if (x != frame.left() || y != frame.top()) move(x, y);
    }
}

// --- building ---

void FormWindow::make(Control& c) {
    QWidget* w = create(c);
    widgets_[&c] = w;
    syncControl(c);
    if (!c.name.empty()) wire(c, w);
}

const Control* FormWindow::waitingPage(const Control& c) const {
    // The outermost: a page inside a page waits for that one first.
    const Control* waiting = nullptr;
    for (const Control* p = c.parent; p != nullptr; p = p->parent) {
        if (waitingPages_.contains(p)) waiting = p;
    }
    return waiting;
}

void FormWindow::fillPage(const Control& page) {
    if (waitingPages_.erase(&page) == 0) return;
    {
        Syncing syncing(syncing_);
        for (const auto& control : form_.controls()) {
            if (madeFor(*control) == nullptr && waitingPage(*control) == nullptr) make(*control);
        }
    }
    if (QWidget* w = madeFor(page)) {
        if (onClose_ == OnClose::EndProgram) refuseDrops(*w);
    }
    orderTabs(page);
}

void FormWindow::orderTabs(const Control& page) {
    QWidget* pageWidget = madeFor(page);
    if (pageWidget == nullptr) return;
    // Made last, the page's widgets stand last in the window's focus chain,
    // behind the widgets the form puts after the page. Those that Tab stops
    // at move to follow the page, which stands where the form put it.
    std::vector<QWidget*> late;
    for (QWidget* w = nextInFocusChain(); w != this; w = w->nextInFocusChain()) {
        if (takesTab(w) && pageWidget->isAncestorOf(w)) late.push_back(w);
    }
    if (late.empty()) return;
    // Qt moves a widget only after one that takes the focus: the page does
    // for the while.
    const Qt::FocusPolicy policy = pageWidget->focusPolicy();
    pageWidget->setFocusPolicy(Qt::TabFocus);
    QWidget* before = pageWidget;
    for (QWidget* w : late) {
        QWidget::setTabOrder(before, w);
        before = w;
    }
    pageWidget->setFocusPolicy(policy);
}

QWidget* FormWindow::create(Control& c) {
    QWidget* parent = c.parent != nullptr ? madeFor(*c.parent) : this;
    if (parent == nullptr) parent = this;
    switch (c.kind) {
    case ControlKind::Edit: return new FieldEdit(parent);
    case ControlKind::Colour: return new Swatch(parent);
    case ControlKind::Caption:
        if (isViewCaption(c)) return new OverlayCaption(parent);
        return new Panel(parent);
    case ControlKind::Button: {
        if (isBadge(c)) return new Badge(parent);
        auto* button = new QPushButton(parent);
        button->setAutoDefault(false);
        return button;
    }
    case ControlKind::UpDown: return new ArrowPair(parent);
    case ControlKind::Check: return new QCheckBox(parent);
    case ControlKind::Choice:
        switch (c.style) {
        case ChoiceStyle::Combo: return new QComboBox(parent);
        case ChoiceStyle::Radio: return new RadioChoice(parent);
        case ChoiceStyle::Pages: return new PageTabs(parent);
        case ChoiceStyle::List: return new RowList(parent);
        }
        break;
    case ControlKind::Group: return new QGroupBox(parent);
    case ControlKind::Page: {
        auto* page = new QWidget;
        if (auto* tabs = qobject_cast<QTabWidget*>(parent)) {
            tabs->addTab(page, fromCp1252(c.caption));
            // A page not showing yet gets its widgets as it first shows.
            if (tabs->currentWidget() != page) {
                waitingPages_.insert(&c);
                new ShowWatch(page, [this, &c] { fillPage(c); });
            }
        } else {
            page->setParent(parent);
        }
        return page;
    }
    case ControlKind::View:
        return new ViewControl(editor_, ownDataFolder(QCoreApplication::applicationDirPath().toStdString()), parent);
    case ControlKind::Rule: return new Rule(parent);
    }
    return new QWidget(parent);
}

void FormWindow::wire(Control& c, QWidget* w) {
    switch (c.kind) {
    case ControlKind::Edit: {
        auto* edit = static_cast<FieldEdit*>(w);
        edit->takeKey = [this, &c](const QKeyEvent& event) { return typeKey(c, event); };
        connect(edit, &QLineEdit::textEdited, this, [this, &c](const QString& text) {
            if (syncing_ == 0) forward(&c, [&] { form_.userEdit(c, toCp1252(text)); });
        });
        relayMouse(c, w);
        // A field whose value follows the mouse says so.
        if (c.on.move) w->setCursor(Qt::SizeHorCursor);
        break;
    }
    case ControlKind::View:
        relayMouse(c, w);
        if (c.on.press) w->setCursor(Qt::SizeAllCursor);  // the camera moves with the mouse
        break;
    case ControlKind::Colour:
    case ControlKind::Caption:
        relayMouse(c, w);
        break;
    case ControlKind::Button:
        connect(static_cast<QPushButton*>(w), &QPushButton::clicked, this, [this, &c] {
            if (syncing_ == 0) forward(&c, [&] { form_.userClick(c); });
        });
        break;
    case ControlKind::Check:
        connect(static_cast<QCheckBox*>(w), &QCheckBox::clicked, this, [this, &c] {
            if (syncing_ == 0) forward(&c, [&] { form_.userClick(c); });
        });
        break;
    case ControlKind::UpDown:
        connect(static_cast<ArrowPair*>(w), &ArrowPair::arrow, this, [this, &c](bool up) {
            if (syncing_ == 0) forward(&c, [&] { form_.userArrow(c, up); });
        });
        break;
    case ControlKind::Choice: {
        auto choose = [this, &c](int index) {
            if (syncing_ == 0) forward(&c, [&] { form_.userChoose(c, index); });
        };
        switch (c.style) {
        case ChoiceStyle::Combo: connect(static_cast<QComboBox*>(w), &QComboBox::activated, this, choose); break;
        case ChoiceStyle::Radio: connect(static_cast<RadioChoice*>(w), &RadioChoice::chosen, this, choose); break;
        case ChoiceStyle::Pages: connect(static_cast<QTabWidget*>(w), &QTabWidget::currentChanged, this, choose); break;
        case ChoiceStyle::List: {
            auto* rows = static_cast<RowList*>(w);
            connect(rows, &RowList::chosen, this, choose);
            // The press that selected the row came first, as its choice.
            connect(rows, &RowList::opened, this, [this, &c] {
                if (syncing_ == 0) forward(&c, [&] { form_.userDoubleClick(c, false); });
            });
            break;
        }
        }
        break;
    }
    case ControlKind::Group:
    case ControlKind::Page:
    case ControlKind::Rule:
        break;
    }
}

void FormWindow::relayMouse(Control& c, QWidget* w) {
    auto* relay = new MouseRelay(w);
    relay->press = [this, &c](MouseButton b) { forward(&c, [&] { form_.userPress(c, b); }); };
    relay->move = [this] { forward(nullptr, [&] { form_.userMove(); }); };
    relay->release = [this] { forward(nullptr, [&] { form_.userRelease(); }); };
    relay->click = [this, &c] { forward(&c, [&] { form_.userClick(c); }); };
    relay->doubleClick = [this, &c] { forward(&c, [&] { form_.userDoubleClick(c, false); }); };
    relay->holdContextMenu = [&c] { return static_cast<bool>(c.on.press); };
}

std::optional<FormWindow::WindowKey> FormWindow::windowKeyOf(const QKeyEvent& event) {
    const Qt::KeyboardModifiers mods = event.modifiers() & ~Qt::KeypadModifier;
    if (event.key() == Qt::Key_Z && mods == Qt::ControlModifier) return WindowKey::Undo;
    if (event.key() == Qt::Key_Y && mods == Qt::ControlModifier) return WindowKey::Redo;
    if (event.key() == Qt::Key_Z && mods == (Qt::ControlModifier | Qt::ShiftModifier)) return WindowKey::Redo;
    if (event.key() == Qt::Key_L && mods == Qt::ControlModifier) return WindowKey::Changes;
    // Ctrl with +, = or - (Shift may be needed for +), and Ctrl+0.
    const bool ctrl = mods == Qt::ControlModifier || mods == (Qt::ControlModifier | Qt::ShiftModifier);
    if (ctrl && (event.key() == Qt::Key_Plus || event.key() == Qt::Key_Equal)) return WindowKey::ZoomIn;
    if (ctrl && (event.key() == Qt::Key_Minus || event.key() == Qt::Key_Underscore)) return WindowKey::ZoomOut;
    if (event.key() == Qt::Key_0 && mods == Qt::ControlModifier) return WindowKey::ActualSize;
    if (event.matches(QKeySequence::ZoomIn)) return WindowKey::ZoomIn;
    if (event.matches(QKeySequence::ZoomOut)) return WindowKey::ZoomOut;
    if (event.matches(QKeySequence::Undo)) return WindowKey::Undo;
    if (event.matches(QKeySequence::Redo)) return WindowKey::Redo;
    return std::nullopt;
}

bool FormWindow::runWindowKey(const QKeyEvent& event) {
    const std::optional<WindowKey> key = windowKeyOf(event);
    if (!key) return false;
    switch (*key) {
    case WindowKey::Undo: forward(nullptr, [&] { editor_.undo(); }); break;
    case WindowKey::Redo: forward(nullptr, [&] { editor_.redo(); }); break;
    case WindowKey::Changes: forward(nullptr, [&] { showChanges(editor_); }); break;
    // A beep at either end of the steps.
    case WindowKey::ZoomIn:
        if (!changeZoom(zoomIn(zoom::percent()))) editor_.ui.beep();
        break;
    case WindowKey::ZoomOut:
        if (!changeZoom(zoomOut(zoom::percent()))) editor_.ui.beep();
        break;
    case WindowKey::ActualSize: changeZoom(kZoomSteps.front()); break;
    }
    return true;
}

void FormWindow::focusControl(Control& c) {
    QWidget* w = widgetFor(c);
    if (w == nullptr) return;
    if (isVisible()) {
        setWindowState(windowState() & ~Qt::WindowMinimized);
        raise();
        activateWindow();
    }
    w->setFocus(Qt::OtherFocusReason);
    if (auto* field = dynamic_cast<FieldEdit*>(w)) field->selectAll();
}

void FormWindow::lookAtGameFiles() {
    // Not while a dialog of a running operation waits for its answer (the
    // check's own message among them).
    if (QApplication::activeModalWidget() != nullptr || editor_.terminated()) return;
    forward(nullptr, [&] { editor_.checkGameFiles(); });
}

Editor::CloseAnswer FormWindow::askBeforeClosing() {
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kAppTitle),
                    QStringLiteral("The sheet holds edits that were neither exported to the game nor saved "
                                   "since the last import, export or save.\n\nExport them to the game before "
                                   "closing?"),
                    QMessageBox::NoButton, this);
    QPushButton* exportButton = box.addButton(QStringLiteral("Export"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QStringLiteral("Discard"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(exportButton);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == exportButton) return Editor::CloseAnswer::Export;
    if (box.clickedButton() == discard) return Editor::CloseAnswer::Discard;
    return Editor::CloseAnswer::Cancel;
}

bool FormWindow::typeKey(Control& c, const QKeyEvent& event) {
    // Undo, redo and the list of changes are the windows' keys, not the field's own.
    if (runWindowKey(event)) return true;
    // Shortcuts (copy, paste) and keys that type nothing go to the line edit.
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    auto* edit = static_cast<FieldEdit*>(widgetFor(c));
    const auto from = static_cast<std::size_t>(std::max(0, edit->selectionFrom()));
    const auto size = static_cast<std::size_t>(std::max(0, edit->selectionSize()));
    if (event.key() == Qt::Key_Delete) {
        if (event.modifiers() & Qt::ShiftModifier) return false;  // Shift+Delete cuts
        typeAt(c, [&] { return form_.userDeleteAt(c, from, size); });
        return true;
    }
    char32_t code = 0;
    if (event.key() == Qt::Key_Backspace) {
        code = 8;
    } else {
        QList<uint> codes = event.text().toUcs4();
        if (codes.size() != 1) return false;
        code = codes.front();
    }
    const int byte = unicodeToCp1252(code);
    if (byte < 0) {  // the program's code page has no such character
        editor_.ui.beep();
        return true;
    }
    const char typed = static_cast<char>(byte);
    if (code != 8 && (code < 0x20 || code == 0x7F)) {
        // Return, Escape: the filter judges them; one it lets pass is the
        // line edit's (it types nothing).
        char result = 0;
        forward(&c, [&] { result = form_.userKey(c, typed); });
        return result == 0;
    }
    typeAt(c, [&] { return form_.userTypeKeyAt(c, typed, from, size); });
    return true;
}

void FormWindow::typeAt(Control& c, const std::function<std::optional<std::size_t>()>& key) {
    std::optional<std::size_t> cursor;
    const Control* outer = typingInto_;
    typingInto_ = &c;
    forward(&c, [&] { cursor = key(); });
    typingInto_ = outer;
    auto* edit = static_cast<FieldEdit*>(widgetFor(c));
    if (!cursor || edit == nullptr) return;  // nothing changed: the selection stays
    Syncing syncing(syncing_);
    const auto length = static_cast<std::size_t>(edit->text().size());
    edit->setCursorPosition(static_cast<int>(std::min(*cursor, length)));
}

// --- model to widget ---

void FormWindow::syncControl(Control& c) {
    QWidget* w = madeFor(c);
    if (w == nullptr) return;
    Syncing syncing(syncing_);
    w->setEnabled(c.enabled);
    const QString hint = fromCp1252(c.hint);
    // A panel or field shows its hint, or else a text too wide for it, as
    // its tooltip; a marked control without a hint its mark's note.
    if (auto* panel = dynamic_cast<Panel*>(w)) {
        panel->setHint(hint);
    } else if (auto* field = dynamic_cast<FieldEdit*>(w)) {
        field->setHint(hint);
        field->setMark(c.mark, fromCp1252(c.markNote));
        field->setHighlighted(c.highlighted);
    } else if (const QString tip = hint.isEmpty() ? fromCp1252(c.markNote) : hint; w->toolTip() != tip) {
        w->setToolTip(tip);
    }
    if (c.kind != ControlKind::Page) {
        const QRect bounds = zoom::toPixels(c.bounds);
        if (w->geometry() != bounds) w->setGeometry(bounds);
        w->setVisible(c.visible);
    }
    switch (c.kind) {
    case ControlKind::Edit: {
        auto* edit = static_cast<FieldEdit*>(w);
        // Setting the limit writes the text again, which sends the cursor to
        // the end: only a new limit is set.
        const int maxLength = c.maxLength > 0 ? c.maxLength : 32767;
        if (edit->maxLength() != maxLength) edit->setMaxLength(maxLength);
        if (edit->alignment() != toQtAlignment(c.align)) {
            edit->setAlignment(toQtAlignment(c.align));
            edit->refit();
        }
        const QString text = fromCp1252(c.text);
        if (edit->text() != text && typingInto_ == &c) {
            edit->showEdit(text);  // the key typed: an edit the user can undo
        } else if (edit->text() != text) {
            int cursor = edit->cursorPosition();
            edit->setText(text);
            if (edit->hasFocus()) edit->setCursorPosition(std::min(cursor, static_cast<int>(text.size())));
        }
        break;
    }
    case ControlKind::Colour: {
        auto* swatch = static_cast<Swatch*>(w);
        swatch->setColour(toQColor(c.colour));
        swatch->setMark(c.mark);
        break;
    }
    case ControlKind::Caption: {
        auto* panel = static_cast<Panel*>(w);
        panel->setBevel(c.bevel);
        panel->setAlignment(toQtAlignment(c.align));
        panel->setCaption(fromCp1252(c.caption));
        if (isViewCaption(c)) panel->raise();  // above the preview
        break;
    }
    case ControlKind::Button:
        static_cast<QPushButton*>(w)->setText(fromCp1252(c.caption));
        // A badge stays above the preview it sits over.
        if (isBadge(c) && c.visible) w->raise();
        break;
    case ControlKind::UpDown: {
        auto* arrows = static_cast<ArrowPair*>(w);
        arrows->setHorizontal(c.horizontal);
        arrows->setMark(c.mark);
        break;
    }
    case ControlKind::Check: {
        auto* box = static_cast<QCheckBox*>(w);
        box->setText(fromCp1252(c.caption));
        box->setChecked(c.checked);
        break;
    }
    case ControlKind::Choice:
        switch (c.style) {
        case ChoiceStyle::Combo: {
            auto* box = static_cast<QComboBox*>(w);
            QStringList items = toItems(c.items);
            if (itemsOf(*box) != items) {
                box->clear();
                box->addItems(items);
            }
            box->setCurrentIndex(c.index);
            break;
        }
        case ChoiceStyle::Radio: {
            auto* radio = static_cast<RadioChoice*>(w);
            radio->setItems(toItems(c.items));
            radio->setIndex(c.index);
            break;
        }
        case ChoiceStyle::Pages: {
            auto* tabs = static_cast<QTabWidget*>(w);
            if (c.index >= 0 && c.index < tabs->count()) tabs->setCurrentIndex(c.index);
            break;
        }
        case ChoiceStyle::List: {
            auto* rows = static_cast<RowList*>(w);
            rows->setHeads(toItems(c.columns));
            rows->setRows(toItems(c.items));
            rows->setIndex(c.index);
            break;
        }
        }
        break;
    case ControlKind::Group:
        static_cast<QGroupBox*>(w)->setTitle(fromCp1252(c.caption));
        break;
    case ControlKind::Page:
        if (auto* tabs = qobject_cast<QTabWidget*>(c.parent != nullptr ? madeFor(*c.parent) : nullptr)) {
            int index = tabs->indexOf(w);
            if (index >= 0) tabs->setTabText(index, fromCp1252(c.caption));
        }
        break;
    case ControlKind::View:
    case ControlKind::Rule:
        break;
    }
}

void FormWindow::syncWindow() {
    Syncing syncing(syncing_);
    setWindowTitle(fromCp1252(form_.caption()));
    const QSize client(zoom::toPixels(form_.width() - kFrameWidth), zoom::toPixels(form_.height() - kFrameHeight));
    if (form_.minWidth() > 0 || form_.minHeight() > 0) {
        setMinimumSize(zoom::toPixels(std::max(0, form_.minWidth() - kFrameWidth)),
                       zoom::toPixels(std::max(0, form_.minHeight() - kFrameHeight)));
        if (size() != client) resize(client);
    } else if (size() != client || minimumSize() != client || maximumSize() != client) {
        setFixedSize(client);  // a window without a minimum is a dialog of one size
    }
    if (form_.visible()) {
        if (!isVisible()) {
            if (!placed_) centreOnScreen();
            show();
            raise();
            activateWindow();
        } else if (form_.raiseCount() != raiseCount_) {
            setWindowState(windowState() & ~Qt::WindowMinimized);
            raise();
            activateWindow();
        }
    } else if (isVisible()) {
        hide();
    }
    raiseCount_ = form_.raiseCount();
}

// --- user to model ---

void FormWindow::forward(Control* c, const std::function<void()>& event) {
    editor_.dispatch(event);
    if (c != nullptr) syncControl(*c);
    if (editor_.terminated()) QCoreApplication::quit();
}

void FormWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int w = zoom::toUnits(width()) + kFrameWidth, h = zoom::toUnits(height()) + kFrameHeight;
    if (w != form_.width() || h != form_.height()) forward(nullptr, [&] { form_.setSize(w, h); });
}

void FormWindow::closeEvent(QCloseEvent* event) {
    if (onClose_ == OnClose::EndProgram) {
        // Edits neither exported nor saved are not lost without a word.
        if (!editor_.terminated() && !editor_.mayClose([this] { return askOnClose(); })) {
            event->ignore();
            return;
        }
        event->accept();
        QCoreApplication::quit();
        return;
    }
    event->ignore();
    forward(nullptr, [&] { form_.hide(); });
}

void FormWindow::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* in = menu.addAction(QStringLiteral("Zoom In"));
    in->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Plus));
    in->setEnabled(zoom::percent() < kZoomSteps.back());
    connect(in, &QAction::triggered, this, [this] { changeZoom(zoomIn(zoom::percent())); });
    QAction* out = menu.addAction(QStringLiteral("Zoom Out"));
    out->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    out->setEnabled(zoom::percent() > kZoomSteps.front());
    connect(out, &QAction::triggered, this, [this] { changeZoom(zoomOut(zoom::percent())); });
    menu.addSeparator();
    QMenu* steps = menu.addMenu(QStringLiteral("Zoom"));
    for (int step : kZoomSteps) {
        QAction* a = steps->addAction(QStringLiteral("%1 %").arg(step));
        a->setCheckable(true);
        a->setChecked(step == zoom::percent());
        if (step == kZoomSteps.front()) a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
        connect(a, &QAction::triggered, this, [this, step] { changeZoom(step); });
    }
    menu.exec(event->globalPos());
    event->accept();
}

void FormWindow::keyPressEvent(QKeyEvent* event) {
    if (runWindowKey(*event)) {
        event->accept();
        return;
    }
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (onClose_ != OnClose::HideForm || !plain) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        close();  // through closeEvent, as the title bar's close button
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        QPushButton* only = nullptr;
        int buttons = 0;
        for (const auto& control : form_.controls()) {
            if (control->kind != ControlKind::Button || !control->visible || !control->enabled) continue;
            ++buttons;
            only = qobject_cast<QPushButton*>(widgetFor(*control));
        }
        if (buttons == 1 && only != nullptr) {
            event->accept();
            only->click();  // as the user's click: the model hears it
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

std::optional<std::string> FormWindow::droppedValueSet(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) return std::nullopt;
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile()) return std::nullopt;
    const std::string path = toPath(urls.first().toLocalFile());
    if (path.empty() || !isValueSetName(path)) return std::nullopt;
    return path;
}

void FormWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (onClose_ == OnClose::EndProgram && droppedValueSet(event->mimeData())) {
        event->acceptProposedAction();
        return;
    }
    event->ignore();
}

void FormWindow::dropEvent(QDropEvent* event) {
    const std::optional<std::string> path = onClose_ == OnClose::EndProgram ? droppedValueSet(event->mimeData()) : std::nullopt;
    if (!path) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // The load runs once the drop is over: a message it shows must not hold
    // the program the file came from.
    QMetaObject::invokeMethod(
        this, [this, file = *path] { forward(nullptr, [&] { loadDroppedFile(editor_, file); }); }, Qt::QueuedConnection);
}

}  // namespace varnisk::app

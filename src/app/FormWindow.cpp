#include "app/FormWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>

#include "core/MainFrame.h"
#include "form/CodePage.h"
#include "platform/qt/QtConvert.h"
#include "preview/DataFolder.h"
#include "preview/ViewControl.h"

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
            QWidget* w = create(*control);
            widgets_[control.get()] = w;
            syncControl(*control);
            if (!control->name.empty()) wire(*control, w);
        }
    }
    form_.onControlChanged = [this](Control& c) { syncControl(c); };
    form_.onWindowChanged = [this] { syncWindow(); };
    raiseCount_ = form_.raiseCount();
    syncWindow();
}

FormWindow::~FormWindow() {
    form_.onControlChanged = nullptr;
    form_.onWindowChanged = nullptr;
}

QWidget* FormWindow::widgetFor(const Control& control) const {
    auto it = widgets_.find(&control);
    return it == widgets_.end() ? nullptr : it->second;
}

QWidget* FormWindow::widgetFor(std::string_view name) const {
    Control* c = form_.find(name);
    return c == nullptr ? nullptr : widgetFor(*c);
}

void FormWindow::centreOnScreen() {
    QScreen* s = screen();
    if (s == nullptr) return;
    QRect area = s->availableGeometry();
    move(area.left() + (area.width() - form_.width()) / 2, area.top() + (area.height() - form_.height()) / 2);
    placed_ = true;
}

// --- building ---

QWidget* FormWindow::create(Control& c) {
    QWidget* parent = c.parent != nullptr ? widgetFor(*c.parent) : this;
    if (parent == nullptr) parent = this;
    switch (c.kind) {
    case ControlKind::Edit: return new FieldEdit(parent);
    case ControlKind::Colour: return new Swatch(parent);
    case ControlKind::Caption: return new Panel(parent);
    case ControlKind::Button: {
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
        }
        break;
    case ControlKind::Group: return new QGroupBox(parent);
    case ControlKind::Page: {
        auto* page = new QWidget;
        if (auto* tabs = qobject_cast<QTabWidget*>(parent)) {
            tabs->addTab(page, fromCp1252(c.caption));
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
        edit->keyFilter = [this, &c](const QKeyEvent& event) { return filterKey(c, event); };
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

FieldEdit::KeyVerdict FormWindow::filterKey(Control& c, const QKeyEvent& event) {
    using Verdict = FieldEdit::KeyVerdict;
    // Shortcuts (copy, paste, undo) and keys that type nothing pass as they are.
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return {};
    char32_t code = 0;
    if (event.key() == Qt::Key_Backspace) {
        code = 8;
    } else if (event.key() == Qt::Key_Delete) {
        return {};
    } else {
        QList<uint> codes = event.text().toUcs4();
        if (codes.size() != 1) return {};
        code = codes.front();
    }
    int byte = unicodeToCp1252(code);
    if (byte < 0) {  // the program's code page has no such character
        editor_.ui.beep();
        return {Verdict::Discard, {}};
    }
    const char typed = static_cast<char>(byte);
    char result = 0;
    forward(&c, [&] { result = form_.userKey(c, typed); });
    if (result == 0) return {Verdict::Discard, {}};
    if (result == typed) return {};
    return {Verdict::Replace, QChar(static_cast<char16_t>(cp1252ToUnicode(static_cast<unsigned char>(result))))};
}

// --- model to widget ---

void FormWindow::syncControl(Control& c) {
    QWidget* w = widgetFor(c);
    if (w == nullptr) return;
    Syncing syncing(syncing_);
    w->setEnabled(c.enabled);
    const QString hint = fromCp1252(c.hint);
    if (w->toolTip() != hint) w->setToolTip(hint);
    if (c.kind != ControlKind::Page) {
        QRect bounds(c.bounds.left, c.bounds.top, c.bounds.width, c.bounds.height);
        if (w->geometry() != bounds) w->setGeometry(bounds);
        w->setVisible(c.visible);
    }
    switch (c.kind) {
    case ControlKind::Edit: {
        auto* edit = static_cast<FieldEdit*>(w);
        edit->setMaxLength(c.maxLength > 0 ? c.maxLength : 32767);
        edit->setAlignment(toQtAlignment(c.align));
        const QString text = fromCp1252(c.text);
        if (edit->text() != text) {
            int cursor = edit->cursorPosition();
            edit->setText(text);
            if (edit->hasFocus()) edit->setCursorPosition(std::min(cursor, static_cast<int>(text.size())));
        }
        break;
    }
    case ControlKind::Colour:
        static_cast<Swatch*>(w)->setColour(toQColor(c.colour));
        break;
    case ControlKind::Caption: {
        auto* panel = static_cast<Panel*>(w);
        panel->setBevel(c.bevel);
        panel->setAlignment(toQtAlignment(c.align));
        panel->setCaption(fromCp1252(c.caption));
        break;
    }
    case ControlKind::Button:
        static_cast<QPushButton*>(w)->setText(fromCp1252(c.caption));
        break;
    case ControlKind::UpDown:
        static_cast<ArrowPair*>(w)->setHorizontal(c.horizontal);
        break;
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
        }
        break;
    case ControlKind::Group:
        static_cast<QGroupBox*>(w)->setTitle(fromCp1252(c.caption));
        break;
    case ControlKind::Page:
        if (auto* tabs = qobject_cast<QTabWidget*>(c.parent != nullptr ? widgetFor(*c.parent) : nullptr)) {
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
    const QSize client(form_.width() - kFrameWidth, form_.height() - kFrameHeight);
    if (form_.minWidth() > 0 || form_.minHeight() > 0) {
        setMinimumSize(std::max(0, form_.minWidth() - kFrameWidth), std::max(0, form_.minHeight() - kFrameHeight));
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
    const int w = width() + kFrameWidth, h = height() + kFrameHeight;
    if (w != form_.width() || h != form_.height()) forward(nullptr, [&] { form_.setSize(w, h); });
}

void FormWindow::closeEvent(QCloseEvent* event) {
    if (onClose_ == OnClose::EndProgram) {
        event->accept();
        QCoreApplication::quit();
        return;
    }
    event->ignore();
    forward(nullptr, [&] { form_.hide(); });
}

}  // namespace varnisk::app

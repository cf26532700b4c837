#include "app/Widgets.h"

#include <algorithm>

#include <QApplication>
#include <QButtonGroup>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <qdrawutil.h>
#include <QRadioButton>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace varnisk::app {

Qt::Alignment toQtAlignment(Align align) {
    switch (align) {
    case Align::Center: return Qt::AlignHCenter | Qt::AlignVCenter;
    case Align::Right: return Qt::AlignRight | Qt::AlignVCenter;
    case Align::Left: break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

// --- Panel ---

Panel::Panel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setLineWidth(1);
}

void Panel::setBevel(Bevel bevel) {
    switch (bevel) {
    case Bevel::None: setFrameStyle(QFrame::NoFrame); break;
    case Bevel::Raised: setFrameStyle(QFrame::Panel | QFrame::Raised); break;
    case Bevel::Lowered: setFrameStyle(QFrame::Panel | QFrame::Sunken); break;
    }
}

void Panel::mousePressEvent(QMouseEvent* event) { event->accept(); }

void Panel::setCaption(const QString& caption) {
    if (caption == caption_ && !text().isNull()) return;
    caption_ = caption;
    fit();
}

void Panel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    fit();
}

void Panel::setHint(const QString& hint) {
    if (hint == hint_) return;
    hint_ = hint;
    fit();
}

int Panel::textRoom() const {
    // What QLabel draws in: the contents less the margin, and less the indent
    // on the side of a left or right alignment (half an "x" when the panel
    // has a frame and no indent of its own).
    int room = contentsRect().width() - 2 * margin();
    int indent = this->indent();
    if (indent < 0) indent = frameWidth() > 0 ? fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 : 0;
    if (alignment() & (Qt::AlignLeft | Qt::AlignRight)) room -= indent;
    return std::max(0, room);
}

void Panel::fit() {
    // Measured against the room the text really gets: a centred line wider
    // than that would lose both its ends.
    const int room = textRoom();
    const bool oneLine = !caption_.contains(QLatin1Char('\n'));
    const QString shown = oneLine && fontMetrics().horizontalAdvance(caption_) > room
                              ? fontMetrics().elidedText(caption_, Qt::ElideRight, room)
                              : caption_;
    if (text() != shown || text().isNull()) setText(shown);
    const QString tip = !hint_.isEmpty() ? hint_ : shown == caption_ ? QString() : caption_;
    if (toolTip() != tip) setToolTip(tip);
}

// --- Swatch ---

Swatch::Swatch(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
}

void Swatch::setColour(const QColor& colour) {
    if (colour_ == colour) return;
    colour_ = colour;
    update();
}

void Swatch::paintEvent(QPaintEvent* event) {
    {
        QPainter p(this);
        p.fillRect(contentsRect(), colour_);
    }
    QFrame::paintEvent(event);
}

void Swatch::mousePressEvent(QMouseEvent* event) { event->accept(); }

// --- ArrowPair ---

ArrowPair::ArrowPair(QWidget* parent) : QWidget(parent), down_(new QToolButton(this)), up_(new QToolButton(this)) {
    for (QToolButton* b : {down_, up_}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setIconSize(QSize(6, 6));
    }
    connect(down_, &QToolButton::clicked, this, [this] { emit arrow(false); });
    connect(up_, &QToolButton::clicked, this, [this] { emit arrow(true); });
    setHorizontal(true);
}

void ArrowPair::setHorizontal(bool horizontal) {
    horizontal_ = horizontal;
    down_->setArrowType(horizontal ? Qt::LeftArrow : Qt::DownArrow);
    up_->setArrowType(horizontal ? Qt::RightArrow : Qt::UpArrow);
    place();
}

void ArrowPair::resizeEvent(QResizeEvent*) { place(); }

void ArrowPair::place() {
    int w = width(), h = height();
    if (horizontal_) {
        down_->setGeometry(0, 0, w / 2, h);
        up_->setGeometry(w / 2, 0, w - w / 2, h);
    } else {
        up_->setGeometry(0, 0, w, h / 2);
        down_->setGeometry(0, h / 2, w, h - h / 2);
    }
}

// --- FieldEdit ---

namespace {

// QLineEdit draws its text this far inside its text margins on either side.
constexpr int kLineEditMargin = 2;
// The field's own text margin on the left.
constexpr int kTextIndent = 1;

}  // namespace

FieldEdit::FieldEdit(QWidget* parent) : QLineEdit(parent) {
    // A one-pixel border of our own leaves room for the text in the low
    // fields of the sheet; a pixel more than the line edit's own margin keeps
    // the text off the border on the left, its cursor on the right.
    setFrame(false);
    setTextMargins(kTextIndent, 1, 0, 1);
    connect(this, &QLineEdit::textChanged, this, [this] { refit(); });
}

int FieldEdit::selectionFrom() const { return hasSelectedText() ? selectionStart() : cursorPosition(); }

int FieldEdit::selectionSize() const { return hasSelectedText() ? selectionLength() : 0; }

void FieldEdit::showEdit(const QString& text) {
    const QString shown = this->text();
    if (shown == text) return;
    qsizetype head = 0;
    while (head < shown.size() && head < text.size() && shown[head] == text[head]) ++head;
    qsizetype tail = 0;
    while (tail < shown.size() - head && tail < text.size() - head &&
           shown[shown.size() - 1 - tail] == text[text.size() - 1 - tail]) {
        ++tail;
    }
    setSelection(static_cast<int>(head), static_cast<int>(shown.size() - head - tail));
    const QString middle = text.mid(head, text.size() - head - tail);
    if (middle.isEmpty()) {
        del();  // takes the selected text away
    } else {
        insert(middle);  // replaces the selected text
    }
    if (this->text() != text) setText(text);  // the line edit refused the edit (its length limit)
}

void FieldEdit::keyPressEvent(QKeyEvent* event) {
    if (takeKey && takeKey(*event)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void FieldEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    QLineEdit::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) selectAll();
}

int FieldEdit::textRoom() const { return std::max(0, width() - 2 * kLineEditMargin - kTextIndent); }

bool FieldEdit::fits(const QFont& font, const QString& text) const {
    return QFontMetrics(font).horizontalAdvance(text) + 1 <= textRoom();  // and the cursor after it
}

void FieldEdit::setHint(const QString& hint) {
    if (hint == hint_) return;
    hint_ = hint;
    refit();
}

void FieldEdit::refit() {
    const QString shown = text();
    QFont font = parentWidget() != nullptr ? parentWidget()->font() : QApplication::font(this);
    int stretch = 0;
    if (!fits(font, shown)) {
        for (int s = 99; s >= kNarrowest; --s) {
            QFont narrower = font;
            narrower.setStretch(s);
            if (fits(narrower, shown)) {
                stretch = s;
                break;
            }
        }
    }
    if (stretch != stretch_) {
        stretch_ = stretch;
        if (stretch == 0) {
            setFont(QFont());  // the window's font again
        } else {
            font.setStretch(stretch);
            setFont(font);
        }
    }
    const bool whole = fits(this->font(), shown);
    const bool elided = !whole && !hasFocus();
    if (elided != elided_) {
        elided_ = elided;
        update();
    }
    const QString tip = !hint_.isEmpty() ? hint_ : whole ? QString() : shown;
    if (toolTip() != tip) setToolTip(tip);
}

void FieldEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    refit();
}

void FieldEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    refit();
}

void FieldEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    refit();
}

void FieldEdit::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    QPainter p(this);
    if (elided_) {
        // Too wide even narrowed, and not being edited: the start of the text
        // and an ellipsis, in place of what the line edit scrolled to.
        const QRect inner = rect().adjusted(1, 1, -1, -1);
        p.fillRect(inner, palette().brush(QPalette::Base));
        p.setPen(palette().color(QPalette::Text));
        const QRect line = rect().adjusted(kLineEditMargin + kTextIndent, 1, -kLineEditMargin, -1);
        const Qt::Alignment horizontal = alignment() & Qt::AlignHorizontal_Mask;
        p.drawText(line, static_cast<int>(horizontal | Qt::AlignVCenter | Qt::TextSingleLine),
                   fontMetrics().elidedText(text(), Qt::ElideRight, textRoom()));
    }
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

// --- RadioChoice ---

RadioChoice::RadioChoice(QWidget* parent) : QFrame(parent), group_(new QButtonGroup(this)) {
    setFrameStyle(QFrame::Box | QFrame::Sunken);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 2, 2, 2);
    layout->setSpacing(0);
    connect(group_, &QButtonGroup::idClicked, this, &RadioChoice::chosen);
}

void RadioChoice::setItems(const QStringList& items) {
    if (items == this->items()) return;
    for (QAbstractButton* b : group_->buttons()) {
        group_->removeButton(b);
        delete b;
    }
    for (qsizetype i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        group_->addButton(b, static_cast<int>(i));
        layout()->addWidget(b);
    }
}

QStringList RadioChoice::items() const {
    QStringList out;
    for (QAbstractButton* b : group_->buttons()) out << b->text();
    return out;
}

void RadioChoice::setIndex(int index) {
    if (index == this->index()) return;
    group_->setExclusive(false);
    for (QAbstractButton* b : group_->buttons()) b->setChecked(group_->id(b) == index);
    group_->setExclusive(true);
}

int RadioChoice::index() const { return group_->checkedId(); }

// --- PageTabs ---

namespace {

// Tabs drawn as flat buttons of one size; the chosen one looks pressed in.
class FlatTabBar : public QTabBar {
public:
    static constexpr int kWidth = 45, kHeight = 18, kGap = 1, kTop = 2, kBelow = 2;

    explicit FlatTabBar(QWidget* parent) : QTabBar(parent) {
        setExpanding(false);
        setDrawBase(false);
        setUsesScrollButtons(false);
        setElideMode(Qt::ElideNone);
    }

protected:
    QSize tabSizeHint(int) const override { return {kWidth + kGap, kTop + kHeight + kBelow}; }
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }

    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        for (int i = 0; i < count(); ++i) {
            QRect r = tabRect(i);
            QRect button(r.left(), r.top() + kTop, kWidth, kHeight);
            bool chosen = i == currentIndex();
            if (chosen) {
                p.fillRect(button.adjusted(1, 1, -1, -1), palette().color(QPalette::Midlight));
                qDrawShadePanel(&p, button, palette(), true, 1);
            }
            p.setPen(palette().color(isTabEnabled(i) ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
            // The caption may use the whole width of the button.
            p.drawText(button.translated(chosen ? 1 : 0, chosen ? 1 : 0), Qt::AlignCenter | Qt::TextSingleLine,
                       tabText(i));
        }
    }
};

}  // namespace

PageTabs::PageTabs(QWidget* parent) : QTabWidget(parent) {
    setTabBar(new FlatTabBar(this));
    setDocumentMode(true);
}

// --- Rule ---

Rule::Rule(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::HLine | QFrame::Sunken);
    setLineWidth(1);
}

// --- MouseRelay ---

MouseRelay::MouseRelay(QWidget* widget) : QObject(widget), widget_(widget) { widget->installEventFilter(this); }

namespace {

bool toButton(Qt::MouseButton qt, MouseButton& out) {
    switch (qt) {
    case Qt::LeftButton: out = MouseButton::Left; return true;
    case Qt::RightButton: out = MouseButton::Right; return true;
    case Qt::MiddleButton: out = MouseButton::Middle; return true;
    default: return false;
    }
}

}  // namespace

bool MouseRelay::eventFilter(QObject* watched, QEvent* event) {
    if (watched != widget_) return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        MouseButton b;
        if (!toButton(e->button(), b)) break;
        pressed_ = true;
        if (b == MouseButton::Left) afterDouble_ = false;  // a release lost to a dialog
        if (press) press(b);
        break;
    }
    case QEvent::MouseButtonDblClick: {
        auto* e = static_cast<QMouseEvent*>(event);
        MouseButton b;
        if (!toButton(e->button(), b)) break;
        // Qt sends the second press before the double click; send one when
        // it did not.
        if (!pressed_ && press) press(b);
        pressed_ = true;
        if (b == MouseButton::Left) {
            afterDouble_ = true;
            if (doubleClick) doubleClick();
        }
        break;
    }
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->buttons() != Qt::NoButton && move) move();
        break;
    }
    case QEvent::MouseButtonRelease: {
        auto* e = static_cast<QMouseEvent*>(event);
        MouseButton b;
        if (!toButton(e->button(), b)) break;
        pressed_ = false;
        bool over = widget_->rect().contains(e->position().toPoint());
        bool endsDouble = b == MouseButton::Left && afterDouble_;
        if (b == MouseButton::Left) afterDouble_ = false;
        if (release) release();
        if (b == MouseButton::Left && over && !endsDouble && click) click();
        break;
    }
    case QEvent::ContextMenu:
        return holdContextMenu && holdContextMenu();
    default:
        break;
    }
    return false;
}

}  // namespace varnisk::app

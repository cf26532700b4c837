#include "app/Widgets.h"

#include <algorithm>

#include <QApplication>
#include <QButtonGroup>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <qdrawutil.h>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QStyleOptionFocusRect>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/Look.h"
#include "app/Zoom.h"

namespace varnisk::app {

Qt::Alignment toQtAlignment(Align align) {
    switch (align) {
    case Align::Center: return Qt::AlignHCenter | Qt::AlignVCenter;
    case Align::Right: return Qt::AlignRight | Qt::AlignVCenter;
    case Align::Left: break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

void tintForMark(QWidget& widget, QPalette::ColorRole role, Mark mark) {
    if (mark == Mark::None) {
        widget.setPalette(QPalette());  // no role of its own: the parent's palette again
        return;
    }
    const QColor tint = markTint(mark);
    const QPalette inherited = widget.parentWidget() != nullptr ? widget.parentWidget()->palette() : QApplication::palette();
    const QColor off = inherited.color(QPalette::Disabled, role);
    // A third of the tint over the disabled colour: still the grey of a
    // control that takes no input.
    const QColor faint((2 * off.red() + tint.red()) / 3, (2 * off.green() + tint.green()) / 3,
                       (2 * off.blue() + tint.blue()) / 3);
    QPalette pal;
    pal.setColor(QPalette::Active, role, tint);
    pal.setColor(QPalette::Inactive, role, tint);
    pal.setColor(QPalette::Disabled, role, faint);
    widget.setPalette(pal);
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

void Swatch::setMark(Mark mark) {
    if (mark == mark_) return;
    mark_ = mark;
    update();
}

int Swatch::markerSize() const {
    return std::clamp(contentsRect().height() * 2 / 3, zoom::toPixels(5), zoom::toPixels(9));
}

void Swatch::paintEvent(QPaintEvent* event) {
    {
        QPainter p(this);
        p.fillRect(contentsRect(), colour_);
    }
    QFrame::paintEvent(event);
    if (mark_ == Mark::None) return;
    // A right triangle in the top right corner, edged in white along its
    // long side so that it shows on a swatch of its own hue.
    QPainter p(this);
    const QRect inner = contentsRect();
    const int s = markerSize();
    const QPointF corner(inner.right() + 1, inner.top());
    QPainterPath triangle;
    triangle.moveTo(corner.x() - s, corner.y());
    triangle.lineTo(corner);
    triangle.lineTo(corner.x(), corner.y() + s);
    triangle.closeSubpath();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillPath(triangle, isEnabled() ? markAccent(mark_) : palette().color(QPalette::Disabled, QPalette::WindowText));
    p.setPen(QPen(Qt::white, 1));
    p.drawLine(QPointF(corner.x() - s - 1, corner.y()), QPointF(corner.x() - 1, corner.y() + s));
}

void Swatch::mousePressEvent(QMouseEvent* event) { event->accept(); }

// --- ArrowPair ---

ArrowPair::ArrowPair(QWidget* parent) : QWidget(parent), down_(new QToolButton(this)), up_(new QToolButton(this)) {
    for (QToolButton* b : {down_, up_}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
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

void ArrowPair::setMark(Mark mark) {
    if (mark == mark_) return;
    mark_ = mark;
    tintForMark(*this, QPalette::Button, mark);
}

void ArrowPair::resizeEvent(QResizeEvent*) { place(); }

void ArrowPair::place() {
    int w = width(), h = height();
    for (QToolButton* b : {down_, up_}) b->setIconSize(QSize(zoom::toPixels(6), zoom::toPixels(6)));
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

void FieldEdit::setMark(Mark mark, const QString& note) {
    if (mark == mark_ && note == note_) return;
    if (mark != mark_) {
        mark_ = mark;
        tintForMark(*this, QPalette::Base, mark);
    }
    note_ = note;
    refit();
}

void FieldEdit::setHighlighted(bool highlighted) {
    if (highlighted == highlighted_) return;
    highlighted_ = highlighted;
    update();
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
    // A narrower face is of the window's font at the time: a new zoom sets
    // it anew.
    if (stretch != stretch_ || (stretch != 0 && this->font().pixelSize() != font.pixelSize())) {
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
    QString tip = hint_;
    if (tip.isEmpty()) {
        if (!whole) tip = shown;
        if (!note_.isEmpty()) tip += (tip.isEmpty() ? QString() : QStringLiteral("\n")) + note_;
    }
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
    if (highlighted_) {
        // The camera on show: a bar along the field's foot.
        p.fillRect(QRect(1, height() - 3, width() - 2, 2), viewAccent());
    }
}

// --- OverlayCaption ---

OverlayCaption::OverlayCaption(QWidget* parent) : Panel(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

void OverlayCaption::paintEvent(QPaintEvent*) {
    if (caption().isEmpty()) return;
    QPainter p(this);
    const int pad = zoom::toPixels(4);
    const QString text = fontMetrics().elidedText(caption(), Qt::ElideRight, width() - 2 * pad);
    const int band = std::min(width(), fontMetrics().horizontalAdvance(text) + 2 * pad);
    QColor fill = viewAccent().darker(250);
    fill.setAlpha(165);
    p.fillRect(QRect(0, 0, band, height()), fill);
    p.setPen(Qt::white);
    p.drawText(QRect(pad, 0, band - pad, height()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
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

// --- RowList ---

namespace {

// Rows a little taller than the small font's line, for air between them.
class AiryRows : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(0, zoom::toPixels(4));
    }
};

}  // namespace

RowList::RowList(QWidget* parent) : QTreeWidget(parent) {
    setItemDelegate(new AiryRows(this));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAlternatingRowColors(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideRight);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(true);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(this, &QTreeWidget::itemSelectionChanged, this, [this] { emit chosen(index()); });
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this] { emit opened(); });
}

void RowList::setHeads(const QStringList& heads) {
    if (heads == this->heads()) return;
    setColumnCount(static_cast<int>(heads.size()));
    setHeaderLabels(heads);
    fitColumns();
}

void RowList::fitColumns() {
    for (int i = 0; i + 1 < columnCount(); ++i) setColumnWidth(i, std::max(header()->sectionSizeHint(i), zoom::toPixels(60)));
    widenColumns();
}

void RowList::changeEvent(QEvent* event) {
    QTreeWidget::changeEvent(event);
    // Another zoom: the columns fit the new font.
    if (event->type() == QEvent::FontChange) fitColumns();
}

QStringList RowList::heads() const {
    QStringList out;
    if (const QTreeWidgetItem* head = headerItem()) {
        for (int i = 0; i < columnCount(); ++i) out << head->text(i);
    }
    return out;
}

void RowList::setRows(const QStringList& rows) {
    const int count = static_cast<int>(rows.size());
    bool changed = false;
    // Rows are changed in place, added or taken away at the end: the items
    // that stay keep their place and the view its scroll position.
    while (topLevelItemCount() > count) {
        delete takeTopLevelItem(topLevelItemCount() - 1);
        changed = true;
    }
    for (int i = 0; i < count; ++i) {
        const QStringList cells = rows[i].split(QLatin1Char('\t'));
        QTreeWidgetItem* item = topLevelItem(i);
        if (item == nullptr) {
            item = new QTreeWidgetItem(this);
            changed = true;
        }
        for (int k = 0; k < std::max(static_cast<int>(cells.size()), item->columnCount()); ++k) {
            const QString cell = k < cells.size() ? cells[k] : QString();
            if (item->text(k) != cell) {
                item->setText(k, cell);
                changed = true;
            }
        }
    }
    if (changed) widenColumns();
}

QStringList RowList::rows() const {
    QStringList out;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = topLevelItem(i);
        QStringList cells;
        for (int k = 0; k < std::max(columnCount(), item->columnCount()); ++k) cells << item->text(k);
        while (cells.size() > 1 && cells.back().isEmpty()) cells.removeLast();
        out << cells.join(QLatin1Char('\t'));
    }
    return out;
}

void RowList::setIndex(int index) {
    if (index == this->index()) return;
    QTreeWidgetItem* item = index >= 0 ? topLevelItem(index) : nullptr;
    if (item == nullptr) {
        clearSelection();
        return;
    }
    setCurrentItem(item);
    scrollToItem(item);
}

int RowList::index() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : indexOfTopLevelItem(selected.front());
}

void RowList::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && index() >= 0) {
        event->accept();
        emit opened();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void RowList::widenColumns() {
    const int most = std::max(zoom::toPixels(60), viewport()->width() / 2);
    for (int i = 0; i + 1 < columnCount(); ++i) {
        const int wanted = std::min(most, std::max(sizeHintForColumn(i), header()->sectionSizeHint(i)) + zoom::toPixels(8));
        if (wanted > columnWidth(i)) setColumnWidth(i, wanted);
    }
}

// --- Badge ---

Badge::Badge(QWidget* parent) : QPushButton(parent) {
    setAutoDefault(false);
    setAttribute(Qt::WA_Hover);  // drawn lighter under the mouse
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

void Badge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // Darker than the markers' accent, for white text.
    QColor fill = markAccent(Mark::Modified).darker(112);
    if (isDown()) {
        fill = fill.darker(120);
    } else if (underMouse()) {
        fill = fill.lighter(112);
    }
    const QRectF body = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = body.height() / 2;
    p.setPen(QPen(fill.darker(135), 1));
    p.setBrush(fill);
    p.drawRoundedRect(body, radius, radius);
    p.setPen(Qt::white);
    // Bold in the window's font of the moment, whatever the zoom.
    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    p.drawText(rect().translated(isDown() ? 1 : 0, isDown() ? 1 : 0), Qt::AlignCenter | Qt::TextSingleLine, text());
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
    }
}

// --- PageTabs ---

namespace {

// Tabs drawn as flat buttons of one size; the chosen one looks pressed in.
class FlatTabBar : public QTabBar {
public:
    // The tab's button and the room around it, in the form's units.
    static constexpr int kWidth = 45, kHeight = 18, kGap = 1, kTop = 2, kBelow = 2;

    explicit FlatTabBar(QWidget* parent) : QTabBar(parent) {
        setExpanding(false);
        setDrawBase(false);
        setUsesScrollButtons(false);
        setElideMode(Qt::ElideNone);
    }

protected:
    QSize tabSizeHint(int) const override {
        return {zoom::toPixels(kWidth + kGap), zoom::toPixels(kTop + kHeight + kBelow)};
    }
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }

    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        for (int i = 0; i < count(); ++i) {
            QRect r = tabRect(i);
            QRect button(r.left(), r.top() + zoom::toPixels(kTop), zoom::toPixels(kWidth), zoom::toPixels(kHeight));
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

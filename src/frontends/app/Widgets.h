#pragma once

#include <functional>

#include <QColor>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTabWidget>
#include <QTreeWidget>
#include <QWidget>

#include "form/Control.h"

class QButtonGroup;
class QToolButton;

namespace varnisk::app {

// The widgets that show the kinds of controls Qt has no exact match for, and
// the relay that turns Qt's mouse events into the events of a form. None of
// them decides anything: they draw a control and forward what the user does.

Qt::Alignment toQtAlignment(Align align);

// Tints one colour role of a widget (and of the children that take their
// palette from it) for a mark; Mark::None gives the widget its inherited
// palette back. A disabled widget keeps its disabled look with a trace of
// the tint.
void tintForMark(QWidget& widget, QPalette::ColorRole role, Mark mark);

// A caption: a label or a panel with a bevel; one or more lines.
class Panel : public QLabel {
public:
    explicit Panel(QWidget* parent);
    void setBevel(Bevel bevel);
    // The caption; a line too wide for the panel ends in an ellipsis and
    // shows whole as the panel's tooltip.
    void setCaption(const QString& caption);
    const QString& caption() const { return caption_; }
    // The control's own hint; when set it is the tooltip, whether the caption
    // fits or not.
    void setHint(const QString& hint);
    // The width the label draws its text in: the contents less the margin and
    // the indent on the side the text is aligned to.
    int textRoom() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void fit();
    QString caption_;
    QString hint_;
};

// A caption drawn over the preview: light text on a dark, half-clear band as
// wide as the text, the rest of its place left clear; the mouse goes through.
class OverlayCaption : public Panel {
public:
    explicit OverlayCaption(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A colour panel: a sunken swatch of one colour. A marked one carries a
// small triangle in its top right corner; the swatch's colour stays whole
// around it.
class Swatch : public QFrame {
public:
    explicit Swatch(QWidget* parent);
    void setColour(const QColor& colour);
    QColor colour() const { return colour_; }
    void setMark(Mark mark);
    Mark mark() const { return mark_; }
    // The corner the marker takes, in the swatch's coordinates (its side).
    int markerSize() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QColor colour_;
    Mark mark_ = Mark::None;
};

// An up-down selector: two small arrow buttons side by side (left = down,
// right = up), or one above the other.
class ArrowPair : public QWidget {
    Q_OBJECT
public:
    explicit ArrowPair(QWidget* parent);
    void setHorizontal(bool horizontal);
    QToolButton* downButton() const { return down_; }
    QToolButton* upButton() const { return up_; }
    // A marked selector's arrows are drawn on the mark's tint.
    void setMark(Mark mark);
    Mark mark() const { return mark_; }

signals:
    void arrow(bool up);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void place();
    QToolButton* down_;
    QToolButton* up_;
    bool horizontal_ = true;
    Mark mark_ = Mark::None;
};

// A single-line edit field whose typing keys are offered to the model first.
class FieldEdit : public QLineEdit {
public:
    explicit FieldEdit(QWidget* parent);
    // Offered each key before the line edit: true when it took the key,
    // false to leave the key to the line edit (moving the cursor, selecting,
    // shortcuts).
    std::function<bool(const QKeyEvent&)> takeKey;

    // The selection as start and length; the cursor alone is an empty
    // selection at the cursor.
    int selectionFrom() const;
    int selectionSize() const;
    // Shows `text` as an edit of the text shown: only the part that differs
    // is replaced, so the edit can be undone as the user's own and leaves the
    // cursor after it.
    void showEdit(const QString& text);

    // The width between the field's inner margins that a text may take whole.
    int textRoom() const;
    // Whether `text` shows whole in the field at `font`.
    bool fits(const QFont& font, const QString& text) const;
    // The control's own hint; when set it is the tooltip, else a text too
    // wide for the field is, followed by the mark's note.
    void setHint(const QString& hint);
    // A marked field is drawn on the mark's tint; its text keeps its colour
    // and font. The note says why (the game's value).
    void setMark(Mark mark, const QString& note);
    // A field of the camera the preview shows: underlined in the accent of
    // the view's caption.
    void setHighlighted(bool highlighted);
    bool highlighted() const { return highlighted_; }
    Mark mark() const { return mark_; }
    // Fits the text again: a value too wide for the field at the window's
    // font is drawn narrower (down to kNarrowest percent); one too wide even
    // so ends in an ellipsis while the field is not being edited. Runs by
    // itself when the text, the size or the focus changes; call it after
    // changing the alignment.
    void refit();
    // Whether the field shows its text cut short with an ellipsis.
    bool elided() const { return elided_; }

    static constexpr int kNarrowest = 60;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // A double click selects the whole text (a field holds one value).
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QString hint_;
    QString note_;
    Mark mark_ = Mark::None;
    bool highlighted_ = false;
    int stretch_ = 0;  // 0: the window's font as it is
    bool elided_ = false;
};

// A radio group: a frame with one radio button per item, top to bottom.
class RadioChoice : public QFrame {
    Q_OBJECT
public:
    explicit RadioChoice(QWidget* parent);
    void setItems(const QStringList& items);
    QStringList items() const;
    void setIndex(int index);
    int index() const;

signals:
    void chosen(int index);

private:
    QButtonGroup* group_;
};

// A list of rows under column heads, one row selected at a time. Rows come
// as lines of cells separated by tabs; rows that stay the same keep their
// items, so the selection and the scroll position stay where they were.
class RowList : public QTreeWidget {
    Q_OBJECT
public:
    explicit RowList(QWidget* parent);
    void setHeads(const QStringList& heads);
    QStringList heads() const;
    void setRows(const QStringList& rows);
    QStringList rows() const;
    // Selects the row and scrolls it into view; -1 selects none.
    void setIndex(int index);
    int index() const;

signals:
    // The user selected a row (-1: none).
    void chosen(int index);
    // A double click on a row, or Return on the selected one.
    void opened();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Columns but the last grow to show their widest cell, to half the
    // list's width; they never shrink by themselves (the user may).
    void widenColumns();
    // Columns but the last as wide as their heads, then widened.
    void fitColumns();
};

// A button drawn as a small rounded badge in the marks' accent colour, for a
// button that sits over the preview.
class Badge : public QPushButton {
public:
    explicit Badge(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The page control: flat-button tabs above the pages.
class PageTabs : public QTabWidget {
public:
    explicit PageTabs(QWidget* parent);
};

// A thin sunken horizontal line.
class Rule : public QFrame {
public:
    explicit Rule(QWidget* parent);
};

// Turns the mouse events of one widget into the events of a control, as the
// window system the program was designed for sends them: a press, moves
// while a button is held, the release, a click when the left button is
// released over the widget, and a double click (whose press comes first; the
// release that ends a double click brings no click).
class MouseRelay : public QObject {
public:
    explicit MouseRelay(QWidget* widget);

    std::function<void(MouseButton)> press;
    std::function<void()> move;
    std::function<void()> release;
    std::function<void()> click;
    std::function<void()> doubleClick;
    // Whether the widget's own context menu is held back (the control uses
    // the right button itself).
    std::function<bool()> holdContextMenu;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* widget_;
    bool pressed_ = false;      // a press was forwarded and not yet released
    bool afterDouble_ = false;  // the next left release ends a double click
};

}  // namespace varnisk::app

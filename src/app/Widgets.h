#pragma once

#include <functional>

#include <QColor>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <QStringList>
#include <QTabWidget>
#include <QWidget>

#include "form/Control.h"

class QButtonGroup;
class QToolButton;

namespace varnisk::app {

// The widgets that show the kinds of controls Qt has no exact match for, and
// the relay that turns Qt's mouse events into the events of a form. None of
// them decides anything: they draw a control and forward what the user does.

Qt::Alignment toQtAlignment(Align align);

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

// A colour panel: a sunken swatch of one colour.
class Swatch : public QFrame {
public:
    explicit Swatch(QWidget* parent);
    void setColour(const QColor& colour);
    QColor colour() const { return colour_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QColor colour_;
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

signals:
    void arrow(bool up);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void place();
    QToolButton* down_;
    QToolButton* up_;
    bool horizontal_ = true;
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
    // wide for the field is.
    void setHint(const QString& hint);
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

// The preview area. Made in this one place so that the OpenGL view can take

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

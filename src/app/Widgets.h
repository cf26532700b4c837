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
    // The caption; one too wide for the panel ends in an ellipsis and shows
    // whole as the panel's tooltip.
    void setCaption(const QString& caption);
    const QString& caption() const { return caption_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void fit();
    QString caption_;
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

// A single-line edit field whose typed characters pass a filter first.
class FieldEdit : public QLineEdit {
public:
    // What becomes of a typed key: handled as typed, discarded, or typed as
    // another character.
    struct KeyVerdict {
        enum { Pass, Discard, Replace } action = Pass;
        QChar replacement;
    };

    explicit FieldEdit(QWidget* parent);
    std::function<KeyVerdict(const QKeyEvent&)> keyFilter;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
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

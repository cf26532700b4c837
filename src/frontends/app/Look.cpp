#include "app/Look.h"

#include <QApplication>
#include <QFont>
#include <QPalette>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleFactory>
#include <algorithm>
#include <cmath>

#include "app/QtConvert.h"
#include "app/Zoom.h"
#include "form/Control.h"

namespace varnisk::app {

namespace {

QPalette classicPalette() {
    const QColor face = toQColor(kButtonFaceColour);
    QPalette pal(face);
    pal.setColor(QPalette::Window, face);
    pal.setColor(QPalette::Button, face);
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::AlternateBase, face);
    pal.setColor(QPalette::Light, Qt::white);
    pal.setColor(QPalette::Midlight, face.lighter(108));
    pal.setColor(QPalette::Dark, QColor(128, 128, 128));
    pal.setColor(QPalette::Mid, QColor(160, 160, 160));
    pal.setColor(QPalette::Shadow, QColor(64, 64, 64));
    pal.setColor(QPalette::WindowText, Qt::black);
    pal.setColor(QPalette::Text, Qt::black);
    pal.setColor(QPalette::ButtonText, Qt::black);
    pal.setColor(QPalette::Highlight, QColor(10, 36, 106));
    pal.setColor(QPalette::HighlightedText, Qt::white);
    pal.setColor(QPalette::ToolTipBase, QColor(255, 255, 225));
    pal.setColor(QPalette::ToolTipText, Qt::black);
    // Disabled texts stay readable: dark grey, on the face colour in fields.
    const QColor grey(96, 96, 96);
    pal.setColor(QPalette::Disabled, QPalette::WindowText, grey);
    pal.setColor(QPalette::Disabled, QPalette::Text, grey);
    pal.setColor(QPalette::Disabled, QPalette::ButtonText, grey);
    pal.setColor(QPalette::Disabled, QPalette::Base, face);
    pal.setColor(QPalette::Disabled, QPalette::Light, Qt::white);
    return pal;
}

// The style with the marks a user aims at grown with the zoom: check boxes,
// radio buttons, scroll bars and small icons.
class ZoomedStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        const int base = QProxyStyle::pixelMetric(metric, option, widget);
        switch (metric) {
        case PM_IndicatorWidth:
        case PM_IndicatorHeight:
        case PM_ExclusiveIndicatorWidth:
        case PM_ExclusiveIndicatorHeight:
        case PM_ScrollBarExtent:
        case PM_ScrollBarSliderMin:
        case PM_SmallIconSize:
        case PM_ButtonIconSize:
            return static_cast<int>(std::lround(base * zoom::factor()));
        default:
            return base;
        }
    }
};

}  // namespace

QFont lookFont(int zoomPercent) {
    // The controls keep the places and sizes the windows were drawn with for
    // 8-point text; a condensed face of 10 pixels fits them: five-digit
    // values in the camera grid, every status message in the status panel
    // and the longest captions on their buttons and tabs.
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Liberation Sans Narrow"),
                      QStringLiteral("Arial Narrow"), QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(10 * zoomPercent / 100.0))));
    return font;
}

QColor markTint(Mark mark) {
    switch (mark) {
    case Mark::Modified: return {255, 236, 179};
    case Mark::DoesNotFit: return {255, 205, 205};
    case Mark::None: break;
    }
    return {};
}

QColor markAccent(Mark mark) {
    switch (mark) {
    case Mark::Modified: return {214, 142, 0};
    case Mark::DoesNotFit: return {200, 30, 30};
    case Mark::None: break;
    }
    return {};
}

void applyLook(QApplication& app) {
    QStyle* style = QStyleFactory::create(QStringLiteral("Windows"));
    if (style == nullptr) style = QStyleFactory::create(QStringLiteral("Fusion"));
    if (style != nullptr) app.setStyle(new ZoomedStyle(style));
    app.setPalette(classicPalette());
    app.setFont(lookFont(zoom::percent()));
}

QColor viewAccent() { return QColor(0x3A, 0x6E, 0xA5); }

}  // namespace varnisk::app

#include "Twips.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace platform::Twips {

double pixelsPerTwip(const QWidget* widget) {
    const QScreen* screen = widget && widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    return (dpi > 0 ? dpi : 96.0) / 1440.0;
}

int toPixels(double twips, const QWidget* widget) {
    return static_cast<int>(std::lround(twips * pixelsPerTwip(widget)));
}

double fromPixels(int pixels, const QWidget* widget) {
    return pixels / pixelsPerTwip(widget);
}

QRect rect(double left, double top, double width, double height, const QWidget* widget) {
    // Edges are rounded, not sizes, so neighbouring controls keep their gaps.
    const int x0 = toPixels(left, widget);
    const int y0 = toPixels(top, widget);
    const int x1 = toPixels(left + width, widget);
    const int y1 = toPixels(top + height, widget);
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

void place(QWidget* control, double left, double top, double width, double height) {
    QRect r = rect(left, top, width, height, control);
    // A one-line label designed 180 twips high is exactly as high as the 9-point font's em, while a CJK font's
    // line (ascent and descent) is taller: the caption would lose a pixel row at its top or bottom. A label
    // therefore grows to what its caption needs and never shrinks. It grows to the right, and evenly up and
    // down, so its caption, drawn centred, stays on the line the design put it on, level with the text of the
    // box beside it. A label designed without a size grows from its top-left corner.
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        const QSize needed = label->sizeHint();
        if (r.height() > 0 && needed.height() > r.height())
            r.moveTop(r.top() - (needed.height() - r.height()) / 2);
        r.setSize(r.size().expandedTo(needed));
    }
    control->setGeometry(r);
}

} // namespace platform::Twips

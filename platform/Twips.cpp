#include "Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace platform::Twips {

double pixelsPerTwip(const QWidget* widget) {
    const QScreen* screen = widget && widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    return (dpi > 0 ? dpi : 96.0) / 1440.0;
}

int toPixels(double twips, const QWidget* widget) { return static_cast<int>(std::lround(twips * pixelsPerTwip(widget))); }

double fromPixels(int pixels, const QWidget* widget) { return pixels / pixelsPerTwip(widget); }

QRect rect(double left, double top, double width, double height, const QWidget* widget) {
    // Edges are rounded, not sizes, so neighbouring controls keep their gaps.
    const int x0 = toPixels(left, widget);
    const int y0 = toPixels(top, widget);
    const int x1 = toPixels(left + width, widget);
    const int y1 = toPixels(top + height, widget);
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

void place(QWidget* control, double left, double top, double width, double height) {
    control->setGeometry(rect(left, top, width, height, control));
}

} // namespace platform::Twips

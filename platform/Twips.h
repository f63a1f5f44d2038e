#pragma once

#include <QRect>

class QWidget;

namespace platform {

// Window geometry is designed in twips (1/1440 inch). At 96 logical dots per inch that is 15 twips a pixel;
// the screen's logical DPI scales it.
namespace Twips {

double pixelsPerTwip(const QWidget* widget = nullptr);
int toPixels(double twips, const QWidget* widget = nullptr);
double fromPixels(int pixels, const QWidget* widget = nullptr);
QRect rect(double left, double top, double width, double height, const QWidget* widget = nullptr);
// Places a child control at a rectangle given in twips. A label is made at least as large as its caption
// needs, so no caption is ever clipped: it grows to the right, and up and down around its designed middle
// (a label placed without a height grows down from its top).
void place(QWidget* control, double left, double top, double width, double height);

} // namespace Twips
} // namespace platform

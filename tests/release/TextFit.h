#pragma once

#include <QStringList>

class QWidget;

// Whether the texts of a window are drawn whole: for every visible label, button, line edit and drop-down
// list, the ink of its text (the glyphs' tight outline at the place the style draws the line) must lie
// inside the area the control clips its text to, and a caption must not be wider than that area.
namespace textfit {

// One line per text that is cut off: "<objectName or class> \"<text>\": <how>". Empty when all fit.
QStringList clippedTexts(const QWidget* window);

} // namespace textfit

#pragma once

// The main window's layout in twips: the designed geometry of its controls and the arithmetic that makes
// the tree, the reading area and the banner follow the window's size. Pure: no widgets here.

#include <array>

namespace viewlayout {

// A control's rectangle in twips. Single precision, like the arithmetic: a width may carry half a twip.
struct TwipRect {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
};

// The controls as they stand at one moment: what the resize reads and writes.
struct Geometry {
    TwipRect tree;
    TwipRect insert, updata, output, remove, find, input;
    TwipRect labelTitle, title, labelWeather, weather, dateWeek, body, banner;
    // Line_Spilt runs from (lineX1, lineY) to (lineX2, lineY).
    float lineX1 = 0;
    float lineY = 0;
    float lineX2 = 0;
};

// The window as designed: client area 11535 x 6780.
inline constexpr float kDesignedClientWidth = 11535;
inline constexpr float kDesignedClientHeight = 6780;
Geometry designedGeometry();

// Tab order of the window's controls, by object name.
std::array<const char*, 14> tabOrder();

// The ten values the resize assigns, in the order it assigns them.
struct ResizeValues {
    float treeHeight = 0;
    float bannerHeight = 0;
    float bannerLeft = 0;
    float titleWidth = 0;
    float weatherWidth = 0;
    float dateLeft = 0;
    float dateWidth = 0;
    float bodyWidth = 0;
    float bodyHeight = 0;
    float lineX2 = 0;
};

// From the window's outer size (frame and caption included) and the controls' current geometry: each
// assignment reads the values written by the ones before it.
ResizeValues resize(float outerWidth, float outerHeight, const Geometry& current);
// The geometry after those assignments; nothing else changes.
Geometry applied(Geometry geometry, const ResizeValues& values);

} // namespace viewlayout

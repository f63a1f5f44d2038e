#pragma once

// How the search window's result list follows the window's size. Pure arithmetic in twips.
namespace findlayout {

enum class WindowState { Normal, Minimized, Maximized };

struct Size {
    double width = 0;
    double height = 0;
    bool operator==(const Size&) const = default;
};

// The list's size for a window whose outer size (frame and caption included) is outer, given the list's
// current size. Left and top of the list never change.
Size resultListSize(WindowState state, Size outer, Size current);

} // namespace findlayout

#include "FindLayout.h"

namespace findlayout {
namespace {
constexpr double kWidthMargin = 100;
constexpr double kHeightMarginNormal = 810;
constexpr double kHeightMarginMaximized = 510 + 320;
} // namespace

Size resultListSize(WindowState state, Size outer, Size current) {
    switch (state) {
    case WindowState::Minimized:
        return current;
    case WindowState::Maximized:
        return {outer.width - kWidthMargin, outer.height - kHeightMarginMaximized};
    case WindowState::Normal:
        break;
    }
    return {outer.width - kWidthMargin,
            outer.height > kHeightMarginNormal ? outer.height - kHeightMarginNormal : current.height};
}

} // namespace findlayout

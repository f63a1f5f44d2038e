#pragma once

#include <QSize>

#include <functional>

class QWidget;

namespace app {

// While it is installed, the main window cannot be made smaller than this, frame included.
inline constexpr QSize kMainWindowMinimumSize{1024, 486};

// Installed by the main window at the very start of its load, removed as the first step of its unload. With
// it the window is centred by its outer size when shown, and frameChanged is called whenever the window
// system reports another frame (the layout counts it); until one is reported, the style's frame is counted.
void InstallSizeLimit(QWidget* window, std::function<void()> frameChanged);
void RemoveSizeLimit(QWidget* window);

} // namespace app

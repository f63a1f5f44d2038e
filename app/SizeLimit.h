#pragma once

#include <QSize>

#include <functional>

class QWidget;

namespace app {

// While it is installed, the main window cannot be made smaller than this, frame included.
inline constexpr QSize kMainWindowMinimumSize{1024, 486};

// Installed by the main window at the very start of its load, removed as the first step of its unload;
// frameChanged is called when the window system reports another frame (the layout counts it).
void InstallSizeLimit(QWidget* window, std::function<void()> frameChanged);
void RemoveSizeLimit(QWidget* window);

} // namespace app

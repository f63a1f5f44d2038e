#pragma once

#include <QSize>

class QWidget;

namespace app {

// While it is installed, the main window cannot be made smaller than this, frame included.
inline constexpr QSize kMainWindowMinimumSize{1024, 486};

// Installed by the main window at the very start of its load, removed as the first step of its unload.
void InstallSizeLimit(QWidget* window);
void RemoveSizeLimit(QWidget* window);

} // namespace app

#include "SizeLimit.h"

#include "platform/WindowSizeLimit.h"

namespace app {

void InstallSizeLimit(QWidget* window) {
    platform::WindowSizeLimit::install(window, kMainWindowMinimumSize);
}

void RemoveSizeLimit(QWidget* window) {
    platform::WindowSizeLimit::remove(window);
}

} // namespace app

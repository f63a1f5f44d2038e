#include "SizeLimit.h"

#include "platform/WindowSizeLimit.h"

#include <utility>

namespace app {

void InstallSizeLimit(QWidget* window, std::function<void()> frameChanged) {
    platform::WindowSizeLimit::install(window, kMainWindowMinimumSize, std::move(frameChanged));
}

void RemoveSizeLimit(QWidget* window) {
    platform::WindowSizeLimit::remove(window);
}

} // namespace app

#include "SizeLimit.h"

#include "platform/WindowSizeLimit.h"

#include <utility>

namespace app {

void InstallSizeLimit(QWidget* window, std::function<void()> frameChanged) {
    platform::WindowSizeLimit::Rules rules;
    rules.minimumOuterSize = kMainWindowMinimumSize;
    rules.centreWhenShown = true;
    rules.assumeStyleFrame = true;
    rules.frameChanged = std::move(frameChanged);
    platform::WindowSizeLimit::install(window, std::move(rules));
}

void RemoveSizeLimit(QWidget* window) {
    platform::WindowSizeLimit::remove(window);
}

} // namespace app

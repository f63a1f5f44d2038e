#pragma once

namespace platform {

// Makes Browser::create hand out real web views (Qt WebEngine) when the program is built with them;
// otherwise the blank view stays. Call once at start-up, before the first window opens. When the program
// runs as root it turns Chromium's sandbox off (QTWEBENGINE_DISABLE_SANDBOX), which refuses to start as
// root otherwise, unless the environment already decides; and it asks for the engine's pages in Chinese.
void installWebBrowser();

} // namespace platform

#pragma once

// Showing a notice: to the host's handler when one is registered, otherwise in the system's own way
// (a Qt message box of the host's application on Linux, a Win32 message box on Windows).

#include "UpdateLibrary.h"

#include <cstdint>
#include <string>

namespace libupdate {

void setNoticeHandler(UpdateNoticeHandler handler, void* context);

// Callable from any thread; never waits for the user.
void showNotice(const std::string& title, const std::string& text, std::int32_t window);

// The notice without a handler; one implementation per platform.
void showSystemNotice(const std::string& title, const std::string& text, std::int32_t window);

} // namespace libupdate

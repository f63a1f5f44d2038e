#pragma once

// Showing a notice: to the host's handler when one is registered, otherwise in a message box of the
// host's Qt application, if it has one.

#include "UpdateLibrary.h"

#include <cstdint>
#include <string>

namespace libupdate {

void setNoticeHandler(UpdateNoticeHandler handler, void* context);

// Callable from any thread; never waits for the user.
void showNotice(const std::string& title, const std::string& text, std::int32_t window);

} // namespace libupdate

#pragma once

// Fetching one small document over HTTP or HTTPS through the platform's own client (libcurl, WinHTTP),
// within a fixed time and size.

#include "UpdateText.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

namespace libupdate {

// The body of a GET of address when the server answers with a 2xx status, following up to five
// redirects. nullopt when the name does not resolve, the connection fails, the status is not 2xx, the
// time is up, or the body grows past maxBytes. Blocks the calling thread for at most about timeout.
std::optional<std::string> fetchText(const HttpAddress& address, std::chrono::milliseconds timeout,
                                     std::size_t maxBytes);

} // namespace libupdate

#pragma once

// Fetching one small document over plain HTTP with POSIX sockets, within a fixed time.

#include "UpdateText.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

namespace libupdate {

// The whole answer (status line, headers and body) to a GET of address, read until the server closes the
// connection. nullopt when the name does not resolve, the connection fails, the time is up, or the answer
// grows past maxBytes. Blocks the calling thread for at most about timeout after name resolution.
std::optional<std::string> fetchHttp(const HttpAddress& address, std::chrono::milliseconds timeout,
                                     std::size_t maxBytes);

} // namespace libupdate

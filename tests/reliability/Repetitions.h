#pragma once

#include <algorithm>

namespace reliability {

// How many times a test repeats the same work. Under AddressSanitizer every allocation is slow, and the key
// derivation that each opening of the database runs allocates at every step, so the sanitizer build walks
// the same paths with a third of the repetitions.
inline int repetitions(int plain) {
#if defined(__SANITIZE_ADDRESS__)
    return std::max(2, plain / 3);
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return std::max(2, plain / 3);
#else
    return plain;
#endif
#else
    return plain;
#endif
}

} // namespace reliability

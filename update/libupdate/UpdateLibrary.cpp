#include "UpdateLibrary.h"

#include "HttpFetch.h"
#include "Notice.h"
#include "UpdateText.h"

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#ifndef QJL_UPDATE_RUNNING_VERSION
#error "QJL_UPDATE_RUNNING_VERSION must name the version this library ships with"
#endif

namespace {

// Looking up, connecting and reading together may take this long; a slower server counts as no server.
constexpr std::chrono::seconds kFetchTimeout{5};
// An update text is two short lines; anything much bigger is not one.
constexpr std::size_t kMaxAnswerBytes = 64 * 1024;

std::atomic<int> g_pendingChecks{0};

void runCheck(std::int32_t window, const std::string& address) noexcept {
    // Every failure ends the check without a word: the update check is a courtesy, and the user is busy
    // with their diary. Exceptions (only allocation can throw here) end it the same way.
    try {
        const auto parsedAddress = libupdate::parseHttpAddress(address);
        if (!parsedAddress)
            return;
        const auto body = libupdate::fetchText(*parsedAddress, kFetchTimeout, kMaxAnswerBytes);
        if (!body)
            return;
        const auto update = libupdate::parseUpdateText(*body);
        if (!update || !libupdate::isNewer(update->version, QJL_UPDATE_RUNNING_VERSION))
            return;
        libupdate::showNotice(libupdate::noticeTitle(), libupdate::noticeText(*update), window);
    } catch (...) {
        // See above: silence is the rule for every failure of a check.
    }
}

} // namespace

extern "C" {

UPDATE_API int UPDATE_CALL DoUpdate(int32_t window, const char* address) {
    if (!address || !*address)
        return 0;
    ++g_pendingChecks;
    try {
        // The caller frees its text as soon as we return, so the thread gets its own copy.
        std::thread([window, copy = std::string(address)] {
            runCheck(window, copy);
            --g_pendingChecks;
        }).detach();
    } catch (...) {
        // No thread (or no memory for the copy): no check this time, and nothing for the caller to do.
        --g_pendingChecks;
        return 0;
    }
    return 1;
}

UPDATE_API int UPDATE_CALL BeginUpdate(void) {
    return 0;
}

UPDATE_API void UPDATE_CALL SetNoticeHandler(UpdateNoticeHandler handler, void* context) {
    libupdate::setNoticeHandler(handler, context);
}

UPDATE_API int UPDATE_CALL PendingUpdateChecks(void) {
    return g_pendingChecks.load();
}

} // extern "C"

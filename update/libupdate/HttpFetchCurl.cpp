#include "HttpFetch.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace libupdate {
namespace {

constexpr long kMaxRedirects = 5;

struct Body {
    std::string text;
    std::size_t maxBytes;
};

std::size_t appendBody(char* data, std::size_t size, std::size_t count, void* userData) {
    auto* body = static_cast<Body*>(userData);
    const std::size_t length = size * count;
    if (body->text.size() + length > body->maxBytes)
        return 0; // anything but length aborts the transfer
    body->text.append(data, length);
    return length;
}

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

} // namespace

std::optional<std::string> fetchText(const HttpAddress& address, std::chrono::milliseconds timeout,
                                     std::size_t maxBytes) {
    // Once per process; curl_global_init is not thread-safe on its own.
    static std::once_flag initialised;
    static bool usable = false;
    std::call_once(initialised, [] { usable = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    if (!usable)
        return std::nullopt;

    const std::unique_ptr<CURL, EasyDeleter> handle(curl_easy_init());
    if (!handle)
        return std::nullopt;
    CURL* curl = handle.get();
    Body body{{}, maxBytes};
    const std::string url = addressText(address);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(timeout.count()));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L); // we run on our own thread; no SIGALRM for name lookups
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "qingjianlu-update");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, appendBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    long status = 0;
    if (curl_easy_perform(curl) != CURLE_OK || curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK ||
        status < 200 || status > 299)
        return std::nullopt;
    return std::move(body.text);
}

} // namespace libupdate

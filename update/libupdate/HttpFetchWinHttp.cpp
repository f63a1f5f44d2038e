#include "HttpFetch.h"

#include <windows.h>
#include <winhttp.h>

#include <memory>

namespace libupdate {
namespace {

using Clock = std::chrono::steady_clock;

constexpr DWORD kMaxRedirects = 5;

struct InternetDeleter {
    void operator()(void* handle) const { WinHttpCloseHandle(handle); }
};
using Internet = std::unique_ptr<void, InternetDeleter>;

// Host and target are plain ASCII once read (anything else is percent-encoded or refused).
std::wstring widened(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

} // namespace

std::optional<std::string> fetchText(const HttpAddress& address, std::chrono::milliseconds timeout,
                                     std::size_t maxBytes) {
    const Clock::time_point deadline = Clock::now() + timeout;
    const Internet session(WinHttpOpen(L"qingjianlu-update", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                       WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session)
        return std::nullopt;
    // Each step (name lookup, connecting, sending, every read) gets the whole limit; the loop below keeps the
    // total within it as well.
    const int limit = static_cast<int>(timeout.count());
    WinHttpSetTimeouts(session.get(), limit, limit, limit, limit);
    DWORD responseLimit = static_cast<DWORD>(limit); // waiting for the headers has a limit of its own
    WinHttpSetOption(session.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseLimit, sizeof responseLimit);
    DWORD redirects = kMaxRedirects;
    WinHttpSetOption(session.get(), WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, &redirects, sizeof redirects);

    const Internet connection(WinHttpConnect(session.get(), widened(address.host).c_str(),
                                             static_cast<INTERNET_PORT>(std::stoi(address.port)), 0));
    if (!connection)
        return std::nullopt;
    const Internet request(WinHttpOpenRequest(connection.get(), L"GET", widened(address.target).c_str(), nullptr,
                                              WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                              address.secure ? WINHTTP_FLAG_SECURE : 0));
    if (request)
        WinHttpSetOption(request.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseLimit, sizeof responseLimit);
    if (!request ||
        !WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(request.get(), nullptr))
        return std::nullopt;

    DWORD status = 0;
    DWORD statusSize = sizeof status;
    if (!WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusSize, WINHTTP_NO_HEADER_INDEX) ||
        status < 200 || status > 299)
        return std::nullopt;

    std::string body;
    char buffer[4096];
    while (true) {
        if (Clock::now() >= deadline)
            return std::nullopt;
        DWORD read = 0;
        if (!WinHttpReadData(request.get(), buffer, sizeof buffer, &read))
            return std::nullopt;
        if (read == 0)
            return body;
        body.append(buffer, read);
        if (body.size() > maxBytes)
            return std::nullopt;
    }
}

} // namespace libupdate

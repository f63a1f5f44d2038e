// update.dll as a Windows program meets it: loaded by name, called through its undecorated __stdcall
// exports, with the addresses of the test's server on 127.0.0.1. Notices reach the test's hook, so nothing
// is drawn. Usage: update_dll_test <server port> <closed port>; prints one line per case.

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace {

using DoUpdateFunction = int(__stdcall*)(std::int32_t, const char*);
using BeginUpdateFunction = int(__stdcall*)();
using NoticeHandler = void(__stdcall*)(const char*, const char*, void*);
using SetNoticeHandlerFunction = void(__stdcall*)(NoticeHandler, void*);
using PendingUpdateChecksFunction = int(__stdcall*)();

std::mutex g_mutex;
std::vector<std::string> g_notices; // title, newline, text

void __stdcall collectNotice(const char* title, const char* text, void*) {
    const std::lock_guard lock(g_mutex);
    g_notices.push_back(std::string(title) + "\n" + text);
}

template <typename Function> Function resolve(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

struct Case {
    const char* name;
    std::string address;
    bool notice;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::printf("usage: update_dll_test <server port> <closed port>\n");
        return 2;
    }
    HMODULE library = LoadLibraryW(L"update.dll");
    if (!library) {
        std::printf("FAIL update.dll did not load (error %lu)\n", GetLastError());
        return 1;
    }
    const auto DoUpdate = resolve<DoUpdateFunction>(library, "DoUpdate");
    const auto BeginUpdate = resolve<BeginUpdateFunction>(library, "BeginUpdate");
    const auto SetNoticeHandler = resolve<SetNoticeHandlerFunction>(library, "SetNoticeHandler");
    const auto PendingUpdateChecks = resolve<PendingUpdateChecksFunction>(library, "PendingUpdateChecks");
    if (!DoUpdate || !BeginUpdate || !SetNoticeHandler || !PendingUpdateChecks) {
        std::printf("FAIL an export is missing\n");
        return 1;
    }
    SetNoticeHandler(collectNotice, nullptr);

    const std::string server = std::string("http://127.0.0.1:") + argv[1];
    const std::vector<Case> cases = {
        {"newer version", server + "/newer", true},
        {"newer, chunked answer", server + "/chunked", true},
        {"newer, after a redirect", server + "/redirect", true},
        {"same version", server + "/same", false},
        {"older version", server + "/older", false},
        {"garbage", server + "/garbage", false},
        {"web page", server + "/html", false},
        {"not found", server + "/missing", false},
        {"oversized answer", server + "/oversized", false},
        {"closed port", std::string("http://127.0.0.1:") + argv[2] + "/newer", false},
        {"server never answers", server + "/hang", false},
        {"not an address", "127.0.0.1 青简录", false},
    };
    int failures = 0;
    const auto fail = [&failures](const char* name, const std::string& why) {
        std::printf("case %s: FAIL %s\n", name, why.c_str());
        ++failures;
    };
    if (BeginUpdate() != 0 || PendingUpdateChecks() != 0)
        fail("BeginUpdate", "did something");
    for (const Case& c : cases) {
        {
            const std::lock_guard lock(g_mutex);
            g_notices.clear();
        }
        const auto start = std::chrono::steady_clock::now();
        DoUpdate(0x10203, c.address.c_str());
        const auto returned = std::chrono::steady_clock::now() - start;
        // The check runs in the background: the call comes back long before any answer could be read.
        if (returned > std::chrono::milliseconds(200)) {
            fail(c.name, "DoUpdate took " + std::to_string(returned / std::chrono::milliseconds(1)) + " ms");
            continue;
        }
        // Every check gives up within its 5 s limit.
        while (PendingUpdateChecks() > 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(7))
            Sleep(20);
        const auto took = (std::chrono::steady_clock::now() - start) / std::chrono::milliseconds(1);
        if (PendingUpdateChecks() > 0) {
            fail(c.name, "still running after " + std::to_string(took) + " ms");
            continue;
        }
        std::vector<std::string> notices;
        {
            const std::lock_guard lock(g_mutex);
            notices = g_notices;
        }
        if (notices.size() != (c.notice ? 1u : 0u))
            fail(c.name, std::to_string(notices.size()) + " notices");
        else if (c.notice && (notices[0].rfind("青简录\n", 0) != 0 || notices[0].find("999.0.0") == std::string::npos))
            fail(c.name, "notice reads " + notices[0]);
        else
            std::printf("case %s: ok (%lld ms, %s)\n", c.name, static_cast<long long>(took),
                        c.notice ? "notice" : "silent");
    }
    std::fflush(stdout);
    return failures == 0 ? 0 : 1;
}

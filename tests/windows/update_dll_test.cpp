// update.dll as a Windows program meets it: loaded by name, called through its undecorated __stdcall
// exports, with the addresses of the test's server on 127.0.0.1. Notices reach the test's hook, so nothing
// is drawn. Usage: update_dll_test <server port> <closed port>; prints one line per case.

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace {

std::mutex g_mutex;
std::vector<std::string> g_notices; // title, line break, text

void __stdcall collectNotice(const char* title, const char* text, void*) {
    const std::lock_guard lock(g_mutex);
    g_notices.push_back(std::string(title) + "\n" + text);
}

template <typename Function> Function resolve(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

} // namespace

int main(int argc, char** argv) {
    HMODULE library = LoadLibraryW(L"update.dll");
    const auto DoUpdate = resolve<int(__stdcall*)(INT32, const char*)>(library, "DoUpdate");
    const auto BeginUpdate = resolve<int(__stdcall*)()>(library, "BeginUpdate");
    const auto SetNoticeHandler = resolve<void(__stdcall*)(void(__stdcall*)(const char*, const char*, void*), void*)>(
        library, "SetNoticeHandler");
    const auto PendingUpdateChecks = resolve<int(__stdcall*)()>(library, "PendingUpdateChecks");
    if (argc != 3 || !DoUpdate || !BeginUpdate || !SetNoticeHandler || !PendingUpdateChecks) {
        std::printf("FAIL update.dll or one of its exports is missing, or no ports given\n");
        return 1;
    }
    SetNoticeHandler(collectNotice, nullptr);
    BeginUpdate();

    using namespace std::chrono;
    const std::string server = std::string("http://127.0.0.1:") + argv[1];
    const std::string notice =
        "青简录\n青简录有新版本 999.0.0 了。\n下载地址：http://downloads.example/qingjianlu-setup.exe";
    const std::vector<std::pair<std::string, bool>> cases = {
        {server + "/newer", true},
        {server + "/chunked", true},  // the newer text in chunks
        {server + "/redirect", true}, // to the newer text
        {server + "/same", false},
        {server + "/older", false},
        {server + "/garbage", false},
        {server + "/missing", false}, // 404 with the newer text
        {server + "/oversized", false},
        {server + "/hang", false}, // never answers
        {std::string("http://127.0.0.1:") + argv[2] + "/newer", false},
        {"127.0.0.1 青简录", false},
    };
    int failures = 0;
    for (const auto& [address, newer] : cases) {
        const auto start = steady_clock::now();
        DoUpdate(0x10203, address.c_str());
        // The check runs in the background: the call comes back long before any answer could be read.
        const long long returned = duration_cast<milliseconds>(steady_clock::now() - start).count();
        // Every check gives up within its 5 s limit.
        while (PendingUpdateChecks() > 0 && steady_clock::now() - start < seconds(7))
            Sleep(20);
        const long long took = duration_cast<milliseconds>(steady_clock::now() - start).count();
        const std::lock_guard lock(g_mutex);
        const bool ok = returned < 200 && PendingUpdateChecks() == 0 &&
                        g_notices == (newer ? std::vector<std::string>{notice} : std::vector<std::string>{});
        std::printf("case %s: %s (returned in %lld ms, done in %lld ms, notice: %s)\n", address.c_str(),
                    ok ? "ok" : "FAIL", returned, took, g_notices.empty() ? "none" : g_notices[0].c_str());
        failures += ok ? 0 : 1;
        g_notices.clear();
    }
    std::fflush(stdout);
    return failures == 0 ? 0 : 1;
}

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
    const std::string server = std::string("http://127.0.0.1:") + argv[1], closed = argv[2];
    const std::vector<std::string> notice{
        "青简录\n青简录有新版本 999.0.0 了。\n下载地址：http://downloads.example/qingjianlu-setup.exe"};
    // The first three give the notice (the newer text, in chunks, after a redirect); the rest stay silent: this
    // version, a 404 carrying the newer text, too long an answer, a server that never answers, no server at
    // all, no address at all.
    const std::vector<std::string> cases = {
        server + "/newer",   server + "/chunked",   server + "/redirect", server + "/same",
        server + "/missing", server + "/oversized", server + "/hang",     "http://127.0.0.1:" + closed + "/newer",
        "127.0.0.1 青简录"};
    int failures = 0;
    for (size_t i = 0; i < cases.size(); ++i) {
        const auto start = steady_clock::now();
        DoUpdate(0x10203, cases[i].c_str());
        // The check runs in the background: the call comes back long before any answer could be read.
        const long long returned = duration_cast<milliseconds>(steady_clock::now() - start).count();
        // Every check gives up within its 5 s limit.
        while (PendingUpdateChecks() > 0 && steady_clock::now() - start < seconds(7))
            Sleep(20);
        const long long took = duration_cast<milliseconds>(steady_clock::now() - start).count();
        const std::lock_guard lock(g_mutex);
        const bool ok =
            returned < 200 && PendingUpdateChecks() == 0 && g_notices == (i < 3 ? notice : decltype(notice){});
        std::printf("case %s: %s (returned in %lld ms, done in %lld ms, notice: %s)\n", cases[i].c_str(),
                    ok ? "ok" : "FAIL", returned, took, g_notices.empty() ? "none" : g_notices[0].c_str());
        failures += ok ? 0 : 1;
        g_notices.clear();
    }
    std::fflush(stdout);
    return failures == 0 ? 0 : 1;
}

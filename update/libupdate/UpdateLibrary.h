#pragma once

// The updater library's interface, as it ships beside the program (libupdate.so, update.dll on Windows).
// Plain C entry points; every text is zero-terminated.

#include <stdint.h>

// On Windows every entry point (and the notice handler) uses __stdcall, the convention of the Windows API
// and of hosts that declare DLL functions (Declare Function in Basic); the exported names are undecorated
// (DoUpdate, not _DoUpdate@8). On 64-bit Windows and elsewhere there is only the one C convention.
#if defined(_WIN32)
#define UPDATE_API __declspec(dllexport)
#define UPDATE_CALL __stdcall
#else
#define UPDATE_API __attribute__((visibility("default")))
#define UPDATE_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Starts an update check and returns at once; the check runs in the background. window is the caller's
// window handle (32 bits); address is the full http:// or https:// address of the update text, in the caller's ANSI
// code page. The update text is UTF-8: the newest version number (dotted, e.g. 1.2.0) on its first line,
// the download address on its second. When that version is newer than the running one, a notice names
// both; otherwise, and on any failure (no network, timeout, garbage), nothing is shown.
// Returns 1 when a check was started, 0 when it was not (no address, no thread).
UPDATE_API int UPDATE_CALL DoUpdate(int32_t window, const char* address);

// Kept for hosts that declare it; does nothing and returns 0.
UPDATE_API int UPDATE_CALL BeginUpdate(void);

// Receives a notice instead of the built-in message box. Called on the check's own thread, with the
// title and the text in UTF-8.
typedef void(UPDATE_CALL* UpdateNoticeHandler)(const char* title, const char* text, void* context);
// Hands every following notice to handler (with context); a null handler shows them again.
UPDATE_API void UPDATE_CALL SetNoticeHandler(UpdateNoticeHandler handler, void* context);

// How many started checks have not finished yet (a finished check has already handed over its notice).
UPDATE_API int UPDATE_CALL PendingUpdateChecks(void);

#ifdef __cplusplus
}
#endif

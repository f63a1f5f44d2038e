#include "Notice.h"

#include <windows.h>

#include <memory>

namespace libupdate {
namespace {

struct Message {
    std::wstring title;
    std::wstring text;
};

std::wstring fromUtf8(const std::string& text) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

DWORD WINAPI showMessageBox(void* parameter) {
    const std::unique_ptr<Message> message(static_cast<Message*>(parameter));
    // No owner window: a box owned by the program's window would be modal to it.
    MessageBoxW(nullptr, message->text.c_str(), message->title.c_str(), MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
    return 0;
}

} // namespace

void showSystemNotice(const std::string& title, const std::string& text, std::int32_t) {
    // The box runs its own message loop on a thread of its own, so neither the program nor the check waits.
    auto message = std::make_unique<Message>(Message{fromUtf8(title), fromUtf8(text)});
    if (HANDLE thread = CreateThread(nullptr, 0, showMessageBox, message.get(), 0, nullptr)) {
        message.release();
        CloseHandle(thread);
    }
}

} // namespace libupdate

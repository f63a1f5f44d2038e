#include "Notice.h"

#include <mutex>

namespace libupdate {
namespace {

std::mutex g_handlerMutex;
UpdateNoticeHandler g_handler = nullptr;
void* g_handlerContext = nullptr;

} // namespace

void setNoticeHandler(UpdateNoticeHandler handler, void* context) {
    const std::lock_guard lock(g_handlerMutex);
    g_handler = handler;
    g_handlerContext = context;
}

void showNotice(const std::string& title, const std::string& text, std::int32_t window) {
    UpdateNoticeHandler handler;
    void* context;
    {
        const std::lock_guard lock(g_handlerMutex);
        handler = g_handler;
        context = g_handlerContext;
    }
    if (handler)
        handler(title.c_str(), text.c_str(), context);
    else
        showSystemNotice(title, text, window);
}

} // namespace libupdate

#pragma once

// The banner pages and the update check: addresses on the maker's web server, and the call into the
// updater library that ships beside the program.

#include <QString>

namespace update {

enum class BannerPage { MainWindow, Editor };

// Full address of a banner page.
QString bannerAddress(BannerPage page);
// Full address of the update text handed to the updater.
QString updateTextAddress();

// Calls DoUpdate of the updater library beside the program with the window handle and the address
// (as zero-terminated GB18030 text). A missing library or function is skipped without a word.
void CallDoUpdate(quint32 windowHandle, const QString& address);

// Tests: observe the calls instead of making them (handle, address); pass nullptr to restore.
using UpdateCallObserver = void (*)(quint32 windowHandle, const QString& address);
void setUpdateCallObserverForTests(UpdateCallObserver observer);

} // namespace update

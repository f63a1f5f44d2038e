#pragma once

// What every in-process benchmark shares: where the generated diaries are, the program's windows loaded
// on the diary of the size being measured, and the test modes that keep message boxes from blocking.

#include <QString>

#include <chrono>
#include <functional>

class Form_View;
class Form_Find;

namespace benchenv {

// Folder holding diary-<N>/ and the import file: $QJL_BENCH_DATA, else bench-data beside bin/.
QString dataRoot();
QString diaryFolder(qint64 n);
QString databasePath(qint64 n);
// A helper program built beside the benchmark executable.
QString helperPath(const char* name);

// Message boxes and file dialogs in their test modes, no updater call, the program never quits.
void setUp();

// Makes the diary with n entries per account the program's data.mdb, signs the measured account in
// (CurrentUser), and leaves Form_View loaded and shown with its tree, DiaryDb open on that file, its banner's
// character total counted, and the window settled. Does nothing when n is in use already.
void useDiary(qint64 n);
qint64 diaryInUse();
Form_View* view();
// Lets the windows finish layout and painting.
void settle();
// Waits (events handled) until the main window's banner has its character total, so that the count's thread
// is done before anything else is measured.
void waitForBannerTotal(Form_View* form);

// Work to do before the application object goes (windows of the baselines, connections).
void onTearDown(std::function<void()> cleanup);
void tearDown();

// Stops the program with a message; a benchmark that cannot set up is a broken run.
[[noreturn]] void fatal(const QString& message);

// Clears the upper halves of the vector registers (vzeroupper) before a measured step. Code that leaves
// them dirty (parts of Qt's start-up do) makes every later SSE instruction pay a false dependency on this
// CPU, and OpenSSL's SHA-1 under SQLCipher's key derivation then runs far slower; which side of a pair
// happens to inherit that state is chance, so every measured step starts clean.
void cleanVectorState();

using Clock = std::chrono::steady_clock;
// The start of a measured step: a clean vector state, then the clock.
inline Clock::time_point startMeasure() {
    cleanVectorState();
    return Clock::now();
}
inline double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace benchenv

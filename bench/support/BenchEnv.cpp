#include "BenchEnv.h"

#include "DiaryGenerator.h"
#include "app/Globals.h"
#include "db/DiaryDatabase.h"
#include "platform/FileDialog.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"
#include "ui/view/FormView.h"
#include "update/Updater.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace benchenv {
namespace {
qint64 g_inUse = 0;
std::vector<std::function<void()>>& cleanups() {
    static std::vector<std::function<void()>> list;
    return list;
}
} // namespace

void fatal(const QString& message) {
    std::fprintf(stderr, "benchmark set-up failed: %s\n", qPrintable(message));
    std::fflush(stderr);
    std::exit(3);
}

QString dataRoot() {
    const QString configured = qEnvironmentVariable("QJL_BENCH_DATA");
    if (!configured.isEmpty())
        return QDir(configured).absolutePath();
    return QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/../bench-data")).absolutePath();
}

QString diaryFolder(qint64 n) {
    if (!benchgen::diaryReady(dataRoot(), n))
        fatal(QStringLiteral("no generated diary with %1 entries below %2 (run bench/run, or qjl_gendiary)")
                  .arg(n)
                  .arg(dataRoot()));
    return benchgen::diaryFolder(dataRoot(), n);
}

QString databasePath(qint64 n) {
    return diaryFolder(n) + QStringLiteral("/data.mdb");
}

QString helperPath(const char* name) {
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(name);
}

void setUp() {
    platform::MessageBox::setTestMode(true);
    platform::FileDialog::setTestMode(true);
    platform::forms().setOnLastUnloaded([] {});
    // The main window's update timer would call the updater over the network.
    update::setUpdateCallObserverForTests([](quint32, const QString&) {});
}

void onTearDown(std::function<void()> cleanup) {
    cleanups().push_back(std::move(cleanup));
}

void tearDown() {
    for (auto& cleanup : cleanups())
        cleanup();
    cleanups().clear();
    platform::forms().resetForTests();
    app::resetGlobals();
}

void cleanVectorState() {
#if defined(__x86_64__)
    if (__builtin_cpu_supports("avx"))
        asm volatile("vzeroupper" ::: "memory");
#endif
}

void settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void waitForBannerTotal(Form_View* form) {
    // Looked at every few milliseconds: a loop that spun would take the core the count needs.
    while (!form->bannerData().characters) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
}

void useDiary(qint64 n) {
    if (g_inUse == n && platform::forms().isLoaded<Form_View>())
        return;
    dao::setProgramFolderForTests(diaryFolder(n));
    CurrentUser = benchgen::measuredAccount().name;
    if (auto* form = platform::forms().loaded<Form_View>()) {
        form->fv_RefreshTree();
    } else {
        form = platform::forms().show<Form_View>();
        form->Timer_Update->stop();
        waitForBannerTotal(form);
    }
    if (!DiaryDb)
        fatal(QStringLiteral("the main window could not open %1").arg(databasePath(n)));
    g_inUse = n;
    settle();
}

qint64 diaryInUse() {
    return g_inUse;
}

Form_View* view() {
    auto* form = platform::forms().loaded<Form_View>();
    if (!form)
        fatal(QStringLiteral("the main window is not loaded"));
    return form;
}

} // namespace benchenv

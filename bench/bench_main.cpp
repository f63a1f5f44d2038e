// qjl_bench: the in-process measures. A QApplication on the offscreen platform hosts the program's real
// windows; Google Benchmark runs the measures registered in measures/.

#include "BenchEnv.h"
#include "app/BackgroundWork.h"
#include "measures/Measures.h"

#include <QApplication>

#include <benchmark/benchmark.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    // The backup and index threads the sign-in starts, owned as the program's application object owns them.
    app::BackgroundWork background;
    background.backupsEnabled = false;
    benchenv::setUp();

    measures::registerTree();
    measures::registerSearch();
    measures::registerPane();
    measures::registerSave();
    measures::registerImport();
    measures::registerSignIn();
    measures::registerProcesses();
    measures::registerBackup();
    measures::registerDataTool();

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    benchenv::tearDown();
    return 0;
}

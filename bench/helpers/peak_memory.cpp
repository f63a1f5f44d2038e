// qjl_bench_peak <ours|bare> <program-folder>: one side of the peak-memory measure, alone in its process.
//   ours: the main window loaded and shown for the measured account (its load builds the tree), then
//         fv_RefreshTree once more, as the pop-up menu's "刷新" does.
//   bare: the same tree built twice by hand (the second replacing the first) and one window shown.
// The process started by the benchmark only forks the measured one and prints its ru_maxrss from wait4():
// Linux carries the peak of the memory an exec replaces into the new program's ru_maxrss, so a child
// started straight from the large benchmark process would report the benchmark's own size.

#include "BareTree.h"
#include "DiaryGenerator.h"
#include "app/Globals.h"
#include "db/DiaryDatabase.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"
#include "ui/view/DiaryTree.h"
#include "ui/view/FormView.h"
#include "update/Updater.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
void settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}
} // namespace

// Runs "<self> --measured <side> <folder>" and prints its peak resident size in KiB.
int launch(char** argv) {
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid < 0)
        return 1;
    if (pid == 0) {
        char measured[] = "--measured";
        char* arguments[] = {argv[0], measured, argv[1], argv[2], nullptr};
        ::execv("/proc/self/exe", arguments);
        std::_Exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return 1;
    std::printf("peak_kib %ld\n", usage.ru_maxrss);
    return 0;
}

int main(int argc, char** argv) {
    const bool measured = argc == 4 && std::strcmp(argv[1], "--measured") == 0;
    const char* side = measured ? argv[2] : (argc == 3 ? argv[1] : "");
    if (std::strcmp(side, "ours") != 0 && std::strcmp(side, "bare") != 0) {
        std::fputs("usage: qjl_bench_peak <ours|bare> <program-folder>\n", stderr);
        return 2;
    }
    if (!measured)
        return launch(argv);
    const bool ours = std::strcmp(side, "ours") == 0;
    const QString folder = QString::fromLocal8Bit(argv[3]);
    QApplication application(argc, argv);
    long nodes = 0;
    if (ours) {
        platform::MessageBox::setTestMode(true);
        platform::forms().setOnLastUnloaded([] {});
        update::setUpdateCallObserverForTests([](quint32, const QString&) {});
        dao::setProgramFolderForTests(folder);
        CurrentUser = benchgen::measuredAccount().name;
        Form_View* form = platform::forms().show<Form_View>();
        form->Timer_Update->stop();
        settle();
        form->fv_RefreshTree();
        settle();
        nodes = form->TreeView_Diary->nodeCount();
    } else {
        const QString path = folder + QStringLiteral("/data.mdb");
        const QByteArray user = benchgen::measuredAccount().name.toUtf8();
        baretree::Tree tree;
        baretree::build(tree, path, user);
        QWidget window;
        window.resize(1000, 700);
        window.show();
        settle();
        tree = baretree::Tree();
        baretree::build(tree, path, user);
        settle();
        nodes = long(tree.nodes.size());
    }
    std::printf("nodes %ld\n", nodes);
    std::fflush(stdout);
    std::_Exit(0);
}

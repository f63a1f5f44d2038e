#include "startup/Startup.h"

int main(int argc, char** argv) {
    // The banner's web view shares OpenGL contexts; this must be said before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    DiaryApplication application(argc, argv);
    if (!Main())
        return 1;
    return application.exec();
}

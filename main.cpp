#include "app/Startup.h"

int main(int argc, char** argv) {
    DiaryApplication application(argc, argv);
    if (!Main())
        return 1;
    return application.exec();
}

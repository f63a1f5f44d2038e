#include "ApplicationIcon.h"

#include <QString>

// The resource lives in a static library: it is only linked in when something names its initialiser.
static void initIconResource() {
    Q_INIT_RESOURCE(qingjianlu);
}

namespace resources {

QList<int> applicationIconSizes() {
    return {16, 24, 32, 48, 64, 128, 256};
}

QIcon applicationIcon() {
    initIconResource();
    QIcon icon;
    // Each size is its own drawing (16 and 24 on their pixel grids), so none is scaled from another.
    for (int size : applicationIconSizes())
        icon.addFile(QStringLiteral(":/icons/qingjianlu-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace resources

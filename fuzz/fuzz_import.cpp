// Fuzzes the reading side of the text import with any bytes (see checks/ImportChecks.h for what must hold).

#include "checks/ImportChecks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString fault =
        fuzzcheck::checkImportedBytes(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!fault.isEmpty()) {
        std::fprintf(stderr, "fuzz_import: %s\n", fault.toUtf8().constData());
        std::abort();
    }
    return 0;
}

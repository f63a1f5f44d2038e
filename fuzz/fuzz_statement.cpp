// Fuzzes the statement layer with any text, as a statement and as a typed value (see
// checks/StatementChecks.h for what must hold).

#include "checks/StatementChecks.h"

#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

fuzzcheck::StatementChecker& checker() {
    // One scratch database for the whole run; it goes with its folder when the run ends.
    static QTemporaryDir folder;
    static fuzzcheck::StatementChecker instance(folder.path() + QStringLiteral("/data.mdb"));
    return instance;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    checker();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString fault = checker().check(QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!fault.isEmpty()) {
        std::fprintf(stderr, "fuzz_statement: %s\n", fault.toUtf8().constData());
        std::abort();
    }
    return 0;
}

#include "ErrorRules.h"

#include "db/Dao.h"

#include <exception>

namespace app {

Failure currentFailure() noexcept {
    try {
        throw;
    } catch (const dao::DaoError& error) {
        return {error.number(), error.description()};
    } catch (const std::exception& error) {
        return {dao::errEngine, QString::fromLocal8Bit(error.what())};
    } catch (...) {
        return {dao::errEngine, QStringLiteral("未知错误")};
    }
}

qint64 countRecords(dao::Recordset* records) noexcept {
    qint64 count = 0;
    if (!records)
        return count;
    skipOnError([&] { records->MoveLast(); });
    skipOnError([&] { count = records->RecordCount(); });
    skipOnError([&] { records->MoveFirst(); });
    return count;
}

} // namespace app

#pragma once

// Small helpers shared by the database tests.

#include "db/Dao.h"

#include <QStringList>

namespace daotest {

// A Jet text literal: quotes around, inner quotes doubled.
inline QString quoted(const QString& text) {
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

// Every record the query finds, each as its fields' texts joined with '|'.
inline QStringList rows(dao::Database& db, const QString& sql) {
    QStringList result;
    auto rs = db.OpenRecordset(sql);
    while (!rs->EOF()) {
        QStringList fields;
        for (int i = 0; i < rs->FieldCount(); ++i)
            fields << dao::fieldText(rs->Fields(i));
        result << fields.join(QLatin1Char('|'));
        rs->MoveNext();
    }
    return result;
}

// The DAO error number the call raises; 0 when it completes.
template <typename Call> int errorNumber(Call&& call, QString* description = nullptr) {
    try {
        call();
    } catch (const dao::DaoError& error) {
        if (description)
            *description = error.description();
        return error.number();
    }
    return 0;
}

} // namespace daotest

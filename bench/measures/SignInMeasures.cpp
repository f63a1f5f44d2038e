// Sign-in, in its two parts as Form_Login::SignIn runs them: looking the account up (the query through
// DiaryDb, the count, the stored password field) and checking the typed password against the stored
// Argon2id hash (app::verifyPassword, that is crypto_pwhash_str_verify). The lookup is also compared with
// the same SELECT sent directly; the check with crypto_pwhash_str_verify called directly.

#include "Bare.h"
#include "BenchEnv.h"
#include "DiaryGenerator.h"
#include "Measures.h"
#include "app/Globals.h"
#include "app/Passwords.h"
#include "app/SqlText.h"

#include <sodium.h>

using benchenv::secondsSince;

namespace measures {
namespace {

constexpr long long kEntries = 100000;

QString storedHash() {
    static const QString hash = [] {
        bare::Db db = bare::openWarm(benchenv::databasePath(kEntries));
        bare::Statement user(db.get(), "SELECT password FROM users WHERE username = ?");
        user.bind(1, benchgen::measuredAccount().name.toUtf8());
        if (!user.step())
            benchenv::fatal(QStringLiteral("the measured account is missing"));
        return user.text(0);
    }();
    return hash;
}

void lookupOurs(benchmark::State& state, long long n) {
    benchenv::useDiary(n);
    const QString name = benchgen::measuredAccount().name;
    for (auto _ : state) {
        const auto start = benchenv::startMeasure();
        std::shared_ptr<dao::Recordset> records = DiaryDb->OpenRecordset(sql::selectUser(name));
        const bool found = records->RecordCount() != 0;
        const QVariant stored = found ? records->Fields(3) : QVariant();
        state.SetIterationTime(secondsSince(start));
        if (!found || stored.isNull())
            benchenv::fatal(QStringLiteral("the sign-in found no account"));
    }
}

void lookupBare(benchmark::State& state, long long n) {
    bare::Db db = bare::openWarm(benchenv::databasePath(n));
    const QByteArray name = benchgen::measuredAccount().name.toUtf8();
    for (auto _ : state) {
        const auto start = benchenv::startMeasure();
        bare::Statement user(db.get(), "SELECT * FROM users WHERE username = ?");
        user.bind(1, name);
        const bool found = user.step();
        const QString stored = found ? user.text(3) : QString();
        state.SetIterationTime(secondsSince(start));
        if (!found || stored.isEmpty())
            benchenv::fatal(QStringLiteral("the bare sign-in found no account"));
    }
}

void checkOurs(benchmark::State& state, long long) {
    const QString hash = storedHash();
    const QString password = benchgen::measuredAccount().password;
    for (auto _ : state) {
        const auto start = benchenv::startMeasure();
        const bool ok = app::verifyPassword(hash, password);
        state.SetIterationTime(secondsSince(start));
        if (!ok)
            benchenv::fatal(QStringLiteral("the password check refused the right password"));
    }
}

void checkBare(benchmark::State& state, long long) {
    const QByteArray hash = storedHash().toLatin1();
    const QByteArray password = benchgen::measuredAccount().password.toUtf8();
    if (sodium_init() < 0)
        benchenv::fatal(QStringLiteral("libsodium"));
    for (auto _ : state) {
        const auto start = benchenv::startMeasure();
        const int rc =
            crypto_pwhash_str_verify(hash.constData(), password.constData(), (unsigned long long)password.size());
        state.SetIterationTime(secondsSince(start));
        if (rc != 0)
            benchenv::fatal(QStringLiteral("crypto_pwhash_str_verify refused the right password"));
    }
}

} // namespace

void registerSignIn() {
    add("signin_lookup", "ours", kEntries, lookupOurs, 50)->Repetitions(15);
    add("signin_lookup", "bare", kEntries, lookupBare, 50)->Repetitions(15);
    add("signin_password_check", "ours", kEntries, checkOurs, 3);
    add("signin_password_check", "bare", kEntries, checkBare, 3);
}

} // namespace measures

// Sign-in, in its two parts as Form_Login::SignIn runs them: looking the account up (the query through
// DiaryDb, the count, the stored password field) and checking the typed password against the stored
// Argon2id hash (app::verifyPassword, that is crypto_pwhash_str_verify). The lookup is also compared with
// the same SELECT sent directly; the check with crypto_pwhash_str_verify called directly. Then what a sign-in
// leads to: the main window's load until it is shown, the banner's figures it gathers, and how long the
// banner's character total takes to arrive from its own thread.

#include "Bare.h"
#include "BenchEnv.h"
#include "DiaryGenerator.h"
#include "Measures.h"
#include "app/BannerPage.h"
#include "app/Globals.h"
#include "app/Passwords.h"
#include "app/SqlText.h"
#include "platform/DateLocale.h"
#include "platform/FormRegistry.h"
#include "ui/view/FormView.h"

#include <sodium.h>

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

void lookupPair(benchmark::State& state, long long n) {
    benchenv::useDiary(n);
    bare::Db db = bare::openWarm(benchenv::databasePath(n));
    const QString name = benchgen::measuredAccount().name;
    const QByteArray nameUtf8 = name.toUtf8();
    Turns turns(state);
    for (auto _ : state) {
        turns.both(
            [&] {
                QVariant stored;
                turns.time("ours", [&] {
                    std::shared_ptr<dao::Recordset> records = DiaryDb->OpenRecordset(sql::selectUser(name));
                    if (records->RecordCount() != 0)
                        stored = records->Fields(3);
                });
                if (stored.isNull())
                    benchenv::fatal(QStringLiteral("the sign-in found no account"));
            },
            [&] {
                QString stored;
                turns.time("bare", [&] {
                    bare::Statement user(db.get(), "SELECT * FROM users WHERE username = ?");
                    user.bind(1, nameUtf8);
                    if (user.step())
                        stored = user.text(3);
                });
                if (stored.isEmpty())
                    benchenv::fatal(QStringLiteral("the bare sign-in found no account"));
            });
        turns.next();
    }
    turns.report();
}

void checkPair(benchmark::State& state, long long) {
    const QString hash = storedHash();
    const QString password = benchgen::measuredAccount().password;
    const QByteArray hashLatin1 = hash.toLatin1();
    const QByteArray passwordUtf8 = password.toUtf8();
    if (sodium_init() < 0)
        benchenv::fatal(QStringLiteral("libsodium"));
    Turns turns(state);
    for (auto _ : state) {
        turns.both(
            [&] {
                bool ok = false;
                turns.time("ours", [&] { ok = app::verifyPassword(hash, password); });
                if (!ok)
                    benchenv::fatal(QStringLiteral("the password check refused the right password"));
            },
            [&] {
                int rc = -1;
                turns.time("bare", [&] {
                    rc = crypto_pwhash_str_verify(hashLatin1.constData(), passwordUtf8.constData(),
                                                  static_cast<unsigned long long>(passwordUtf8.size()));
                });
                if (rc != 0)
                    benchenv::fatal(QStringLiteral("crypto_pwhash_str_verify refused the right password"));
            });
        turns.next();
    }
    turns.report();
}

// The main window's load as a sign-in or the editor's return runs it (Form_Load: the tree, the caption, the
// banner's page) until the window is shown and has painted.
void mainWindowLoad(benchmark::State& state, long long n) {
    benchenv::useDiary(n);
    for (auto _ : state) {
        platform::forms().unload<Form_View>();
        const auto start = benchenv::startMeasure();
        Form_View* form = platform::forms().show<Form_View>();
        form->repaint();
        state.SetIterationTime(benchenv::secondsSince(start));
        form->Timer_Update->stop();
        benchenv::waitForBannerTotal(form);
        benchenv::settle();
    }
}

// The banner's figures as the load gathers them from the tree's rows (the character total aside).
void bannerData(benchmark::State& state, long long n) {
    benchenv::useDiary(n);
    const app::EntrySet& entries = benchenv::view()->ViewRecords;
    for (auto _ : state) {
        const auto start = benchenv::startMeasure();
        const app::BannerData data = app::bannerDataOf(entries, platform::DateLocale::today());
        state.SetIterationTime(benchenv::secondsSince(start));
        benchmark::DoNotOptimize(data.entries);
    }
}

// From the load until the banner's page has the character total, counted on its own thread meanwhile.
void characterTotal(benchmark::State& state, long long n) {
    benchenv::useDiary(n);
    for (auto _ : state) {
        platform::forms().unload<Form_View>();
        const auto start = benchenv::startMeasure();
        Form_View* form = platform::forms().show<Form_View>();
        benchenv::waitForBannerTotal(form);
        state.SetIterationTime(benchenv::secondsSince(start));
        form->Timer_Update->stop();
        benchenv::settle();
    }
}

} // namespace

void registerSignIn() {
    for (long long n : {10000LL, 100000LL}) {
        add("mainwindow_load", "ours", n, mainWindowLoad, 3);
        add("banner_data", "ours", n, bannerData, 3);
        add("banner_character_total", "ours", n, characterTotal, 3);
    }
    add("signin_lookup", "pair", kEntries, lookupPair, 50)->Repetitions(15);
    add("signin_password_check", "pair", kEntries, checkPair, 3);
}

} // namespace measures

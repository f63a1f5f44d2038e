#include "tools/data/Migrate.h"

#include "tools/data/AccessFile.h"
#include "tools/data/DiaryFile.h"

#include <QFileInfo>
#include <QMap>

namespace datatool {
namespace {

int failed(Io& io, const QString& message) {
    io.err(QStringLiteral("qingjianlu-data: ") + message);
    return kFailed;
}

// What becomes of one old account.
struct Plan {
    enum class Kind { Create, Migrate, Skip };
    Kind kind = Kind::Skip;
    QString target;   // the account's name in the diary (as stored there, or as the old file has it)
    QString password; // the old password, for a new account
};

} // namespace

int runMigrate(const MigrateOptions& options, Io& io) {
    if (!QFileInfo(options.database).isFile())
        return failed(io, QStringLiteral("找不到日记数据库“%1”；请先用 mkdiarydb 生成一个。No diary database there; "
                                         "make one with mkdiarydb first.")
                              .arg(options.database));
    if (QFileInfo(options.oldFile).canonicalFilePath() == QFileInfo(options.database).canonicalFilePath())
        return failed(io, QStringLiteral("旧文件和日记数据库是同一个文件；请先把旧文件改名。The old file is the diary "
                                         "database itself; rename the old file first."));
    const access::OldFile old = access::read(options.oldFile);
    if (!old.error.isEmpty())
        return failed(io, old.error + QStringLiteral(" 什么也没有改。Nothing was changed."));

    try {
        DiaryFile diary(options.database);
        // Decide for every old account (names compared ignoring letter case, as the diary does).
        QMap<QString, Plan> plans; // key: the old name, case-folded
        QStringList created, migrated, skipped;
        for (const access::User& user : old.users) {
            const QString key = user.name.toCaseFolded();
            if (plans.contains(key) || user.name.isEmpty())
                continue;
            Plan plan;
            const QString password = user.password.value_or(QString());
            const app::DiaryStore::SignIn signIn = diary.checkPassword(user.name, password);
            if (signIn.check == app::DiaryStore::PasswordCheck::UnknownAccount && !password.isEmpty()) {
                plan = Plan{Plan::Kind::Create, user.name, password};
                created << user.name;
            } else if (signIn.check == app::DiaryStore::PasswordCheck::Accepted && !password.isEmpty()) {
                plan = Plan{Plan::Kind::Migrate, signIn.storedName, {}};
                migrated << signIn.storedName;
            } else {
                skipped << user.name;
            }
            plans.insert(key, plan);
        }

        QMap<QString, QSet<QByteArray>> existing; // per target account
        for (const Plan& plan : plans)
            if (plan.kind == Plan::Kind::Migrate)
                existing.insert(plan.target, diary.sameEntryKeys(plan.target));

        QString backupProblem;
        if (!backUp(diary.path(), io.now(), &backupProblem))
            return failed(io, backupProblem);

        Progress progress(io, QStringLiteral("迁移 migrating"), qint64(old.entries.size()), options.quiet);
        qint64 added = 0;
        qint64 entriesSkipped = 0;
        diary.begin();
        for (const Plan& plan : plans)
            if (plan.kind == Plan::Kind::Create)
                diary.createAccount(plan.target, plan.password);
        for (const Entry& entry : old.entries) {
            const auto plan = plans.constFind(entry.owner.toCaseFolded());
            const EntryBytes bytes(entry);
            if (plan == plans.constEnd() || plan->kind == Plan::Kind::Skip ||
                existing.value(plan->target).contains(DiaryFile::sameEntryKey(bytes.row))) {
                ++entriesSkipped;
            } else {
                diary.addEntry(plan->target, bytes.row);
                ++added;
            }
            progress.step(added + entriesSkipped);
        }
        diary.commit();
        progress.finish();

        io.out(QStringLiteral("帐号：新建 %1 个，迁入已有的 %2 个，跳过 %3 个。Accounts: %1 created, %2 migrated, "
                              "%3 skipped.")
                   .arg(created.size())
                   .arg(migrated.size())
                   .arg(skipped.size()));
        if (!skipped.isEmpty())
            io.out(QStringLiteral("跳过的帐号（已有同名帐号而口令不同，或旧口令为空）：%1 Skipped (an account of "
                                  "that name exists with another password, or the old password is empty).")
                       .arg(skipped.join(QStringLiteral("、"))));
        io.out(QStringLiteral("日记：新增 %1 篇，跳过 %2 篇。Entries: %1 added, %2 skipped.")
                   .arg(added)
                   .arg(entriesSkipped));
        return kDone;
    } catch (const dao::DaoError& error) {
        return failed(io, QStringLiteral("迁移失败，什么也没有改：%1 The migration failed; nothing was changed.")
                              .arg(error.description()));
    }
}

} // namespace datatool

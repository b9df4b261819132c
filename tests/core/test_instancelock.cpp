// One instance at a time: the lock on the runtime folder's file, taken without waiting.
#include "core/InstanceLock.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <memory>

using Result = InstanceLock::Result;

TEST(InstanceLock, OneHolderAtATimeAndNoneAfterItEnds)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Tavilune.lock"));

    auto first = std::make_unique<InstanceLock>();
    EXPECT_EQ(first->TryLock(path), Result::Acquired);
    EXPECT_EQ(first->TryLock(path), Result::Acquired); // asking again changes nothing
    {
        InstanceLock second;
        EXPECT_EQ(second.TryLock(path), Result::Held);
    }
    // The file names its holder.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().trimmed().toLongLong(), QCoreApplication::applicationPid());
    EXPECT_EQ(file.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther), 0);

    // A program started while the lock is held (the mixer, the starter archive) does not keep it
    // once this instance ends.
    QProcess child;
    child.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    ASSERT_TRUE(child.waitForStarted());
    first.reset();
    InstanceLock next;
    EXPECT_EQ(next.TryLock(path), Result::Acquired);
    child.kill();
    child.waitForFinished();
}

TEST(InstanceLock, AnotherProcessHoldsItUntilItEndsEvenWhenKilled)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Tavilune.lock"));
    // flock(1) takes the same kind of lock as the program does, then becomes "sleep". It waits for
    // the lock rather than giving up: the probes below hold it for an instant each.
    QProcess holder;
    holder.start(QStringLiteral("flock"), {QStringLiteral("--no-fork"), path, QStringLiteral("sleep"), QStringLiteral("30")});
    ASSERT_TRUE(holder.waitForStarted());
    const auto probe = [&] {
        InstanceLock lock;
        return lock.TryLock(path);
    };
    Result r = Result::Acquired;
    for (int i = 0; i < 300 && (r = probe()) == Result::Acquired; ++i)
        QThread::msleep(10); // flock may not hold the file yet
    EXPECT_EQ(r, Result::Held);
    holder.kill(); // no clean-up runs: the system releases the lock
    holder.waitForFinished();
    EXPECT_EQ(probe(), Result::Acquired);
}

TEST(InstanceLock, APlaceWhereNoLockCanBeTakenIsReportedAsSuch)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("elsewhere"));
    const QString link = dir.filePath(QStringLiteral("Tavilune.lock"));
    ASSERT_TRUE(QFile::link(target, link));
    const QString cases[] = {
        dir.filePath(QStringLiteral("missing/Tavilune.lock")), // the folder does not exist
        link,                                                  // a link planted in its place
    };
    for (const QString &path : cases) {
        InstanceLock lock;
        EXPECT_EQ(lock.TryLock(path), Result::Unavailable) << path.toStdString();
    }
    EXPECT_FALSE(QFile::exists(target)); // the link was not followed
}

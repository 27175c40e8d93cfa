// One working file, several processes: the window and korvane-cli on the
// same file, other SQLite programs holding locks, read-only media. Each test
// puts a real second process against the file.

#include "engine/roster.h"
#include "engine/run.h"
#include "store/connection.h"
#include "store/databaselock.h"
#include "store/datafiles.h"
#include "store/filecommands.h"
#include "store/messages.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <unistd.h>

using namespace korvane;
using files::DatabaseLock;
using test::fileBytes;

namespace {

// A data folder whose working file is a copy of the delivered sample.
struct SampleFolder {
    QTemporaryDir dir;
    QString path = dir.path();
    QString working = files::workingPath(path);
    SampleFolder() {
        FileCheck problem;
        EXPECT_TRUE(files::copyDatabase(files::samplePath(), working, &problem))
            << problem.reason.toStdString();
    }
    QString file(const char* name) const { return QDir(path).filePath(name); }
};

QString sqlite3(const QString& database, const QString& sql) {
    return QString::fromUtf8(test::runProgram("sqlite3", {database, sql}).out).trimmed();
}

QVariant scalar(QSqlDatabase& db, const QString& sql) {
    QSqlQuery query(db);
    EXPECT_TRUE(query.exec(sql)) << sql.toStdString() << ": "
                                 << query.lastError().text().toStdString();
    return query.next() ? query.value(0) : QVariant();
}

// Waits until the process has written text on standard error.
bool waitForError(QProcess& process, const QString& text) {
    QByteArray seen;
    for (int i = 0; i < 200; ++i) {
        process.waitForReadyRead(100);
        seen += process.readAllStandardError();
        if (QString::fromUtf8(seen).contains(text))
            return true;
    }
    return false;
}

// The window's connection stays the owner of its locks when the program
// checks the file or runs on it; another SQLite program reading afterwards
// must not take the write-ahead log away from under it.
TEST(SharedFile, TheWindowsWritesStayVisibleAfterARunAndAnotherReader) {
    KORVANE_FILES_ONLY("processes sharing one SQLite file, its locks, log and media");
    SampleFolder folder;
    QString error;
    auto window = Connection::open(folder.working, &error);
    ASSERT_TRUE(window) << error.toStdString();
    scalar(window->db(), "insert into 基本信息 (ID, 姓名) values (901, '运行前')");
    EXPECT_TRUE(checkDatabaseFile(folder.working).isEmpty());
    EXPECT_EQ(engine::generate(folder.working).outcome, engine::RunOutcome::Done);

    EXPECT_EQ(sqlite3(folder.working, "select count(*) from 基本信息 where ID = 901"), "1");
    EXPECT_TRUE(QFileInfo::exists(folder.working + "-wal"));
    scalar(window->db(), "insert into 基本信息 (ID, 姓名) values (902, '运行后')");
    EXPECT_EQ(sqlite3(folder.working, "select count(*) from 基本信息 where ID = 902"), "1");
}

// A run owns the work tables from its first step to its last: a second run
// waits for it, a reset of another program leaves its tables alone, and the
// waiting run prints a roster of its own.
TEST(SharedFile, ASecondRunWaitsAndNoResetEmptiesTheTablesUnderARun) {
    KORVANE_FILES_ONLY("processes sharing one SQLite file, its locks, log and media");
    SampleFolder folder;
    ASSERT_EQ(engine::generate(folder.working).outcome, engine::RunOutcome::Done);
    QString error;
    auto window = Connection::open(folder.working, &error);
    ASSERT_TRUE(window) << error.toStdString();
    const int rosterRows = scalar(window->db(), "select count(*) from 值班报表").toInt();
    ASSERT_GT(rosterRows, 0);

    auto otherRun = DatabaseLock::acquire(folder.working, DatabaseLock::Mode::Run, 0, &error);
    ASSERT_TRUE(otherRun) << error.toStdString();
    // The lock is on the database itself: no lock file beside it that a
    // cleaning tool could delete or a folder could stand in for.
    EXPECT_EQ(QDir(folder.path).entryList({"*-lock"}, QDir::AllEntries), QStringList());
    ASSERT_TRUE(QDir().mkdir(folder.working + "-lock"));
    EXPECT_EQ(engine::generate(folder.working).outcome, engine::RunOutcome::Unavailable);
    bool skipped = false;
    EXPECT_TRUE(engine::resetIdleWorkTables(window->db(), &error, &skipped));
    EXPECT_TRUE(skipped);

    QProcess cli;
    cli.start(test::cliProgram(), {"--db", folder.working, "generate"});
    ASSERT_TRUE(waitForError(
        cli, msg::runInProgressElsewhere.arg(QDir::toNativeSeparators(folder.working))));
    EXPECT_EQ(scalar(window->db(), "select count(*) from 值班报表").toInt(), rosterRows);
    otherRun.reset();
    ASSERT_TRUE(cli.waitForFinished(60000));
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    const QString out = QString::fromUtf8(cli.readAllStandardOutput());
    EXPECT_TRUE(out.contains(msg::done));
    EXPECT_TRUE(out.contains(msg::recordCount + QString::number(rosterRows)));
}

// A file renamed over the locked one during a run (by hand, by a syncing
// tool) is not protected by the lock: the run stops at its next write and
// leaves the new file as it came, without its own log for the new file to
// take up.
TEST(SharedFile, ARunStopsWhenAnotherFileIsRenamedOverItsOwn) {
    KORVANE_FILES_ONLY("processes sharing one SQLite file, its locks, log and media");
    SampleFolder folder;
    ASSERT_EQ(engine::generate(folder.working).outcome, engine::RunOutcome::Done);
    const QString other = folder.file("另一个.mdb");
    FileCheck problem;
    ASSERT_TRUE(files::copyDatabase(folder.working, other, &problem))
        << problem.reason.toStdString();
    const QByteArray otherBytes = fileBytes(other);
    const QString candidateRows = sqlite3(other, "select count(*) from 值班底表");
    ASSERT_NE(candidateRows, "0");
    engine::RunObserver observer;
    bool moved = false;
    // Once the run is under way: its work tables are emptied and committed.
    observer.notice = [&](bool shown) {
        if (shown && !moved)
            moved = test::runProgram("mv", {other, folder.working}).exitCode == 0;
    };
    QStringList messages;
    observer.message = [&](const QString& text) { messages << text; };
    const engine::RunResult result = engine::generate(folder.working, observer);
    ASSERT_TRUE(moved);
    EXPECT_EQ(result.outcome, engine::RunOutcome::Unavailable);
    EXPECT_EQ(result.detail,
              msg::fileReplacedDuringWork.arg(QDir::toNativeSeparators(folder.working)));
    EXPECT_FALSE(messages.contains(msg::done));
    EXPECT_EQ(fileBytes(folder.working), otherBytes);
    EXPECT_EQ(sqlite3(folder.working, "select count(*) from 值班底表"), candidateRows);
    EXPECT_EQ(sqlite3(folder.working, "PRAGMA integrity_check"), "ok");
}

// A working file that no one has open (no log beside it) is read through
// SQLite's locks: another program that writes and checkpoints meanwhile
// does not change what an open read sees, so an export copies one state of
// the file. The reader leaves nothing beside the file.
TEST(SharedFile, AnIdleFileIsReadThroughSQLitesLocks) {
    KORVANE_FILES_ONLY("processes sharing one SQLite file, its locks, log and media");
    SampleFolder folder;
    QString error;
    ASSERT_TRUE(Connection::open(folder.working, &error)) << error.toStdString(); // WAL mode
    ASSERT_FALSE(QFileInfo::exists(folder.working + "-wal"));
    auto reader = Connection::open(folder.working, &error, Connection::Access::ReadOnly);
    ASSERT_TRUE(reader) << error.toStdString();
    const QString changed = "select count(*) from 日期类型 where 日期备注 = '改过'";
    scalar(reader->db(), "begin");
    ASSERT_GT(scalar(reader->db(), "select count(*) from 基本信息").toInt(), 0);

    sqlite3(folder.working,
            "update 日期类型 set 日期备注 = '改过'; PRAGMA wal_checkpoint(TRUNCATE)");
    EXPECT_EQ(scalar(reader->db(), changed).toInt(), 0);
    scalar(reader->db(), "commit");
    EXPECT_GT(scalar(reader->db(), changed).toInt(), 0);
    reader.reset();
    EXPECT_EQ(QDir(folder.path).entryList({"*-wal", "*-shm"}, QDir::Files), QStringList());
}

// A copy is checked whole before it is put in place or reported: a working
// file whose index lost rows (which SQLite's quick check does not see) is
// neither exported nor imported.
TEST(SharedFile, ACopyThatFailsTheFullCheckIsNeitherExportedNorImported) {
    KORVANE_FILES_ONLY("processes sharing one SQLite file, its locks, log and media");
    SampleFolder folder;
    // The roster kept as a saved roster, whose tables are indexed.
    ASSERT_EQ(test::runProgram(test::cliProgram(), {"--db", folder.working, "generate"}).exitCode,
              0);
    // Two tables swap their pages: each index now names rows its table lacks.
    const QString pages =
        sqlite3(folder.working, "select group_concat(rootpage, ',') from "
                                "sqlite_master where name in ('存档值班', '存档班位')");
    const QStringList roots = pages.split(',');
    ASSERT_EQ(roots.size(), 2);
    test::runProgram("sqlite3", {folder.working, ".dbconfig defensive off",
                                 QString("PRAGMA writable_schema = ON; update sqlite_master set "
                                         "rootpage = %1 + %2 - rootpage where name in "
                                         "('存档值班', '存档班位')")
                                     .arg(roots[0], roots[1])});
    ASSERT_EQ(sqlite3(folder.working, "PRAGMA quick_check"), "ok");
    ASSERT_NE(sqlite3(folder.working, "PRAGMA integrity_check"), "ok");

    const QString exported = folder.file("导出.mdb");
    test::ProcessResult result =
        test::runProgram(test::cliProgram(), {"--db", folder.working, "export", exported});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.err.contains(msg::copyDamaged)) << result.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(exported));

    SampleFolder other;
    const QByteArray before = fileBytes(other.working);
    result =
        test::runProgram(test::cliProgram(), {"--db", other.working, "import", folder.working});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.err.contains(msg::copyDamaged)) << result.err.toStdString();
    EXPECT_EQ(fileBytes(other.working), before);
}

// Import replaces the file only once no window or command of ours uses it;
// a working file that is a link is replaced at its target.
TEST(SharedFile, ImportWaitsForOtherUsersAndWritesThroughALink) {
    KORVANE_FILES_ONLY("processes sharing one SQLite file, its locks, log and media");
    SampleFolder folder;
    const QByteArray before = fileBytes(folder.working);
    QString error;
    auto window = DatabaseLock::acquire(folder.working, DatabaseLock::Mode::Use, 0, &error);
    ASSERT_TRUE(window) << error.toStdString();

    files::setLockWaitMs(100);
    const files::CommandResult refused =
        files::replaceWorkingDatabase(folder.path, files::templatePath());
    files::setLockWaitMs(10000);
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.unavailable);
    EXPECT_EQ(refused.message, msg::fileInUse.arg(QDir::toNativeSeparators(folder.working)));
    EXPECT_EQ(fileBytes(folder.working), before);

    QProcess cli;
    cli.start(test::cliProgram(), {"--data-dir", folder.path, "import", files::templatePath()});
    EXPECT_FALSE(cli.waitForFinished(500)); // waits while the window has the file
    EXPECT_EQ(fileBytes(folder.working), before);
    window.reset();
    ASSERT_TRUE(cli.waitForFinished(60000));
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    EXPECT_EQ(sqlite3(folder.working, "select count(*) from 基本信息"), "0");

    // 员工数据库.mdb -> 真实文件/数据.mdb: the link stays, its target gets the data.
    SampleFolder linked;
    const QString real = linked.file("真实文件/数据.mdb");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(real).absolutePath()));
    ASSERT_TRUE(QFile::rename(linked.working, real));
    ASSERT_TRUE(QFile::link(real, linked.working));
    const auto result = files::replaceWorkingDatabase(linked.path, files::templatePath());
    ASSERT_TRUE(result.ok) << result.message.toStdString();
    EXPECT_TRUE(QFileInfo(linked.working).isSymLink());
    EXPECT_EQ(sqlite3(real, "select count(*) from 基本信息"), "0");
}

// A file locked by another program is busy, not damaged: start-up leaves it
// where it is and says so, and nothing takes its place.
TEST(SharedFile, AWorkingFileLockedElsewhereIsLeftWhereItIs) {
    KORVANE_FILES_ONLY("processes sharing one SQLite file, its locks, log and media");
    SampleFolder folder;
    QProcess holder;
    holder.start("sqlite3", {folder.working});
    holder.write("PRAGMA locking_mode=EXCLUSIVE;\nBEGIN EXCLUSIVE;\nselect 'held';\n");
    QByteArray said;
    while (!said.contains("held") && holder.waitForReadyRead(10000))
        said += holder.readAllStandardOutput();
    ASSERT_TRUE(said.contains("held"));
    const QByteArray before = fileBytes(folder.working);

    Connection::setBusyTimeout(100);
    const files::CommandResult result = files::prepareWorkingDatabase(folder.path);
    Connection::setBusyTimeout(10000);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.message.contains(msg::fileBusy)) << result.message.toStdString();
    EXPECT_TRUE(result.backupPath.isEmpty());
    EXPECT_EQ(QDir(folder.path).entryList({"*损坏*"}, QDir::Files), QStringList());

    holder.write(".quit\n");
    holder.closeWriteChannel();
    ASSERT_TRUE(holder.waitForFinished(10000));
    EXPECT_EQ(fileBytes(folder.working), before);
    EXPECT_TRUE(files::prepareWorkingDatabase(folder.path).ok);
}

// korvane-cli run as another user: the tests run as root in CI, where
// permissions do not stop the test process itself.
QStringList asOtherUser(const QStringList& command) {
    if (::geteuid() != 0)
        return command;
    return QStringList{"--reuid=65534", "--regid=65534", "--clear-groups"} + command;
}
QString otherUserProgram() {
    return ::geteuid() == 0 ? "setpriv" : test::cliProgram();
}

// A working file (in WAL mode) on read-only media is read, exported and
// imported from; a file the user may not read is unavailable (exit 5), not
// someone else's database; nothing is left beside the source.
TEST(SharedFile, ReadOnlyMediaAreReadAndUnreadableFilesLeftAlone) {
    KORVANE_FILES_ONLY("processes sharing one SQLite file, its locks, log and media");
    SampleFolder media;
    ASSERT_EQ(engine::generate(media.working).outcome, engine::RunOutcome::Done);
    QTemporaryDir outDir;
    const QString out = outDir.path();
    QFile::setPermissions(out, QFileDevice::Permissions(0x7777));
    ASSERT_TRUE(QFile::setPermissions(media.path, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                      QFileDevice::ReadOther |
                                                      QFileDevice::ExeOther));
    const QStringList mediaBefore = QDir(media.path).entryList(QDir::Files);
    const auto cli = [&](const QStringList& args) {
        return test::runProgram(otherUserProgram(),
                                asOtherUser(QStringList{test::cliProgram()} + args));
    };
    test::ProcessResult result = cli({"--db", media.working, "roster"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(QString::fromUtf8(result.out).contains(msg::recordCount));
    result = cli({"--db", media.working, "export", out + "/导出.mdb"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    result = cli({"--data-dir", out, "import", media.working});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    result = cli({"--db", media.working, "generate"});
    EXPECT_EQ(result.exitCode, 5) << result.err.toStdString();
    EXPECT_EQ(QDir(media.path).entryList(QDir::Files), mediaBefore);

    const QString secret = out + "/不可读.mdb";
    ASSERT_TRUE(QFile::copy(files::samplePath(), secret));
    ASSERT_TRUE(QFile::setPermissions(secret, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(QFile::encodeName(secret).constData(), 0, 0), 0);
    }
    result = cli({"--db", secret, "roster"});
    EXPECT_EQ(result.exitCode, 5) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains(msg::noReadPermission)) << result.err.toStdString();
    QFile::setPermissions(media.path, QFileDevice::Permissions(0x7700));
}

// Another program killed in the middle of a write leaves its journal beside
// the file and half its pages in it: a read-only command rolls the journal
// back where the file may be written, and reads the data as it was before;
// on read-only media it says the file is read-only and leaves both alone.
TEST(SharedFile, AJournalLeftByAKilledWriterIsRolledBackBeforeARead) {
    for (const bool readOnlyMedia : {false, true}) {
        SCOPED_TRACE(readOnlyMedia);
        SampleFolder folder;
        const auto roster = [&] {
            const QStringList command = {test::cliProgram(), "--db",  folder.working,
                                         "roster",           "--csv", "-"};
            return readOnlyMedia ? test::runProgram(otherUserProgram(), asOtherUser(command))
                                 : test::runProgram(command.first(), command.mid(1));
        };
        // Read-only media: the other user may read the folder, and then no one write it.
        const auto readable = QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                              QFileDevice::ReadOther | QFileDevice::ExeOther;
        if (readOnlyMedia)
            QFile::setPermissions(folder.path, readable | QFileDevice::WriteOwner);
        const test::ProcessResult before = roster();
        ASSERT_EQ(before.exitCode, 0) << before.err.toStdString();

        QProcess writer;
        writer.start("sqlite3", {folder.working});
        writer.write("PRAGMA cache_size=1;\nBEGIN;\nWITH RECURSIVE n(i) AS (SELECT 1 UNION ALL "
                     "SELECT i + 1 FROM n WHERE i < 3000) INSERT INTO 值班报表 (值班人) SELECT "
                     "'半途' || i FROM n;\nselect 'held';\n");
        QByteArray said;
        while (!said.contains("held") && writer.waitForReadyRead(10000))
            said += writer.readAllStandardOutput();
        ASSERT_TRUE(said.contains("held"));
        writer.kill();
        ASSERT_TRUE(writer.waitForFinished(10000));
        ASSERT_TRUE(QFileInfo::exists(folder.working + "-journal"));
        const QByteArray torn = fileBytes(folder.working);

        if (readOnlyMedia)
            QFile::setPermissions(folder.path, readable);
        const test::ProcessResult after = roster();
        QFile::setPermissions(folder.path, QFileDevice::Permissions(0x7700));
        if (readOnlyMedia) {
            EXPECT_EQ(after.exitCode, 5);
            EXPECT_TRUE(after.err.contains(msg::readOnlyFile)) << after.err.toStdString();
            EXPECT_EQ(fileBytes(folder.working), torn);
            EXPECT_TRUE(QFileInfo::exists(folder.working + "-journal"));
        } else {
            EXPECT_EQ(after.exitCode, 0) << after.err.toStdString();
            EXPECT_EQ(after.out, before.out);
            EXPECT_FALSE(QFileInfo::exists(folder.working + "-journal"));
        }
    }
}

// korvane-cli: outputs never overwrite a database, and its edges.
TEST(SharedFile, CommandLineOutputsAndArguments) {
    KORVANE_FILES_ONLY("processes sharing one SQLite file, its locks, log and media");
    SampleFolder folder;
    ASSERT_EQ(engine::generate(folder.working).outcome, engine::RunOutcome::Done);
    const QByteArray before = fileBytes(folder.working);
    const QString link = folder.file("链接.csv");
    ASSERT_TRUE(QFile::link(folder.working, link));
    const QString otherDatabase = folder.file("别的.mdb");
    ASSERT_TRUE(QFile::copy(files::samplePath(), otherDatabase));
    const auto cli = [&](const QStringList& args) {
        return test::runProgram(test::cliProgram(), QStringList{"--db", folder.working} + args);
    };
    // Outputs onto a database, imports of what is no database, exports
    // where nothing can be written, and a missing argument: exit 2, nothing written.
    const QString text = folder.file("笔记.txt");
    test::writeFile(text, "not a database");
    // The files SQLite keeps beside a database, whether they are there now
    // or not, and through a link.
    const QString linkToLog = folder.file("日志链接.xlsx");
    ASSERT_TRUE(QFile::link(folder.working + "-shm", linkToLog));
    const QString companion = msg::outputIsCompanion.section("%1", 1, 1).section("%2", 0, 0);
    const struct {
        QStringList args;
        QString says;
    } refused[] = {{{"roster", "--csv", folder.working}, msg::outputIsDatabase.section("%1", 0, 0)},
                   {{"roster", "--csv", link}, msg::outputIsDatabase.section("%1", 0, 0)},
                   {{"roster", "--pdf", otherDatabase}, msg::outputIsDatabase.section("%1", 0, 0)},
                   {{"roster", "--csv", folder.working + "-wal"}, companion},
                   {{"roster", "--pdf", otherDatabase + "-journal"}, companion},
                   {{"roster", "--month", "--xlsx", linkToLog}, companion},
                   {{"export", folder.working + "-lock"}, companion},
                   {{"import", text}, QDir::toNativeSeparators(text)},
                   {{"export", text + "/x.mdb"}, msg::exportFailed.section("%1", 0, 0)},
                   {{"import"}, {}}};
    for (const auto& c : refused) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const test::ProcessResult result = cli(c.args);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_TRUE(result.err.contains(c.says)) << result.err.toStdString();
    }
    EXPECT_EQ(fileBytes(folder.working), before);
    EXPECT_EQ(fileBytes(otherDatabase), fileBytes(files::samplePath()));
    EXPECT_EQ(QDir(folder.path).entryList({"*备份*", "*-wal", "*-shm", "*-journal", "*-lock"}),
              QStringList());

    test::ProcessResult result = cli({"roster", "--csv", "-"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.out.startsWith("\xEF\xBB\xBF"
                                      "IDID,"));
    result = cli({"roster", "--person", QString(65536, QLatin1Char('x'))});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err.trimmed(), msg::queryTextTooLong.arg(engine::maxQueryTextLength));
    result = test::runProgram(test::cliProgram(), {"--help"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.out.startsWith("Usage: korvane-cli"));
    EXPECT_EQ(test::runProgram(test::cliProgram(), {"--data-dir", QString(), "roster"}).exitCode,
              2);

    // A name with a NUL in it is printed whole, the NUL made visible.
    EXPECT_EQ(sqlite3(folder.working,
                      "update 值班报表 set 值班人 = '  张' || char(0) || '三' where IDID = 1; "
                      "select changes()"),
              "1");
    result = cli({"roster", "--person", "张"});
    EXPECT_TRUE(QString::fromUtf8(result.out).contains("张␀三")) << result.out.toStdString();

    // Without the delivered template, init writes the same empty database.
    QTemporaryDir programDir;
    const QString copied = QDir(programDir.path()).filePath("korvane-cli");
    ASSERT_TRUE(QFile::copy(test::cliProgram(), copied));
    const QString fresh = folder.file("新/员工数据库.mdb");
    result = test::runProgram(copied, {"--db", fresh, "init"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(checkDatabaseFile(fresh), QString());
    EXPECT_EQ(QDir(QFileInfo(fresh).absolutePath())
                  .entryList({"*journal*", "*.partial*"}, QDir::AllEntries | QDir::Hidden),
              QStringList());
}

} // namespace

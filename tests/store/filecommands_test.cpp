// The whole-file commands (import, export, clear, sample) and the start-up
// check of the working database: the working data is never lost.

#include "store/connection.h"
#include "store/datafiles.h"
#include "store/filecommands.h"
#include "store/messages.h"
#include "store/schema.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <functional>

using namespace korvane;

namespace {

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

void exec(QSqlDatabase& db, const QString& statement) {
    QSqlQuery query(db);
    EXPECT_TRUE(query.exec(statement))
        << statement.toStdString() << ": " << query.lastError().text().toStdString();
}

// A Korvane database at path holding one person per name, then `extra` run on it.
void makeDatabase(const QString& path, const QStringList& people, const QStringList& extra = {}) {
    QString error;
    auto connection = Connection::create(path, &error);
    ASSERT_TRUE(connection) << path.toStdString() << ": " << error.toStdString();
    int id = 0;
    for (const QString& name : people) {
        ++id;
        exec(connection->db(), QStringLiteral("insert into 基本信息 (ID, 姓名, 家庭住址, 所属组ID) "
                                              "values (%1, '%2', '0', 'zz1z')")
                                   .arg(id)
                                   .arg(name));
    }
    for (const QString& statement : extra)
        exec(connection->db(), statement);
}

// The names of the people in the database at path (empty when it cannot be opened).
QStringList peopleIn(const QString& path) {
    QString error;
    auto connection = Connection::open(path, &error, Connection::Access::ReadOnly);
    if (!connection)
        return {QStringLiteral("<cannot open: %1>").arg(error)};
    QSqlQuery query(connection->db());
    QStringList names;
    if (query.exec(QStringLiteral("select 姓名 from 基本信息 order by ID")))
        while (query.next())
            names << query.value(0).toString();
    return names;
}

qint64 applicationIdOf(const QString& path) {
    QString error;
    auto connection = Connection::open(path, &error, Connection::Access::ReadOnly);
    if (!connection)
        return -1;
    QSqlQuery query(connection->db());
    return query.exec(QStringLiteral("PRAGMA application_id")) && query.next()
               ? query.value(0).toLongLong()
               : -1;
}

// An SQLite file that is not ours, written without Korvane's schema code.
void makeForeignDatabase(const QString& path) {
    const QString name = QStringLiteral("foreign-") + path;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        exec(db, QStringLiteral("create table orders (id integer primary key, item text)"));
        exec(db, QStringLiteral("insert into orders (item) values ('pencil')"));
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

QString partOfMessage(const QString& format) {
    return format.section(QStringLiteral("%1"), 0, 0);
}

// A data folder with a working database holding one person.
struct DataFolder {
    QTemporaryDir dir;
    QString path = dir.path();
    QString working = files::workingPath(path);
    DataFolder() { makeDatabase(working, {QStringLiteral("原有人员")}); }
    QString file(const QString& name) const { return QDir(path).filePath(name); }
    QStringList entries() const {
        return QDir(path).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    }
    QStringList backups() const {
        return QDir(path).entryList({QStringLiteral("员工数据库-备份-*")}, QDir::Files, QDir::Name);
    }
};

const QRegularExpression
    kBackupName(QStringLiteral("^员工数据库-备份-\\d{8}-\\d{4}(-\\d+)?\\.mdb$"));
const QRegularExpression
    kDamagedName(QStringLiteral("^员工数据库-损坏-\\d{8}-\\d{4}(-\\d+)?\\.mdb$"));

// ---------------------------------------------------------------------------
// Files that must be refused: each kind leaves everything as it was.

struct BadFile {
    const char* kind;
    std::function<void(const QString& path)> make; // writes the bad file at path
};

void PrintTo(const BadFile& bad, std::ostream* os) {
    *os << bad.kind;
}

class RefusedImport : public ::testing::TestWithParam<BadFile> {};

TEST_P(RefusedImport, LeavesTheWorkingFileByteForByteAndNamesTheFile) {
    DataFolder folder;
    const QString bad = folder.file(QStringLiteral("选中的文件.mdb"));
    GetParam().make(bad);
    const QByteArray workingBefore = bytesOf(folder.working);
    const QByteArray badBefore = bytesOf(bad);
    const QStringList entriesBefore = folder.entries();

    const files::CommandResult result = files::replaceWorkingDatabase(folder.path, bad);

    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.message.contains(QDir::toNativeSeparators(bad)))
        << result.message.toStdString();
    EXPECT_TRUE(result.backupPath.isEmpty());
    EXPECT_EQ(bytesOf(folder.working), workingBefore);
    EXPECT_EQ(bytesOf(bad), badBefore);         // the chosen file is only read
    EXPECT_EQ(folder.entries(), entriesBefore); // no backup, no partial copy
    EXPECT_EQ(peopleIn(folder.working), QStringList{QStringLiteral("原有人员")});
}

const BadFile kBadFiles[] = {
    {"missing", [](const QString&) {}},
    {"empty", [](const QString& path) { writeBytes(path, {}); }},
    {"text", [](const QString& path) { writeBytes(path, "张三,李四\n这不是数据库\n"); }},
    {"directory", [](const QString& path) { QDir().mkpath(path); }},
    {"header only",
     [](const QString& path) { writeBytes(path, QByteArray("SQLite format 3\0", 16)); }},
    {"damaged pages",
     [](const QString& path) {
         QStringList many;
         for (int i = 0; i < 400; ++i)
             many << QStringLiteral("人员%1").arg(i);
         makeDatabase(path, many);
         QByteArray bytes = bytesOf(path);
         ASSERT_GT(bytes.size(), 3 * 4096);
         for (qsizetype i = 2 * 4096; i < bytes.size(); ++i)
             bytes[i] = char(0x5A);
         writeBytes(path, bytes);
     }},
    {"truncated",
     [](const QString& path) {
         QStringList many;
         for (int i = 0; i < 400; ++i)
             many << QStringLiteral("人员%1").arg(i);
         makeDatabase(path, many);
         QFile(path).resize(QFileInfo(path).size() / 2);
     }},
    {"another program's database", makeForeignDatabase},
    {"another application id",
     [](const QString& path) {
         makeDatabase(path, {QStringLiteral("甲")},
                      {QStringLiteral("PRAGMA application_id = 12345")});
     }},
    {"newer version",
     [](const QString& path) {
         makeDatabase(path, {QStringLiteral("甲")},
                      {QStringLiteral("PRAGMA user_version = %1").arg(schema::userVersion + 1)});
     }},
    {"other columns",
     [](const QString& path) {
         makeDatabase(path, {QStringLiteral("甲")},
                      {QStringLiteral("alter table banci add column 颜色 TEXT")});
     }},
    {"missing table",
     [](const QString& path) {
         makeDatabase(path, {QStringLiteral("甲")}, {QStringLiteral("drop table 班数限制")});
     }},
    {"trigger",
     [](const QString& path) {
         makeDatabase(path, {QStringLiteral("甲")},
                      {QStringLiteral("create trigger t after insert on 基本信息 begin "
                                      "delete from banci; end")});
     }},
    {"view",
     [](const QString& path) {
         makeDatabase(path, {QStringLiteral("甲")},
                      {QStringLiteral("create view v as select * from 基本信息")});
     }},
};

INSTANTIATE_TEST_SUITE_P(EveryKind, RefusedImport, ::testing::ValuesIn(kBadFiles),
                         [](const auto& info) {
                             QString name = QString::fromLatin1(info.param.kind);
                             name.replace(QRegularExpression(QStringLiteral("[^A-Za-z]")),
                                          QStringLiteral("_"));
                             return name.toStdString();
                         });

TEST(ReplaceWorkingDatabase, NoFileNameIsRefused) {
    DataFolder folder;
    const QByteArray before = bytesOf(folder.working);
    const auto result = files::replaceWorkingDatabase(folder.path, QString());
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, msg::noFileChosen);
    EXPECT_EQ(bytesOf(folder.working), before);
}

// ---------------------------------------------------------------------------
// Replacing.

TEST(ReplaceWorkingDatabase, TakesTheNewDataAndKeepsTheOldFileAsABackup) {
    DataFolder folder;
    // A file with the right tables but no application id yet: accepted, and the
    // copy becomes ours while the chosen file stays as it was.
    const QString source = folder.file(QStringLiteral("导入.mdb"));
    makeDatabase(source, {QStringLiteral("新人甲"), QStringLiteral("新人乙")},
                 {QStringLiteral("PRAGMA application_id = 0")});
    const QByteArray sourceBefore = bytesOf(source);

    const auto result = files::replaceWorkingDatabase(folder.path, source);

    ASSERT_TRUE(result.ok) << result.message.toStdString();
    EXPECT_EQ(peopleIn(folder.working),
              (QStringList{QStringLiteral("新人甲"), QStringLiteral("新人乙")}));
    EXPECT_EQ(applicationIdOf(folder.working), schema::applicationId);
    EXPECT_EQ(bytesOf(source), sourceBefore);
    ASSERT_FALSE(result.backupPath.isEmpty());
    EXPECT_TRUE(kBackupName.match(QFileInfo(result.backupPath).fileName()).hasMatch())
        << result.backupPath.toStdString();
    EXPECT_EQ(QFileInfo(result.backupPath).absolutePath(),
              QFileInfo(folder.working).absolutePath());
    EXPECT_EQ(peopleIn(result.backupPath), QStringList{QStringLiteral("原有人员")});
    EXPECT_TRUE(result.message.contains(QDir::toNativeSeparators(result.backupPath)));
    EXPECT_TRUE(QDir(folder.path).entryList({QStringLiteral("*.partial*")}).isEmpty());
}

TEST(ReplaceWorkingDatabase, ClearAndSampleUseTheDeliveredFiles) {
    DataFolder folder;
    const QString delivered = test::outputDirectory();
    auto result =
        files::replaceWorkingDatabase(folder.path, QDir(delivered).filePath(files::sampleFileName));
    ASSERT_TRUE(result.ok) << result.message.toStdString();
    EXPECT_GE(peopleIn(folder.working).size(), 22);
    result = files::replaceWorkingDatabase(folder.path,
                                           QDir(delivered).filePath(files::templateFileName));
    ASSERT_TRUE(result.ok) << result.message.toStdString();
    EXPECT_TRUE(peopleIn(folder.working).isEmpty());
    EXPECT_EQ(checkDatabaseFile(folder.working), QString());
    EXPECT_EQ(folder.backups().size(), 2);
}

TEST(ReplaceWorkingDatabase, SixImportsKeepTheNewestFiveBackups) {
    DataFolder folder;
    QStringList backupPaths;
    for (int i = 1; i <= 6; ++i) {
        const QString source = folder.file(QStringLiteral("源%1.mdb").arg(i));
        makeDatabase(source, {QStringLiteral("第%1版").arg(i)});
        const auto result = files::replaceWorkingDatabase(folder.path, source);
        ASSERT_TRUE(result.ok) << i << ": " << result.message.toStdString();
        // Imports within one minute get distinct names; none overwrites another.
        EXPECT_FALSE(backupPaths.contains(result.backupPath));
        backupPaths << result.backupPath;
    }
    const QStringList backups = folder.backups();
    ASSERT_EQ(backups.size(), files::backupsKept);
    QStringList kept;
    for (const QString& name : backups)
        kept << peopleIn(folder.file(name));
    kept.sort();
    // The backup of the first working file (原有人员) is the one dropped.
    EXPECT_EQ(kept, (QStringList{QStringLiteral("第1版"), QStringLiteral("第2版"),
                                 QStringLiteral("第3版"), QStringLiteral("第4版"),
                                 QStringLiteral("第5版")}));
    EXPECT_FALSE(QFileInfo::exists(backupPaths.first()));
    EXPECT_EQ(peopleIn(folder.working), QStringList{QStringLiteral("第6版")});
}

TEST(ReplaceWorkingDatabase, AFailedCopyLeavesTheWorkingFileAndNoBackup) {
    DataFolder folder;
    const QString source = folder.file(QStringLiteral("导入.mdb"));
    makeDatabase(source, {QStringLiteral("新人")});
    // The copy is written beside the working file; a folder in its way makes
    // the write fail as a full or broken disk would (chmod does not stop root).
    const QString partial = folder.working + QStringLiteral(".partial");
    ASSERT_TRUE(QDir().mkpath(partial + QStringLiteral("/blocker")));
    const QByteArray before = bytesOf(folder.working);

    const auto result = files::replaceWorkingDatabase(folder.path, source);

    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.message.startsWith(partOfMessage(msg::copyFailed)))
        << result.message.toStdString();
    EXPECT_EQ(bytesOf(folder.working), before);
    EXPECT_TRUE(folder.backups().isEmpty());
}

TEST(ReplaceWorkingDatabase, ADataFolderThatCannotBeMadeFails) {
    QTemporaryDir dir;
    const QString regularFile = QDir(dir.path()).filePath(QStringLiteral("普通文件"));
    writeBytes(regularFile, "x");
    const QString source = QDir(dir.path()).filePath(QStringLiteral("导入.mdb"));
    makeDatabase(source, {QStringLiteral("新人")});
    const auto result =
        files::replaceWorkingDatabase(QDir(regularFile).filePath(QStringLiteral("数据")), source);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.message.startsWith(partOfMessage(msg::copyFailed)))
        << result.message.toStdString();
    EXPECT_EQ(bytesOf(regularFile), QByteArray("x"));
}

TEST(ReplaceWorkingDatabase, AnUnusableWorkingFileIsKeptAsItsBackupBytes) {
    DataFolder folder;
    writeBytes(folder.working, "kaputt");
    const QString source = folder.file(QStringLiteral("导入.mdb"));
    makeDatabase(source, {QStringLiteral("新人")});
    const auto result = files::replaceWorkingDatabase(folder.path, source);
    ASSERT_TRUE(result.ok) << result.message.toStdString();
    EXPECT_EQ(bytesOf(result.backupPath), QByteArray("kaputt"));
    EXPECT_EQ(peopleIn(folder.working), QStringList{QStringLiteral("新人")});
}

TEST(ReplaceWorkingDatabase, AMissingWorkingFileIsCreatedWithoutBackup) {
    QTemporaryDir dir;
    const QString dataDir = QDir(dir.path()).filePath(QStringLiteral("新文件夹"));
    const QString source = QDir(dir.path()).filePath(QStringLiteral("导入.mdb"));
    makeDatabase(source, {QStringLiteral("新人")});
    const auto result = files::replaceWorkingDatabase(dataDir, source);
    ASSERT_TRUE(result.ok) << result.message.toStdString();
    EXPECT_TRUE(result.backupPath.isEmpty());
    EXPECT_EQ(peopleIn(files::workingPath(dataDir)), QStringList{QStringLiteral("新人")});
}

// The window closes its pages before a replace, but a connection left open
// must neither tear the backup nor damage the new working file.
TEST(ReplaceWorkingDatabase, AConnectionHoldingTheWorkingFileOpen) {
    DataFolder folder;
    const QString source = folder.file(QStringLiteral("导入.mdb"));
    makeDatabase(source, {QStringLiteral("新人")});
    QString error;
    auto open = Connection::open(folder.working, &error); // WAL: the write stays in the -wal file
    ASSERT_TRUE(open) << error.toStdString();
    exec(open->db(), QStringLiteral("insert into 基本信息 (ID, 姓名) values (2, '刚写入')"));

    const auto result = files::replaceWorkingDatabase(folder.path, source);
    ASSERT_TRUE(result.ok) << result.message.toStdString();
    // The backup is a consistent snapshot that includes the committed write.
    EXPECT_EQ(peopleIn(result.backupPath),
              (QStringList{QStringLiteral("原有人员"), QStringLiteral("刚写入")}));
    // The open connection goes on reading the previous file, whole.
    QSqlQuery query(open->db());
    ASSERT_TRUE(query.exec(QStringLiteral("select count(*) from 基本信息")));
    ASSERT_TRUE(query.next());
    EXPECT_EQ(query.value(0).toInt(), 2);
    query.finish();
    // A connection on the new file writes while the old one is still open;
    // closing the old one must not take the new file's write-ahead data along.
    auto fresh = Connection::open(folder.working, &error);
    ASSERT_TRUE(fresh) << error.toStdString();
    exec(fresh->db(), QStringLiteral("insert into 基本信息 (ID, 姓名) values (2, '之后写入')"));
    open.reset();
    EXPECT_EQ(peopleIn(folder.working),
              (QStringList{QStringLiteral("新人"), QStringLiteral("之后写入")}));
    fresh.reset();

    EXPECT_EQ(checkDatabaseFile(folder.working), QString());
    EXPECT_EQ(peopleIn(folder.working),
              (QStringList{QStringLiteral("新人"), QStringLiteral("之后写入")}));
}

// ---------------------------------------------------------------------------
// Exporting.

TEST(ExportWorkingDatabase, ReplacesAnExistingFileOnceTheCopyIsComplete) {
    DataFolder folder;
    const QString target = folder.file(QStringLiteral("导出.mdb"));
    writeBytes(target, "an older export");
    writeBytes(target + QStringLiteral("-wal"), "stale write-ahead data");
    const auto result = files::exportWorkingDatabase(folder.path, target);
    ASSERT_TRUE(result.ok) << result.message.toStdString();
    EXPECT_TRUE(result.message.contains(QDir::toNativeSeparators(target)));
    EXPECT_EQ(peopleIn(target), QStringList{QStringLiteral("原有人员")});
    EXPECT_FALSE(QFileInfo::exists(target + QStringLiteral("-wal")));
    EXPECT_FALSE(QFileInfo::exists(target + QStringLiteral(".partial")));
    EXPECT_EQ(applicationIdOf(target), schema::applicationId);
}

TEST(ExportWorkingDatabase, AnUnwritablePlaceFailsAndWritesNothing) {
    DataFolder folder;
    const QString regularFile = folder.file(QStringLiteral("普通文件.mdb"));
    writeBytes(regularFile, "x");
    const QStringList before = folder.entries();
    // A path under a regular file cannot be written, not even by root.
    const auto result = files::exportWorkingDatabase(
        folder.path, QDir(regularFile).filePath(QStringLiteral("导出.mdb")));
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.message.startsWith(partOfMessage(msg::exportFailed)))
        << result.message.toStdString();
    EXPECT_EQ(folder.entries(), before);
    EXPECT_EQ(bytesOf(regularFile), QByteArray("x"));
}

TEST(ExportWorkingDatabase, AFolderUnderTheChosenNameIsLeftAlone) {
    DataFolder folder;
    const QString target = folder.file(QStringLiteral("文件夹.mdb"));
    ASSERT_TRUE(QDir().mkpath(target + QStringLiteral("/里面")));
    const auto result = files::exportWorkingDatabase(folder.path, target);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(QFileInfo(target + QStringLiteral("/里面")).isDir());
    EXPECT_FALSE(QFileInfo::exists(target + QStringLiteral(".partial")));
}

TEST(ExportWorkingDatabase, TheWorkingFileItselfOrNoWorkingFileIsRefused) {
    DataFolder folder;
    const QByteArray before = bytesOf(folder.working);
    auto result = files::exportWorkingDatabase(folder.path, folder.working);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.message.contains(QDir::toNativeSeparators(folder.working)));
    // The same file reached through another spelling of its path.
    result = files::exportWorkingDatabase(folder.path, folder.path + QStringLiteral("/./") +
                                                           files::workingFileName);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(bytesOf(folder.working), before);

    QTemporaryDir empty;
    result = files::exportWorkingDatabase(empty.path(),
                                          QDir(empty.path()).filePath(QStringLiteral("x.mdb")));
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(QFileInfo::exists(QDir(empty.path()).filePath(QStringLiteral("x.mdb"))));
}

TEST(ExportWorkingDatabase, CopiesWhatIsCommittedWhileAnotherConnectionWrites) {
    DataFolder folder;
    QString error;
    auto writer = Connection::open(folder.working, &error);
    ASSERT_TRUE(writer) << error.toStdString();
    exec(writer->db(), QStringLiteral("insert into 基本信息 (ID, 姓名) values (2, '已提交')"));
    ASSERT_TRUE(writer->db().transaction());
    exec(writer->db(), QStringLiteral("insert into 基本信息 (ID, 姓名) values (3, '未提交')"));

    const QString target = folder.file(QStringLiteral("导出.mdb"));
    const auto result = files::exportWorkingDatabase(folder.path, target);
    ASSERT_TRUE(result.ok) << result.message.toStdString();
    EXPECT_TRUE(writer->db().commit());
    writer.reset();

    EXPECT_EQ(peopleIn(target),
              (QStringList{QStringLiteral("原有人员"), QStringLiteral("已提交")}));
    EXPECT_EQ(peopleIn(folder.working),
              (QStringList{QStringLiteral("原有人员"), QStringLiteral("已提交"),
                           QStringLiteral("未提交")}));
}

// ---------------------------------------------------------------------------
// Start-up.

TEST(PrepareWorkingDatabase, AMissingFileIsCreatedFromTheTemplate) {
    QTemporaryDir dir;
    const QString dataDir = QDir(dir.path()).filePath(QStringLiteral("数据"));
    const auto result = files::prepareWorkingDatabase(dataDir);
    ASSERT_TRUE(result.ok) << result.message.toStdString();
    EXPECT_TRUE(result.message.isEmpty());
    const QString working = files::workingPath(dataDir);
    EXPECT_EQ(checkDatabaseFile(working), QString());
    EXPECT_TRUE(peopleIn(working).isEmpty());
    EXPECT_EQ(applicationIdOf(working), schema::applicationId);
}

TEST(PrepareWorkingDatabase, AUsableFileIsLeftAsItIs) {
    DataFolder folder;
    const QByteArray before = bytesOf(folder.working);
    const auto result = files::prepareWorkingDatabase(folder.path);
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(result.message.isEmpty());
    EXPECT_EQ(bytesOf(folder.working), before);
    EXPECT_EQ(folder.entries(), QStringList{files::workingFileName});
}

class UnusableWorkingFile : public ::testing::TestWithParam<BadFile> {};

TEST_P(UnusableWorkingFile, IsMovedAsideAndAFreshOneCreated) {
    DataFolder folder;
    QFile::remove(folder.working);
    GetParam().make(folder.working);
    const QByteArray before = bytesOf(folder.working);

    const auto result = files::prepareWorkingDatabase(folder.path);

    ASSERT_TRUE(result.ok) << result.message.toStdString();
    ASSERT_FALSE(result.backupPath.isEmpty());
    EXPECT_TRUE(kDamagedName.match(QFileInfo(result.backupPath).fileName()).hasMatch())
        << result.backupPath.toStdString();
    EXPECT_EQ(bytesOf(result.backupPath), before);
    EXPECT_TRUE(result.message.contains(QDir::toNativeSeparators(result.backupPath)))
        << result.message.toStdString();
    EXPECT_EQ(checkDatabaseFile(folder.working), QString());
    EXPECT_TRUE(peopleIn(folder.working).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Kinds, UnusableWorkingFile,
                         ::testing::Values(kBadFiles[1], kBadFiles[2], kBadFiles[5], kBadFiles[7],
                                           kBadFiles[8], kBadFiles[12]),
                         [](const auto& info) {
                             QString name = QString::fromLatin1(info.param.kind);
                             name.replace(QRegularExpression(QStringLiteral("[^A-Za-z]")),
                                          QStringLiteral("_"));
                             return name.toStdString();
                         });

TEST(PrepareWorkingDatabase, WriteAheadFilesGoAsideWithTheirDatabase) {
    DataFolder folder;
    writeBytes(folder.working, "kaputt");
    writeBytes(folder.working + QStringLiteral("-wal"), "write-ahead frames");
    const auto first = files::prepareWorkingDatabase(folder.path);
    ASSERT_TRUE(first.ok) << first.message.toStdString();
    EXPECT_EQ(bytesOf(first.backupPath + QStringLiteral("-wal")), QByteArray("write-ahead frames"));
    EXPECT_EQ(checkDatabaseFile(folder.working), QString());

    // A second damaged file in the same minute does not overwrite the first.
    QFile::remove(folder.working);
    writeBytes(folder.working, "wieder kaputt");
    const auto second = files::prepareWorkingDatabase(folder.path);
    ASSERT_TRUE(second.ok) << second.message.toStdString();
    EXPECT_NE(second.backupPath, first.backupPath);
    EXPECT_EQ(bytesOf(first.backupPath), QByteArray("kaputt"));
    EXPECT_EQ(bytesOf(second.backupPath), QByteArray("wieder kaputt"));
}

TEST(PrepareWorkingDatabase, AFolderThatCannotBeMadeFails) {
    QTemporaryDir dir;
    const QString regularFile = QDir(dir.path()).filePath(QStringLiteral("普通文件"));
    writeBytes(regularFile, "x");
    const auto result =
        files::prepareWorkingDatabase(QDir(regularFile).filePath(QStringLiteral("数据")));
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.message.isEmpty());
}

// ---------------------------------------------------------------------------
// korvane-cli import / export.

struct CliRun {
    int exitCode = -1;
    QString out, err;
};

CliRun runCli(const QStringList& args) {
    QProcess process;
    process.start(QDir(test::outputDirectory()).filePath(QStringLiteral("korvane-cli")), args);
    CliRun run;
    if (!process.waitForFinished(60000)) {
        ADD_FAILURE() << "korvane-cli did not finish: " << process.errorString().toStdString();
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

TEST(CliFileCommands, ImportAndExportThroughTheCheckedCopy) {
    DataFolder folder;
    if (!QFileInfo::exists(QDir(test::outputDirectory()).filePath(QStringLiteral("korvane-cli"))))
        GTEST_SKIP() << "korvane-cli is not built";
    const QByteArray before = bytesOf(folder.working);
    const QString text = folder.file(QStringLiteral("笔记.txt"));
    writeBytes(text, "not a database");

    CliRun run =
        runCli({QStringLiteral("--data-dir"), folder.path, QStringLiteral("import"), text});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(QDir::toNativeSeparators(text))) << run.err.toStdString();
    EXPECT_EQ(bytesOf(folder.working), before);

    run = runCli({QStringLiteral("--data-dir"), folder.path, QStringLiteral("import")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(bytesOf(folder.working), before);

    const QString sample = QDir(test::outputDirectory()).filePath(files::sampleFileName);
    run = runCli({QStringLiteral("--data-dir"), folder.path, QStringLiteral("import"), sample});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(peopleIn(folder.working), peopleIn(sample));
    EXPECT_EQ(folder.backups().size(), 1);

    const QString exported = folder.file(QStringLiteral("导出.mdb"));
    run = runCli({QStringLiteral("--data-dir"), folder.path, QStringLiteral("export"), exported});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(peopleIn(exported), peopleIn(sample));

    run = runCli({QStringLiteral("--data-dir"), folder.path, QStringLiteral("export"),
                  QDir(text).filePath(QStringLiteral("x.mdb"))});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_FALSE(run.err.isEmpty());
}

} // namespace

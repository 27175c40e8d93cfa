// The whole-file commands (import, export, clear, sample), the start-up
// check of the working database and the file check behind them: the working
// data is never lost and a refused file is never written.

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
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>

using namespace korvane;

namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
}

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

// A Korvane database at path holding one person per name, then the statements
// of `extra` (separated by '|') run on it.
void makeDatabase(const QString& path, const QStringList& people, const QString& extra = {}) {
    QString error;
    auto connection = Connection::create(path, &error);
    ASSERT_TRUE(connection) << path.toStdString() << ": " << error.toStdString();
    for (int id = 1; id <= people.size(); ++id)
        exec(connection->db(), s("insert into 基本信息 (ID, 姓名, 家庭住址, 所属组ID) "
                                 "values (%1, '%2', '0', 'zz1z')")
                                   .arg(id)
                                   .arg(people[id - 1]));
    for (const QString& statement : extra.split(QLatin1Char('|'), Qt::SkipEmptyParts))
        exec(connection->db(), statement);
}

// The first column of a query on the database at path, opened read-only.
QStringList read(const QString& path, const QString& sql) {
    QString error;
    auto connection = Connection::open(path, &error, Connection::Access::ReadOnly);
    if (!connection)
        return {s("<cannot open: %1>").arg(error)};
    QSqlQuery query(connection->db());
    QStringList values;
    if (query.exec(sql))
        while (query.next())
            values << query.value(0).toString();
    return values;
}
QStringList peopleIn(const QString& path) {
    return read(path, s("select 姓名 from 基本信息 order by ID"));
}
QStringList applicationIdOf(const QString& path) {
    return read(path, s("PRAGMA application_id"));
}
const QStringList ourApplicationId = {QString::number(schema::applicationId)};

QString startOf(const QString& format) {
    return format.section(s("%1"), 0, 0);
}

// A data folder with a working database holding one person.
struct DataFolder {
    QTemporaryDir dir;
    QString path = dir.path();
    QString working = files::workingPath(path);
    DataFolder() { makeDatabase(working, {s("原有人员")}); }
    QString file(const char* name) const { return QDir(path).filePath(s(name)); }
    // What the folder holds, the lock file of our programs aside.
    QStringList entries() const {
        QStringList names = QDir(path).entryList(
            QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
        names.removeIf([](const QString& name) { return name.endsWith(s("-lock")); });
        return names;
    }
    QStringList backups() const {
        return QDir(path).entryList({s("员工数据库-备份-*")}, QDir::Files, QDir::Name);
    }
};

// ---------------------------------------------------------------------------
// Files that must be refused: each kind leaves everything as it was.

enum class Make { None, Bytes, Header, Folder, Foreign, Ours, Page1, Pages, Cut };
const struct BadFile {
    const char* kind;
    Make make;
    const char* text; // the bytes, or the SQL run on the database
    bool atStartUp;   // also tried as a damaged working file
} kBadFiles[] = {
    {"missing", Make::None, "", false},
    {"empty", Make::Bytes, "", true},
    {"text", Make::Bytes, "张三,李四\n这不是数据库\n", true},
    {"directory", Make::Folder, "", false},
    {"header only", Make::Header, "SQLite format 3", false},
    {"damaged first page", Make::Page1, "", false},
    {"damaged pages", Make::Pages, "", true},
    {"truncated", Make::Cut, "", false},
    {"another program's database", Make::Foreign,
     "create table orders (id integer primary key, item text);"
     "insert into orders (item) values ('pencil')",
     true},
    {"another application id", Make::Ours, "PRAGMA application_id = 12345", true},
    {"newer version", Make::Ours, "PRAGMA user_version = %1", false}, // userVersion + 1
    {"other columns", Make::Ours, "alter table banci add column 颜色 TEXT", false},
    {"missing table", Make::Ours, "drop table 班数限制", false},
    {"trigger", Make::Ours,
     "create trigger t after insert on 基本信息 begin delete from banci; end", true},
    {"view", Make::Ours, "create view v as select * from 基本信息", false},
    // Every rule would strike nothing if 值班底表.idid were not the integer key.
    {"key column of another type", Make::Ours,
     "drop table 值班底表 | create table 值班底表 (idid TEXT, 日期 TEXT, 班次IDID INTEGER, "
     "ID INTEGER, 姓名IDID INTEGER, 是否值班 TEXT, 最近值班时间 TEXT, 值班时间 TEXT)",
     false},
    {"column of another type", Make::Ours,
     "drop table 班数限制 | create table 班数限制 (班数 BLOB)", false},
};

void makeBadFile(const BadFile& bad, const QString& path) {
    QString sql = s(bad.text);
    if (sql.contains(s("%1")))
        sql = sql.arg(schema::userVersion + 1);
    switch (bad.make) {
    case Make::None:
        return;
    case Make::Bytes:
        return writeBytes(path, bad.text);
    case Make::Header: // with its closing NUL
        return writeBytes(path, QByteArray(bad.text, qstrlen(bad.text) + 1));
    case Make::Folder:
        QDir().mkpath(path);
        return;
    case Make::Ours:
        return makeDatabase(path, {s("甲")}, sql);
    case Make::Foreign: { // an SQLite file written without Korvane's schema code
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(s("QSQLITE"), path);
            db.setDatabaseName(path);
            ASSERT_TRUE(db.open());
            for (const QString& statement : sql.split(QLatin1Char(';')))
                exec(db, statement);
        }
        QSqlDatabase::removeDatabase(path);
        return;
    }
    default: { // 400 people, then spoilt
        QStringList many;
        for (int i = 0; i < 400; ++i)
            many << s("人员%1").arg(i);
        makeDatabase(path, many);
        QByteArray bytes = bytesOf(path);
        ASSERT_GT(bytes.size(), 3 * 4096);
        if (bad.make == Make::Page1)
            bytes.replace(100, 2000, QByteArray(2000, 'Z'));
        else if (bad.make == Make::Pages)
            std::fill(bytes.begin() + 2 * 4096, bytes.end(), 'Z');
        else
            bytes.chop(bytes.size() / 2);
        writeBytes(path, bytes);
    }
    }
}

TEST(RefusedFile, IsNeitherOpenedNorImportedAndStaysByteForByte) {
    for (const BadFile& bad : kBadFiles) {
        SCOPED_TRACE(bad.kind);
        DataFolder folder;
        const QString path = folder.file("选中的文件.mdb");
        makeBadFile(bad, path);
        const QByteArray workingBefore = bytesOf(folder.working);
        const QByteArray badBefore = bytesOf(path);
        const QStringList entriesBefore = folder.entries();

        QString error;
        EXPECT_EQ(Connection::open(path, &error), nullptr);
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(checkDatabaseFile(path).isEmpty());
        const files::CommandResult result = files::replaceWorkingDatabase(folder.path, path);

        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.message.contains(QDir::toNativeSeparators(path)))
            << result.message.toStdString();
        EXPECT_TRUE(result.backupPath.isEmpty());
        EXPECT_EQ(bytesOf(folder.working), workingBefore);
        EXPECT_EQ(bytesOf(path), badBefore);        // the chosen file is only read
        EXPECT_EQ(folder.entries(), entriesBefore); // no backup, no partial copy
        EXPECT_EQ(peopleIn(folder.working), QStringList{s("原有人员")});
    }
    DataFolder folder;
    const QByteArray before = bytesOf(folder.working);
    const auto result = files::replaceWorkingDatabase(folder.path, QString());
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, msg::noFileChosen);
    EXPECT_EQ(bytesOf(folder.working), before);
}

// ---------------------------------------------------------------------------
// Replacing.

const QRegularExpression kBackupName(s("^员工数据库-备份-\\d{8}-\\d{4}(-\\d+)?\\.mdb$"));
const QRegularExpression kDamagedName(s("^员工数据库-损坏-\\d{8}-\\d{4}(-\\d+)?\\.mdb$"));

TEST(ReplaceWorkingDatabase, TakesTheNewDataAndKeepsTheOldFileAsABackup) {
    DataFolder folder;
    // A file with the right tables but no application id yet: accepted, and the
    // copy becomes ours while the chosen file stays as it was.
    const QString source = folder.file("导入.mdb");
    makeDatabase(source, {s("新人甲"), s("新人乙")}, s("PRAGMA application_id = 0"));
    const QByteArray sourceBefore = bytesOf(source);

    const auto result = files::replaceWorkingDatabase(folder.path, source);

    ASSERT_TRUE(result.ok) << result.message.toStdString();
    EXPECT_EQ(peopleIn(folder.working), QStringList({s("新人甲"), s("新人乙")}));
    EXPECT_EQ(applicationIdOf(folder.working), ourApplicationId);
    EXPECT_EQ(bytesOf(source), sourceBefore);
    ASSERT_FALSE(result.backupPath.isEmpty());
    EXPECT_TRUE(kBackupName.match(QFileInfo(result.backupPath).fileName()).hasMatch())
        << result.backupPath.toStdString();
    EXPECT_EQ(QFileInfo(result.backupPath).absolutePath(),
              QFileInfo(folder.working).absolutePath());
    EXPECT_EQ(peopleIn(result.backupPath), QStringList{s("原有人员")});
    EXPECT_TRUE(result.message.contains(QDir::toNativeSeparators(result.backupPath)));
    EXPECT_TRUE(
        QDir(folder.path).entryList({s("*.partial*")}, QDir::AllEntries | QDir::Hidden).isEmpty());

    // Opened for work, the unstamped file is accepted and stamped as ours.
    EXPECT_EQ(checkDatabaseFile(source), QString());
    QString error;
    ASSERT_NE(Connection::open(source, &error), nullptr) << error.toStdString();
    EXPECT_EQ(applicationIdOf(source), ourApplicationId);
}

TEST(ReplaceWorkingDatabase, ClearAndSampleUseTheDeliveredFiles) {
    DataFolder folder;
    const QDir delivered(test::outputDirectory());
    auto result =
        files::replaceWorkingDatabase(folder.path, delivered.filePath(files::sampleFileName));
    ASSERT_TRUE(result.ok) << result.message.toStdString();
    EXPECT_GE(peopleIn(folder.working).size(), 22);
    result =
        files::replaceWorkingDatabase(folder.path, delivered.filePath(files::templateFileName));
    ASSERT_TRUE(result.ok) << result.message.toStdString();
    EXPECT_TRUE(peopleIn(folder.working).isEmpty());
    EXPECT_EQ(checkDatabaseFile(folder.working), QString());
    EXPECT_EQ(folder.backups().size(), 2);
}

// Above five backups, only a backup whose content a newer one also holds goes.
TEST(ReplaceWorkingDatabase, PruningKeepsTheNewestBackupOfEveryContent) {
    const QString emptyTemplate = QDir(test::outputDirectory()).filePath(files::templateFileName);
    DataFolder folder;
    QStringList backupPaths;
    for (int i = 1; i <= 6; ++i) { // six clears in a row
        const auto result = files::replaceWorkingDatabase(folder.path, emptyTemplate);
        ASSERT_TRUE(result.ok) << i << ": " << result.message.toStdString();
        // Replaces within one minute get distinct names; none overwrites another.
        EXPECT_FALSE(backupPaths.contains(result.backupPath));
        backupPaths << result.backupPath;
    }
    ASSERT_EQ(folder.backups().size(), files::backupsKept);
    EXPECT_EQ(peopleIn(backupPaths.first()), QStringList{s("原有人员")});
    EXPECT_FALSE(QFileInfo::exists(backupPaths.at(1))); // the oldest empty one went

    for (int i = 1; i <= 6; ++i) { // six distinct set-ups: all are kept
        const QString source = folder.file("源.mdb");
        QFile::remove(source);
        makeDatabase(source, {s("第%1版").arg(i)});
        ASSERT_TRUE(files::replaceWorkingDatabase(folder.path, source).ok);
    }
    QStringList kept;
    for (const QString& name : folder.backups())
        kept << peopleIn(QDir(folder.path).filePath(name)).join(QLatin1Char(','));
    kept.sort();
    EXPECT_EQ(kept, QStringList({QString(), s("原有人员"), s("第1版"), s("第2版"), s("第3版"),
                                 s("第4版"), s("第5版")}));
    EXPECT_EQ(peopleIn(folder.working), QStringList{s("第6版")});
}

TEST(ReplaceWorkingDatabase, AFailedCopyLeavesTheWorkingFileAndNoBackup) {
    DataFolder folder;
    const QString source = folder.file("导入.mdb");
    makeDatabase(source, {s("新人")});
    // The copy is made in a hidden folder beside the working file; a file in
    // its way makes the write fail as a full or broken disk would (chmod does
    // not stop root).
    writeBytes(folder.file(".员工数据库.mdb.partial"), "blocker");
    const QByteArray before = bytesOf(folder.working);
    auto result = files::replaceWorkingDatabase(folder.path, source);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.message.startsWith(startOf(msg::copyFailed)))
        << result.message.toStdString();
    EXPECT_EQ(bytesOf(folder.working), before);
    EXPECT_TRUE(folder.backups().isEmpty());

    // A data folder that cannot be made (a regular file is in its way) fails
    // the same way, for a replace and at start-up.
    const QString regularFile = folder.file("普通文件");
    writeBytes(regularFile, "x");
    const QString under = QDir(regularFile).filePath(s("数据"));
    result = files::replaceWorkingDatabase(under, source);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.message.startsWith(startOf(msg::copyFailed)))
        << result.message.toStdString();
    result = files::prepareWorkingDatabase(under);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.message.isEmpty());
    EXPECT_EQ(bytesOf(regularFile), QByteArray("x"));
}

TEST(ReplaceWorkingDatabase, AnUnusableOrMissingWorkingFile) {
    DataFolder folder;
    writeBytes(folder.working, "kaputt");
    const QString source = folder.file("导入.mdb");
    makeDatabase(source, {s("新人")});
    auto result = files::replaceWorkingDatabase(folder.path, source);
    ASSERT_TRUE(result.ok) << result.message.toStdString();
    EXPECT_EQ(bytesOf(result.backupPath), QByteArray("kaputt")); // kept as it was
    EXPECT_EQ(peopleIn(folder.working), QStringList{s("新人")});

    // A missing one is created, without a backup.
    const QString dataDir = folder.file("新文件夹");
    result = files::replaceWorkingDatabase(dataDir, source);
    ASSERT_TRUE(result.ok) << result.message.toStdString();
    EXPECT_TRUE(result.backupPath.isEmpty());
    EXPECT_EQ(peopleIn(files::workingPath(dataDir)), QStringList{s("新人")});
}

// The window closes its pages before a replace, but a connection left open
// must neither tear the backup nor damage the new working file.
TEST(ReplaceWorkingDatabase, AConnectionHoldingTheWorkingFileOpen) {
    DataFolder folder;
    const QString source = folder.file("导入.mdb");
    makeDatabase(source, {s("新人")});
    QString error;
    auto open = Connection::open(folder.working, &error); // WAL: the write stays in the -wal file
    ASSERT_TRUE(open) << error.toStdString();
    exec(open->db(), s("insert into 基本信息 (ID, 姓名) values (2, '刚写入')"));

    const auto result = files::replaceWorkingDatabase(folder.path, source);
    ASSERT_TRUE(result.ok) << result.message.toStdString();
    // The backup is a consistent snapshot that includes the committed write.
    EXPECT_EQ(peopleIn(result.backupPath), QStringList({s("原有人员"), s("刚写入")}));
    // The open connection goes on reading the previous file, whole.
    QSqlQuery query(open->db());
    ASSERT_TRUE(query.exec(s("select count(*) from 基本信息")) && query.next());
    EXPECT_EQ(query.value(0).toInt(), 2);
    query.finish();
    // A connection on the new file writes while the old one is still open;
    // closing the old one must not take the new file's write-ahead data along.
    auto fresh = Connection::open(folder.working, &error);
    ASSERT_TRUE(fresh) << error.toStdString();
    exec(fresh->db(), s("insert into 基本信息 (ID, 姓名) values (2, '之后写入')"));
    open.reset();
    const QStringList both = {s("新人"), s("之后写入")};
    EXPECT_EQ(peopleIn(folder.working), both);
    fresh.reset();
    EXPECT_EQ(checkDatabaseFile(folder.working), QString());
    EXPECT_EQ(peopleIn(folder.working), both);
}

// ---------------------------------------------------------------------------
// Exporting.

// An existing file is replaced once the copy is complete; the copy holds what
// is committed while another connection writes.
TEST(ExportWorkingDatabase, ReplacesAnExistingFileWithWhatIsCommitted) {
    DataFolder folder;
    const QString target = folder.file("导出.mdb");
    writeBytes(target, "an older export");
    writeBytes(target + s("-wal"), "stale write-ahead data");
    QString error;
    auto writer = Connection::open(folder.working, &error);
    ASSERT_TRUE(writer) << error.toStdString();
    exec(writer->db(), s("insert into 基本信息 (ID, 姓名) values (2, '已提交')"));
    ASSERT_TRUE(writer->db().transaction());
    exec(writer->db(), s("insert into 基本信息 (ID, 姓名) values (3, '未提交')"));

    const auto result = files::exportWorkingDatabase(folder.path, target);
    ASSERT_TRUE(result.ok) << result.message.toStdString();
    EXPECT_TRUE(writer->db().commit());
    writer.reset();

    EXPECT_TRUE(result.message.contains(QDir::toNativeSeparators(target)));
    EXPECT_EQ(peopleIn(target), QStringList({s("原有人员"), s("已提交")}));
    EXPECT_EQ(peopleIn(folder.working), QStringList({s("原有人员"), s("已提交"), s("未提交")}));
    EXPECT_FALSE(QFileInfo::exists(target + s("-wal")));
    EXPECT_FALSE(QFileInfo::exists(folder.file(".导出.mdb.partial")));
    EXPECT_EQ(applicationIdOf(target), ourApplicationId);
}

TEST(ExportWorkingDatabase, RefusedTargetsWriteNothing) {
    DataFolder folder;
    const QString regularFile = folder.file("普通文件.mdb");
    writeBytes(regularFile, "x");
    ASSERT_TRUE(QDir().mkpath(folder.file("文件夹.mdb/里面")));
    const QByteArray working = bytesOf(folder.working);
    const QStringList entries = folder.entries();
    const struct {
        QString target, messageStart, messageMentions;
    } cases[] = {
        // A path under a regular file cannot be written, not even by root.
        {QDir(regularFile).filePath(s("导出.mdb")), startOf(msg::exportFailed), {}},
        // A folder under the chosen name is left alone.
        {folder.file("文件夹.mdb"), {}, {}},
        // The working file itself, also through another spelling of its path.
        {folder.working, {}, QDir::toNativeSeparators(folder.working)},
        {folder.path + s("/./") + files::workingFileName, {}, {}},
        // The delivered files, which 清空数据库, 载入样例 and init read.
        {files::templatePath(), startOf(msg::exportOntoDelivered), {}},
        {files::samplePath(), startOf(msg::exportOntoDelivered), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target.toStdString());
        const auto result = files::exportWorkingDatabase(folder.path, c.target);
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.message.startsWith(c.messageStart)) << result.message.toStdString();
        EXPECT_TRUE(result.message.contains(c.messageMentions)) << result.message.toStdString();
    }
    EXPECT_EQ(folder.entries(), entries); // no partial copy anywhere
    EXPECT_EQ(bytesOf(folder.working), working);
    EXPECT_EQ(bytesOf(regularFile), QByteArray("x"));
    EXPECT_TRUE(QFileInfo(folder.file("文件夹.mdb/里面")).isDir());

    // Without a working file there is nothing to export.
    QTemporaryDir empty;
    const QString target = QDir(empty.path()).filePath(s("x.mdb"));
    EXPECT_FALSE(files::exportWorkingDatabase(empty.path(), target).ok);
    EXPECT_FALSE(QFileInfo::exists(target));
}

// ---------------------------------------------------------------------------
// Start-up.

TEST(PrepareWorkingDatabase, AMissingFileIsCreatedAndAUsableOneLeftAsItIs) {
    QTemporaryDir dir;
    const QString dataDir = QDir(dir.path()).filePath(s("数据"));
    auto result = files::prepareWorkingDatabase(dataDir);
    ASSERT_TRUE(result.ok) << result.message.toStdString();
    EXPECT_TRUE(result.message.isEmpty());
    const QString working = files::workingPath(dataDir);
    EXPECT_EQ(checkDatabaseFile(working), QString());
    EXPECT_TRUE(peopleIn(working).isEmpty());
    EXPECT_EQ(applicationIdOf(working), ourApplicationId);

    DataFolder folder;
    const QByteArray before = bytesOf(folder.working);
    result = files::prepareWorkingDatabase(folder.path);
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(result.message.isEmpty());
    EXPECT_EQ(bytesOf(folder.working), before);
    EXPECT_EQ(folder.entries(), QStringList{files::workingFileName});
}

TEST(PrepareWorkingDatabase, AnUnusableFileIsMovedAsideAndAFreshOneCreated) {
    for (const BadFile& bad : kBadFiles) {
        if (!bad.atStartUp)
            continue;
        SCOPED_TRACE(bad.kind);
        DataFolder folder;
        QFile::remove(folder.working);
        makeBadFile(bad, folder.working);
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
}

TEST(PrepareWorkingDatabase, WriteAheadFilesGoAsideWithTheirDatabase) {
    DataFolder folder;
    writeBytes(folder.working, "kaputt");
    writeBytes(folder.working + s("-wal"), "write-ahead frames");
    const auto first = files::prepareWorkingDatabase(folder.path);
    ASSERT_TRUE(first.ok) << first.message.toStdString();
    EXPECT_EQ(bytesOf(first.backupPath + s("-wal")), QByteArray("write-ahead frames"));
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

// ---------------------------------------------------------------------------
// korvane-cli import / export.

TEST(CliFileCommands, ImportAndExportThroughTheCheckedCopy) {
    DataFolder folder;
    const auto run = [&](const char* command, const QString& file = {}) {
        QStringList args = {s("--data-dir"), folder.path, s(command)};
        if (!file.isEmpty())
            args << file;
        return test::runProgram(test::cliProgram(), args);
    };
    const QByteArray before = bytesOf(folder.working);
    const QString text = folder.file("笔记.txt");
    writeBytes(text, "not a database");

    test::ProcessResult result = run("import", text);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.err.contains(QDir::toNativeSeparators(text))) << result.err.toStdString();
    EXPECT_EQ(bytesOf(folder.working), before);
    EXPECT_EQ(run("import").exitCode, 2);
    EXPECT_EQ(bytesOf(folder.working), before);

    const QString sample = QDir(test::outputDirectory()).filePath(files::sampleFileName);
    result = run("import", sample);
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(peopleIn(folder.working), peopleIn(sample));
    EXPECT_EQ(folder.backups().size(), 1);

    const QString exported = folder.file("导出.mdb");
    result = run("export", exported);
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(peopleIn(exported), peopleIn(sample));

    result = run("export", QDir(text).filePath(s("x.mdb")));
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_FALSE(result.err.isEmpty());
}

} // namespace

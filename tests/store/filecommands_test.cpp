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
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

using namespace korvane;
using test::fileBytes;
using test::writeFile;

namespace {

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
    exec(connection->db(), "begin");
    for (int id = 1; id <= people.size(); ++id)
        exec(connection->db(), QString("insert into 基本信息 (ID, 姓名, 家庭住址, 所属组ID) "
                                       "values (%1, '%2', '0', 'zz1z')")
                                   .arg(id)
                                   .arg(people[id - 1]));
    exec(connection->db(), "commit");
    for (const QString& statement : extra.split('|', Qt::SkipEmptyParts))
        exec(connection->db(), statement);
}

QStringList peopleIn(const QString& path) {
    return test::valuesIn(path, "select 姓名 from 基本信息 order by ID");
}
const QStringList ourApplicationId = {"1263687246"};
QStringList applicationIdOf(const QString& path) {
    return test::valuesIn(path, "PRAGMA application_id");
}
QString startOf(const QString& format) {
    return format.section("%1", 0, 0);
}

// A data folder with a working database holding one person.
struct DataFolder {
    QTemporaryDir dir;
    QString path = dir.path();
    QString working = files::workingPath(path);
    DataFolder() { makeDatabase(working, {"原有人员"}); }
    QString file(const char* name) const { return QDir(path).filePath(name); }
    // What the folder holds, the lock file of our programs aside.
    QStringList entries() const {
        QStringList names = QDir(path).entryList(
            QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
        names.removeIf([](const QString& name) { return name.endsWith("-lock"); });
        return names;
    }
    QStringList backups() const {
        return QDir(path).entryList({"员工数据库-备份-*"}, QDir::Files, QDir::Name);
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
    {"newer version", Make::Ours, "PRAGMA user_version = %1", false}, // ours + 1
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
    switch (bad.make) {
    case Make::None:
        return;
    case Make::Bytes:
        return writeFile(path, bad.text);
    case Make::Header: // with its closing NUL
        return writeFile(path, QByteArray(bad.text, qstrlen(bad.text) + 1));
    case Make::Folder:
        QDir().mkpath(path);
        return;
    case Make::Ours:
        return makeDatabase(
            path, {"甲"},
            QString(bad.text).replace("%1", QString::number(schema::userVersion + 1)));
    case Make::Foreign: // an SQLite file written without Korvane's schema code
        test::runProgram("sqlite3", {path, bad.text});
        return;
    default: { // 400 people, then spoilt
        QStringList many;
        for (int i = 0; i < 400; ++i)
            many << QString("人员%1").arg(i);
        makeDatabase(path, many);
        QByteArray bytes = fileBytes(path);
        ASSERT_GT(bytes.size(), 3 * 4096);
        if (bad.make == Make::Page1)
            bytes.replace(100, 2000, QByteArray(2000, 'Z'));
        else if (bad.make == Make::Pages)
            std::fill(bytes.begin() + 2 * 4096, bytes.end(), 'Z');
        else
            bytes.chop(bytes.size() / 2);
        writeFile(path, bytes);
    }
    }
}

TEST(RefusedFile, IsNeitherOpenedNorImportedAndStaysByteForByte) {
    KORVANE_FILES_ONLY("copies, backups and replacement of the working file");
    for (const BadFile& bad : kBadFiles) {
        SCOPED_TRACE(bad.kind);
        DataFolder folder;
        const QString path = folder.file("选中的文件.mdb");
        makeBadFile(bad, path);
        const QByteArray workingBefore = fileBytes(folder.working);
        const QByteArray badBefore = fileBytes(path);
        const QStringList entriesBefore = folder.entries();

        QString error;
        EXPECT_EQ(Connection::open(path, &error), nullptr);
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(checkDatabaseFile(path).isEmpty());
        const files::CommandResult result = files::replaceWorkingDatabase(folder.path, path);
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.message.contains(QDir::toNativeSeparators(path)))
            << result.message.toStdString();
        EXPECT_EQ(fileBytes(folder.working), workingBefore);
        EXPECT_EQ(fileBytes(path), badBefore);      // the chosen file is only read
        EXPECT_EQ(folder.entries(), entriesBefore); // no backup, no partial copy
    }
    DataFolder folder;
    EXPECT_EQ(files::replaceWorkingDatabase(folder.path, QString()).message, msg::noFileChosen);
}

// ---------------------------------------------------------------------------
// Replacing.

TEST(ReplaceWorkingDatabase, TakesTheNewDataAndKeepsTheOldFileAsABackup) {
    KORVANE_FILES_ONLY("copies, backups and replacement of the working file");
    DataFolder folder;
    // A file with the right tables but no application id yet: accepted, and the
    // copy becomes ours while the chosen file stays as it was.
    const QString source = folder.file("导入.mdb");
    makeDatabase(source, {"新人甲", "新人乙"}, "PRAGMA application_id = 0");
    const QByteArray sourceBefore = fileBytes(source);

    const auto result = files::replaceWorkingDatabase(folder.path, source);

    ASSERT_TRUE(result.ok) << result.message.toStdString();
    EXPECT_EQ(peopleIn(folder.working), QStringList({"新人甲", "新人乙"}));
    EXPECT_EQ(applicationIdOf(folder.working), ourApplicationId);
    EXPECT_EQ(fileBytes(source), sourceBefore);
    EXPECT_EQ(QFileInfo(result.backupPath).absolutePath(),
              QFileInfo(folder.working).absolutePath());
    EXPECT_TRUE(QRegularExpression("^员工数据库-备份-\\d{8}-\\d{4}(-\\d+)?\\.mdb$")
                    .match(QFileInfo(result.backupPath).fileName())
                    .hasMatch())
        << result.backupPath.toStdString();
    EXPECT_EQ(peopleIn(result.backupPath), QStringList{"原有人员"});
    EXPECT_TRUE(result.message.contains(QDir::toNativeSeparators(result.backupPath)));
    EXPECT_EQ(folder.entries().filter("partial"), QStringList());

    // Opened for work, the unstamped file is accepted and stamped as ours.
    QString error;
    ASSERT_NE(Connection::open(source, &error), nullptr) << error.toStdString();
    EXPECT_EQ(applicationIdOf(source), ourApplicationId);

    // An unusable working file is kept as it was; a missing one is created
    // without a backup.
    writeFile(folder.working, "kaputt");
    auto again = files::replaceWorkingDatabase(folder.path, source);
    ASSERT_TRUE(again.ok) << again.message.toStdString();
    EXPECT_EQ(fileBytes(again.backupPath), QByteArray("kaputt"));
    EXPECT_EQ(peopleIn(folder.working), QStringList({"新人甲", "新人乙"}));
    again = files::replaceWorkingDatabase(folder.file("新文件夹"), source);
    ASSERT_TRUE(again.ok) << again.message.toStdString();
    EXPECT_TRUE(again.backupPath.isEmpty());
    EXPECT_EQ(peopleIn(folder.file("新文件夹/员工数据库.mdb")), QStringList({"新人甲", "新人乙"}));
}

// A backup goes when a newer one holds the same content.
TEST(ReplaceWorkingDatabase, PruningKeepsTheNewestBackupOfEveryContent) {
    KORVANE_FILES_ONLY("copies, backups and replacement of the working file");
    DataFolder folder;
    QStringList backupPaths;
    for (int i = 1; i <= 6; ++i) { // six clears in a row
        const auto result = files::replaceWorkingDatabase(folder.path, files::templatePath());
        ASSERT_TRUE(result.ok) << i << ": " << result.message.toStdString();
        // Replaces within one minute get distinct names; none overwrites another.
        EXPECT_FALSE(backupPaths.contains(result.backupPath));
        backupPaths << result.backupPath;
    }
    // The data before the clears, and one empty set-up.
    ASSERT_EQ(folder.backups().size(), 2);
    EXPECT_EQ(peopleIn(backupPaths.first()), QStringList{"原有人员"});
    EXPECT_TRUE(QFileInfo::exists(backupPaths.last()));

    for (int i = 1; i <= 6; ++i) { // six distinct set-ups: all are kept
        const QString source = folder.file("源.mdb");
        QFile::remove(source);
        makeDatabase(source, {QString("第%1版").arg(i)});
        ASSERT_TRUE(files::replaceWorkingDatabase(folder.path, source).ok);
    }
    QStringList kept;
    for (const QString& name : folder.backups())
        kept << peopleIn(QDir(folder.path).filePath(name)).join(',');
    kept.sort();
    EXPECT_EQ(kept, QStringList({"", "原有人员", "第1版", "第2版", "第3版", "第4版", "第5版"}));
    EXPECT_EQ(peopleIn(folder.working), QStringList{"第6版"});
}

// What a killed copy left beside the working file goes at start; a copy
// another program is making right now stays.
TEST(PrepareWorkingDatabase, ClearsStagingFoldersThatNoLiveCopyHolds) {
    KORVANE_FILES_ONLY("copies, backups and replacement of the working file");
    DataFolder folder;
    const QString stale = folder.file(".员工数据库-备份-20270105-0830.mdb.partial");
    ASSERT_TRUE(QDir().mkpath(stale));
    writeFile(stale + "/员工数据库-备份-20270105-0830.mdb", "half a copy");
    const files::StagingFolder live(folder.file("导出.mdb"));
    ASSERT_TRUE(live.isValid()) << live.problem().reason.toStdString();
    writeFile(live.filePath(), "being written");

    ASSERT_TRUE(files::prepareWorkingDatabase(folder.path).ok);
    EXPECT_FALSE(QFileInfo::exists(stale));
    EXPECT_EQ(fileBytes(live.filePath()), QByteArray("being written"));
}

TEST(ReplaceWorkingDatabase, AFailedCopyLeavesTheWorkingFileAndNoBackup) {
    KORVANE_FILES_ONLY("copies, backups and replacement of the working file");
    DataFolder folder;
    const QString source = folder.file("导入.mdb");
    makeDatabase(source, {"新人"});
    // The copy is made in a hidden folder beside the working file; a file in
    // its way makes the write fail as a full or broken disk would (chmod does
    // not stop root).
    writeFile(folder.file(".员工数据库.mdb.partial"), "blocker");
    const QByteArray before = fileBytes(folder.working);
    auto result = files::replaceWorkingDatabase(folder.path, source);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.message.startsWith(startOf(msg::copyFailed)))
        << result.message.toStdString();
    EXPECT_EQ(fileBytes(folder.working), before);
    EXPECT_TRUE(folder.backups().isEmpty());

    // A data folder that cannot be made (a regular file is in its way) fails
    // the same way, for a replace and at start-up.
    const QString under = folder.file("普通文件/数据");
    writeFile(folder.file("普通文件"), "x");
    result = files::replaceWorkingDatabase(under, source);
    EXPECT_TRUE(result.message.startsWith(startOf(msg::copyFailed)))
        << result.message.toStdString();
    result = files::prepareWorkingDatabase(under);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.message.isEmpty());
    EXPECT_EQ(fileBytes(folder.file("普通文件")), QByteArray("x"));
}

// The window closes its pages before a replace, but a connection left open
// must neither tear the backup nor damage the new working file.
TEST(ReplaceWorkingDatabase, AConnectionHoldingTheWorkingFileOpen) {
    KORVANE_FILES_ONLY("copies, backups and replacement of the working file");
    DataFolder folder;
    const QString source = folder.file("导入.mdb");
    makeDatabase(source, {"新人"});
    QString error;
    auto open = Connection::open(folder.working, &error); // WAL: the write stays in the -wal file
    ASSERT_TRUE(open) << error.toStdString();
    exec(open->db(), "insert into 基本信息 (ID, 姓名) values (2, '刚写入')");

    const auto result = files::replaceWorkingDatabase(folder.path, source);
    ASSERT_TRUE(result.ok) << result.message.toStdString();
    // The backup is a consistent snapshot that includes the committed write.
    EXPECT_EQ(peopleIn(result.backupPath), QStringList({"原有人员", "刚写入"}));
    // The open connection goes on reading the previous file, whole.
    QSqlQuery query(open->db());
    ASSERT_TRUE(query.exec("select count(*) from 基本信息") && query.next());
    EXPECT_EQ(query.value(0).toInt(), 2);
    query.finish();
    // A connection on the new file writes while the old one is still open;
    // closing the old one must not take the new file's write-ahead data along.
    auto fresh = Connection::open(folder.working, &error);
    ASSERT_TRUE(fresh) << error.toStdString();
    exec(fresh->db(), "insert into 基本信息 (ID, 姓名) values (2, '之后写入')");
    open.reset();
    EXPECT_EQ(peopleIn(folder.working), QStringList({"新人", "之后写入"}));
    fresh.reset();
    EXPECT_EQ(checkDatabaseFile(folder.working), QString());
    EXPECT_EQ(peopleIn(folder.working), QStringList({"新人", "之后写入"}));
}

// ---------------------------------------------------------------------------
// Exporting.

// An existing file is replaced once the copy is complete; the copy holds what
// is committed while another connection writes.
TEST(ExportWorkingDatabase, ReplacesAnExistingFileWithWhatIsCommitted) {
    KORVANE_FILES_ONLY("copies, backups and replacement of the working file");
    DataFolder folder;
    const QString target = folder.file("导出.mdb");
    writeFile(target, "an older export");
    writeFile(target + "-wal", "stale write-ahead data");
    QString error;
    auto writer = Connection::open(folder.working, &error);
    ASSERT_TRUE(writer) << error.toStdString();
    exec(writer->db(), "insert into 基本信息 (ID, 姓名) values (2, '已提交')");
    ASSERT_TRUE(writer->db().transaction());
    exec(writer->db(), "insert into 基本信息 (ID, 姓名) values (3, '未提交')");

    const auto result = files::exportWorkingDatabase(folder.path, target);
    ASSERT_TRUE(result.ok) << result.message.toStdString();
    EXPECT_TRUE(writer->db().commit());
    writer.reset();

    EXPECT_TRUE(result.message.contains(QDir::toNativeSeparators(target)));
    EXPECT_EQ(peopleIn(target), QStringList({"原有人员", "已提交"}));
    EXPECT_EQ(peopleIn(folder.working), QStringList({"原有人员", "已提交", "未提交"}));
    EXPECT_FALSE(QFileInfo::exists(target + "-wal"));
    EXPECT_FALSE(QFileInfo::exists(folder.file(".导出.mdb.partial")));
    EXPECT_EQ(applicationIdOf(target), ourApplicationId);
}

TEST(ExportWorkingDatabase, RefusedTargetsWriteNothing) {
    KORVANE_FILES_ONLY("copies, backups and replacement of the working file");
    DataFolder folder;
    writeFile(folder.file("普通文件.mdb"), "x");
    ASSERT_TRUE(QDir().mkpath(folder.file("文件夹.mdb/里面")));
    const QByteArray working = fileBytes(folder.working);
    const QStringList entries = folder.entries();
    const struct {
        QString target, messageStart, messageMentions;
    } cases[] = {
        // A path under a regular file cannot be written, not even by root.
        {folder.file("普通文件.mdb/导出.mdb"), startOf(msg::exportFailed), {}},
        // A folder under the chosen name is left alone.
        {folder.file("文件夹.mdb"), {}, {}},
        // The working file itself, also through another spelling of its path.
        {folder.working, {}, QDir::toNativeSeparators(folder.working)},
        {folder.path + "/./" + files::workingFileName, {}, {}},
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
    EXPECT_EQ(fileBytes(folder.working), working);
    EXPECT_EQ(fileBytes(folder.file("普通文件.mdb")), QByteArray("x"));

    // Without a working file there is nothing to export.
    QTemporaryDir empty;
    const QString target = QDir(empty.path()).filePath("x.mdb");
    EXPECT_FALSE(files::exportWorkingDatabase(empty.path(), target).ok);
    EXPECT_FALSE(QFileInfo::exists(target));
}

// ---------------------------------------------------------------------------
// Start-up.

// A missing working file is created, a usable one left as it is; an
// unusable one goes aside with its write-ahead log and a fresh one takes its place.
TEST(PrepareWorkingDatabase, CreatesKeepsOrMovesAsideTheWorkingFile) {
    KORVANE_FILES_ONLY("copies, backups and replacement of the working file");
    QTemporaryDir dir;
    const QString dataDir = QDir(dir.path()).filePath("数据");
    const auto created = files::prepareWorkingDatabase(dataDir);
    EXPECT_TRUE(created.ok && created.message.isEmpty()) << created.message.toStdString();
    EXPECT_EQ(applicationIdOf(files::workingPath(dataDir)), ourApplicationId);
    DataFolder kept;
    const QByteArray usable = fileBytes(kept.working);
    EXPECT_TRUE(files::prepareWorkingDatabase(kept.path).message.isEmpty());
    EXPECT_EQ(fileBytes(kept.working), usable);
    EXPECT_EQ(kept.entries(), QStringList{files::workingFileName});

    for (const BadFile& bad : kBadFiles) {
        if (!bad.atStartUp)
            continue;
        SCOPED_TRACE(bad.kind);
        DataFolder folder;
        QFile::remove(folder.working);
        makeBadFile(bad, folder.working);
        writeFile(folder.working + "-wal", "write-ahead frames");
        const QByteArray before = fileBytes(folder.working);

        const auto result = files::prepareWorkingDatabase(folder.path);

        ASSERT_TRUE(result.ok) << result.message.toStdString();
        EXPECT_TRUE(QRegularExpression("^员工数据库-损坏-\\d{8}-\\d{4}(-\\d+)?\\.mdb$")
                        .match(QFileInfo(result.backupPath).fileName())
                        .hasMatch())
            << result.backupPath.toStdString();
        EXPECT_EQ(fileBytes(result.backupPath), before);
        EXPECT_EQ(fileBytes(result.backupPath + "-wal"), QByteArray("write-ahead frames"));
        EXPECT_TRUE(result.message.contains(QDir::toNativeSeparators(result.backupPath)))
            << result.message.toStdString();
        EXPECT_TRUE(peopleIn(folder.working).isEmpty());

        // A second damaged file in the same minute does not overwrite the first.
        QFile::remove(folder.working);
        writeFile(folder.working, "wieder kaputt");
        const auto second = files::prepareWorkingDatabase(folder.path);
        ASSERT_TRUE(second.ok) << second.message.toStdString();
        EXPECT_EQ(fileBytes(second.backupPath), QByteArray("wieder kaputt"));
        EXPECT_EQ(fileBytes(result.backupPath), before);
    }
}

} // namespace

// The dialect's translation, and every statement the system issues run
// through it on a small known set-up.

#include "engine/rules.h"
#include "store/datafiles.h"
#include "store/dialect.h"
#include "store/server.h"
#include "store/sqltext.h"
#include "support/servercluster.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>

using namespace korvane;

namespace {

// translate(): the SQLite text made of each tricky token (nullptr: unchanged).
TEST(Dialect, TranslatesIntoTheExpectedSqliteText) {
    const struct {
        const char* input;
        const char* expected;
    } cases[] = {
        // Statements SQLite takes as they are pass unchanged, spacing included.
        {"select * from banci order by  起始时间,结束秒序", nullptr},
        {"select * from 日期组 where 日期组名称 <> '全部' ", nullptr},
        {"select count(*) from t where not (a<>1 or b like '%x%') order by c desc", nullptr},
        {"select * from 基本信息 where instr(所属组ID,'z12z') >0", nullptr},
        {"delete from t", nullptr},
        {"", nullptr},
        // delete * from
        {"delete * from 值班底表", "delete from 值班底表"},
        {"DELETE  *  FROM t where a = 1", "DELETE  FROM t where a = 1"},
        {"delete*from t", "delete from t"},
        {"delete *from t", "delete from t"},
        // A number run into a keyword or a name is separated from it.
        {"select * from t where idid=3and b=1", "select * from t where idid=3 and b=1"},
        {"where banci.idid=12and 值班底表.日期 = 1", "where banci.idid=12 and 值班底表.日期 = 1"},
        {"where a=1.5or b=2e3and c=0x1For d", "where a=1.5 or b=2e3 and c=0x1F or d"},
        {"where a=3else", "where a=3 else"},
        {"where a=3值班", "where a=3 值班"},
        {"where t.a1=2", nullptr},
        // Date literals become yyyy-MM-dd text.
        {"where 日期 = #2027-1-5#", "where 日期 = '2027-01-05'"},
        {"where 日期 = #2027/12/31#and x", "where 日期 = '2027-12-31'and x"},
        {"where 日期 = #2028-02-29#", "where 日期 = '2028-02-29'"},
        {"where 日期 <> #2027-01-05# or 日期=#2027-1-6#",
         "where 日期 <> '2027-01-05' or 日期='2027-01-06'"},
        // Quoted texts and names are copied untouched.
        {"where 姓名 = 'O''Neil & #1#' and b = '''&'''", nullptr},
        {"select \"a&b\", [c#d], `e'f` from t", nullptr},
        {"select * from t where a = 'delete * from t'", nullptr},
        // '&' between text literals and whole numbers.
        {"select 'a' & 'b'", "select ('a' || 'b')"},
        {"where instr(所属组ID, 'z' & 12 & 'z') > 0",
         "where instr(所属组ID, ('z' || 12 || 'z')) > 0"},
        // A name operand goes through the number-to-text CASE.
        {"instr(x, 'z' & 日期组.idid  & 'z') > 0",
         "instr(x, ('z' || CASE typeof(日期组.idid) WHEN 'real' THEN printf('%.15g', "
         "日期组.idid) WHEN 'null' THEN '' ELSE 日期组.idid END || 'z')) > 0"},
        // The operand of '&' reaches to the nearest looser operator.
        {"where a = 'x'&b+1 and c",
         "where a = ('x' || CASE typeof((b+1)) WHEN 'real' THEN printf('%.15g', "
         "(b+1)) WHEN 'null' THEN '' ELSE (b+1) END) and c"},
        {"where not 'a' & 'b' like 'x' & '%'", "where not ('a' || 'b') like ('x' || '%')"}};
    for (const auto& c : cases) {
        const dialect::Translation t = dialect::translate(c.input);
        EXPECT_TRUE(t.ok()) << c.input << ": " << t.error.toStdString();
        EXPECT_EQ(t.sql, QString(c.expected ? c.expected : c.input)) << c.input;
    }
}

// On a server, SQLite's "is" between two values becomes the server's
// comparison that takes NULL as equal to NULL; "is null" and the like stay.
TEST(Dialect, ComparesWithIsOnTheServerAsInAFile) {
    const struct {
        const char* input;
        const char* expected;
    } cases[] = {
        {"where 日期 is ? and b is null", "where 日期 IS NOT DISTINCT FROM ? and b is null"},
        {"where a is not ? or b IS NOT NULL", "where a IS DISTINCT FROM ? or b IS NOT NULL"},
        {"where a is 'x' or b is 3 or c is (select 1)",
         "where a IS NOT DISTINCT FROM 'x' or b IS NOT DISTINCT FROM 3 or c IS NOT DISTINCT "
         "FROM (select 1)"},
        {"where a is true and b is not false and c is distinct from d", nullptr},
        {"where a = 'is ?'", nullptr}};
    for (const auto& c : cases) {
        const dialect::Translation t = dialect::translate(c.input, dialect::Flavor::Server);
        EXPECT_EQ(t.sql, QString(c.expected ? c.expected : c.input)) << c.input;
    }
}

// What '&' gives, evaluated by the store after translation: the same on a
// file and on a ward.
void expectConcatenation(QSqlDatabase& db) {
    const struct {
        const char* expression;
        const char* value;
    } cases[] = {{"'z' & 12 & 'z'", "z12z"},
                 // A floating point number joins without a trailing ".0".
                 {"'z' & 2.0 & 'z'", "z2z"},
                 {"'z' & 2.5 & 'z'", "z2.5z"},
                 {"'z' & (1.0 + 2) & 'z'", "z3z"},
                 {"'z' & 0.1 + 0.2 & 'z'", "z0.3z"},
                 // Arithmetic binds more tightly than '&'.
                 {"1 + 2 & 'x'", "3x"},
                 {"'x' & 3 * 4 - 2", "x10"},
                 {"-1 & 'x'", "-1x"},
                 // A missing value joins as empty text.
                 {"'a' & null & 'b'", "ab"},
                 // '&' inside parentheses, function arguments and CASE.
                 {"instr('zz12z1z', 'z' & 1 & 'z')", "5"},
                 {"upper('a' & ('b' & 'c'))", "ABC"},
                 {"case when 1 = 1 then 'a' & 1 else 'b' end & 'c'", "a1c"},
                 // Comparisons take the whole chain.
                 {"case when 'a' & 'b' = 'ab' then 1 else 0 end", "1"},
                 {"case when 'a' & 'b' like 'a%' then 1 else 0 end", "1"},
                 // Quoted '&', '#' and quotes stay text.
                 {"'O''Neil & #1#' & '!'", "O'Neil & #1#!"},
                 {"#2027-1-5# & ''", "2027-01-05"}};
    for (const auto& c : cases) {
        QSqlQuery query(db);
        QString error;
        ASSERT_TRUE(dialect::exec(query, QString("select ") + c.expression, &error))
            << c.expression << ": " << error.toStdString();
        ASSERT_TRUE(query.next());
        EXPECT_EQ(query.value(0).toString(), c.value) << c.expression;
    }
}

// insertRows: more rows than one statement may bind arrive whole, each
// value in its own row and column, users' texts, missing values, fractions
// and bytes as they went in.
void expectBulkInsert(QSqlDatabase& db) {
    QSqlQuery query(db);
    ASSERT_TRUE(dialect::exec(
        query, QStringLiteral("create temp table bulk (n integer, t text, r real, b blob)")));
    const QVariantList texts = {QStringLiteral("甲\t乙"),
                                QStringLiteral("一行\n二行\r\n"),
                                QStringLiteral("C:\\目录\\N"),
                                QStringLiteral("\\N"),
                                QStringLiteral("O'Neil \"小王\""),
                                QStringLiteral(""),
                                QVariant(),
                                QString()};
    const int rows = 40000; // 160,000 values: over both stores' limits
    QVariantList values;
    for (int i = 0; i < rows; ++i)
        values << i << texts.at(i % texts.size()) << i + 0.25
               << QByteArray::fromHex("005c0a09") + QByteArray::number(i);
    QSqlError fault;
    ASSERT_TRUE(
        insertRows(query, QStringLiteral("insert into temp.bulk (n, t, r, b)"), 4, values, &fault))
        << fault.text().toStdString();
    QString error;
    ASSERT_TRUE(
        execBound(query, QStringLiteral("select n, t, r, b from temp.bulk order by n"), {}, &error))
        << error.toStdString();
    int read = 0;
    for (; query.next(); ++read) {
        const int n = query.value(0).toInt();
        ASSERT_EQ(n, read);
        const QVariant text = texts.at(n % texts.size());
        const bool missing = !text.isValid() || text.toString().isNull();
        ASSERT_EQ(query.value(1).isNull(), missing) << n;
        ASSERT_EQ(query.value(1).toString(), text.toString()) << n;
        ASSERT_EQ(query.value(2).toDouble(), n + 0.25);
        ASSERT_EQ(query.value(3).toByteArray(),
                  QByteArray::fromHex("005c0a09") + QByteArray::number(n));
    }
    EXPECT_EQ(read, rows);
}

TEST(Dialect, InsertsRowsInBulkInAFileAndOnAWard) {
    test::TempDatabase file;
    expectBulkInsert(file.db());
    KORVANE_NEED_SERVER(cluster);
    const QString location = server::location(cluster->url(), QStringLiteral("成批"));
    const files::CommandResult filled = server::fillWard(location, files::templatePath(), true);
    ASSERT_TRUE(filled.ok) << filled.message.toStdString();
    FileCheck problem;
    auto ward = Connection::openChecked(location, &problem);
    ASSERT_TRUE(ward) << problem.reason.toStdString();
    expectBulkInsert(ward->db());
    // A value the column cannot take: the server's own words.
    QSqlQuery query(ward->db());
    QSqlError fault;
    EXPECT_FALSE(insertRows(query, QStringLiteral("insert into temp.bulk (n)"), 1,
                            {1, QStringLiteral("两")}, &fault));
    EXPECT_TRUE(fault.text().contains(QStringLiteral("两"))) << fault.text().toStdString();
}

TEST(Dialect, ConcatenatesAsTheDialectDefinesIt) {
    test::TempDatabase db;
    expectConcatenation(db.db());
}

TEST(Dialect, ConcatenatesOnAWardAsInAFile) {
    KORVANE_NEED_SERVER(cluster);
    const QString location = server::location(cluster->url(), QStringLiteral("方言"));
    ASSERT_TRUE(server::fillWard(location, files::templatePath(), true).ok);
    FileCheck problem;
    auto ward = Connection::openChecked(location, &problem);
    ASSERT_TRUE(ward) << problem.reason.toStdString();
    expectConcatenation(ward->db());
}

// Statements the dialect cannot read are refused before they reach SQLite.
TEST(Dialect, RefusesWithAReasonAndRunsNothing) {
    for (const char* where : {"#2027-13-45#", "#abc#", "#2027-2-29#", "#27-1-5#", "#20270-1-5#",
                              "#2027-01-005#", "#2027-1-5-#", "#0000-1-1#", "#２０２７-1-5#",
                              "#2027-1/5#", "#2027-1-5 10:00#", "# 2027-1-5#", "##", "#2027-1-5"}) {
        const dialect::Translation t =
            dialect::translate(QString("select * from t where d = ") + where);
        EXPECT_TRUE(!t.ok() && t.sql.isEmpty()) << where;
    }
    for (const char* statement :
         {"select * from t where 姓名 = '张三", "select * from t where 姓名 = 'O''Neil",
          "select * from t where a = 'x' '", "select \"a from t", "select [a from t",
          "select & 'x'", "select 'x' &", "select 'x' & & 'y'", "select ('a' from t",
          "select 'a') from t"}) {
        const dialect::Translation t = dialect::translate(statement);
        EXPECT_TRUE(!t.ok() && !t.error.isEmpty() && t.sql.isEmpty()) << statement;
    }
    test::TempDatabase db;
    db.run("insert into 值班底表 (日期, 是否值班) values ('2027-01-05', '2')");
    QSqlQuery query(db.db());
    QString error;
    EXPECT_FALSE(dialect::exec(query, "delete * from 值班底表 where 日期 = #2027-13-45#", &error));
    EXPECT_TRUE(error.contains("2027-13-45")) << error.toStdString();
    EXPECT_EQ(db.scalar("select count(*) from 值班底表").toInt(), 1);
    // An SQLite error comes back the same way; without a place for the reason it still says no.
    error.clear();
    EXPECT_FALSE(dialect::exec(query, "select * from 没有这个表", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(dialect::exec(query, "select 'x"));
}

// ---------------------------------------------------------------------------
// The statements the system issues.

// Staff groups: 全部 (1), 内科 (2), 外科 (12). Persons (IDID, ID, name,
// memberships): 1 13 张三 zz12z1z, 2 11 李四 zz2z1z, 3 12 王五 zz1z,
// 4 15 O'Neil & #1# zz2z1z, 5 14 赵六 zz (in no group at all).
// Date groups: 全部 (1), 周末 (2), 节日 (3) and a second 节日 (4). Calendar
// 2027-01-01 (节日, both), 01-02 and 01-03 (周末), 01-04, 01-05.
// Shift groups: 全部 (1), 夜班组 (2). Shifts (idid, name, start, end minute,
// headcount): 1 白班 08:00 960 2, 2 夜班 20:00 1920 1 (in 夜班组), 3 早班 08:00 720 1.
// Candidate rows (idid: date shift person flag): dates 01-02 and 01-04 x
// shifts 白班, 夜班 x 张三, 李四, 王五 give idid 1 to 12 in that order
// (1: 01-02 白班 张三 ... 12: 01-04 夜班 王五); 13: 01-04 白班 O'Neil,
// 14: 01-04 白班 赵六. Flags: 1, 2 and 6 assigned ('1'), 5 struck ('0'),
// the rest open ('2').
const char* const kSetUp = R"sql(
    insert into 值班人员组 (值班人员组名称, idid) values ('内科', 2), ('外科', 12);
    insert into 日期组 (日期组名称, idid) values ('周末', 2), ('节日', 3), ('节日', 4);
    insert into 班次组 (班次组名称, idid) values ('夜班组', 2);
    insert into 日期类型 (日期, 所属日期组ID) values ('2027-01-01', 'zz4z3z1z'),
        ('2027-01-02', 'zz2z1z'), ('2027-01-03', 'zz2z1z'), ('2027-01-04', 'zz1z'),
        ('2027-01-05', 'zz1z');
    insert into banci values
        ('白班', 1, '08:00', '不跨转', '16:00', '', '1', '无限制', 0, '全部', 'zz1z', 480, 960, 2.0),
        ('夜班', 2, '20:00', '跨转至次日', '08:00', '', '1', '无限制', 0, '全部', 'zz2z1z', 1200, 1920, 1.0),
        ('早班', 3, '08:00', '不跨转', '12:00', '', '1', '无限制', 0, '周末', 'zz1z', 480, 720, 1.0);
    insert into 基本信息 values
        (13, '张三', '30', '男', '', '', '', 3, 5, '1', 1, 'zz12z1z', '2027-01-03', 1, 1, 1e16, 1),
        (11, '李四', '31', '女', '', '', '', 2, 3, '3', 2, 'zz2z1z', '2027-01-02', 2, 2, 1e16, 1),
        (12, '王五', '32', '男', '', '', '', 4, 3, '2', 3, 'zz1z', '2027-01-03', 2, 1, 1e16, 1),
        (15, 'O''Neil & #1#', '33', '男', '', '', '', 1, 0, '4', 4, 'zz2z1z', '1901-01-01', 0, 0, 1e16, 0),
        (14, '赵六', '34', '女', '', '', '', 1, 0, '5', 5, 'zz', '1901-01-01', 0, 0, 1e16, 0);
    insert into 排除条件 (人员, 排在, 日期, 班次, 选定日期组, 选定班次组) values
        ('张三', '不排在', '周末', '夜班', 1, 0), ('内科', '限排在', '2027-01-04', '夜班组', 0, 1);
    insert into 值班报表 values
        (1, '2027年1月2日', '白班', '08:00', '不跨转', '16:00', '  张三  李四'),
        (2, '2027年1月2日', '夜班', '20:00', '跨转至次日', '08:00', '  王五'),
        (3, '2027年1月4日', '白班', '08:00', '不跨转', '16:00', '  O''Neil & #1#  王五'),
        (4, '2027年1月4日', '夜班', '20:00', '跨转至次日', '08:00', null);
    insert into 值班底表 (idid, 日期, 班次IDID, 姓名IDID, 是否值班) values
        (1, '2027-01-02', 1, 1, '1'), (2, '2027-01-02', 1, 2, '1'), (3, '2027-01-02', 1, 3, '2'),
        (4, '2027-01-02', 2, 1, '2'), (5, '2027-01-02', 2, 2, '0'), (6, '2027-01-02', 2, 3, '1'),
        (7, '2027-01-04', 1, 1, '2'), (8, '2027-01-04', 1, 2, '2'), (9, '2027-01-04', 1, 3, '2'),
        (10, '2027-01-04', 2, 1, '2'), (11, '2027-01-04', 2, 2, '2'), (12, '2027-01-04', 2, 3, '2'),
        (13, '2027-01-04', 1, 4, '2'), (14, '2027-01-04', 1, 5, '2')
)sql";

// A statement and what it must return: the values of one column joined by '|',
// in the statement's row order, or as a sorted set of distinct values.
struct Expected {
    QString statement;
    const char* column;
    const char* values;
    bool asSet = false;
};

class DialectStatements : public testing::Test {
protected:
    void SetUp() override { db.run(kSetUp); }

    // Every row a dialect statement returns; a failing statement fails the test.
    QList<QSqlRecord> select(const QString& statement) {
        QList<QSqlRecord> rows;
        QSqlQuery query(db.db());
        QString error;
        if (!dialect::exec(query, statement, &error))
            ADD_FAILURE() << statement.toStdString() << ": " << error.toStdString();
        while (query.next())
            rows << query.record();
        return rows;
    }
    QStringList column(const QString& statement, const QString& name, bool asSet = false) {
        QStringList values;
        for (const QSqlRecord& row : select(statement))
            values << row.value(name).toString();
        if (asSet) { // numbers in numeric order
            std::sort(values.begin(), values.end(), [](const QString& a, const QString& b) {
                return a.size() != b.size() ? a.size() < b.size() : a < b;
            });
            values.removeDuplicates();
        }
        return values;
    }
    void expect(std::initializer_list<Expected> cases) {
        for (const Expected& c : cases)
            EXPECT_EQ(column(c.statement, c.column, c.asSet),
                      QString(c.values).split('|', Qt::SkipEmptyParts))
                << c.statement.toStdString();
    }

    test::TempDatabase db;
};

// The editors' and the pages' reads.
TEST_F(DialectStatements, ReadsOfTheEditorsAndPages) {
    // zz12z1z is in groups 12 and 1, not in 2.
    expect({{"select 基本信息.姓名 || '/' || 值班人员组.值班人员组名称 as pair from 基本信息, "
             "值班人员组 where instr(基本信息.所属组ID, 'z' & 值班人员组.idid & 'z') > 0 order by "
             "基本信息.IDID, 值班人员组.idid",
             "pair",
             "张三/全部|张三/外科|李四/全部|李四/内科|王五/全部|O'Neil & #1#/全部|O'Neil & "
             "#1#/内科"}});
    expect(
        {// Group members and non-members as the group pages ask for them.
         {"select * from 基本信息 where instr(所属组ID,'z12z') >0", "姓名", "张三"},
         {"select * from 基本信息 where instr(所属组ID,'z2z') >0", "姓名", "李四|O'Neil & #1#"},
         {"select * from 基本信息 where instr(所属组ID,'z1z') >0", "姓名",
          "张三|李四|王五|O'Neil & #1#"},
         {"select * from 基本信息 where instr(所属组ID,'z12z') =0", "姓名",
          "李四|王五|O'Neil & #1#|赵六"},
         {"select * from 日期类型 where instr(所属日期组ID,'z2z') >0", "日期",
          "2027-01-02|2027-01-03"},
         {"select * from 日期类型 where instr(所属日期组ID,'z3z') >0", "日期", "2027-01-01"},
         {"select * from 日期类型 where instr(所属日期组ID,'z2z') =0", "日期",
          "2027-01-01|2027-01-04|2027-01-05"},
         {"select * from banci where instr(所属组ID,'z2z') >0", "班次名称", "夜班"},
         {"select * from banci where instr(所属组ID,'z2z') =0", "班次名称", "白班|早班"},
         // The group grids leave out the all row.
         {"select * from 值班人员组 where 值班人员组名称 <> '全部'", "值班人员组名称", "内科|外科"},
         {"select * from 日期组 where 日期组名称 <> '全部' ", "日期组名称", "周末|节日|节日"},
         {"select * from 班次组 where 班次组名称 <> '全部'", "班次组名称", "夜班组"},
         // The membership editor finds a moved row again by its key.
         {"select * from 基本信息 where 姓名 = '张三'", "ID", "13"},
         {"select * from 日期类型 where 日期 = #2027-1-5#", "所属日期组ID", "zz1z"},
         {"select * from 日期类型 where 日期 = #2027-01-03#", "日期", "2027-01-03"},
         {"select * from banci where 班次名称 = '夜班'", "idid", "2"},
         // A name with a quote, '&' and '#' is found when it is quoted as sqlQuote does.
         {"select * from 基本信息 where 姓名 = " + sqlQuote("O'Neil & #1#"), "ID", "15"},
         // The engine finds rows by idid and ID; idid and IDID name one column.
         {"select * from 值班底表 where idid = 5", "是否值班", "0"},
         {"select * from 值班底表 where IDID = 5", "是否值班", "0"},
         {"select * from 值班底表 where Idid = 6", "IDID", "6"},
         {"select * from 基本信息 where ID = 13", "姓名", "张三"},
         {"select * from 基本信息 where id = 13", "idid", "1"},
         // A floating point column joins as its shortest decimal form.
         {"select 'z' & 人数 & 'z' as token from banci order by idid", "token", "z2z|z1z|z1z"},
         // The person and shift queries match anywhere; '#', '&' and a quote are text.
         {"select * from 值班报表 where 值班报表.值班人 like '%三%'", "IDID", "1"},
         {"select * from 值班报表 where 值班报表.值班人 like '%王五%'", "IDID", "2|3"},
         {"select * from 值班报表 where 值班报表.值班人 like '%%'", "IDID", "1|2|3"},
         {"select * from 值班报表 where 值班报表.值班人 like '%#1#%'", "IDID", "3"},
         {"select * from 值班报表 where 值班报表.值班人 like '%&%'", "IDID", "3"},
         {"select * from 值班报表 where 值班报表.值班人 like '%nobody%'", "IDID", ""},
         {"select * from 值班报表 where 值班报表.值班人 like " + sqlQuote("%O'Neil & #1#%"), "IDID",
          "3"},
         {"select * from 值班报表 where 值班报表.班次 like '%夜%'", "IDID", "2|4"},
         {"select * from 值班报表 where 值班报表.班次 like '%班%'", "IDID", "1|2|3|4"}});

    // Is a date in a date group: two groups of one name that both hold it give two rows.
    const QString inGroup =
        "select * from 日期类型,日期组 where 日期组.日期组名称 = '%1' and 日期类型.日期 = #%2# and "
        "instr(日期类型.所属日期组ID, 'z' & 日期组.idid  & 'z') > 0 ";
    expect({{inGroup.arg("周末", "2027-1-2"), "日期", "2027-01-02"},
            {inGroup.arg("周末", "2027-01-03"), "日期", "2027-01-03"},
            {inGroup.arg("周末", "2027-01-04"), "日期", ""},
            {inGroup.arg("全部", "2027/1/5"), "日期", "2027-01-05"},
            {inGroup.arg("没有这个组", "2027-01-05"), "日期", ""},
            {inGroup.arg("节日", "2027-01-01"), "日期", "2027-01-01|2027-01-01"}});
    // The calendar's five columns come first, then the group's two.
    const QSqlRecord weekend = select(inGroup.arg("周末", "2027-1-2")).value(0);
    EXPECT_EQ(QStringList({QString::number(weekend.count()), weekend.value(5).toString(),
                           weekend.value(6).toString()}),
              QStringList({"7", "周末", "2"}));
}

// The rule queries, with the person or staff group (%1), the date or date
// group (%2) and the shift or shift group (%3) put in unchanged.
#define RULE_JOIN                                                                                   \
    " where 值班底表.姓名IDID = 基本信息.IDID and instr(基本信息.所属组ID, 'z' & " \
    "值班人员组.idid & 'z') > 0 and 值班底表.日期 = 日期类型.日期 and "
#define RULE_PERSON "(基本信息.姓名 = '%1' or 值班人员组.值班人员组名称 = '%1' ) "
const char* const kRuleQueries[] = {
    "select * from 值班底表,基本信息,值班人员组,日期类型,日期组,banci,班次组" RULE_JOIN
    "(instr(日期类型.所属日期组ID, 'z' & 日期组.idid & 'z') > 0 and  日期组.日期组名称 = '%2') and "
    "instr(banci.所属组ID, 'z' & 班次组.idid & 'z') > 0 and 班次组.班次组名称 = '%3'and "
    "值班底表.班次IDID = banci.idid   and " RULE_PERSON,
    "select * from 值班底表,基本信息,值班人员组,日期类型,日期组,banci" RULE_JOIN
    "(instr(日期类型.所属日期组ID, 'z' & 日期组.idid & 'z') > 0 and  日期组.日期组名称 = '%2') and "
    " banci.班次名称 = '%3'and 值班底表.班次IDID = banci.idid   and " RULE_PERSON,
    "select * from 值班底表,基本信息,值班人员组,日期类型,日期组,banci,班次组" RULE_JOIN
    "(((instr(日期类型.所属日期组ID, 'z' & 日期组.idid & 'z') = 0 )and (日期组.日期组名称 = "
    "'%2')) or ( (instr(banci.所属组ID, 'z' & 班次组.idid & 'z') = 0)  and  (班次组.班次组名称 = "
    "'%3')) )and 值班底表.班次IDID = banci.idid and (基本信息.姓名 = '%1' or "
    "值班人员组.值班人员组名称 = '%1')",
    "select * from 值班底表,基本信息,值班人员组,日期类型,日期组,banci" RULE_JOIN
    "(instr(日期类型.所属日期组ID, 'z' & 日期组.idid & 'z') = 0 or banci.班次名称 <>'%3') and "
    "值班底表.班次IDID = banci.idid and " RULE_PERSON "and  日期组.日期组名称 = '%2'",
    "select * from 值班底表,基本信息,值班人员组,日期类型,banci,班次组" RULE_JOIN
    " 值班底表.班次IDID = banci.idid and instr(banci.所属组ID, 'z' & 班次组.idid & 'z') > 0 and "
    " " RULE_PERSON "and  日期类型.日期 = #%2#and   班次组.班次组名称 = '%3'",
    "select * from 值班底表,基本信息,值班人员组,日期类型,banci" RULE_JOIN
    " 值班底表.班次IDID = banci.idid and  " RULE_PERSON
    "and  日期类型.日期 = #%2#and   banci.班次名称 = '%3'",
    "select * from 值班底表,基本信息,值班人员组,日期类型,banci,班次组" RULE_JOIN
    "值班底表.班次IDID = banci.idid and  " RULE_PERSON "and (日期类型.日期 <> #%2#  or ( "
    "instr(banci.所属组ID, 'z' & 班次组.idid & 'z') = 0  and  班次组.班次组名称 = '%3'))",
    "select * from 值班底表,基本信息,值班人员组,日期类型,banci" RULE_JOIN
    "值班底表.班次IDID = banci.idid and  (基本信息.姓名 = '%1'or 值班人员组.值班人员组名称 = "
    "'%1') and (日期类型.日期 <> #%2# or banci.班次名称 <> '%3')"};
#undef RULE_JOIN
#undef RULE_PERSON

TEST_F(DialectStatements, RuleQueriesStrikeTheRowsTheirRegionNames) {
    const struct {
        int variant;
        const char *P, *D, *B, *struck;
    } cases[] = {// 1: members of 外科 (张三) on 周末 dates in 夜班组 shifts.
                 {1, "外科", "周末", "夜班组", "4"},
                 // 2: 李四 on 周末 dates in 白班.
                 {2, "李四", "周末", "白班", "2"},
                 // 3: 王五 only on 周末 dates in 夜班组: every other row of 王五.
                 {3, "王五", "周末", "夜班组", "3|9|12"},
                 // 4: 张三 only on 周末 dates in 夜班.
                 {4, "张三", "周末", "夜班", "1|7|10"},
                 // 5: 李四 not on 2027-01-04 in 夜班组 (the date written without zeros).
                 {5, "李四", "2027-1-4", "夜班组", "11"},
                 // 6: members of 内科 not on 2027-01-04 in 白班.
                 {6, "内科", "2027-01-04", "白班", "8|13"},
                 // 7: 王五 only on 2027-01-02 in 夜班组 (the date written with slashes).
                 {7, "王五", "2027/1/2", "夜班组", "3|9|12"},
                 // 8: everyone in 全部 only on 2027-01-04 in 白班; 赵六 is in no group.
                 {8, "全部", "2027-01-04", "白班", "1|2|3|4|5|6|10|11|12"},
                 // A person in no staff group is matched by no rule, not even by name.
                 {6, "赵六", "2027-01-04", "白班", ""},
                 {8, "赵六", "2027-01-04", "白班", ""},
                 // A quote stays inside one text.
                 {6, "O'Neil & #1#", "2027-1-4", "白班", "13"},
                 {8, "O'Neil & #1#", "2027-1-4", "白班", ""},
                 // A group named with '&' and '#' is matched by its name.
                 {6, "A & B #2027-1-1#", "2027-01-04", "白班", "8|13"}};
    // The person is matched through each of the person's staff groups, so a
    // match by name returns the row once per group (李四: 内科 and 全部).
    EXPECT_EQ(select(QString(kRuleQueries[1]).arg("李四", "周末", "白班")).size(), 2);
    db.run("insert into 值班人员组 (值班人员组名称, idid) values ('A & B #2027-1-1#', 3);"
           "update 基本信息 set 所属组ID = 'zz3z' || 所属组ID where instr(所属组ID, 'z2z') > 0");
    for (const auto& c : cases) {
        // The program's query of the rule is the statement as quoted, names quoted by sqlQuote.
        const QString statement =
            QString(kRuleQueries[c.variant - 1]).arg(QString(c.P).replace("'", "''"), c.D, c.B);
        const bool onlyOn = (c.variant - 1) % 4 >= 2;
        EXPECT_EQ(engine::ruleQuery({0, c.P, onlyOn ? engine::onlyOn : engine::notOn, c.D, c.B,
                                     c.variant <= 4, c.variant % 2 == 1}),
                  statement);
        EXPECT_EQ(column(statement, "idid", true), QString(c.struck).split('|', Qt::SkipEmptyParts))
            << statement.toStdString();
    }
    // A single date that is not a date refuses the whole rule query.
    QSqlQuery query(db.db());
    EXPECT_FALSE(dialect::exec(query, QString(kRuleQueries[5]).arg("李四", "周末", "白班")));
}

// The run's statements: capacity count, a slot's rows, the report rows, the
// candidates in their fixed order, and the emptying of the work tables.
TEST_F(DialectStatements, StatementsOfTheRun) {
    expect(
        {// Open rows per person: the capacity count.
         {"select * from 值班底表 where 姓名IDID = 1  and  是否值班 = '2'", "idid", "4|7|10"},
         {"select * from 值班底表 where 姓名IDID = 2  and  是否值班 = '2'", "idid", "8|11"},
         {"select * from 值班底表 where 姓名IDID = 3  and  是否值班 = '2'", "idid", "3|9|12"},
         {"select * from 值班底表 where 姓名IDID = 5  and  是否值班 = '2'", "idid", "14"},
         // A slot's rows, whatever their flag.
         {"select * from 值班底表,banci where  banci.IDID = 值班底表.班次IDID  and banci.IDID = 2 "
          "and 值班底表.日期 = #2027-01-02#",
          "idid", "4|5|6"},
         {"select * from 值班底表,banci where  banci.IDID = 值班底表.班次IDID  and banci.IDID = 1 "
          "and 值班底表.日期 = #2027-01-04#",
          "idid", "7|8|9|13|14", true},
         {"select * from 值班底表,banci where  banci.IDID = 值班底表.班次IDID  and banci.IDID = 3 "
          "and 值班底表.日期 = #2027-01-04#",
          "idid", ""},
         // The people of a slot the report step writes out.
         {"select * from 值班底表,基本信息,banci where 值班底表.班次IDID = banci.idid and "
          "值班底表.姓名IDID = 基本信息.IDID and 值班底表.是否值班 = '1' and banci.idid=1and "
          "值班底表.日期 = #2027-01-02#",
          "姓名", "张三|李四", true},
         {"select * from 值班底表,基本信息,banci where 值班底表.班次IDID = banci.idid and "
          "值班底表.姓名IDID = 基本信息.IDID and 值班底表.是否值班 = '1' and banci.idid=2and "
          "值班底表.日期 = #2027-1-2#",
          "姓名", "王五"},
         {"select * from 值班底表,基本信息,banci where 值班底表.班次IDID = banci.idid and "
          "值班底表.姓名IDID = 基本信息.IDID and 值班底表.是否值班 = '1' and banci.idid=1and "
          "值班底表.日期 = #2027-01-04#",
          "姓名", ""},
         // The largest headcount first; idid names 值班底表's column: it comes first.
         {"select * from 值班底表,banci where 值班底表.班次IDID = banci.idid and  "
          "值班底表.是否值班 = '1' order by banci.人数 desc",
          "人数", "2|2|1"},
         {"select * from 值班底表,banci where 值班底表.班次IDID = banci.idid and  "
          "值班底表.是否值班 = '1' order by banci.人数 desc",
          "IDID", "1|2|6", true}});

    const auto candidates = [](const QString& heldBack, const char* date) {
        return QString(
                   "select * from 基本信息,值班底表,banci where 基本信息.IDID = 值班底表.姓名IDID "
                   "and banci.IDID = 值班底表.班次IDID and 值班底表.是否值班 = '2' %1and "
                   "banci.IDID = 2 and 值班底表.日期 = #%2# order by "
                   "基本信息.前一班序号,基本信息.值班次数,基本信息.班数空间 desc")
            .arg(heldBack, date);
    };
    const QString heldBack = "and not ( (基本信息.连续天数 >= %1 ) and (基本信息.最近班次ID = 2 ) "
                             "and ( 基本信息.最近值班时间 = #2027-01-03# )) ";
    // 王五 worked 夜班 on the day before with 连续天数 1: held back at limit 1.
    // 李四 (前一班序号 3) comes before 张三 (5). At limit 2 nobody is held back:
    // 王五 and 李四 tie on 前一班序号 and 值班次数, 王五 has more open rows
    // (班数空间 4 against 2) and comes first. On 2027-01-02 李四's 夜班 row is
    // struck and 王五's assigned.
    expect({{candidates(heldBack.arg(1), "2027-01-04"), "ID", "11|13"},
            {candidates(heldBack.arg(2), "2027-01-04"), "ID", "12|11|13"},
            {candidates({}, "2027-01-04"), "ID", "12|11|13"},
            {candidates({}, "2027-01-02"), "ID", "13"}});
    // select * over several tables gives the first table's columns first; a
    // name that occurs twice reads the first of them.
    const QSqlRecord top = select(candidates({}, "2027-01-04")).value(0);
    EXPECT_EQ(QStringList({QString::number(top.count()), top.fieldName(0).toLower(),
                           top.fieldName(17).toLower(), top.fieldName(25),
                           top.value("idid").toString(), top.value("IDID").toString(),
                           top.value(17).toString(), top.value(26).toString()}),
              QStringList({"39", "id", "idid", "班次名称", "3", "3", "12", "2"}));

    // Emptying the work tables leaves the rest.
    select("delete * from 值班底表");
    select("delete * from 值班报表");
    EXPECT_EQ(db.rows("select (select count(*) from 值班底表), (select count(*) from 值班报表), "
                      "(select count(*) from 基本信息), (select count(*) from 排除条件)"),
              QStringList{"0|0|5|2"});
}

} // namespace

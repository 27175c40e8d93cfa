#include "store/dialect.h"
#include "store/sqltext.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>
#include <set>

using namespace korvane;

// Readable failure output for texts.
static void PrintTo(const QString& text, std::ostream* os) {
    *os << text.toStdString();
}

namespace {

QString u(const char* text) {
    return QString::fromUtf8(text);
}

// ---------------------------------------------------------------------------
// translate(): the SQLite text made of each tricky token.

struct TranslationCase {
    const char* input;
    const char* expected;
};

void PrintTo(const TranslationCase& c, std::ostream* os) {
    *os << c.input;
}

class Translates : public testing::TestWithParam<TranslationCase> {};

TEST_P(Translates, IntoTheExpectedSqliteText) {
    const dialect::Translation t = dialect::translate(u(GetParam().input));
    EXPECT_TRUE(t.ok()) << t.error.toStdString();
    EXPECT_EQ(t.sql, u(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Dialect, Translates,
    testing::Values(
        // Statements SQLite takes as they are pass unchanged, spacing included.
        TranslationCase{"select * from banci order by  起始时间,结束秒序",
                        "select * from banci order by  起始时间,结束秒序"},
        TranslationCase{"select * from 日期组 where 日期组名称 <> '全部' ",
                        "select * from 日期组 where 日期组名称 <> '全部' "},
        TranslationCase{"select count(*) from t where not (a<>1 or b like '%x%') order by c desc",
                        "select count(*) from t where not (a<>1 or b like '%x%') order by c desc"},
        TranslationCase{"select * from 基本信息 where instr(所属组ID,'z12z') >0",
                        "select * from 基本信息 where instr(所属组ID,'z12z') >0"},
        TranslationCase{"delete from t", "delete from t"}, TranslationCase{"", ""},
        // delete * from
        TranslationCase{"delete * from 值班底表", "delete from 值班底表"},
        TranslationCase{"DELETE  *  FROM t where a = 1", "DELETE  FROM t where a = 1"},
        TranslationCase{"delete*from t", "delete from t"},
        TranslationCase{"delete *from t", "delete from t"},
        // A number run into a keyword or a name is separated from it.
        TranslationCase{"select * from t where idid=3and b=1",
                        "select * from t where idid=3 and b=1"},
        TranslationCase{"where banci.idid=12and 值班底表.日期 = 1",
                        "where banci.idid=12 and 值班底表.日期 = 1"},
        TranslationCase{"where a=1.5or b=2e3and c=0x1For d",
                        "where a=1.5 or b=2e3 and c=0x1F or d"},
        TranslationCase{"where a=3else", "where a=3 else"},
        TranslationCase{"where a=3值班", "where a=3 值班"},
        TranslationCase{"where t.a1=2", "where t.a1=2"},
        // Date literals become yyyy-MM-dd text.
        TranslationCase{"where 日期 = #2027-1-5#", "where 日期 = '2027-01-05'"},
        TranslationCase{"where 日期 = #2027/12/31#and x", "where 日期 = '2027-12-31'and x"},
        TranslationCase{"where 日期 = #2028-02-29#", "where 日期 = '2028-02-29'"},
        TranslationCase{"where 日期 <> #2027-01-05# or 日期=#2027-1-6#",
                        "where 日期 <> '2027-01-05' or 日期='2027-01-06'"},
        // Quoted texts and names are copied untouched.
        TranslationCase{"where 姓名 = 'O''Neil & #1#' and b = '''&'''",
                        "where 姓名 = 'O''Neil & #1#' and b = '''&'''"},
        TranslationCase{"select \"a&b\", [c#d], `e'f` from t",
                        "select \"a&b\", [c#d], `e'f` from t"},
        TranslationCase{"select * from t where a = 'delete * from t'",
                        "select * from t where a = 'delete * from t'"},
        // '&' between text literals and whole numbers.
        TranslationCase{"select 'a' & 'b'", "select ('a' || 'b')"},
        TranslationCase{"where instr(所属组ID, 'z' & 12 & 'z') > 0",
                        "where instr(所属组ID, ('z' || 12 || 'z')) > 0"},
        // A name operand goes through the number-to-text CASE.
        TranslationCase{
            "instr(x, 'z' & 日期组.idid  & 'z') > 0",
            "instr(x, ('z' || CASE typeof(日期组.idid) WHEN 'real' THEN printf('%.15g', "
            "日期组.idid) WHEN 'null' THEN '' ELSE 日期组.idid END || 'z')) > 0"},
        // The operand of '&' reaches to the nearest looser operator.
        TranslationCase{"where a = 'x'&b+1 and c",
                        "where a = ('x' || CASE typeof((b+1)) WHEN 'real' THEN printf('%.15g', "
                        "(b+1)) WHEN 'null' THEN '' ELSE (b+1) END) and c"},
        TranslationCase{"where not 'a' & 'b' like 'x' & '%'",
                        "where not ('a' || 'b') like ('x' || '%')"}));

// What '&' gives, evaluated by SQLite after translation.
struct ValueCase {
    const char* expression;
    const char* value;
};

void PrintTo(const ValueCase& c, std::ostream* os) {
    *os << c.expression;
}

class Concatenates : public testing::TestWithParam<ValueCase> {};

TEST_P(Concatenates, AsTheDialectDefinesIt) {
    test::TempDatabase db;
    QSqlQuery query(db.db());
    QString error;
    ASSERT_TRUE(dialect::exec(query, QStringLiteral("select ") + u(GetParam().expression), &error))
        << error.toStdString();
    ASSERT_TRUE(query.next());
    EXPECT_EQ(query.value(0).toString(), u(GetParam().value));
}

INSTANTIATE_TEST_SUITE_P(
    Dialect, Concatenates,
    testing::Values(ValueCase{"'z' & 12 & 'z'", "z12z"},
                    // A floating point number joins without a trailing ".0".
                    ValueCase{"'z' & 2.0 & 'z'", "z2z"}, ValueCase{"'z' & 2.5 & 'z'", "z2.5z"},
                    ValueCase{"'z' & (1.0 + 2) & 'z'", "z3z"},
                    ValueCase{"'z' & 0.1 + 0.2 & 'z'", "z0.3z"},
                    // Arithmetic binds more tightly than '&'.
                    ValueCase{"1 + 2 & 'x'", "3x"}, ValueCase{"'x' & 3 * 4 - 2", "x10"},
                    ValueCase{"-1 & 'x'", "-1x"},
                    // A missing value joins as empty text.
                    ValueCase{"'a' & null & 'b'", "ab"},
                    // '&' inside parentheses, function arguments and CASE.
                    ValueCase{"instr('zz12z1z', 'z' & 1 & 'z')", "5"},
                    ValueCase{"upper('a' & ('b' & 'c'))", "ABC"},
                    ValueCase{"case when 1 = 1 then 'a' & 1 else 'b' end & 'c'", "a1c"},
                    // Comparisons take the whole chain.
                    ValueCase{"'a' & 'b' = 'ab'", "1"}, ValueCase{"'a' & 'b' like 'A%'", "1"},
                    // Quoted '&', '#' and quotes stay text.
                    ValueCase{"'O''Neil & #1#' & '!'", "O'Neil & #1#!"},
                    ValueCase{"#2027-1-5# & ''", "2027-01-05"}));

// Statements the dialect cannot read are refused before they reach SQLite.
class Refuses : public testing::TestWithParam<const char*> {};

TEST_P(Refuses, WithAReasonAndNoStatement) {
    const dialect::Translation t = dialect::translate(u(GetParam()));
    EXPECT_FALSE(t.ok());
    EXPECT_FALSE(t.error.isEmpty());
    EXPECT_TRUE(t.sql.isEmpty()) << t.sql.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Dialect, Refuses,
    testing::Values(
        "select * from t where d = #2027-13-45#", "select * from t where d = #abc#",
        "select * from t where d = #2027-2-29#", "select * from t where d = #27-1-5#",
        "select * from t where d = #20270-1-5#", "select * from t where d = #2027-01-005#",
        "select * from t where d = #2027-1-5-#", "select * from t where d = #0000-1-1#",
        "select * from t where d = #２０２７-1-5#", "select * from t where d = #2027-1/5#",
        "select * from t where d = #2027-1-5 10:00#", "select * from t where d = # 2027-1-5#",
        "select * from t where d = ##", "select * from t where d = #2027-1-5",
        "select * from t where 姓名 = '张三", "select * from t where 姓名 = 'O''Neil",
        "select * from t where a = 'x' '", "select \"a from t", "select [a from t", "select & 'x'",
        "select 'x' &", "select 'x' & & 'y'", "select ('a' from t", "select 'a') from t"));

TEST(Dialect, ExecRunsNothingWhenTheStatementIsRefused) {
    test::TempDatabase db;
    db.run(u("insert into 值班底表 (日期, 是否值班) values ('2027-01-05', '2')"));
    QSqlQuery query(db.db());
    QString error;
    EXPECT_FALSE(
        dialect::exec(query, u("delete * from 值班底表 where 日期 = #2027-13-45#"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("2027-13-45"))) << error.toStdString();
    EXPECT_EQ(db.scalar(u("select count(*) from 值班底表")).toInt(), 1);
    // An SQLite error comes back the same way.
    error.clear();
    EXPECT_FALSE(dialect::exec(query, u("select * from 没有这个表"), &error));
    EXPECT_FALSE(error.isEmpty());
    // Without a place for the reason it still says no.
    EXPECT_FALSE(dialect::exec(query, u("select 'x")));
    EXPECT_TRUE(dialect::exec(query, u("delete * from 值班底表"), &error));
    EXPECT_EQ(db.scalar(u("select count(*) from 值班底表")).toInt(), 0);
}

// ---------------------------------------------------------------------------
// The statements the system issues, run on a small known set-up.

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
void writeSetUp(test::TempDatabase& db) {
    ASSERT_TRUE(db.db().transaction());
    db.run(u(R"sql(
        insert into 值班人员组 (值班人员组名称, idid) values ('内科', 2);
        insert into 值班人员组 (值班人员组名称, idid) values ('外科', 12);
        insert into 日期组 (日期组名称, idid) values ('周末', 2);
        insert into 日期组 (日期组名称, idid) values ('节日', 3);
        insert into 日期组 (日期组名称, idid) values ('节日', 4);
        insert into 班次组 (班次组名称, idid) values ('夜班组', 2);
        insert into 日期类型 (日期, 所属日期组ID) values ('2027-01-01', 'zz4z3z1z');
        insert into 日期类型 (日期, 所属日期组ID) values ('2027-01-02', 'zz2z1z');
        insert into 日期类型 (日期, 所属日期组ID) values ('2027-01-03', 'zz2z1z');
        insert into 日期类型 (日期, 所属日期组ID) values ('2027-01-04', 'zz1z');
        insert into 日期类型 (日期, 所属日期组ID) values ('2027-01-05', 'zz1z');
        insert into banci values ('白班', 1, '08:00', '不跨转', '16:00', '', '1', '无限制', 0, '全部', 'zz1z', 480, 960, 2.0);
        insert into banci values ('夜班', 2, '20:00', '跨转至次日', '08:00', '', '1', '无限制', 0, '全部', 'zz2z1z', 1200, 1920, 1.0);
        insert into banci values ('早班', 3, '08:00', '不跨转', '12:00', '', '1', '无限制', 0, '周末', 'zz1z', 480, 720, 1.0);
        insert into 基本信息 values (13, '张三', '30', '男', '', '', '', 3, 5, '1', 1, 'zz12z1z', '2027-01-03', 1, 1, 1e16, 1);
        insert into 基本信息 values (11, '李四', '31', '女', '', '', '', 2, 3, '3', 2, 'zz2z1z', '2027-01-02', 2, 2, 1e16, 1);
        insert into 基本信息 values (12, '王五', '32', '男', '', '', '', 4, 3, '2', 3, 'zz1z', '2027-01-03', 2, 1, 1e16, 1);
        insert into 基本信息 values (15, 'O''Neil & #1#', '33', '男', '', '', '', 1, 0, '4', 4, 'zz2z1z', '1901-01-01', 0, 0, 1e16, 0);
        insert into 基本信息 values (14, '赵六', '34', '女', '', '', '', 1, 0, '5', 5, 'zz', '1901-01-01', 0, 0, 1e16, 0);
        insert into 排除条件 (人员, 排在, 日期, 班次, 选定日期组, 选定班次组) values ('张三', '不排在', '周末', '夜班', 1, 0);
        insert into 排除条件 (人员, 排在, 日期, 班次, 选定日期组, 选定班次组) values ('内科', '限排在', '2027-01-04', '夜班组', 0, 1);
        insert into 值班报表 values (1, '2027年1月2日', '白班', '08:00', '不跨转', '16:00', '  张三  李四');
        insert into 值班报表 values (2, '2027年1月2日', '夜班', '20:00', '跨转至次日', '08:00', '  王五');
        insert into 值班报表 values (3, '2027年1月4日', '白班', '08:00', '不跨转', '16:00', '  O''Neil & #1#  王五');
        insert into 值班报表 values (4, '2027年1月4日', '夜班', '20:00', '跨转至次日', '08:00', null)
    )sql"));
    const QStringList dates = {u("2027-01-02"), u("2027-01-04")};
    const QStringList flags = {u("1"), u("1"), u("2"), u("2"), u("0"), u("1"),
                               u("2"), u("2"), u("2"), u("2"), u("2"), u("2")};
    int idid = 1;
    for (const QString& date : dates)
        for (int shift = 1; shift <= 2; ++shift)
            for (int person = 1; person <= 3; ++person, ++idid)
                db.run(u("insert into 值班底表 (idid, 日期, 班次IDID, 姓名IDID, 是否值班) "
                         "values (%1, '%2', %3, %4, '%5')")
                           .arg(idid)
                           .arg(date)
                           .arg(shift)
                           .arg(person)
                           .arg(flags[idid - 1]));
    db.run(u("insert into 值班底表 (idid, 日期, 班次IDID, 姓名IDID, 是否值班) values "
             "(13, '2027-01-04', 1, 4, '2');"
             "insert into 值班底表 (idid, 日期, 班次IDID, 姓名IDID, 是否值班) values "
             "(14, '2027-01-04', 1, 5, '2')"));
    ASSERT_TRUE(db.db().commit());
}

const QString oNeil = u("O'Neil & #1#");

class DialectStatements : public testing::Test {
protected:
    void SetUp() override { writeSetUp(db); }

    // Every row a dialect statement returns; a failing statement fails the test.
    QList<QSqlRecord> select(const QString& statement) {
        QList<QSqlRecord> rows;
        QSqlQuery query(db.db());
        QString error;
        if (!dialect::exec(query, statement, &error)) {
            ADD_FAILURE() << statement.toStdString() << ": " << error.toStdString();
            return rows;
        }
        while (query.next())
            rows << query.record();
        return rows;
    }
    QStringList column(const QString& statement, const QString& name) {
        QStringList values;
        for (const QSqlRecord& row : select(statement))
            values << row.value(name).toString();
        return values;
    }
    // The distinct values of the first column (the candidate rows a rule strikes).
    std::set<int> firstColumn(const QString& statement) {
        std::set<int> values;
        for (const QSqlRecord& row : select(statement))
            values.insert(row.value(0).toInt());
        return values;
    }
    QStringList sorted(QStringList values) {
        values.sort();
        return values;
    }

    test::TempDatabase db;
};

TEST_F(DialectStatements, MembershipTokensNameExactlyTheirGroups) {
    // zz12z1z is in groups 12 and 1, not in 2.
    const QList<QSqlRecord> rows =
        select(u("select 基本信息.姓名, 值班人员组.值班人员组名称 from 基本信息, 值班人员组 "
                 "where instr(基本信息.所属组ID, 'z' & 值班人员组.idid & 'z') > 0 "
                 "order by 基本信息.IDID, 值班人员组.idid"));
    QStringList pairs;
    for (const QSqlRecord& row : rows)
        pairs << row.value(0).toString() + u("|") + row.value(1).toString();
    EXPECT_EQ(pairs, QStringList({u("张三|全部"), u("张三|外科"), u("李四|全部"), u("李四|内科"),
                                  u("王五|全部"), oNeil + u("|全部"), oNeil + u("|内科")}));
    // Group members as the group pages ask for them.
    const QString staff = u("select * from 基本信息 where instr(所属组ID,");
    EXPECT_EQ(column(staff + u("'") + u("z12z") + u("') >0"), u("姓名")), QStringList{u("张三")});
    EXPECT_EQ(column(staff + u("'z2z') >0"), u("姓名")), QStringList({u("李四"), oNeil}));
    EXPECT_EQ(column(staff + u("'z1z') >0"), u("姓名")),
              QStringList({u("张三"), u("李四"), u("王五"), oNeil}));
    EXPECT_EQ(column(staff + u("'z12z') =0"), u("姓名")),
              QStringList({u("李四"), u("王五"), oNeil, u("赵六")}));
    const QString dates = u("select * from 日期类型 where instr(所属日期组ID,");
    EXPECT_EQ(column(dates + u("'z2z') >0"), u("日期")),
              QStringList({u("2027-01-02"), u("2027-01-03")}));
    EXPECT_EQ(column(dates + u("'z3z') >0"), u("日期")), QStringList{u("2027-01-01")});
    EXPECT_EQ(column(dates + u("'z2z') =0"), u("日期")),
              QStringList({u("2027-01-01"), u("2027-01-04"), u("2027-01-05")}));
    const QString shifts = u("select * from banci where instr(所属组ID,");
    EXPECT_EQ(column(shifts + u("'z2z') >0"), u("班次名称")), QStringList{u("夜班")});
    EXPECT_EQ(column(shifts + u("'z2z') =0"), u("班次名称")), QStringList({u("白班"), u("早班")}));
}

TEST_F(DialectStatements, GroupGridsLeaveOutTheAllRow) {
    EXPECT_EQ(
        column(u("select * from 值班人员组 where 值班人员组名称 <> '全部'"), u("值班人员组名称")),
        QStringList({u("内科"), u("外科")}));
    EXPECT_EQ(column(u("select * from 日期组 where 日期组名称 <> '全部' "), u("日期组名称")),
              QStringList({u("周末"), u("节日"), u("节日")}));
    EXPECT_EQ(column(u("select * from 班次组 where 班次组名称 <> '全部'"), u("班次组名称")),
              QStringList{u("夜班组")});
}

TEST_F(DialectStatements, PlainTableReadsAndLookups) {
    EXPECT_EQ(select(u("select * from 值班人员组")).size(), 3);
    EXPECT_EQ(select(u("select * from 基本信息")).size(), 5);
    EXPECT_EQ(select(u("select * from 日期组")).size(), 4);
    EXPECT_EQ(select(u("select * from 日期类型")).size(), 5);
    EXPECT_EQ(select(u("select * from 班次组")).size(), 2);
    EXPECT_EQ(select(u("select * from banci")).size(), 3);
    EXPECT_EQ(column(u("select * from 排除条件"), u("人员")), QStringList({u("张三"), u("内科")}));
    EXPECT_EQ(column(u("select * from 基本信息 order by ID"), u("姓名")),
              QStringList({u("李四"), u("王五"), u("张三"), u("赵六"), oNeil}));
    EXPECT_EQ(column(u("select * from 基本信息 order by 家庭住址"), u("姓名")),
              QStringList({u("张三"), u("王五"), u("李四"), oNeil, u("赵六")}));

    // The membership editor finds a moved row again by its key.
    const QString keyStaff =
        u("select * from 基本信息") + u(" where ") + u("姓名 =") + u(" '") + u("张三") + u("'");
    EXPECT_EQ(keyStaff, u("select * from 基本信息 where 姓名 = '张三'"));
    EXPECT_EQ(column(keyStaff, u("ID")), QStringList{u("13")});
    EXPECT_EQ(column(u("select * from 日期类型 where 日期 = #2027-1-5#"), u("所属日期组ID")),
              QStringList{u("zz1z")});
    EXPECT_EQ(column(u("select * from 日期类型") + u(" where ") + u("日期 =") + u(" #") +
                         u("2027-01-03") + u("#"),
                     u("日期")),
              QStringList{u("2027-01-03")});
    EXPECT_EQ(column(u("select * from banci") + u(" where ") + u("班次名称 =") + u(" '") +
                         u("夜班") + u("'"),
                     u("idid")),
              QStringList{u("2")});
    // A name with a quote, '&' and '#' is found when it is quoted.
    EXPECT_EQ(column(u("select * from 基本信息 where 姓名 = ") + sqlQuote(oNeil), u("ID")),
              QStringList{u("15")});

    // The engine finds rows by idid and ID; idid and IDID name one column.
    EXPECT_EQ(column(u("select * from 值班底表 where idid = 5"), u("是否值班")),
              QStringList{u("0")});
    EXPECT_EQ(column(u("select * from 值班底表 where IDID = 5"), u("是否值班")),
              QStringList{u("0")});
    EXPECT_EQ(column(u("select * from 值班底表 where Idid = 6"), u("IDID")), QStringList{u("6")});
    EXPECT_EQ(column(u("select * from 基本信息 where ID = 13"), u("姓名")), QStringList{u("张三")});
    EXPECT_EQ(column(u("select * from 基本信息 where id = 13"), u("idid")), QStringList{u("1")});
}

TEST_F(DialectStatements, ShiftsComeInStartThenEndOrder) {
    const QStringList order = {u("早班"), u("白班"), u("夜班")};
    EXPECT_EQ(column(u("select * from banci order by 起始时间,结束秒序"), u("班次名称")), order);
    EXPECT_EQ(column(u("select * from banci order by  起始时间,结束秒序"), u("班次名称")), order);
    // A floating point column joins as its shortest decimal form.
    EXPECT_EQ(column(u("select 'z' & 人数 & 'z' as token from banci order by idid"), u("token")),
              QStringList({u("z2z"), u("z1z"), u("z1z")}));
}

TEST_F(DialectStatements, DateInDateGroupTest) {
    const auto query = [](const QString& group, const QString& date) {
        return u("select * from 日期类型,日期组 where 日期组.日期组名称 = ") + u("'") + group +
               u("'") + u(" and 日期类型.日期 = ") + u("#") + date + u("#") +
               u(" and instr(日期类型.所属日期组ID, 'z' & 日期组.idid  & 'z') > 0 ");
    };
    const QList<QSqlRecord> weekend = select(query(u("周末"), u("2027-1-2")));
    ASSERT_EQ(weekend.size(), 1);
    // The calendar's five columns come first, then the group's two.
    ASSERT_EQ(weekend[0].count(), 7);
    EXPECT_EQ(weekend[0].value(0).toString(), u("2027-01-02"));
    EXPECT_EQ(weekend[0].value(5).toString(), u("周末"));
    EXPECT_EQ(weekend[0].value(6).toInt(), 2);
    EXPECT_EQ(select(query(u("周末"), u("2027-01-03"))).size(), 1);
    EXPECT_EQ(select(query(u("周末"), u("2027-01-04"))).size(), 0);
    EXPECT_EQ(select(query(u("全部"), u("2027/1/5"))).size(), 1);
    EXPECT_EQ(select(query(u("没有这个组"), u("2027-01-05"))).size(), 0);
    // Two date groups of one name that both hold the date: two rows.
    EXPECT_EQ(select(query(u("节日"), u("2027-01-01"))).size(), 2);
}

// The rule queries with P, D and B put in unchanged.
QString ruleQuery(int variant, const QString& P, const QString& D, const QString& B) {
    switch (variant) {
    case 1:
        return u("select * from 值班底表,基本信息,值班人员组,日期类型,日期组,banci,班次组 where "
                 "值班底表.姓名IDID = 基本信息.IDID and instr(基本信息.所属组ID, 'z' & "
                 "值班人员组.idid & 'z') > 0 and 值班底表.日期 = 日期类型.日期 and "
                 "(instr(日期类型.所属日期组ID, 'z' & 日期组.idid & 'z') > 0 and  "
                 "日期组.日期组名称 = ") +
               u("'") + D +
               u("') and instr(banci.所属组ID, 'z' & 班次组.idid & 'z') > 0 and 班次组.班次组名称 "
                 "= ") +
               u("'") + B + u("'and 值班底表.班次IDID = banci.idid   and (基本信息.姓名 = ") +
               u("'") + P + u("'") + u(" or 值班人员组.值班人员组名称 = ") + u("'") + P + u("'") +
               u(" ) ");
    case 2:
        return u("select * from 值班底表,基本信息,值班人员组,日期类型,日期组,banci where "
                 "值班底表.姓名IDID = 基本信息.IDID and instr(基本信息.所属组ID, 'z' & "
                 "值班人员组.idid & 'z') > 0 and 值班底表.日期 = 日期类型.日期 and "
                 "(instr(日期类型.所属日期组ID, 'z' & 日期组.idid & 'z') > 0 and  "
                 "日期组.日期组名称 = ") +
               u("'") + D + u("') and  banci.班次名称 = ") + u("'") + B +
               u("'and 值班底表.班次IDID = banci.idid   and (基本信息.姓名 = ") + u("'") + P +
               u("'") + u(" or 值班人员组.值班人员组名称 = ") + u("'") + P + u("'") + u(" ) ");
    case 3:
        return u("select * from 值班底表,基本信息,值班人员组,日期类型,日期组,banci,班次组 where "
                 "值班底表.姓名IDID = 基本信息.IDID and instr(基本信息.所属组ID, 'z' & "
                 "值班人员组.idid & 'z') > 0 and 值班底表.日期 = 日期类型.日期 and "
                 "(((instr(日期类型.所属日期组ID, 'z' & 日期组.idid & 'z') = 0 )and "
                 "(日期组.日期组名称 = ") +
               u("'") + D +
               u("')) or ( (instr(banci.所属组ID, 'z' & 班次组.idid & 'z') = 0)  and  "
                 "(班次组.班次组名称 = ") +
               u("'") + B + u("')) )and 值班底表.班次IDID = banci.idid and (基本信息.姓名 = ") +
               u("'") + P + u("'") + u(" or 值班人员组.值班人员组名称 = ") + u("'") + P + u("')");
    case 4:
        return u("select * from 值班底表,基本信息,值班人员组,日期类型,日期组,banci where "
                 "值班底表.姓名IDID = 基本信息.IDID and instr(基本信息.所属组ID, 'z' & "
                 "值班人员组.idid & 'z') > 0 and 值班底表.日期 = 日期类型.日期 and "
                 "(instr(日期类型.所属日期组ID, 'z' & 日期组.idid & 'z') = 0 or banci.班次名称 "
                 "<>") +
               u("'") + B + u("') and 值班底表.班次IDID = banci.idid and (基本信息.姓名 = ") +
               u("'") + P + u("'") + u(" or 值班人员组.值班人员组名称 = ") + u("'") + P + u("'") +
               u(" ) ") + u("and  日期组.日期组名称 = ") + u("'") + D + u("'");
    case 5:
        return u("select * from 值班底表,基本信息,值班人员组,日期类型,banci,班次组 where "
                 "值班底表.姓名IDID = 基本信息.IDID and instr(基本信息.所属组ID, 'z' & "
                 "值班人员组.idid & 'z') > 0 and 值班底表.日期 = 日期类型.日期 and  "
                 "值班底表.班次IDID = banci.idid and instr(banci.所属组ID, 'z' & 班次组.idid & "
                 "'z') > 0 and  (基本信息.姓名 = ") +
               u("'") + P + u("'") + u(" or 值班人员组.值班人员组名称 = ") + u("'") + P + u("'") +
               u(" ) ") + u("and  日期类型.日期 = ") + u("#") + D + u("#") +
               u("and   班次组.班次组名称 = ") + u("'") + B + u("'");
    case 6:
        return u("select * from 值班底表,基本信息,值班人员组,日期类型,banci where "
                 "值班底表.姓名IDID = 基本信息.IDID and instr(基本信息.所属组ID, 'z' & "
                 "值班人员组.idid & 'z') > 0 and 值班底表.日期 = 日期类型.日期 and  "
                 "值班底表.班次IDID = banci.idid and  (基本信息.姓名 = ") +
               u("'") + P + u("'") + u(" or 值班人员组.值班人员组名称 = ") + u("'") + P + u("'") +
               u(" ) ") + u("and  日期类型.日期 = ") + u("#") + D + u("#") +
               u("and   banci.班次名称 = ") + u("'") + B + u("'");
    case 7:
        return u("select * from 值班底表,基本信息,值班人员组,日期类型,banci,班次组 where "
                 "值班底表.姓名IDID = 基本信息.IDID and instr(基本信息.所属组ID, 'z' & "
                 "值班人员组.idid & 'z') > 0 and 值班底表.日期 = 日期类型.日期 and "
                 "值班底表.班次IDID = banci.idid and  (基本信息.姓名 = ") +
               u("'") + P + u("'") + u(" or 值班人员组.值班人员组名称 = ") + u("'") + P + u("'") +
               u(" ) ") + u("and (日期类型.日期 <> ") + u("#") + D +
               u("#  or ( instr(banci.所属组ID, 'z' & 班次组.idid & 'z') = 0  and  "
                 "班次组.班次组名称 = ") +
               u("'") + B + u("'))");
    case 8:
        return u("select * from 值班底表,基本信息,值班人员组,日期类型,banci where "
                 "值班底表.姓名IDID = 基本信息.IDID and instr(基本信息.所属组ID, 'z' & "
                 "值班人员组.idid & 'z') > 0 and 值班底表.日期 = 日期类型.日期 and "
                 "值班底表.班次IDID = banci.idid and  (基本信息.姓名 = ") +
               u("'") + P + u("'or 值班人员组.值班人员组名称 = ") + u("'") + P +
               u("') and (日期类型.日期 <> ") + u("#") + D + u("# or banci.班次名称 <> ") + u("'") +
               B + u("')");
    }
    return {};
}

TEST_F(DialectStatements, RuleQueriesStrikeTheRowsTheirRegionNames) {
    using Ids = std::set<int>;
    // 1: members of 外科 (张三) on 周末 dates in 夜班组 shifts.
    EXPECT_EQ(firstColumn(ruleQuery(1, u("外科"), u("周末"), u("夜班组"))), Ids({4}));
    // 2: 李四 on 周末 dates in 白班.
    EXPECT_EQ(firstColumn(ruleQuery(2, u("李四"), u("周末"), u("白班"))), Ids({2}));
    // The person is matched through each of the person's staff groups, so a
    // match by name returns the row once per group (李四: 内科 and 全部).
    EXPECT_EQ(select(ruleQuery(2, u("李四"), u("周末"), u("白班"))).size(), 2);
    // 3: 王五 only on 周末 dates in 夜班组: every other row of 王五.
    EXPECT_EQ(firstColumn(ruleQuery(3, u("王五"), u("周末"), u("夜班组"))), Ids({3, 9, 12}));
    // 4: 张三 only on 周末 dates in 夜班.
    EXPECT_EQ(firstColumn(ruleQuery(4, u("张三"), u("周末"), u("夜班"))), Ids({1, 7, 10}));
    // 5: 李四 not on 2027-01-04 in 夜班组 (the date written without zeros).
    EXPECT_EQ(firstColumn(ruleQuery(5, u("李四"), u("2027-1-4"), u("夜班组"))), Ids({11}));
    // 6: members of 内科 not on 2027-01-04 in 白班.
    EXPECT_EQ(firstColumn(ruleQuery(6, u("内科"), u("2027-01-04"), u("白班"))), Ids({8, 13}));
    // 7: 王五 only on 2027-01-02 in 夜班组 (the date written with slashes).
    EXPECT_EQ(firstColumn(ruleQuery(7, u("王五"), u("2027/1/2"), u("夜班组"))), Ids({3, 9, 12}));
    // 8: everyone in 全部 only on 2027-01-04 in 白班; 赵六 is in no group.
    EXPECT_EQ(firstColumn(ruleQuery(8, u("全部"), u("2027-01-04"), u("白班"))),
              Ids({1, 2, 3, 4, 5, 6, 10, 11, 12}));
    // A person in no staff group is matched by no rule, not even by name.
    EXPECT_EQ(firstColumn(ruleQuery(6, u("赵六"), u("2027-01-04"), u("白班"))), Ids());
    EXPECT_EQ(firstColumn(ruleQuery(8, u("赵六"), u("2027-01-04"), u("白班"))), Ids());
}

TEST_F(DialectStatements, RuleValuesWithQuotesAmpersandsAndNumberSigns) {
    // The quote doubled as the quoting helper does: the name stays one text.
    QString escaped = oNeil;
    escaped.replace(u("'"), u("''"));
    ASSERT_EQ(u("'") + escaped + u("'"), sqlQuote(oNeil));
    EXPECT_EQ(firstColumn(ruleQuery(6, escaped, u("2027-1-4"), u("白班"))), std::set<int>({13}));
    EXPECT_EQ(firstColumn(ruleQuery(8, escaped, u("2027-1-4"), u("白班"))), std::set<int>());
    // A group named with '&' and '#' is matched by its name.
    db.run(u("update 值班人员组 set 值班人员组名称 = 'A & B #2027-1-1#' where idid = 2"));
    EXPECT_EQ(firstColumn(ruleQuery(6, u("A & B #2027-1-1#"), u("2027-01-04"), u("白班"))),
              std::set<int>({8, 13}));
    // A single date that is not a date refuses the whole rule query.
    QSqlQuery query(db.db());
    EXPECT_FALSE(dialect::exec(query, ruleQuery(6, u("李四"), u("周末"), u("白班"))));
}

TEST_F(DialectStatements, CapacityCountAndSlotRows) {
    const auto capacity = [this](int idid) {
        return select(u("select * from 值班底表 where 姓名IDID = ") + QString::number(idid) +
                      u("  and  是否值班 = '2'"))
            .size();
    };
    EXPECT_EQ(capacity(1), 3); // 4, 7, 10
    EXPECT_EQ(capacity(2), 2); // 8, 11
    EXPECT_EQ(capacity(3), 3); // 3, 9, 12
    EXPECT_EQ(capacity(5), 1); // 14

    const auto slot = [this](int shift, const QString& date) {
        return firstColumn(u("select * from 值班底表,banci where  banci.IDID = 值班底表.班次IDID  "
                             "and banci.IDID = ") +
                           QString::number(shift) + u(" and 值班底表.日期 = #") + date + u("#"));
    };
    // Whatever their flag.
    EXPECT_EQ(slot(2, u("2027-01-02")), std::set<int>({4, 5, 6}));
    EXPECT_EQ(slot(1, u("2027-01-04")), std::set<int>({7, 8, 9, 13, 14}));
    EXPECT_EQ(slot(3, u("2027-01-04")), std::set<int>());
}

QString firstCandidateQuery(int limit, int shift, const QDate& d) {
    return u("select * from 基本信息,值班底表,banci where 基本信息.IDID = 值班底表.姓名IDID and "
             "banci.IDID = 值班底表.班次IDID and 值班底表.是否值班 = '2' and not ( "
             "(基本信息.连续天数 >= ") +
           QString::number(limit) + u(" ) and (基本信息.最近班次ID = ") + QString::number(shift) +
           u(" ) and ( 基本信息.最近值班时间 = #") + d.addDays(-1).toString(u("yyyy-MM-dd")) +
           u("# )) and banci.IDID = ") + QString::number(shift) + u(" and 值班底表.日期 = #") +
           d.toString(u("yyyy-MM-dd")) +
           u("# order by 基本信息.前一班序号,基本信息.值班次数,基本信息.班数空间 desc");
}

QString relaxedCandidateQuery(int shift, const QDate& d) {
    return u("select * from 基本信息,值班底表,banci where 基本信息.IDID = 值班底表.姓名IDID and "
             "banci.IDID = 值班底表.班次IDID and 值班底表.是否值班 = '2' and banci.IDID = ") +
           QString::number(shift) + u(" and 值班底表.日期 = #") + d.toString(u("yyyy-MM-dd")) +
           u("# order by 基本信息.前一班序号,基本信息.值班次数,基本信息.班数空间 desc");
}

TEST_F(DialectStatements, CandidatesComeInTheFixedOrder) {
    const QDate d(2027, 1, 4);
    // 王五 worked 夜班 on the day before with 连续天数 1: held back at limit 1.
    // 李四 (前一班序号 3) comes before 张三 (5).
    EXPECT_EQ(column(firstCandidateQuery(1, 2, d), u("ID")), QStringList({u("11"), u("13")}));
    // At limit 2 nobody is held back. 王五 and 李四 tie on 前一班序号 and
    // 值班次数; 王五 has more open rows (班数空间 4 against 2) and comes first.
    const QStringList all = {u("12"), u("11"), u("13")};
    EXPECT_EQ(column(firstCandidateQuery(2, 2, d), u("ID")), all);
    EXPECT_EQ(column(relaxedCandidateQuery(2, d), u("ID")), all);
    // Only open rows: on 2027-01-02 李四's 夜班 row is struck and 王五's assigned.
    EXPECT_EQ(column(relaxedCandidateQuery(2, QDate(2027, 1, 2)), u("ID")), QStringList{u("13")});

    // select * over several tables gives the first table's columns first;
    // a name that occurs twice reads the first of them.
    const QList<QSqlRecord> rows = select(relaxedCandidateQuery(2, d));
    ASSERT_EQ(rows.size(), 3);
    const QSqlRecord& first = rows[0];
    ASSERT_EQ(first.count(), 17 + 8 + 14);
    EXPECT_EQ(first.fieldName(0), u("ID"));
    EXPECT_EQ(first.fieldName(17).toLower(), u("idid"));
    EXPECT_EQ(first.fieldName(25), u("班次名称"));
    EXPECT_EQ(first.value(u("idid")).toInt(), 3); // 基本信息.IDID of 王五
    EXPECT_EQ(first.value(17).toInt(), 12);       // 值班底表.idid
    EXPECT_EQ(first.value(26).toInt(), 2);        // banci.idid
    EXPECT_EQ(first.value(u("IDID")).toInt(), 3);
}

TEST_F(DialectStatements, ReportStepQueries) {
    const QList<QSqlRecord> assigned =
        select(u("select * from 值班底表,banci where 值班底表.班次IDID = banci.idid and  "
                 "值班底表.是否值班 = '1' order by banci.人数 desc"));
    ASSERT_EQ(assigned.size(), 3);
    EXPECT_EQ(assigned[0].value(u("人数")).toDouble(), 2.0);
    EXPECT_EQ(assigned[2].value(0).toInt(), 6);
    EXPECT_EQ(assigned[2].value(u("人数")).toDouble(), 1.0);
    // idid names 值班底表's column here: it comes first.
    EXPECT_EQ(assigned[2].value(u("IDID")).toInt(), 6);

    const auto people = [this](int shift, const QString& d) {
        return sorted(column(
            u("select * from 值班底表,基本信息,banci where 值班底表.班次IDID = banci.idid and "
              "值班底表.姓名IDID = 基本信息.IDID and 值班底表.是否值班 = '1' and banci.idid=") +
                QString::number(shift) + u("and 值班底表.日期 = ") + u("#") + d + u("#"),
            u("姓名")));
    };
    EXPECT_EQ(people(1, u("2027-01-02")), sorted({u("张三"), u("李四")}));
    EXPECT_EQ(people(2, u("2027-1-2")), QStringList{u("王五")});
    EXPECT_EQ(people(1, u("2027-01-04")), QStringList());
}

TEST_F(DialectStatements, PersonAndShiftQueriesMatchAnywhere) {
    const auto person = [this](const QString& text) {
        return column(u("select * from 值班报表 where 值班报表.值班人 like ") + u("'") + u("%") +
                          text + u("%") + u("'"),
                      u("IDID"));
    };
    EXPECT_EQ(person(u("三")), QStringList{u("1")});
    EXPECT_EQ(person(u("王五")), QStringList({u("2"), u("3")}));
    // An empty box finds every row whose 值班人 is not empty.
    EXPECT_EQ(person(QString()), QStringList({u("1"), u("2"), u("3")}));
    // '#' and '&' typed into the box are text.
    EXPECT_EQ(person(u("#1#")), QStringList{u("3")});
    EXPECT_EQ(person(u("&")), QStringList{u("3")});
    EXPECT_EQ(person(u("nobody")), QStringList());
    // A quote typed into the box, quoted with the helper.
    EXPECT_EQ(column(u("select * from 值班报表 where 值班报表.值班人 like ") +
                         sqlQuote(u("%") + u("O'Neil & #1#") + u("%")),
                     u("IDID")),
              QStringList{u("3")});

    const auto shift = [this](const QString& text) {
        return column(u("select * from 值班报表 where 值班报表.班次 like ") + u("'") + u("%") +
                          text + u("%") + u("'"),
                      u("IDID"));
    };
    EXPECT_EQ(shift(u("夜")), QStringList({u("2"), u("4")}));
    EXPECT_EQ(shift(u("班")), QStringList({u("1"), u("2"), u("3"), u("4")}));
    EXPECT_EQ(select(u("select * from 值班报表 ")).size(), 4);
}

TEST_F(DialectStatements, WorkTablesAreEmptiedAndNothingElse) {
    QSqlQuery query(db.db());
    QString error;
    ASSERT_TRUE(dialect::exec(query, u("delete * from 值班底表"), &error)) << error.toStdString();
    ASSERT_TRUE(dialect::exec(query, u("delete * from 值班报表"), &error)) << error.toStdString();
    EXPECT_EQ(db.scalar(u("select count(*) from 值班底表")).toInt(), 0);
    EXPECT_EQ(db.scalar(u("select count(*) from 值班报表")).toInt(), 0);
    EXPECT_EQ(db.scalar(u("select count(*) from 基本信息")).toInt(), 5);
    EXPECT_EQ(db.scalar(u("select count(*) from 排除条件")).toInt(), 2);
}

} // namespace

#include "store/dialect.h"
#include "store/sqltext.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

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
    testing::Values("select * from t where d = #2027-13-45#", "select * from t where d = #abc#",
                    "select * from t where d = #2027-2-29#", "select * from t where d = #27-1-5#",
                    "select * from t where d = #2027-1/5#",
                    "select * from t where d = #2027-1-5 10:00#",
                    "select * from t where d = # 2027-1-5#", "select * from t where d = ##",
                    "select * from t where d = #2027-1-5", "select * from t where 姓名 = '张三",
                    "select * from t where 姓名 = 'O''Neil", "select * from t where a = 'x' '",
                    "select \"a from t", "select [a from t", "select & 'x'", "select 'x' &",
                    "select 'x' & & 'y'", "select ('a' from t", "select 'a') from t"));

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

} // namespace

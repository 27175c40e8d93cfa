// korvane-cli keeps what generate makes, lists it, and shows a saved roster
// in every form of roster.

#include "rosters/savedroster.h"
#include "store/messages.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace korvane;

namespace {

// "日期|班次|值班人" per row of a roster CSV.
QStringList dutiesOf(const QByteArray& csv) {
    QStringList rows = QString::fromUtf8(csv).split("\r\n", Qt::SkipEmptyParts);
    const QStringList columns = rows.takeFirst().split(',');
    QStringList duties;
    for (const QString& row : rows) {
        const QStringList values = row.split(',');
        duties << QStringList{values.value(columns.indexOf("日期")),
                              values.value(columns.indexOf("班次")),
                              values.value(columns.indexOf("值班人")).trimmed()}
                      .join('|');
    }
    return duties;
}

// The same of the 值班表 sheet of a workbook, read with openpyxl.
QStringList workbookDuties(const QString& xlsx) {
    const char* read = R"(
import sys, openpyxl
rows = openpyxl.load_workbook(sys.argv[1])['值班表']
columns = {cell.value: cell.column for cell in rows[1]}
for row in range(2, rows.max_row + 1):
    value = lambda name: rows.cell(row=row, column=columns[name]).value
    day = value('日期')
    print('%d年%d月%d日|%s|%s' % (day.year, day.month, day.day, value('班次'), value('值班人') or ''))
)";
    // Debian's own python, the one python3-openpyxl goes with.
    const QString python = QFile::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
    const test::ProcessResult result = test::runProgram(python, {"-c", read, xlsx});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    return QString::fromUtf8(result.out).split('\n', Qt::SkipEmptyParts);
}

} // namespace

TEST(SavedRosterCommands, GenerateKeepsTheRosterThatRosterSavedShowsInEveryForm) {
    test::TempDatabase t;
    t.loadSample();
    t.connection.reset();
    const QTemporaryDir& dir = t.dir;
    const auto cli = [&](QStringList arguments) {
        return test::runProgram(test::cliProgram(), test::databaseArguments(t.path) + arguments);
    };
    const test::ProcessResult generated = cli({"generate"});
    ASSERT_EQ(generated.exitCode, 0) << generated.err.toStdString();
    const test::ProcessResult listed = cli({"rosters"});
    ASSERT_EQ(listed.exitCode, 0);
    const QStringList lines = QString::fromUtf8(listed.out).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4); // heading, rule, one roster, 记录数
    const QString name = lines.at(2).section(' ', 0, 0);
    EXPECT_TRUE(generated.err.contains(name));

    // The month forms are the same bytes; the roster rows the same but for
    // IDID, the autonumber of the table they were read from.
    const auto withoutIdid = [](const QByteArray& csv) {
        QStringList rows;
        for (const QString& row : QString::fromUtf8(csv).split("\r\n"))
            rows << row.section(',', 1);
        return rows;
    };
    for (const QStringList& form :
         {QStringList{"--month"}, QStringList{"--month", "--csv", "-"}, QStringList{"--csv", "-"},
          QStringList{"--person", "张", "--csv", "-"}}) {
        const test::ProcessResult last = cli(QStringList{"roster"} + form);
        const test::ProcessResult saved = cli(QStringList{"roster", "--saved", name} + form);
        EXPECT_EQ(saved.exitCode, 0) << saved.err.toStdString();
        if (form.first() == "--month")
            EXPECT_EQ(saved.out, last.out) << form.join(' ').toStdString();
        else
            EXPECT_EQ(withoutIdid(saved.out), withoutIdid(last.out))
                << form.join(' ').toStdString();
    }
    // The saved roster prints as the last one does.
    const auto pdfText = [&](const QStringList& source) {
        const QString pdf = QDir(dir.path()).filePath("roster.pdf");
        EXPECT_EQ(cli(QStringList{"roster"} + source + QStringList{"--pdf", pdf}).exitCode, 0);
        return QString::fromUtf8(test::runProgram("pdftotext", {"-layout", pdf, "-"}).out);
    };
    const QString printed = pdfText({});
    EXPECT_TRUE(printed.contains("张")) << printed.toStdString();
    EXPECT_EQ(pdfText({"--saved", name}), printed);
    // The workbook's 值班表 holds every duty of the saved roster: the day, the
    // shift and its people, as the CSV lists them.
    const QString xlsx = QDir(dir.path()).filePath("saved.xlsx");
    EXPECT_EQ(cli({"roster", "--saved", name, "--xlsx", xlsx}).exitCode, 0);
    const QStringList duties = dutiesOf(cli({"roster", "--saved", name, "--csv", "-"}).out);
    EXPECT_TRUE(duties.join('\n').contains("张")) << duties.join('\n').toStdString();
    EXPECT_EQ(workbookDuties(xlsx), duties);
    EXPECT_EQ(cli({"roster", "--saved", "没有这个"}).exitCode, 2);

    // Generated again with nothing locked: the same roster, kept under its name.
    const QStringList plain = withoutIdid(cli({"roster", "--csv", "-"}).out);
    const test::ProcessResult again = cli({"generate", "--keep-locks", name});
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_EQ(withoutIdid(cli({"roster", "--csv", "-"}).out), plain);
    EXPECT_EQ(QString::fromUtf8(cli({"rosters"}).out).split('\n', Qt::SkipEmptyParts).size(), 4);
}

// explain plans with what generate takes: the roster kept for 29 to 31
// January counts for the days in a row of 1 February, for both alike; and
// roster --warnings lists what the kept roster breaks.
TEST(SavedRosterCommands, ExplainCountsTheRosterBeforeThePeriodAsGenerateDoes) {
    test::TempDatabase t;
    t.run("insert into 基本信息 (ID, 姓名, 家庭住址, IDID, 所属组ID) values (1, '甲', '1', 1, "
          "'zz1z');"
          "insert into banci (班次名称, idid, 起始时间, 次日, 终止时间, 开始秒序, 结束秒序, 人数, "
          "连续次数, 最小连续天数, 分布日期, 所属组ID) values ('白班', 1, '08:00', '不跨转', "
          "'16:00', 480, 960, 1, '无限制', '无限制', '全部', 'zz1z');"
          "insert into 日期类型 (日期, 所属日期组ID) values ('2027-01-29', 'zz1z'), "
          "('2027-01-30', 'zz1z'), ('2027-01-31', 'zz1z')");
    const auto cli = [&](const QString& command) {
        return test::runProgram(test::cliProgram(), test::databaseArguments(t.path) << command);
    };
    ASSERT_EQ(cli("generate").exitCode, 0);
    // A limit set afterwards is what the kept roster now breaks.
    t.run("insert into 人员限制 (对象, 对象IDID, 最多班数) values ('人员', 1, 2)");
    const test::ProcessResult warned = test::runProgram(
        test::cliProgram(), test::databaseArguments(t.path)
                                << "roster"
                                << "--saved"
                                << rosters::periodName(QDate(2027, 1, 29), QDate(2027, 1, 31))
                                << "--warnings");
    EXPECT_EQ(warned.exitCode, 0) << warned.err.toStdString();
    EXPECT_TRUE(QString::fromUtf8(warned.out)
                    .endsWith(msg::warningCount.arg(1) + "\n2027年1月31日 甲 白班：" +
                              msg::warnShifts.arg(3).arg(2) + "\n"))
        << warned.out.toStdString();
    t.run("delete from 人员限制;"
          "delete from 日期类型;"
          "insert into 日期类型 (日期, 所属日期组ID) values ('2027-02-01', 'zz1z');"
          "insert into 人员限制 (对象, 对象IDID, 最多连续天数) values ('人员', 1, 3)");
    const QString reason = msg::reasonConsecutive.arg(3);
    const test::ProcessResult explained = cli("explain");
    EXPECT_EQ(explained.exitCode, 1) << explained.out.toStdString();
    EXPECT_TRUE(QString::fromUtf8(explained.out).contains(reason));
    const test::ProcessResult generated = cli("generate");
    EXPECT_EQ(generated.exitCode, 1) << generated.out.toStdString();
    EXPECT_TRUE(QString::fromUtf8(generated.out).contains(reason));
}

// generate and explain end with the run's exit code: nothing to plan (3), a
// plan that cannot be carried out (1), a run that fails (4).
TEST(SavedRosterCommands, GenerateAndExplainEndWithTheRunsExitCode) {
    const char* const ward =
        "insert into 基本信息 (ID, 姓名, 家庭住址, IDID, 所属组ID) values (1, '甲', '1', 1, "
        "'zz1z');"
        "insert into banci (班次名称, idid, 起始时间, 次日, 终止时间, 开始秒序, 结束秒序, 人数, "
        "连续次数, 最小连续天数, 分布日期, 所属组ID) values ('白班', 1, '08:00', '不跨转', "
        "'16:00', 480, 960, 2, '无限制', '无限制', '全部', 'zz1z');";
    const struct {
        const char* what;
        const char* dates;
        int code;
    } cases[] = {
        {"no dates", "", 3},
        {"two needed, one there", "insert into 日期类型 (日期) values ('2027-03-01')", 1},
        {"a date that is no date", "insert into 日期类型 (日期) values ('三月一日')", 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDatabase t;
        t.run(QString::fromUtf8(ward) + QString::fromUtf8(c.dates));
        for (const char* command : {"explain", "generate"})
            EXPECT_EQ(
                test::runProgram(test::cliProgram(), test::databaseArguments(t.path) << command)
                    .exitCode,
                c.code)
                << command;
    }
}

// korvane-cli's month sheet: without a roster it says so and writes nothing;
// with one (hostile names, a long shift name) the sheet, its PDF and the
// workbook are all written, and a real spreadsheet reader finds every name
// as text, the weekend shaded and the panes frozen.

#include "store/messages.h"
#include "store/sqltext.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

using namespace korvane;

namespace {

// Reads the workbook with openpyxl: "ok", or one line per problem.
const char* kReadBack = R"(
import json, sys, openpyxl
path, names, roster_rows = sys.argv[1], json.loads(sys.argv[2]), int(sys.argv[3])
book = openpyxl.load_workbook(path)
problems = []
if book.sheetnames != ['排班总表', '值班表', '统计']:
    problems.append('sheets %r' % book.sheetnames)
for sheet in book.worksheets:
    for row in sheet.iter_rows():
        for cell in row:
            if cell.data_type == 'f':
                problems.append('formula %s!%s %r' % (sheet.title, cell.coordinate, cell.value))
month = book['排班总表']
for offset, name in enumerate(names):
    cell = month.cell(row=5 + offset, column=2)
    if cell.value != name or cell.data_type != 's':
        problems.append('name %r read as %r (%s)' % (name, cell.value, cell.data_type))
days = {cell.value: cell.column for cell in month[3] if cell.value}
saturday = month.cell(row=5, column=days['9']).fill
friday = month.cell(row=5, column=days['8']).fill
if saturday.fill_type != 'solid' or not str(saturday.fgColor.rgb).endswith('FCE4D6'):
    problems.append('saturday fill %s %s' % (saturday.fill_type, saturday.fgColor.rgb))
if friday.fill_type == 'solid':
    problems.append('friday is shaded')
if month.freeze_panes != 'C5':
    problems.append('frozen at %s' % month.freeze_panes)
# Printed at full size, the names and the dates on every page.
setup = month.page_setup
fit = month.sheet_properties.pageSetUpPr
if setup.orientation != 'landscape' or (fit is not None and fit.fitToPage):
    problems.append('printed %s, fitted %s' % (setup.orientation, fit and fit.fitToPage))
if month.print_title_rows != '$2:$4' or month.print_title_cols != '$A:$B':
    problems.append('repeated %s %s' % (month.print_title_rows, month.print_title_cols))
rows = book['值班表']
if rows.max_row != roster_rows + 1:
    problems.append('值班表 has %d rows' % rows.max_row)
columns = {cell.value: cell.column for cell in rows[1]}
for row in range(2, rows.max_row + 1):
    number = rows.cell(row=row, column=columns['IDID'])
    date = rows.cell(row=row, column=columns['日期'])
    names = rows.cell(row=row, column=columns['值班人']).value or ''
    if number.data_type != 'n' or not date.is_date or names != names.strip():
        problems.append('值班表 row %d: %r %r %r' % (row, number.value, date.value, names))
print('\n'.join(problems) or 'ok')
)";

test::ProcessResult cli(const QString& database, const QStringList& arguments) {
    return test::runProgram(test::cliProgram(), test::databaseArguments(database) + arguments);
}

} // namespace

TEST(MonthSheetCli, WithoutARosterSaysSoAndWritesNothing) {
    test::TempDatabase t;
    const QString output = QDir(t.dir.path()).filePath("out");
    const QStringList cases[] = {{"--month"},
                                 {"--month", "--pdf", output},
                                 {"--xlsx", output},
                                 {"--month", "--csv", output}};
    for (const QStringList& arguments : cases) {
        const test::ProcessResult result = cli(t.path, QStringList{"roster"} + arguments);
        EXPECT_EQ(result.exitCode, 3) << arguments.join(' ').toStdString();
        EXPECT_TRUE(result.err.contains(msg::noRoster)) << result.err.toStdString();
        EXPECT_FALSE(QFile::exists(output));
    }
}

TEST(MonthSheetCli, HostileNamesReachTheSheetThePdfAndTheWorkbookAsText) {
    test::TempDatabase t;
    QStringList names = {QString(60, QChar(u'名')) + "最后四字",
                         "O'Neil \"Q\"",
                         "😀王",
                         "=1+1",
                         "+SUM(A1:A2)",
                         "-2",
                         "@x"};
    const bool nulInName = !test::onServerStore(); // a ward's text cannot hold a NUL
    if (nulInName)
        names << "nul␀byte"; // a NUL in the file, shown as ␀
    for (int i = 0; i < names.size(); ++i)
        t.run(QString("insert into 基本信息 (ID, 姓名, 家庭住址, 所属组ID) values (%1, %2, '0', "
                      "'zz1z')")
                  .arg(i + 1)
                  .arg(nulInName ? QString("replace(%1, '␀', char(0))").arg(sqlQuote(names.at(i)))
                                 : sqlQuote(names.at(i))));
    t.run(
        "insert into banci (班次名称, 起始时间, 次日, 终止时间, 连续次数, 最小连续天数, 分布日期, "
        "所属组ID, 开始秒序, 结束秒序, 人数) values "
        "('白班', '08:00', '不跨转', '16:00', '无限制', '无限制', '全部', 'zz1z', 480, 960, 3),"
        "('很长很长的班次名称很长很长的班次名称很', '22:00', '跨转至次日', '08:00', '无限制', "
        "'无限制', '全部', 'zz1z', 1320, 1920, 2);"
        "insert into 日期类型 (日期, 所属日期组ID) values ('2027-01-08', 'zz1z'), "
        "('2027-01-09', 'zz1z'), ('2027-01-10', 'zz1z')");
    ASSERT_EQ(cli(t.path, {"generate"}).exitCode, 0);
    const QString rosterRows = t.scalar("select count(*) from 值班报表").toString();
    t.connection.reset();

    const QDir folder(t.dir.path());
    const QString xlsx = folder.filePath("排班总表.xlsx");
    const QString pdf = folder.filePath("排班总表.pdf");
    const QString csv = folder.filePath("排班总表.csv");
    const test::ProcessResult written =
        cli(t.path, {"roster", "--month", "--xlsx", xlsx, "--pdf", pdf, "--csv", csv});
    ASSERT_EQ(written.exitCode, 0) << written.err.toStdString();
    EXPECT_TRUE(written.out.isEmpty()) << written.out.toStdString(); // the files say it all
    const QByteArray csvBytes = test::fileBytes(csv);
    EXPECT_EQ(csvBytes.contains("nul␀byte"), nulInName);
    EXPECT_FALSE(csvBytes.contains('\0'));
    // The PDF carries the names as text, formula-like ones unchanged.
    const QString pdfText = QString::fromUtf8(test::runProgram("pdftotext", {pdf, "-"}).out);
    for (const QString& name : {names.at(1), names.at(3), names.at(4), names.at(6)})
        EXPECT_TRUE(pdfText.contains(name)) << name.toStdString();

    // Debian's own python, the one python3-openpyxl goes with.
    const QString python = QFile::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
    const QString expected = QString::fromUtf8(
        QJsonDocument(QJsonArray::fromStringList(names)).toJson(QJsonDocument::Compact));
    QProcess reader;
    reader.start(python, {"-c", kReadBack, xlsx, expected, rosterRows});
    ASSERT_TRUE(reader.waitForFinished(60000));
    EXPECT_EQ(QString::fromUtf8(reader.readAllStandardOutput()).trimmed(), "ok")
        << reader.readAllStandardError().toStdString();
}

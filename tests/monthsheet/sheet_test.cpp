// The month sheet read from the work tables: a set-up worked out by hand, and
// the sample's generated roster, which the sheet must agree with row by row.

#include "engine/runfixture.h"
#include "monthsheet/monthsheet.h"
#include "monthsheet/sheettext.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QMap>

using namespace korvane;
using namespace korvane::monthsheet;

namespace {

MonthSheet load(QSqlDatabase& db) {
    MonthSheet sheet;
    QString error;
    EXPECT_TRUE(loadMonthSheet(db, &sheet, &error)) << error.toStdString();
    return sheet;
}

} // namespace

// Three people (乙 first by ID), Saturday 30 January to Monday 1 February:
// 乙 works two shifts on the Saturday and a night into Monday; 甲 a night
// into Sunday and a Monday; 丙 nothing (a candidate and a struck-out row only).
TEST(MonthSheet, AHandWorkedRosterGivesItsCellsAndTotals) {
    test::TempDatabase t;
    t.run("insert into 基本信息 (ID, 姓名, 家庭住址, IDID, 所属组ID) values "
          "(2, '甲', '0', 1, 'zz1z'), (1, '乙', '0', 2, 'zz1z'), (3, '丙', '0', 3, 'zz1z');"
          "insert into banci (班次名称, idid, 起始时间, 次日, 终止时间, 开始秒序, 结束秒序, 人数, "
          "分布日期, 所属组ID) values "
          "('白班', 1, '08:00', '不跨转', '16:00', 480, 960, 1, '全部', 'zz1z'),"
          "('大夜班', 2, '22:00', '跨转至次日', '08:00', 1320, 1920, 1, '全部', 'zz1z'),"
          "('小夜班', 3, '16:00', '不跨转', '22:30', 960, 1350, 1, '全部', 'zz1z');"
          "insert into 日期类型 (日期, 所属日期组ID) values "
          "('2027-02-01', 'zz1z'), ('2027-01-30', 'zz1z'), ('2027-01-31', 'zz1z');"
          "insert into 值班底表 (日期, 班次IDID, 姓名IDID, 是否值班) values "
          "('2027-01-30', 3, 2, '1'), ('2027-01-30', 1, 2, '1'), ('2027-01-31', 2, 2, '1'),"
          "('2027-01-30', 2, 1, '1'), ('2027-02-01', 1, 1, '1'),"
          "('2027-01-30', 1, 3, '2'), ('2027-01-31', 1, 3, '0')");
    const MonthSheet sheet = load(t.db());
    const SheetTotals totals = sheetTotals(sheet);

    // ID, 姓名, the three dates, then 班数, 跨日班, 周末班, 工时; the people on duty last.
    EXPECT_EQ(sheetRows(sheet, totals),
              (QList<QStringList>{
                  {"1", "乙", "白班/小夜班", "大夜班→", "", "3", "1", "3", "24.5"},
                  {"2", "甲", "大夜班→", "", "白班", "2", "1", "1", "18"},
                  {"3", "丙", "", "", "", "0", "0", "0", "0"},
                  {"", "在班人数", "2", "1", "1", "", "", "", ""},
              }));
    for (const QStringList& row : sheetRows(sheet, totals))
        EXPECT_EQ(row.size(), sheetColumns(sheet).size()) << row.join(',').toStdString();
    const QStringList headings[] = {{"1月", "30", "六"}, {"", "31", "日"}, {"2月", "1", "一"}};
    for (int date = 0; date < 3; ++date) {
        const DateHeading heading = dateHeading(sheet, date);
        EXPECT_EQ(QStringList({heading.month, heading.day, heading.weekday}), headings[date]);
    }
    // Lowest, highest, difference of 班数, 跨日班, 周末班, 工时 over the staff.
    EXPECT_EQ(spreadTexts(totals, 0), QStringList({"0", "0", "0", "0"}));
    EXPECT_EQ(spreadTexts(totals, 1), QStringList({"3", "1", "3", "24.5"}));
    EXPECT_EQ(spreadTexts(totals, 2), QStringList({"3", "1", "3", "24.5"}));
    // The mean is 5/3 shifts: 乙 and 丙 are more than one shift from it.
    EXPECT_EQ(QList<bool>({totals.standsOut(0), totals.standsOut(1), totals.standsOut(2)}),
              QList<bool>({true, false, true}));
    EXPECT_EQ(totals.people.at(0).byShift, QList<int>({1, 1, 1}));
    // Short labels tell the shifts apart: 大夜班 and 小夜班 by their first characters.
    EXPECT_EQ(shortLabels(sheet), QStringList({"白", "小", "大→"}));
}

// Every row of 值班报表 names exactly the people whose cell holds that
// shift on that day, and the sheet holds nothing the roster does not.
TEST(MonthSheet, AgreesWithTheRosterOfTheSample) {
    test::TempDatabase t;
    t.loadSample();
    ASSERT_EQ(engine::generate(t.path).outcome, engine::RunOutcome::Done);
    const MonthSheet sheet = load(t.db());

    QMap<QDate, int> column;
    for (int date = 0; date < sheet.dates.size(); ++date)
        column.insert(sheet.dates.at(date), date);
    int named = 0;
    const QStringList rows = t.rows("select 日期, 班次, 值班人 from 值班报表 order by IDID");
    ASSERT_FALSE(rows.isEmpty());
    for (const QString& row : rows) {
        const QStringList fields = row.split('|');
        const QDate date = QDate::fromString(fields.at(0), "yyyy年M月d日");
        ASSERT_TRUE(column.contains(date)) << row.toStdString();
        QStringList onSheet;
        for (int person = 0; person < sheet.people.size(); ++person)
            for (int shift : sheet.cell(person, column.value(date)))
                if (sheet.shifts.at(shift).name == fields.at(1))
                    onSheet << sheet.people.at(person).name;
        QStringList inRoster = fields.at(2).split("  ", Qt::SkipEmptyParts);
        named += int(inRoster.size());
        onSheet.sort();
        inRoster.sort();
        EXPECT_EQ(onSheet, inRoster) << row.toStdString();
    }
    const SheetTotals totals = sheetTotals(sheet);
    int onSheet = 0;
    for (const PersonTotals& person : totals.people)
        onSheet += person.shifts;
    EXPECT_EQ(onSheet, named);
}

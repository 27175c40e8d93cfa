// What the planner sets for the score and the run: the checks of every
// entry, wishes from a CSV file, how group and own targets combine, and the
// weekends of a marked calendar.

#include "monthsheet/monthsheet.h"
#include "store/messages.h"
#include "support/testsupport.h"
#include "targets/holidays.h"
#include "targets/messages.h"
#include "targets/objectives.h"
#include "targets/targetseditor.h"
#include "targets/wishcsv.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QStringEncoder>

#include <functional>

using namespace korvane;
using namespace korvane::targets;

namespace {

// The rows of every day of March 2027 in date group zz1z.
QString marchDates() {
    QStringList rows;
    for (QDate day(2027, 3, 1); day.month() == 3; day = day.addDays(1))
        rows << QStringLiteral("('%1', 'zz1z')").arg(day.toString(Qt::ISODate));
    return rows.join(QStringLiteral(", "));
}

// 甲 (IDID 1) and 乙 (2) in staff group 病区 (2), 丙 (3) not; 白班 (1, 人数
// 2) and 夜班 (2) in shift group 夜班组 (2); March 2027.
class TargetsTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.run("insert into 值班人员组 (值班人员组名称, idid) values ('病区', 2);"
               "insert into 基本信息 (ID, 姓名, 所属组ID) values (1, '甲', 'zz2z1z'), "
               "(2, '乙', 'zz2z1z'), (3, '丙', 'zz1z');"
               "insert into 班次组 (班次组名称, idid) values ('夜班组', 2);"
               "insert into banci (班次名称, idid, 起始时间, 终止时间, 人数, 所属组ID) values "
               "('白班', 1, '08:00', '16:00', 2, 'zz1z'), ('夜班', 2, '22:00', '08:00', 1, "
               "'zz2z1z');"
               "insert into 日期类型 (日期, 所属日期组ID) values " +
               marchDates());
    }
    int stored() {
        return db
            .scalar("select (select count(*) from 排班目标) + (select count(*) from "
                    "排班意愿) + (select count(*) from 公平权重) + (select count(*) from "
                    "理想人数) + (select count(*) from 禁止衔接) + (select count(*) from "
                    "日期类型 where 节假日 is not null) + (select count(*) from 最多人数)")
            .toInt();
    }
    Objectives loaded() {
        Objectives objectives;
        QString error;
        EXPECT_TRUE(load(db.db(), &objectives, &error)) << error.toStdString();
        return objectives;
    }
    test::TempDatabase db;
    ScriptedPrompt prompt;
    TargetsEditor editor{db.db(), prompt};
    HolidayEditor holidays{db.db(), prompt};
};

QString refused(const QString& row, const QString& problem) {
    return targetmsg::refused.arg(row, problem);
}

TEST_F(TargetsTest, AWrongEntryIsRefusedNamingItsRowAndNothingIsStored) {
    const QDate march1(2027, 3, 1);
    const auto target = [](qint64 idid, TargetKind kind, QString least, QString most,
                           QString weight = "10", QString shift = "") {
        return TargetEntry{false, idid, kind, shift, false, least, most, weight};
    };
    const QString aShifts = targetmsg::targetRow.arg("甲", "班数");
    const QString nights = targetmsg::successionRow.arg("夜班", "夜班");
    struct Case {
        const char* what;
        std::function<bool()> entry;
        QString message; // empty: stored
    };
    const QList<Case> cases = {
        {"least above most",
         [&] { return !!editor.addTarget(target(1, TargetKind::Shifts, "20", "10")); },
         refused(aShifts, targetmsg::leastAboveMost.arg("20", "10"))},
        {"fractional count",
         [&] { return !!editor.addTarget(target(1, TargetKind::Shifts, "1.5", "")); },
         refused(aShifts, targetmsg::countInvalid.arg("最少", "1.5"))},
        {"negative weight",
         [&] { return !!editor.addTarget(target(1, TargetKind::Shifts, "", "20", "-3")); },
         refused(aShifts, targetmsg::weightInvalid.arg("-3"))},
        {"fractional weight",
         [&] { return !!editor.addTarget(target(1, TargetKind::Shifts, "", "20", "2.5")); },
         refused(aShifts, targetmsg::weightInvalid.arg("2.5"))},
        {"no bound", [&] { return !!editor.addTarget(target(1, TargetKind::Shifts, "", "")); },
         refused(aShifts, targetmsg::noBound)},
        {"complete weekends take no bound",
         [&] { return !!editor.addTarget(target(1, TargetKind::CompleteWeekends, "1", "")); },
         refused(targetmsg::targetRow.arg("甲", "完整周末"),
                 targetmsg::noBoundsForCompleteWeekends)},
        {"a deleted person",
         [&] { return !!editor.addTarget(target(9, TargetKind::Shifts, "1", "")); },
         refused(targetmsg::targetRow.arg("9", "班数"), targetmsg::noSuchPerson)},
        {"an unknown shift",
         [&] {
             return !!editor.addTarget(
                 target(1, TargetKind::ConsecutiveSameShift, "", "3", "10", "早班"));
         },
         refused(targetmsg::targetRow.arg("甲", "连续同班 早班"),
                 targetmsg::noSuchShift.arg("早班"))},
        {"hours may hold a fraction, full-width digits read",
         [&] { return !!editor.addTarget(target(1, TargetKind::Hours, "１５０.５", "", "")); }, ""},
        {"the same target twice",
         [&] { return !!editor.addTarget(target(1, TargetKind::Hours, "", "170")); },
         refused(targetmsg::targetRow.arg("甲", "工时"), targetmsg::sameTargetExists)},
        {"a wish of a deleted person",
         [&] {
             return !!editor.addWish({9, march1, march1, anyShift, false, false, "5", ""});
         },
         refused(targetmsg::wishRow.arg("9", "2027-03-01", "2027-03-01", "不想", "全天"),
                 targetmsg::noSuchPerson)},
        {"a wish beyond the period",
         [&] {
             return !!editor.addWish(
                 {1, march1.addDays(30), march1.addDays(31), "夜班", false, true, "5", ""});
         },
         refused(
             targetmsg::wishRow.arg("甲", "2027-03-31", "2027-04-01", "想", "夜班"),
             targetmsg::outsidePeriod.arg("2027-03-31", "2027-04-01", "2027-03-01", "2027-03-31"))},
        {"a wish ending before it starts",
         [&] {
             return !!editor.addWish(
                 {2, march1.addDays(1), march1, anyShift, false, false, "", ""});
         },
         refused(targetmsg::wishRow.arg("乙", "2027-03-02", "2027-03-01", "不想", "全天"),
                 msg::endBeforeStart)},
        {"a shift onto itself",
         [&] {
             return !!editor.addSuccession({"夜班", false, "夜班", false});
         },
         refused(nights, targetmsg::ontoItself.arg("夜班"))},
        {"a shift onto itself through its group",
         [&] {
             return !!editor.addSuccession({"夜班组", true, "夜班", false});
         },
         refused(targetmsg::successionRow.arg("夜班组", "夜班"),
                 targetmsg::ontoItself.arg("夜班"))},
        {"an ideal below the headcount", [&] { return editor.setIdeal(1, "1", "10"); },
         refused(targetmsg::idealRow.arg("白班"), targetmsg::idealBelowHeadcount.arg("1", "2"))},
        {"a fractional ideal", [&] { return editor.setIdeal(1, "2.5", "10"); },
         refused(targetmsg::idealRow.arg("白班"), targetmsg::idealInvalid.arg("2.5"))},
        {"a 最多人数 below the headcount", [&] { return editor.setMost(1, "1"); },
         refused(targetmsg::mostRow.arg("白班"), targetmsg::mostBelowHeadcount.arg("1", "2"))},
        {"a fractional 最多人数", [&] { return editor.setMost(1, "3.5"); },
         refused(targetmsg::mostRow.arg("白班"), targetmsg::mostInvalid.arg("3.5"))},
        {"an ideal of three", [&] { return editor.setIdeal(1, "3", "10"); }, ""},
        {"a 最多人数 below the ideal", [&] { return editor.setMost(1, "2"); },
         refused(targetmsg::mostRow.arg("白班"), targetmsg::mostBelowIdeal.arg("2", "3"))},
        {"a 最多人数 of four", [&] { return editor.setMost(1, "４"); }, ""},
        {"an ideal above the 最多人数", [&] { return editor.setIdeal(1, "5", "10"); },
         refused(targetmsg::idealRow.arg("白班"), targetmsg::idealAboveMost.arg("5", "4"))},
        {"a negative fairness weight",
         [&] { return editor.setFairness(2, FairnessKind::Overnight, "-1"); },
         refused(targetmsg::fairnessRow.arg("病区", "夜班"), targetmsg::weightInvalid.arg("-1"))},
        {"a holiday beyond the period",
         [&] {
             return holidays.mark({march1, QDate(2027, 4, 5)}, DayMark::Holiday);
         },
         targetmsg::markOutsidePeriod.arg("2027-04-05", "2027-03-01", "2027-03-31")},
        {"a working weekend on a Wednesday",
         [&] {
             return holidays.mark({QDate(2027, 3, 6), QDate(2027, 3, 3)}, DayMark::WorkingWeekend);
         },
         targetmsg::workingWeekendOnWeekday.arg("2027-03-03", "星期三")},
    };
    for (const Case& c : cases) {
        prompt.clear();
        const int before = stored();
        EXPECT_EQ(c.entry(), c.message.isEmpty()) << c.what;
        EXPECT_EQ(prompt.shown(), c.message.isEmpty() ? QStringList() : QStringList{c.message})
            << c.what;
        EXPECT_EQ(stored(), before + (c.message.isEmpty() ? 1 : 0)) << c.what;
    }
}

// A group's target holds for each member; a person's own replaces their
// groups' of the same kind, and of two groups' the stricter bound and the
// larger weight hold. A target on one shift leaves one on another alone.
TEST_F(TargetsTest, OwnTargetsReplaceGroupTargetsAndOfTwoGroupsTheStricterHolds) {
    const auto add = [&](bool group, qint64 idid, TargetKind kind, QString least, QString most,
                         QString weight, QString shift = "", bool shiftGroup = false) {
        ASSERT_TRUE(editor.addTarget({group, idid, kind, shift, shiftGroup, least, most, weight}));
    };
    add(true, 1, TargetKind::Shifts, "12", "25", "3");
    add(true, 2, TargetKind::Shifts, "10", "20", "5");
    add(false, 2, TargetKind::Shifts, "", "8", "1");
    add(true, 2, TargetKind::ConsecutiveSameShift, "", "3", "7", "夜班组", true);
    add(false, 1, TargetKind::ConsecutiveSameShift, "", "2", "9", "白班");
    const Objectives objectives = loaded();
    QStringList held;
    for (qint64 person : {1, 2, 3})
        for (const Target& target : objectives.targets.value(person))
            held << QStringLiteral("%1 %2 %3-%4 x%5 %6 %7")
                        .arg(person)
                        .arg(targetKindText(target.kind),
                             target.least ? QString::number(*target.least) : "",
                             target.most ? QString::number(*target.most) : "")
                        .arg(target.weight)
                        .arg(target.shifts.size())
                        .arg(target.fromGroup ? *target.fromGroup : 0);
    EXPECT_EQ(held,
              QStringList({"1 班数 12-20 x5 0 1", "1 连续同班 -3 x7 1 2", "1 连续同班 -2 x9 1 0",
                           "2 班数 -8 x1 0 0", "2 连续同班 -3 x7 1 2", "3 班数 12-25 x3 0 1"}));
    EXPECT_TRUE(prompt.shown().isEmpty());
}

// With nothing set, 全部 is measured with the default weights; a weight of
// 0 switches a kind off, a group's own row adds its measure.
TEST_F(TargetsTest, FairnessTakesTheDefaultsUnlessARowSetsTheWeight) {
    const auto measured = [&] {
        QStringList kinds;
        for (const Fairness& each : loaded().fairness)
            kinds << QStringLiteral("%1 %2 %3 %4")
                         .arg(each.group)
                         .arg(fairnessKindText(each.kind))
                         .arg(each.weight)
                         .arg(each.members.size());
        return kinds;
    };
    const QString overnight = QString::number(defaultFairnessWeight(FairnessKind::Overnight));
    EXPECT_EQ(measured().size(), fairnessKindTexts.size());
    ASSERT_TRUE(editor.setFairness(1, FairnessKind::Hours, "0"));
    ASSERT_TRUE(editor.setFairness(2, FairnessKind::Hours, "4"));
    const QStringList kinds = measured();
    EXPECT_FALSE(kinds.contains("1 工时 1 3"));
    EXPECT_TRUE(kinds.contains("1 夜班 " + overnight + " 3"));
    EXPECT_TRUE(kinds.contains("2 工时 4 2"));
    ASSERT_TRUE(editor.setFairness(1, FairnessKind::Hours, ""));
    EXPECT_EQ(measured().size(), fairnessKindTexts.size() + 1);
}

// A weekend is a run of weekend days of the marked calendar: a holiday on
// the Friday joins the weekend after it, a working Saturday leaves Sunday
// alone. The date groups follow the marks.
TEST_F(TargetsTest, MarkedDatesMakeTheWeekendsAndFillTheDateGroups) {
    db.run("insert into 日期组 (日期组名称, idid) values ('工作日', 2)");
    const QDate friday(2027, 3, 5);
    ASSERT_TRUE(holidays.mark({friday, friday.addDays(10)}, DayMark::Holiday));
    ASSERT_TRUE(holidays.mark({friday.addDays(8)}, DayMark::WorkingWeekend)); // Saturday 13th
    const Objectives objectives = loaded();
    const qint64 first = QDate(2027, 3, 1).toJulianDay();
    QStringList weekends;
    for (const DayRange& range : weekendsBetween(first, first + 20, objectives.marks))
        weekends
            << QStringLiteral("%1-%2").arg(range.first - first + 1).arg(range.last - first + 1);
    EXPECT_EQ(weekends, QStringList({"5-7", "14-15", "20-21"}));
    EXPECT_TRUE(objectives.isWeekendDay(first + 14));  // Monday the 15th, a holiday
    EXPECT_FALSE(objectives.isWeekendDay(first + 12)); // the working Saturday
    EXPECT_TRUE(isWeekendDay(first + 12, {}));         // unmarked, as the weekday says

    prompt.clear();
    ASSERT_TRUE(holidays.fillDateGroups());
    EXPECT_EQ(prompt.questions().size(), 1);
    const auto members = [&](const QString& group) {
        return db
            .rows("select substr(日期, 9) from 日期类型, 日期组 where 日期组名称 = '" + group +
                  "' and instr(所属日期组ID, 'z' || idid || 'z') > 0 order by 日期")
            .join(' ');
    };
    EXPECT_EQ(members("节假日"), "05 15");
    EXPECT_EQ(members("周末"), "05 06 07 14 15 20 21 27 28");
    EXPECT_EQ(db.scalar("select count(*) from 日期类型, 日期组 where 日期组名称 = '工作日' and "
                        "instr(所属日期组ID, 'z2z') > 0")
                  .toInt(),
              31 - 9);
}

// The month sheet counts a shift on a holiday among the weekend shifts,
// and one on a working Saturday not; unmarked dates count as before.
TEST_F(TargetsTest, TheMonthSheetCountsTheWeekendShiftsOfTheMarkedCalendar) {
    // 甲 works Wednesday 3rd, Saturday 6th and Sunday 7th.
    db.run("insert into 值班底表 (日期, 班次IDID, 姓名IDID, 是否值班) values ('2027-03-03', 1, 1, "
           "'1'), ('2027-03-06', 1, 1, '1'), ('2027-03-07', 2, 1, '1')");
    const auto weekendShifts = [&] {
        monthsheet::MonthSheet sheet;
        QString error;
        EXPECT_TRUE(monthsheet::loadMonthSheet(db.db(), &sheet, &error)) << error.toStdString();
        return monthsheet::sheetTotals(sheet).people.at(0).weekend;
    };
    EXPECT_EQ(weekendShifts(), 2);
    ASSERT_TRUE(holidays.mark({QDate(2027, 3, 3)}, DayMark::Holiday));
    ASSERT_TRUE(holidays.mark({QDate(2027, 3, 6)}, DayMark::WorkingWeekend));
    EXPECT_EQ(weekendShifts(), 2 + 1 - 1);
    ASSERT_TRUE(holidays.mark({QDate(2027, 3, 6)}, DayMark::None));
    EXPECT_EQ(weekendShifts(), 3);
}

// The file as nurses hand it in: UTF-8 with or without a mark, or GBK from
// a Chinese Excel; a header row, quoted reasons. Every wrong row is named,
// and then nothing is stored.
TEST_F(TargetsTest, WishesAreImportedFromACsvFileWhollyOrNotAtAll) {
    const QString header = "人员,开始日期,结束日期,班次,想/不想,权重,原因\r\n";
    const QString good = "甲,2027-03-05,2027/3/6,全天,不想,20,\"婚礼, 请假\"\r\n"
                         "乙,2027年3月8日,2027-03-08,夜班组,想,,\r\n";
    QStringEncoder gbk("GB18030");
    struct Case {
        const char* what;
        QByteArray bytes;
        QStringList messages;
        int stored;
    };
    const QList<Case> cases = {
        {"UTF-8 with a mark",
         "\xEF\xBB\xBF" + (header + good).toUtf8(),
         {targetmsg::wishesImported.arg(2)},
         2},
        {"GBK, no header", gbk.encode(good), {targetmsg::wishesImported.arg(2)}, 2},
        {"a formula, an unknown name, a wrong date, a bad weight",
         (header + good +
          "丙,2027-03-09,2027-03-09,白班,想,=1+1\n丁,2027-03-09,2027-03-09,白班,想,1\n"
          "丙,2027-02-30,2027-03-09,白班,想,1\n丙,2027-03-09,2027-03-09,白班,想,1.5\n")
             .toUtf8(),
         {QStringList{targetmsg::wishesNotImported,
                      refused(targetmsg::csvRow.arg(4), targetmsg::formulaCell.arg("=1+1")),
                      refused(targetmsg::csvRow.arg(5), targetmsg::unknownPerson.arg("丁")),
                      refused(targetmsg::csvRow.arg(6), targetmsg::notADate.arg("2027-02-30")),
                      refused(targetmsg::csvRow.arg(7), targetmsg::weightInvalid.arg("1.5"))}
              .join('\n')},
         0},
        {"an unknown shift",
         "甲,2027-03-05,2027-03-05,早班,想,1\n",
         {targetmsg::wishesNotImported + '\n' +
          refused(targetmsg::csvRow.arg(1), targetmsg::noSuchShiftOrGroup.arg("早班"))},
         0},
        {"not text",
         QByteArray("\x81\x20\xff"),
         {targetmsg::wishesNotImported + '\n' + targetmsg::notText},
         0},
    };
    const QString path = QDir(db.dir.path()).filePath("wishes.csv");
    for (const Case& c : cases) {
        db.run("delete from 排班意愿");
        prompt.clear();
        test::writeFile(path, c.bytes);
        EXPECT_EQ(importWishes(editor, prompt, path),
                  c.stored ? ImportOutcome::Imported : ImportOutcome::Refused)
            << c.what;
        EXPECT_EQ(prompt.shown(), c.messages) << c.what;
        EXPECT_EQ(db.scalar("select count(*) from 排班意愿").toInt(), c.stored) << c.what;
    }
    // The last good file's wishes, as a run reads them.
    test::writeFile(path, (header + good).toUtf8());
    ASSERT_EQ(importWishes(editor, prompt, path), ImportOutcome::Imported);
    EXPECT_EQ(
        db.rows("select 人员IDID, 开始日期, 结束日期, 班次, 选定班次组, 想要, 权重, 原因 from "
                "排班意愿 order by 编号"),
        QStringList({"1|2027-03-05|2027-03-06|全天|0|0|20|婚礼, 请假",
                     "2|2027-03-08|2027-03-08|夜班组|1|1|10|"}));
    const QList<Wish> wishes = loaded().wishes;
    ASSERT_EQ(wishes.size(), 2);
    EXPECT_TRUE(wishes.at(0).shifts.isEmpty());
    EXPECT_EQ(wishes.at(1).shifts, QSet<qint64>{2});
}

} // namespace

#include "editors/shifteditor.h"
#include "store/messages.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

using namespace korvane;

namespace {

ShiftEntry entry(const QString& name, int startHour, int startMinute, const QString& day,
                 int endHour, int endMinute) {
    ShiftEntry e;
    e.name = name;
    e.startHour = QString::number(startHour);
    e.startMinute = QString::number(startMinute);
    e.day = day;
    e.endHour = QString::number(endHour);
    e.endMinute = QString::number(endMinute);
    return e;
}

class ShiftEditorTest : public ::testing::Test {
protected:
    test::TempDatabase data;
    ScriptedPrompt prompt;
    ShiftEditor editor{data.db(), prompt};

    QString stored(qint64 idid, const QString& columns) {
        return data.rows(QString("select %1 from banci where idid = %2").arg(columns).arg(idid))
            .value(0);
    }
    int shiftCount() { return data.scalar("select count(*) from banci").toInt(); }
};

} // namespace

TEST_F(ShiftEditorTest, TimesAndSecondOrdersOfADayAndANightShift) {
    const auto night = editor.addShift(entry("夜班", 22, 0, shift::nextDay, 6, 0));
    const auto day = editor.addShift(entry("白班", 8, 0, shift::sameDay, 17, 30));
    ASSERT_TRUE(night && day);
    EXPECT_EQ(stored(*night, "班次名称, 起始时间, 次日, 终止时间, 开始秒序, 结束秒序"),
              "夜班|22:00|跨转至次日|06:00|1320|1800");
    EXPECT_EQ(stored(*day, "起始时间, 次日, 终止时间, 开始秒序, 结束秒序"),
              "08:00|不跨转|17:30|480|1050");
    EXPECT_TRUE(prompt.shown().isEmpty());
}

TEST_F(ShiftEditorTest, SameDayCheckComparesHoursOnly) {
    // Equal hours pass whatever the minutes.
    EXPECT_TRUE(editor.addShift(entry("短班", 8, 40, shift::sameDay, 8, 10)));
    EXPECT_TRUE(prompt.shown().isEmpty());
    EXPECT_FALSE(editor.addShift(entry("错班", 18, 0, shift::sameDay, 8, 0)));
    EXPECT_EQ(prompt.shown(), QStringList{msg::endAfterStart});
    EXPECT_EQ(shiftCount(), 1);
    // The same times crossing midnight are a valid night shift.
    EXPECT_TRUE(editor.addShift(entry("夜班", 18, 0, shift::nextDay, 8, 0)));
}

TEST_F(ShiftEditorTest, NewShiftBelongsToAllAndEditKeepsMembership) {
    const auto idid = editor.addShift(entry("白班", 8, 0, shift::sameDay, 17, 0));
    ASSERT_TRUE(idid);
    EXPECT_EQ(stored(*idid, "所属组ID"), "zz1z");
    data.run(QString("update banci set 所属组ID = 'zz4z1z' where idid = %1").arg(*idid));

    ShiftEntry changed = entry("早班", 7, 30, shift::sameDay, 15, 0);
    changed.headcount = "3";
    changed.level = "5";
    changed.note = "备注";
    changed.distribution = "工作日";
    changed.leastRun = "2";
    ASSERT_TRUE(editor.updateShift(*idid, changed));
    EXPECT_EQ(stored(*idid, "班次名称, 起始时间, 所属组ID, 人数, 班次级别, 备注, 分布日期, "
                            "最小连续天数, 开始秒序, 结束秒序"),
              "早班|07:30|zz4z1z|3|5|备注|工作日|2|450|900");
}

TEST_F(ShiftEditorTest, LoadGivesThePanelValuesWithoutLeadingZeros) {
    ShiftEntry night = entry("夜班", 22, 5, shift::nextDay, 6, 0);
    night.headcount = "2";
    night.sharedLimit = "3";
    const auto idid = editor.addShift(night);
    ASSERT_TRUE(idid);
    const auto loaded = editor.load(*idid);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(QStringList({loaded->startHour, loaded->startMinute, loaded->endHour, loaded->day,
                           loaded->headcount, loaded->sharedLimit}),
              (QStringList{"22", "5", "6", shift::nextDay, "2", "3"}));
    EXPECT_FALSE(editor.load(*idid + 100));

    // An unknown 次日 leaves the day box as it is, and an edit keeps the stored value.
    data.run(QString("update banci set 次日 = '?' where idid = %1").arg(*idid));
    EXPECT_EQ(editor.load(*idid, "次")->day, "次");
    ASSERT_TRUE(editor.updateShift(*idid, *editor.load(*idid, "x")));
    EXPECT_EQ(stored(*idid, "次日"), "?");
}

TEST_F(ShiftEditorTest, QuotesRepeatedNamesAndDeletesOfOneRow) {
    const auto first = editor.addShift(entry("O'Neil's", 8, 0, shift::sameDay, 9, 0));
    const auto second = editor.addShift(entry("O'Neil's", 10, 0, shift::sameDay, 11, 0));
    ASSERT_TRUE(first && second);
    EXPECT_EQ(data.scalar("select count(*) from banci where 班次名称 = 'O''Neil''s'").toInt(), 2);
    EXPECT_TRUE(editor.deleteShift(*first));
    EXPECT_FALSE(editor.deleteShift(*first));
    ASSERT_EQ(editor.shifts().size(), 1);
    EXPECT_EQ(editor.shifts()[0].idid, *second);
    // Updating a shift that is gone stores nothing.
    EXPECT_FALSE(editor.updateShift(*first, entry("白班", 8, 0, shift::sameDay, 17, 0)));
    EXPECT_EQ(data.rows("select 班次名称 from banci"), QStringList{"O'Neil's"});
}

TEST_F(ShiftEditorTest, BlankNamesAreRefused) {
    const auto kept = editor.addShift(entry("白班", 8, 0, shift::sameDay, 17, 0));
    ASSERT_TRUE(kept);
    for (const char* blank : {"", " ", "\u3000"}) {
        EXPECT_FALSE(editor.addShift(entry(blank, 8, 0, shift::sameDay, 17, 0))) << blank;
        EXPECT_FALSE(editor.updateShift(*kept, entry(blank, 8, 0, shift::sameDay, 17, 0)));
    }
    EXPECT_EQ(prompt.shown(), QStringList(6, msg::shiftNameEmpty));
    EXPECT_EQ(data.rows("select 班次名称 from banci"), QStringList{"白班"});
}

TEST_F(ShiftEditorTest, SharedLimitIsWrittenIntoEveryRow) {
    EXPECT_EQ(editor.openingSharedLimit(), shift::noLimit);
    ASSERT_TRUE(editor.writeSharedLimit("3")); // empty table: nothing to write
    ASSERT_TRUE(editor.addShift(entry("白班", 8, 0, shift::sameDay, 17, 0)));
    ASSERT_TRUE(editor.addShift(entry("夜班", 22, 0, shift::nextDay, 6, 0)));
    ASSERT_TRUE(editor.writeSharedLimit("3"));
    EXPECT_EQ(data.rows("select 连续次数 from banci"), (QStringList{"3", "3"}));
    EXPECT_EQ(editor.openingSharedLimit(), "3");
    ASSERT_TRUE(editor.writeSharedLimit(shift::noLimit));
    EXPECT_EQ(data.rows("select 连续次数 from banci"), (QStringList{"无限制", "无限制"}));
}

TEST_F(ShiftEditorTest, DateGroupNamesInStoredOrder) {
    data.run("insert into 日期组 (日期组名称) values ('周末'); "
             "insert into 日期组 (日期组名称) values ('工作日')");
    EXPECT_EQ(editor.dateGroupNames(), (QStringList{"全部", "周末", "工作日"}));
}

// A save, new or edit, must never store a time that is not a whole hour 0-23
// and minute 0-59.
class BrokenTimeTest : public ShiftEditorTest,
                       public ::testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(BrokenTimeTest, IsRefusedWithAMessage) {
    const auto idid = editor.addShift(entry("白班", 8, 0, shift::sameDay, 17, 0));
    ASSERT_TRUE(idid);
    ShiftEntry e = entry("班", 8, 0, shift::nextDay, 9, 0);
    e.startHour = GetParam().first;
    e.endMinute = GetParam().second;
    EXPECT_FALSE(editor.addShift(e));
    EXPECT_FALSE(editor.updateShift(*idid, e));
    EXPECT_EQ(prompt.shown(), (QStringList{msg::invalidShiftTime, msg::invalidShiftTime}));
    EXPECT_EQ(data.rows("select 班次名称, 起始时间, 终止时间 from banci"),
              QStringList{"白班|08:00|17:00"});
}

INSTANTIATE_TEST_SUITE_P(HoursAndMinutes, BrokenTimeTest,
                         ::testing::Values(std::pair{"-1", "0"}, std::pair{"1.5", "0"},
                                           std::pair{"ab", "0"}, std::pair{"", "0"},
                                           std::pair{"24", "0"}, std::pair{"8", "-5"},
                                           std::pair{"8", "0.5"}, std::pair{"8", "60"}));

// The change checks of the entry boxes: message and the value put back.
struct BoxCase {
    ShiftBox box;
    const char* typed;
    QString message; // empty: accepted
    const char* shown;
};

class ShiftBoxTest : public ::testing::TestWithParam<BoxCase> {};

TEST_P(ShiftBoxTest, SettlesOnTheExpectedValue) {
    const BoxCase& c = GetParam();
    ScriptedPrompt prompt;
    EXPECT_EQ(settleShiftBox(c.box, c.typed, prompt), c.shown);
    EXPECT_EQ(prompt.shown(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
}

INSTANTIATE_TEST_SUITE_P(
    EntryChecks, ShiftBoxTest,
    ::testing::Values(BoxCase{ShiftBox::Hour, "24", msg::valueTooLarge, "0"},
                      BoxCase{ShiftBox::Hour, "23", {}, "23"},
                      BoxCase{ShiftBox::Hour, "x", msg::enterNumber, "0"},
                      BoxCase{ShiftBox::Hour, "-3", {}, "-3"}, // signs pass the change check
                      BoxCase{ShiftBox::Minute, "60", msg::valueTooLarge, "0"},
                      BoxCase{ShiftBox::Minute, "59", {}, "59"},
                      BoxCase{ShiftBox::Minute, "59.5", msg::valueTooLarge, "0"},
                      BoxCase{ShiftBox::Headcount, "0", msg::enterNonZero, "1"},
                      BoxCase{ShiftBox::Headcount, "", msg::enterNumber, "1"},
                      BoxCase{ShiftBox::Headcount, "0.5", {}, "0.5"},
                      BoxCase{ShiftBox::Headcount, "无限制", msg::enterNumber, "1"},
                      BoxCase{ShiftBox::LeastRun, "无限制", {}, "无限制"},
                      BoxCase{ShiftBox::LeastRun, "0", msg::enterNonZero, "1"},
                      BoxCase{ShiftBox::SharedLimit, "3", {}, "3"},
                      BoxCase{ShiftBox::SharedLimit, "无", msg::enterNumber, "1"},
                      BoxCase{ShiftBox::SharedLimit, "0.0", msg::enterNonZero, "1"}));

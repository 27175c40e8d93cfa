#include "editors/shifteditor.h"
#include "store/messages.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

using namespace korvane;

namespace {

ShiftEntry entry(const QString& name, const QString& start, const QString& day,
                 const QString& end) {
    ShiftEntry e;
    e.name = name;
    e.startHour = start.section(':', 0, 0);
    e.startMinute = start.section(':', 1, 1);
    e.day = day;
    e.endHour = end.section(':', 0, 0);
    e.endMinute = end.section(':', 1, 1);
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
};

} // namespace

// Every save, new or edit, checks the name and the times; what passes is
// stored with its minutes of the day.
TEST_F(ShiftEditorTest, SavesCheckNameAndTimes) {
    const auto kept = editor.addShift(entry("白班", "8:0", shift::sameDay, "17:0"));
    ASSERT_TRUE(kept);
    const struct {
        const char *name, *start, *day, *end;
        QString message; // empty: stored as `row`, else refused
        const char* row;
    } cases[] = {
        {"夜班", "22:0", "次", "6:0", {}, "夜班|22:00|跨转至次日|06:00|1320|1800"},
        {"白班", "8:0", "当", "17:30", {}, "白班|08:00|不跨转|17:30|480|1050"},
        // The same-day check compares hours only.
        {"短班", "8:40", "当", "8:10", {}, "短班|08:40|不跨转|08:10|520|490"},
        {"错班", "18:0", "当", "8:0", msg::endAfterStart, ""},
        {"夜班", "18:0", "次", "8:0", {}, "夜班|18:00|跨转至次日|08:00|1080|1920"},
        // A repeated name is another shift; a blank one is refused.
        {"O'Neil's", "8:0", "当", "9:0", {}, "O'Neil's|08:00|不跨转|09:00|480|540"},
        {"", "8:0", "当", "9:0", msg::shiftNameEmpty, ""},
        {" ", "8:0", "当", "9:0", msg::shiftNameEmpty, ""},
        {"\u3000", "8:0", "当", "9:0", msg::shiftNameEmpty, ""},
        // A time that is not a whole hour 0-23 and minute 0-59.
        {"班", "-1:0", "次", "9:0", msg::invalidShiftTime, ""},
        {"班", "1.5:0", "次", "9:0", msg::invalidShiftTime, ""},
        {"班", "ab:0", "次", "9:0", msg::invalidShiftTime, ""},
        {"班", ":0", "次", "9:0", msg::invalidShiftTime, ""},
        {"班", "24:0", "次", "9:0", msg::invalidShiftTime, ""},
        {"班", "8:0", "次", "9:-5", msg::invalidShiftTime, ""},
        {"班", "8:0", "次", "9:0.5", msg::invalidShiftTime, ""},
        {"班", "8:0", "次", "9:60", msg::invalidShiftTime, ""},
    };
    const QString columns = "班次名称, 起始时间, 次日, 终止时间, 开始秒序, 结束秒序";
    const QString keptRow = stored(*kept, columns);
    for (const auto& c : cases) {
        SCOPED_TRACE(QString("%1 %2 %3 %4").arg(c.name, c.start, c.day, c.end).toStdString());
        prompt.clear();
        const ShiftEntry e = entry(c.name, c.start, c.day, c.end);
        const auto added = editor.addShift(e);
        EXPECT_EQ(editor.updateShift(*kept, e), c.message.isEmpty());
        if (c.message.isEmpty()) {
            ASSERT_TRUE(added);
            EXPECT_EQ(stored(*added, columns), c.row);
            EXPECT_EQ(stored(*kept, columns), c.row);
            editor.deleteShift(*added);
        } else {
            EXPECT_FALSE(added);
            EXPECT_EQ(prompt.shown(), QStringList(2, c.message));
        }
    }
    EXPECT_EQ(data.scalar("select count(*) from banci").toInt(), 1);
}

TEST_F(ShiftEditorTest, NewShiftBelongsToAllAndEditKeepsMembership) {
    const auto idid = editor.addShift(entry("白班", "8:0", shift::sameDay, "17:0"));
    ASSERT_TRUE(idid);
    EXPECT_EQ(stored(*idid, "所属组ID"), "zz1z");
    data.run(QString("update banci set 所属组ID = 'zz4z1z' where idid = %1").arg(*idid));

    ShiftEntry changed = entry("早班", "7:30", shift::sameDay, "15:0");
    changed.headcount = "3";
    changed.level = "5";
    changed.note = "备注";
    changed.distribution = "工作日";
    changed.leastRun = "2";
    ASSERT_TRUE(editor.updateShift(*idid, changed));
    EXPECT_EQ(stored(*idid, "班次名称, 起始时间, 所属组ID, 人数, 班次级别, 备注, 分布日期, "
                            "最小连续天数, 开始秒序, 结束秒序"),
              "早班|07:30|zz4z1z|3|5|备注|工作日|2|450|900");
    // A shift that is gone is neither updated nor deleted.
    ASSERT_TRUE(editor.deleteShift(*idid));
    EXPECT_FALSE(editor.deleteShift(*idid));
    EXPECT_FALSE(editor.updateShift(*idid, changed));
    EXPECT_TRUE(editor.shifts().isEmpty());
}

TEST_F(ShiftEditorTest, LoadGivesThePanelValuesWithoutLeadingZeros) {
    ShiftEntry night = entry("夜班", "22:05", shift::nextDay, "06:00");
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

TEST_F(ShiftEditorTest, SharedLimitIsWrittenIntoEveryRow) {
    EXPECT_EQ(editor.openingSharedLimit(), "无限制");
    ASSERT_TRUE(editor.writeSharedLimit("3")); // empty table: nothing to write
    ASSERT_TRUE(editor.addShift(entry("白班", "8:0", shift::sameDay, "17:0")));
    ASSERT_TRUE(editor.addShift(entry("夜班", "22:0", shift::nextDay, "6:0")));
    ASSERT_TRUE(editor.writeSharedLimit("3"));
    EXPECT_EQ(data.rows("select 连续次数 from banci"), (QStringList{"3", "3"}));
    EXPECT_EQ(editor.openingSharedLimit(), "3");
}

// The change checks of the entry boxes: the message and the value put back.
TEST(ShiftBoxes, SettleOnTheExpectedValue) {
    const struct {
        ShiftBox box;
        const char* typed;
        QString message; // empty: accepted
        const char* shown;
    } cases[] = {{ShiftBox::Hour, "24", msg::valueTooLarge, "0"},
                 {ShiftBox::Hour, "23", {}, "23"},
                 {ShiftBox::Hour, "x", msg::enterNumber, "0"},
                 {ShiftBox::Hour, "-3", {}, "-3"}, // signs pass the change check
                 {ShiftBox::Minute, "60", msg::valueTooLarge, "0"},
                 {ShiftBox::Minute, "59", {}, "59"},
                 {ShiftBox::Minute, "59.5", msg::valueTooLarge, "0"},
                 {ShiftBox::Headcount, "0", msg::enterNonZero, "1"},
                 {ShiftBox::Headcount, "", msg::enterNumber, "1"},
                 {ShiftBox::Headcount, "0.5", {}, "0.5"},
                 {ShiftBox::Headcount, "无限制", msg::enterNumber, "1"},
                 {ShiftBox::LeastRun, "无限制", {}, "无限制"},
                 {ShiftBox::LeastRun, "0", msg::enterNonZero, "1"},
                 {ShiftBox::SharedLimit, "3", {}, "3"},
                 {ShiftBox::SharedLimit, "无", msg::enterNumber, "1"},
                 {ShiftBox::SharedLimit, "0.0", msg::enterNonZero, "1"}};
    for (const auto& c : cases) {
        ScriptedPrompt prompt;
        EXPECT_EQ(settleShiftBox(c.box, c.typed, prompt), c.shown) << c.typed;
        EXPECT_EQ(prompt.shown(), c.message.isEmpty() ? QStringList() : QStringList{c.message})
            << c.typed;
    }
}

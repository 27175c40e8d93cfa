#include "editors/groupeditor.h"
#include "editors/membershipeditor.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QSqlQuery>

using namespace korvane;

namespace {

QStringList texts(const QList<MemberEntry>& entries) {
    QStringList list;
    for (const MemberEntry& entry : entries)
        list << entry.text;
    return list;
}

class MembershipTest : public ::testing::Test {
protected:
    test::TempDatabase data;
    ScriptedPrompt prompt;

    MembershipEditor editorFor(int kind, qint64 groupIdid) {
        return MembershipEditor(data.db(),
                                GroupEditor(data.db(), prompt, kind).contextFor({groupIdid, "组"}));
    }
    void addPerson(int id, const QString& name, const QString& memberships = "zz1z") {
        QSqlQuery query(data.db());
        query.prepare("insert into 基本信息 (ID, 姓名, 所属组ID) values (?, ?, ?)");
        query.addBindValue(id);
        query.addBindValue(name);
        query.addBindValue(memberships);
        ASSERT_TRUE(query.exec());
    }
    QString personGroups(const QString& name) {
        QSqlQuery query(data.db());
        query.prepare("select 所属组ID from 基本信息 where 姓名 = ?");
        query.addBindValue(name);
        EXPECT_TRUE(query.exec() && query.next());
        return query.value(0).toString();
    }
};

} // namespace

TEST_F(MembershipTest, ThreeCandidatesMoveInReversedOrder) {
    data.run("insert into 值班人员组 (值班人员组名称) values ('甲组')"); // idid 2
    for (const auto& [id, name] : {std::pair{1, "张三"}, {2, "李四"}, {3, "王五"}, {4, "赵六"}})
        addPerson(id, name);
    MembershipEditor editor = editorFor(1, 2);
    QList<MemberEntry> candidates = editor.nonMembers();
    QList<MemberEntry> members = editor.members();
    ASSERT_EQ(texts(candidates), (QStringList{"张三", "李四", "王五", "赵六"}));
    ASSERT_TRUE(members.isEmpty());

    ASSERT_TRUE(editor.moveSelected(candidates, members, {0, 1, 2},
                                    MembershipEditor::Direction::IntoGroup));
    EXPECT_EQ(texts(members), (QStringList{"王五", "李四", "张三"}));
    EXPECT_EQ(texts(candidates), QStringList{"赵六"});
    for (const char* name : {"张三", "李四", "王五"})
        EXPECT_EQ(personGroups(name), "zz2z1z") << name;
    EXPECT_EQ(personGroups("赵六"), "zz1z");
    // The lists mirror the database.
    EXPECT_EQ(texts(editor.members()), (QStringList{"张三", "李四", "王五"}));
}

TEST_F(MembershipTest, InAndOutRestoresTheStringAndKeepsOtherGroups) {
    addPerson(1, "张三", "zz12z1z");
    MembershipEditor editor = editorFor(1, 5);
    const QVariant key = editor.nonMembers().value(0).key;
    ASSERT_TRUE(editor.moveIn(key));
    EXPECT_EQ(personGroups("张三"), "zz5z12z1z");
    ASSERT_TRUE(editor.moveOut(key));
    EXPECT_EQ(personGroups("张三"), "zz12z1z");
    // Leaving group 1 keeps 12.
    MembershipEditor all = editorFor(1, 1);
    ASSERT_TRUE(all.moveOut(key));
    EXPECT_EQ(personGroups("张三"), "zz12z");
}

TEST_F(MembershipTest, AMemberIsNotAddedTwice) {
    addPerson(1, "张三", "zz5z1z");
    MembershipEditor editor = editorFor(1, 5);
    ASSERT_TRUE(editor.moveIn(editor.members().value(0).key));
    EXPECT_EQ(personGroups("张三"), "zz5z1z");
}

TEST_F(MembershipTest, NothingSelectedChangesNothing) {
    addPerson(1, "张三");
    MembershipEditor editor = editorFor(1, 5);
    QList<MemberEntry> candidates = editor.nonMembers();
    QList<MemberEntry> members;
    EXPECT_TRUE(
        editor.moveSelected(candidates, members, {}, MembershipEditor::Direction::IntoGroup));
    EXPECT_EQ(candidates.size(), 1);
    EXPECT_TRUE(members.isEmpty());
    EXPECT_EQ(personGroups("张三"), "zz1z");
}

TEST_F(MembershipTest, ShiftsSharingANameMoveIndependently) {
    data.run("insert into banci (班次名称, 所属组ID) values ('夜班', 'zz1z');"
             "insert into banci (班次名称, 所属组ID) values ('夜班', 'zz1z')");
    MembershipEditor editor = editorFor(3, 4);
    QList<MemberEntry> candidates = editor.nonMembers();
    QList<MemberEntry> members;
    ASSERT_EQ(candidates.size(), 2);
    // The second 夜班 moves; the first stays where it was.
    ASSERT_TRUE(
        editor.moveSelected(candidates, members, {1}, MembershipEditor::Direction::IntoGroup));
    EXPECT_EQ(data.rows("select 所属组ID from banci order by idid"),
              (QStringList{"zz1z", "zz4z1z"}));
}

TEST_F(MembershipTest, RenamedPersonStillMovesTheRightRow) {
    addPerson(1, "张三");
    addPerson(2, "李四");
    MembershipEditor editor = editorFor(1, 3);
    QList<MemberEntry> candidates = editor.nonMembers();
    // The list was read before the person was renamed to another's name.
    data.run("update 基本信息 set 姓名 = '张三' where ID = 2");
    QList<MemberEntry> members;
    ASSERT_TRUE(
        editor.moveSelected(candidates, members, {1}, MembershipEditor::Direction::IntoGroup));
    EXPECT_EQ(data.rows("select 所属组ID from 基本信息 order by ID"),
              (QStringList{"zz1z", "zz3z1z"}));
}

TEST_F(MembershipTest, NameWithAQuoteMovesInAndOut) {
    addPerson(1, "O'Neil");
    MembershipEditor editor = editorFor(1, 2);
    QList<MemberEntry> candidates = editor.nonMembers();
    QList<MemberEntry> members;
    ASSERT_EQ(texts(candidates), QStringList{"O'Neil"});
    ASSERT_TRUE(
        editor.moveSelected(candidates, members, {0}, MembershipEditor::Direction::IntoGroup));
    EXPECT_EQ(personGroups("O'Neil"), "zz2z1z");
    ASSERT_TRUE(
        editor.moveSelected(members, candidates, {0}, MembershipEditor::Direction::OutOfGroup));
    EXPECT_EQ(personGroups("O'Neil"), "zz1z");
}

TEST_F(MembershipTest, DatesShowTheirWeekdayAndMoveByDate) {
    data.run("insert into 日期类型 (日期, 所属日期组ID) values ('2027-01-05', 'zz1z');"
             "insert into 日期类型 (日期, 所属日期组ID) values ('2027-01-10', 'zz1z')");
    MembershipEditor editor = editorFor(2, 2);
    QList<MemberEntry> candidates = editor.nonMembers();
    ASSERT_EQ(texts(candidates), (QStringList{"2027-01-05  星期二", "2027-01-10  星期日"}));
    QList<MemberEntry> members;
    ASSERT_TRUE(
        editor.moveSelected(candidates, members, {1}, MembershipEditor::Direction::IntoGroup));
    EXPECT_EQ(data.rows("select 所属日期组ID from 日期类型 order by 日期"),
              (QStringList{"zz1z", "zz2z1z"}));
    EXPECT_EQ(MembershipEditor::dateEntryText("2027-01-04"), "2027-01-04  星期一");
}

TEST_F(MembershipTest, StringWithoutLeadingZzIsLeftAsItWas) {
    addPerson(1, "张三", "");
    MembershipEditor editor = editorFor(1, 2);
    ASSERT_TRUE(editor.moveIn(editor.nonMembers().value(0).key));
    EXPECT_EQ(personGroups("张三"), "");
}

TEST_F(MembershipTest, AMoveOfADeletedRowStoresNothing) {
    addPerson(1, "张三");
    MembershipEditor editor = editorFor(1, 2);
    const QVariant key = editor.nonMembers().value(0).key;
    data.run("delete from 基本信息");
    EXPECT_FALSE(editor.moveIn(key));
    EXPECT_TRUE(editor.lastError().isEmpty());
}

#include "editors/groupeditor.h"
#include "editors/membershipeditor.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

using namespace korvane;

namespace {

QStringList texts(const QList<MemberEntry>& entries) {
    QStringList list;
    for (const MemberEntry& entry : entries)
        list << entry.text;
    return list;
}

constexpr auto IntoGroup = MembershipEditor::Direction::IntoGroup;
constexpr auto OutOfGroup = MembershipEditor::Direction::OutOfGroup;

class MembershipTest : public ::testing::Test {
protected:
    test::TempDatabase data;
    ScriptedPrompt prompt;
    QList<MemberEntry> members;

    MembershipEditor editorFor(int kind, qint64 groupIdid) {
        return MembershipEditor(data.db(),
                                GroupEditor(data.db(), prompt, kind).contextFor({groupIdid, "组"}));
    }
    // Each person's name and membership string, by person number.
    QStringList people() { return data.rows("select 姓名, 所属组ID from 基本信息 order by ID"); }
};

} // namespace

TEST_F(MembershipTest, CandidatesMoveInReversedOrderAndOutAgain) {
    data.run("insert into 值班人员组 (值班人员组名称) values ('甲组');" // idid 2
             "insert into 基本信息 (ID, 姓名, 所属组ID) values (1, '张三', 'zz1z'), "
             "(2, 'O''Neil', 'zz1z'), (3, '王五', 'zz1z'), (4, '赵六', 'zz1z')");
    MembershipEditor editor = editorFor(1, 2);
    QList<MemberEntry> candidates = editor.nonMembers();
    ASSERT_EQ(texts(candidates), (QStringList{"张三", "O'Neil", "王五", "赵六"}));
    ASSERT_TRUE(editor.members().isEmpty());

    ASSERT_TRUE(editor.moveSelected(candidates, members, {0, 1, 2}, IntoGroup));
    EXPECT_EQ(texts(members), (QStringList{"王五", "O'Neil", "张三"}));
    EXPECT_EQ(texts(candidates), QStringList{"赵六"});
    EXPECT_EQ(people(), (QStringList{"张三|zz2z1z", "O'Neil|zz2z1z", "王五|zz2z1z", "赵六|zz1z"}));
    // The lists mirror the database.
    EXPECT_EQ(texts(editor.members()), (QStringList{"张三", "O'Neil", "王五"}));

    ASSERT_TRUE(editor.moveSelected(members, candidates, {1}, OutOfGroup));
    EXPECT_EQ(texts(members), (QStringList{"王五", "张三"}));
    EXPECT_EQ(texts(candidates), (QStringList{"赵六", "O'Neil"}));
    EXPECT_EQ(people(), (QStringList{"张三|zz2z1z", "O'Neil|zz1z", "王五|zz2z1z", "赵六|zz1z"}));
}

TEST_F(MembershipTest, MovesWithNothingToDoChangeNothing) {
    // A member already, a string without the leading zz, a row deleted after
    // the lists were read.
    data.run("insert into 基本信息 (ID, 姓名, 所属组ID) values (1, '张三', 'zz5z1z'), "
             "(2, '李四', ''), (3, '王五', 'zz1z')");
    MembershipEditor editor = editorFor(1, 5);
    QList<MemberEntry> candidates = editor.nonMembers();
    ASSERT_EQ(texts(candidates), (QStringList{"李四", "王五"}));
    ASSERT_TRUE(editor.moveSelected(candidates, members, {}, IntoGroup));
    EXPECT_EQ(candidates.size(), 2);
    EXPECT_TRUE(members.isEmpty());
    EXPECT_EQ(people(), (QStringList{"张三|zz5z1z", "李四|", "王五|zz1z"}));

    ASSERT_TRUE(editor.moveIn(editor.members().value(0).key));
    ASSERT_TRUE(editor.moveIn(candidates.value(0).key));
    data.run("delete from 基本信息 where ID = 3");
    EXPECT_FALSE(editor.moveIn(candidates.value(1).key));
    EXPECT_TRUE(editor.lastError().isEmpty());
    EXPECT_EQ(people(), (QStringList{"张三|zz5z1z", "李四|"}));
}

TEST_F(MembershipTest, ShiftsSharingANameMoveIndependently) {
    data.run("insert into banci (班次名称, 所属组ID) values ('夜班', 'zz1z');"
             "insert into banci (班次名称, 所属组ID) values ('夜班', 'zz1z')");
    MembershipEditor editor = editorFor(3, 4);
    QList<MemberEntry> candidates = editor.nonMembers();
    ASSERT_EQ(candidates.size(), 2);
    // The second 夜班 moves; the first stays where it was.
    ASSERT_TRUE(editor.moveSelected(candidates, members, {1}, IntoGroup));
    EXPECT_EQ(data.rows("select 所属组ID from banci order by idid"),
              (QStringList{"zz1z", "zz4z1z"}));
}

TEST_F(MembershipTest, RenamedPersonStillMovesTheRightRow) {
    data.run("insert into 基本信息 (ID, 姓名, 所属组ID) values (1, '张三', 'zz1z'), "
             "(2, '李四', 'zz1z')");
    MembershipEditor editor = editorFor(1, 3);
    QList<MemberEntry> candidates = editor.nonMembers();
    // The list was read before the person was renamed to another's name.
    data.run("update 基本信息 set 姓名 = '张三' where ID = 2");
    ASSERT_TRUE(editor.moveSelected(candidates, members, {1}, IntoGroup));
    EXPECT_EQ(people(), (QStringList{"张三|zz1z", "张三|zz3z1z"}));
}

#include "editors/groupeditor.h"
#include "store/messages.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

using namespace korvane;

namespace {

class GroupEditorTest : public ::testing::TestWithParam<int> {
protected:
    test::TempDatabase data;
    ScriptedPrompt prompt;
    GroupEditor editor{data.db(), prompt, GetParam()};

    QString table() const { return editor.kind().table; }
    int rowCount() {
        return data.scalar(QStringLiteral("select count(*) from \"%1\"").arg(table())).toInt();
    }

    // Puts one row of the kind's member table into the group.
    void addMember(qint64 groupIdid) {
        const QString token = QStringLiteral("zz%1z1z").arg(groupIdid);
        switch (GetParam()) {
        case 1:
            data.run(
                QStringLiteral("insert into 基本信息 (ID, 姓名, 所属组ID) values (1, '张三', '%1')")
                    .arg(token));
            break;
        case 2:
            data.run(QStringLiteral(
                         "insert into 日期类型 (日期, 所属日期组ID) values ('2027-01-05', '%1')")
                         .arg(token));
            break;
        default:
            data.run(QStringLiteral("insert into banci (班次名称, 所属组ID) values ('夜班', '%1')")
                         .arg(token));
        }
    }
};

} // namespace

TEST_P(GroupEditorTest, TwoAddsGiveDistinctNamesEndingInTheirIdid) {
    const auto first = editor.addGroup();
    const auto second = editor.addGroup();
    ASSERT_TRUE(first && second);
    EXPECT_NE(first->idid, second->idid);
    EXPECT_EQ(first->name, editor.kind().caption + QString::number(first->idid));
    EXPECT_EQ(second->name, editor.kind().caption + QString::number(second->idid));
    ASSERT_EQ(editor.groups().size(), 2);
    EXPECT_EQ(editor.groups()[1].name, second->name);
    // A deleted group's number is never handed out again.
    ASSERT_TRUE(editor.deleteGroup(*second));
    const auto third = editor.addGroup();
    ASSERT_TRUE(third);
    EXPECT_GT(third->idid, second->idid);
}

TEST_P(GroupEditorTest, AllIsNeverListedNorDeleted) {
    ASSERT_TRUE(editor.addGroup());
    for (const GroupRow& row : editor.groups())
        EXPECT_NE(row.name, "全部");
    EXPECT_FALSE(editor.deleteGroup({1, "全部"}));
    EXPECT_EQ(rowCount(), 2);
}

TEST_P(GroupEditorTest, DeletingAGroupWithMembersAsksFirst) {
    const auto group = editor.addGroup();
    ASSERT_TRUE(group);
    addMember(group->idid);
    EXPECT_EQ(editor.memberCount(group->idid), 1);

    prompt.addAnswer(false);
    EXPECT_FALSE(editor.deleteGroup(*group));
    EXPECT_EQ(prompt.questions(), QStringList{msg::deleteGroupWithMembers});
    EXPECT_EQ(editor.groups().size(), 1);

    prompt.addAnswer(true);
    EXPECT_TRUE(editor.deleteGroup(*group));
    EXPECT_TRUE(editor.groups().isEmpty());
    // The member keeps its token; it matches nothing any more.
    EXPECT_EQ(editor.memberCount(group->idid), 1);
}

TEST_P(GroupEditorTest, DeletingAGroupWithoutMembersDoesNotAsk) {
    const auto group = editor.addGroup();
    ASSERT_TRUE(group);
    EXPECT_TRUE(editor.deleteGroup(*group));
    EXPECT_TRUE(prompt.questions().isEmpty());
    EXPECT_TRUE(editor.groups().isEmpty());
}

TEST_P(GroupEditorTest, RenameRefusesEmptyAndAll) {
    const auto group = editor.addGroup();
    ASSERT_TRUE(group);
    EXPECT_EQ(editor.rename(group->idid, "全部"), QString("请修改"));
    EXPECT_EQ(editor.groups()[0].name, "请修改");
    EXPECT_EQ(editor.rename(group->idid, ""), QString("请修改"));
    EXPECT_EQ(editor.rename(group->idid, "O'Neil 组"), QString("O'Neil 组"));
    EXPECT_EQ(editor.groups()[0].name, "O'Neil 组");
    // No uniqueness test.
    const auto other = editor.addGroup();
    ASSERT_TRUE(other);
    EXPECT_EQ(editor.rename(other->idid, "O'Neil 组"), QString("O'Neil 组"));
}

TEST_P(GroupEditorTest, ContextForTheMembershipEditor) {
    const GroupContext context = editor.contextFor({3, "夜班组"});
    EXPECT_EQ(context.groupKind, GetParam());
    EXPECT_EQ(context.groupIdid, 3);
    EXPECT_EQ(context.groupName, "夜班组");
    EXPECT_EQ(context.memberSql, editor.kind().memberQueryPrefix + "'z3z') >0");
    EXPECT_EQ(context.nonMemberSql, editor.kind().memberQueryPrefix + "'z3z') =0");
    EXPECT_EQ(context.candidateSql, editor.kind().candidateSql);
}

TEST_P(GroupEditorTest, SaveWarnsOnlyWhenGroupsAreListed) {
    editor.showSaveWarning();
    EXPECT_TRUE(prompt.shown().isEmpty());
    ASSERT_TRUE(editor.addGroup());
    editor.showSaveWarning();
    EXPECT_EQ(prompt.shown(), QStringList{msg::groupNameReferenced});
}

INSTANTIATE_TEST_SUITE_P(EveryKind, GroupEditorTest, ::testing::Values(1, 2, 3));

TEST(GroupKindTest, MemberSqlOfEachKind) {
    test::TempDatabase data;
    ScriptedPrompt prompt;
    EXPECT_EQ(GroupEditor(data.db(), prompt, 3).memberSql(3),
              "select * from banci where instr(所属组ID,'z3z') >0");
    EXPECT_EQ(GroupEditor(data.db(), prompt, 1).contextFor({5, "x"}).memberColumn, 11);
    EXPECT_EQ(GroupEditor(data.db(), prompt, 2).contextFor({5, "x"}).keyPrefix, "日期 =");
    EXPECT_EQ(groupKind(2).memberKeyColumn, 0);
    EXPECT_EQ(groupKind(1).memberKeyColumn, 1);
}

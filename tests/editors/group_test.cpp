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

    // Puts one row of the kind's member table into the group.
    void addMember(qint64 groupIdid) {
        static const char* const memberSql[] = {
            "insert into 基本信息 (ID, 姓名, 所属组ID) values (1, '张三', 'zz%1z1z')",
            "insert into 日期类型 (日期, 所属日期组ID) values ('2027-01-05', 'zz%1z1z')",
            "insert into banci (班次名称, 所属组ID) values ('夜班', 'zz%1z1z')"};
        data.run(QString(memberSql[GetParam() - 1]).arg(groupIdid));
    }
};

} // namespace

TEST_P(GroupEditorTest, AddsGiveDistinctNamesEndingInTheirIdidAndAllIsNeverListed) {
    const auto first = editor.addGroup();
    const auto second = editor.addGroup();
    ASSERT_TRUE(first && second);
    EXPECT_NE(first->idid, second->idid);
    EXPECT_EQ(first->name, editor.kind().caption + QString::number(first->idid));
    EXPECT_EQ(second->name, editor.kind().caption + QString::number(second->idid));
    ASSERT_EQ(editor.groups().size(), 2); // 全部 is not among them
    EXPECT_EQ(editor.groups()[0].name, first->name);
    EXPECT_EQ(editor.groups()[1].name, second->name);
    EXPECT_FALSE(editor.deleteGroup({1, "全部"}));
    EXPECT_EQ(data.scalar(QString("select count(*) from \"%1\"").arg(editor.kind().table)).toInt(),
              3);
    // A deleted group's number is never handed out again.
    ASSERT_TRUE(editor.deleteGroup(*second));
    const auto third = editor.addGroup();
    ASSERT_TRUE(third);
    EXPECT_GT(third->idid, second->idid);
}

TEST_P(GroupEditorTest, DeletingAGroupAsksOnlyWhenItHasMembers) {
    const auto empty = editor.addGroup();
    const auto group = editor.addGroup();
    ASSERT_TRUE(empty && group);
    addMember(group->idid);
    EXPECT_EQ(editor.memberCount(group->idid), 1);
    EXPECT_EQ(editor.memberCount(empty->idid), 0);

    EXPECT_TRUE(editor.deleteGroup(*empty));
    EXPECT_TRUE(prompt.questions().isEmpty());
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

TEST_P(GroupEditorTest, RenameRefusesEmptyAndAllButNotRepeats) {
    const auto group = editor.addGroup();
    const auto other = editor.addGroup();
    ASSERT_TRUE(group && other);
    EXPECT_EQ(editor.rename(group->idid, "全部"), "请修改");
    EXPECT_EQ(editor.groups()[0].name, "请修改");
    EXPECT_EQ(editor.rename(group->idid, ""), "请修改");
    EXPECT_EQ(editor.rename(group->idid, "O'Neil 组"), "O'Neil 组");
    EXPECT_EQ(editor.rename(other->idid, "O'Neil 组"), "O'Neil 组");
    EXPECT_EQ(editor.groups()[0].name, "O'Neil 组");
    EXPECT_EQ(editor.groups()[1].name, "O'Neil 组");
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

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
    EXPECT_EQ(editor.rename(group->idid, " \u3000"), "请修改");
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

TEST_P(GroupEditorTest, DeletingAGroupThatShiftsOrRulesNameListsThemInTheQuestion) {
    const auto group = editor.addGroup();
    ASSERT_TRUE(group);
    data.run(QString("update \"%1\" set \"%2\" = '夜' where idid = %3")
                 .arg(editor.kind().table, editor.kind().nameColumn)
                 .arg(group->idid));
    // Rules 1 to 3 name 夜 as a staff group, a date group and a shift group;
    // rule 4 names a single date and a single shift that are spelt 夜.
    data.run("insert into banci (班次名称, 分布日期) values ('白班', '夜'), ('晚班', '全部'), "
             "('夜班', '夜');"
             "insert into 排除条件 (人员, 排在, 日期, 班次, 选定日期组, 选定班次组) values "
             "('夜', '不排在', '周末', '白班', 1, 0), ('张三', '限排在', '夜', '白班', 1, 0), "
             "('张三', '不排在', '周末', '夜', 1, 1), ('李四', '不排在', '夜', '夜', 0, 0)");
    const QStringList named[] = {{"编号 1：夜 不排在 周末 的 白班"},
                                 {"班次：白班、夜班", "编号 2：张三 限排在 夜 的 白班"},
                                 {"编号 3：张三 不排在 周末 的 夜"}};
    const QStringList expected = named[GetParam() - 1];
    EXPECT_EQ(editor.namedBy({group->idid, "夜"}), expected);

    prompt.addAnswer(false);
    EXPECT_FALSE(editor.deleteGroup({group->idid, "夜"}));
    const QString list = msg::groupNamedBy + '\n' + expected.join('\n');
    EXPECT_EQ(prompt.questions(), QStringList{list + "\n\n" + msg::confirmDelete});
    // With members the question of the members comes first.
    addMember(group->idid);
    prompt.clear();
    prompt.addAnswer(true);
    EXPECT_TRUE(editor.deleteGroup({group->idid, "夜"}));
    EXPECT_EQ(prompt.questions(), QStringList{msg::deleteGroupWithMembers + "\n\n" + list});
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

#include "editors/groupeditor.h"
#include "store/messages.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

using namespace korvane;

namespace {

// Each test runs for staff groups (1), date groups (2) and shift groups (3).
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
    QStringList storedNames() {
        return data.rows(QString("select \"%1\" from \"%2\" where idid > 1")
                             .arg(editor.kind().nameColumn, editor.kind().table));
    }
};

} // namespace

TEST_P(GroupEditorTest, AddsGiveDistinctNamesEndingInTheirIdidAndAllIsNeverListed) {
    // 保存 only warns when there are groups to rename.
    editor.showSaveWarning();
    EXPECT_TRUE(prompt.shown().isEmpty());
    const auto first = editor.addGroup();
    const auto second = editor.addGroup();
    ASSERT_TRUE(first && second);
    const QString stem = QStringList{"值班人员组", "日期组", "班次组"}.at(GetParam() - 1);
    ASSERT_EQ(editor.groups().size(), 2); // 全部 is not among them
    EXPECT_EQ(editor.groups()[0].name, stem + QString::number(first->idid));
    EXPECT_EQ(editor.groups()[1].name, stem + QString::number(second->idid));
    EXPECT_FALSE(editor.deleteGroup({1, "全部"}));
    editor.showSaveWarning();
    EXPECT_EQ(prompt.shown(), QStringList{msg::groupNameReferenced});
    // A deleted group's number is never handed out again.
    ASSERT_TRUE(editor.deleteGroup(*second));
    const auto third = editor.addGroup();
    ASSERT_TRUE(third);
    EXPECT_GT(third->idid, second->idid);
}

TEST_P(GroupEditorTest, RenameRefusesEmptyAllAndAnotherGroupsName) {
    const auto group = editor.addGroup();
    const auto other = editor.addGroup();
    ASSERT_TRUE(group && other);
    for (const char* typed : {"全部", "", " \u3000"})
        EXPECT_EQ(editor.rename(group->idid, typed), "请修改") << typed;
    EXPECT_EQ(storedNames().value(0), "请修改");
    EXPECT_EQ(editor.rename(group->idid, "O'Neil 组"), "O'Neil 组");
    EXPECT_EQ(editor.rename(other->idid, "O'Neil 组"), std::nullopt);
    EXPECT_EQ(editor.lastError(), msg::duplicateGroupName.arg("O'Neil 组"));
    EXPECT_EQ(editor.rename(other->idid, "O'Neil 组 "), "O'Neil 组 "); // not the same name
    EXPECT_EQ(editor.rename(group->idid, "O'Neil 组"), "O'Neil 组");   // its own name again
    EXPECT_EQ(storedNames(), QStringList({"O'Neil 组", "O'Neil 组 "}));
}

// A group without members or names goes without a question; one that shifts
// or rules name lists them in the question, after the question of its members.
TEST_P(GroupEditorTest, DeletingAsksWhenMembersShiftsOrRulesHaveTheGroup) {
    const auto empty = editor.addGroup();
    const auto group = editor.addGroup();
    ASSERT_TRUE(empty && group);
    EXPECT_TRUE(editor.deleteGroup(*empty));
    EXPECT_TRUE(prompt.questions().isEmpty());

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
    const QString list = msg::groupNamedBy + '\n' + named[GetParam() - 1].join('\n');
    prompt.addAnswer(false);
    EXPECT_FALSE(editor.deleteGroup({group->idid, "夜"}));
    EXPECT_EQ(prompt.questions(), QStringList{list + "\n\n" + msg::confirmDelete});
    EXPECT_EQ(storedNames(), QStringList{"夜"});

    addMember(group->idid);
    prompt.clear();
    prompt.addAnswer(true);
    EXPECT_TRUE(editor.deleteGroup({group->idid, "夜"}));
    // The second question offers the rule that names the group; a Yes deletes it.
    EXPECT_EQ(prompt.questions(), (QStringList{msg::deleteGroupWithMembers + "\n\n" + list,
                                               msg::deleteNamingToo.arg(1)}));
    EXPECT_EQ(data.scalar("select count(*) from 排除条件").toInt(), 3);
    EXPECT_TRUE(editor.groups().isEmpty());
    // The member keeps its token; it matches nothing any more.
    EXPECT_EQ(editor.memberCount(group->idid), 1);
}

INSTANTIATE_TEST_SUITE_P(EveryKind, GroupEditorTest, ::testing::Values(1, 2, 3));

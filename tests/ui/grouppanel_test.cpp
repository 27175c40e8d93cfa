#include "editors/ui/grouppanel.h"
#include "editors/ui/membershipform.h"
#include "store/messages.h"
#include "ui/fakepagecontext.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTableView>

using namespace korvane;
using korvane::test::control;

namespace {

QStringList listed(QListWidget* list) {
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

class GroupPanelTest : public ::testing::Test {
protected:
    test::FakePageContext context;
    std::unique_ptr<GroupPanel> panel;

    void SetUp() override {
        context.data.run(
            "insert into 基本信息 (ID, 姓名, IDID, 所属组ID) values (1, '张三', 1, 'zz2z1z'), "
            "(2, '李四', 2, 'zz1z'), (3, 'O''Neil', 3, 'zz1z');"
            "insert into 值班人员组 (值班人员组名称, idid) values ('护士组', 2);"
            "insert into 日期类型 (日期, 所属日期组ID) values ('2027-01-05', 'zz2z1z'), "
            "('2027-01-08', 'zz1z'), ('2027-01-09', 'zz1z'), ('2027-01-10', 'zz1z'), "
            "('2027-01-16', 'zz1z');"
            "insert into 日期组 (日期组名称, idid) values ('周二', 2)");
        panel = std::make_unique<GroupPanel>(context);
        panel->resize(800, 500);
    }
    void TearDown() override {
        panel.reset();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QTableView* groupGrid() { return control<QTableView>(panel.get(), "DataGrid1"); }
    void click(const char* name, QWidget* in = nullptr) {
        control<QPushButton>(in ? in : panel.get(), name)->click();
    }
    bool memberPanelHidden() { return control<QGroupBox>(panel.get(), "Frame3")->isHidden(); }
    QStringList groupNames() {
        QStringList names;
        for (int row = 0; row < groupGrid()->model()->rowCount(); ++row)
            names << groupGrid()->model()->index(row, 0).data().toString();
        return names;
    }
    // The member grid's visible columns, row by row.
    QStringList shownMembers() {
        auto* grid = control<QTableView>(panel.get(), "DataGrid2");
        QStringList shown;
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            for (int column = 0; column < grid->model()->columnCount(); ++column)
                if (!grid->isColumnHidden(column))
                    shown << grid->model()->index(row, column).data().toString();
        return shown;
    }
};

} // namespace

// The staff groups: listed without 全部 with the current group's members;
// the membership editor moves people; a rename warns; a delete asks first.
TEST_F(GroupPanelTest, StaffGroupsMembersRenameAndDelete) {
    panel->openKind(1);
    panel->show();
    EXPECT_EQ(context.programState.group.groupKind, 1);
    EXPECT_TRUE(control<QPlainTextEdit>(panel.get(), "Text3")
                    ->toPlainText()
                    .startsWith("左面为值班人员组的增删按钮"));
    EXPECT_EQ(groupNames(), QStringList{"护士组"});
    EXPECT_EQ(control<QLabel>(panel.get(), "DataGrid2Caption")->text(), "护士组");
    EXPECT_EQ(shownMembers(), QStringList{"张三"});

    click("Command3");
    MembershipForm* form = panel->membershipForm();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(context.programState.group.memberSql,
              "select * from 基本信息 where instr(所属组ID,'z2z') >0");
    EXPECT_EQ(control<QLabel>(form, "Label1")->text(), "护士组");
    // Opened centred on the window it belongs to.
    EXPECT_LE((form->geometry().center() - panel->window()->geometry().center()).manhattanLength(),
              2);
    auto* members = control<QListWidget>(form, "List2");
    auto* candidates = control<QListWidget>(form, "List1");
    EXPECT_EQ(members->selectionMode(), QAbstractItemView::ExtendedSelection);
    ASSERT_EQ(listed(candidates), (QStringList{"李四", "O'Neil"}));
    click("Label3", form); // nothing selected: nothing moves
    EXPECT_EQ(listed(members), QStringList{"张三"});
    candidates->item(0)->setSelected(true);
    candidates->item(1)->setSelected(true);
    click("Label3", form);
    EXPECT_EQ(listed(members), (QStringList{"张三", "李四", "O'Neil"}));
    members->item(0)->setSelected(true);
    click("Label4", form);
    EXPECT_EQ(listed(candidates), QStringList{"张三"});
    EXPECT_EQ(context.data.rows("select 所属组ID from 基本信息 order by ID"),
              (QStringList{"zz1z", "zz2z1z", "zz2z1z"}));
    // The page shows the old list until the editor is confirmed.
    EXPECT_EQ(shownMembers(), QStringList{"张三"});
    click("btnOK", form);
    EXPECT_TRUE(form->isHidden());
    EXPECT_EQ(shownMembers(), (QStringList{"李四", "O'Neil"}));

    // An editor opened and left without typing is no rename; 保存 warns.
    groupGrid()->edit(groupGrid()->model()->index(0, 0));
    ASSERT_NE(groupGrid()->viewport()->findChild<QLineEdit*>(), nullptr);
    click("btnSave");
    EXPECT_EQ(context.scripted.shown(), QStringList{msg::groupNameReferenced});
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // that editor
    // A typed name is stored by the next press (here 增加) with a warning.
    context.scripted.clear();
    groupGrid()->edit(groupGrid()->model()->index(0, 0));
    auto* editor = groupGrid()->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText("急诊组");
    click("btnadd");
    EXPECT_EQ(context.scripted.shown(), QStringList{msg::renameGroupWarning});
    EXPECT_EQ(groupNames(), (QStringList{"急诊组", "值班人员组3"}));
    groupGrid()->model()->setData(groupGrid()->model()->index(0, 0), "全部");
    EXPECT_EQ(
        context.data.scalar("select 值班人员组名称 from 值班人员组 where idid = 2").toString(),
        "请修改");

    // The new group (current) has no members and goes without a question;
    // one with members asks first.
    context.scripted.clear();
    click("btnDelete");
    EXPECT_TRUE(context.scripted.questions().isEmpty());
    context.scripted.addAnswer(false);
    click("btnDelete");
    EXPECT_EQ(context.scripted.questions(), QStringList{msg::deleteGroupWithMembers});
    EXPECT_EQ(groupNames(), QStringList{"请修改"});
}

// People are listed by person number, whenever they were added and in
// whichever order they were moved.
TEST_F(GroupPanelTest, PeopleAreListedByPersonNumber) {
    context.data.run("insert into 基本信息 (ID, 姓名, IDID, 所属组ID) values (0, '赵六', 4, "
                     "'zz2z1z'), (4, '钱七', 5, 'zz1z')");
    panel->openKind(1);
    EXPECT_EQ(shownMembers(), (QStringList{"赵六", "张三"}));
    click("Command3");
    MembershipForm* form = panel->membershipForm();
    ASSERT_NE(form, nullptr);
    auto* members = control<QListWidget>(form, "List2");
    auto* candidates = control<QListWidget>(form, "List1");
    EXPECT_EQ(listed(members), (QStringList{"赵六", "张三"}));
    ASSERT_EQ(listed(candidates), (QStringList{"李四", "O'Neil", "钱七"}));
    candidates->item(2)->setSelected(true);
    candidates->item(0)->setSelected(true);
    click("Label3", form);
    EXPECT_EQ(listed(members), (QStringList{"赵六", "张三", "李四", "钱七"}));
    members->item(0)->setSelected(true);
    members->item(3)->setSelected(true);
    click("Label4", form);
    EXPECT_EQ(listed(candidates), (QStringList{"赵六", "O'Neil", "钱七"}));
    click("btnOK", form);
    EXPECT_EQ(shownMembers(), (QStringList{"张三", "李四"}));
}

TEST_F(GroupPanelTest, DateGroupsListMembersByDateAndTakeWeekdaysAtOnePress) {
    panel->openKind(2);
    EXPECT_EQ(groupNames(), QStringList{"周二"});
    EXPECT_EQ(shownMembers(), QStringList{"2027-01-05"});
    click("Command3");
    MembershipForm* form = panel->membershipForm();
    ASSERT_NE(form, nullptr);
    // Every Saturday and Sunday of the candidates, in one press.
    control<QCheckBox>(form, "weekday6")->setChecked(true);
    control<QCheckBox>(form, "weekday7")->setChecked(true);
    click("addWeekdays", form);
    EXPECT_EQ(listed(control<QListWidget>(form, "List2")),
              (QStringList{"2027-01-05  星期二", "2027-01-09  星期六", "2027-01-10  星期日",
                           "2027-01-16  星期六"}));
    EXPECT_EQ(listed(control<QListWidget>(form, "List1")), QStringList{"2027-01-08  星期五"});
    EXPECT_EQ(context.data.rows("select 日期 from 日期类型 where 所属日期组ID = 'zz2z1z'").size(),
              4);
    form->close();
    click("btnadd");
    click("btnadd");
    EXPECT_EQ(groupNames(), (QStringList{"周二", "日期组3", "日期组4"}));
    EXPECT_EQ(panel->currentGroup()->name, "日期组4"); // the last one added is current
}

TEST_F(GroupPanelTest, EmptyKindKeepsTheMemberPanelHidden) {
    panel->openKind(3);
    EXPECT_TRUE(groupNames().isEmpty() && memberPanelHidden());
    click("btnDelete");
    click("Command3");
    EXPECT_EQ(panel->membershipForm(), nullptr);
    click("btnadd");
    ASSERT_EQ(groupNames().size(), 1);
    EXPECT_FALSE(memberPanelHidden());
    EXPECT_TRUE(shownMembers().isEmpty());
}

#include "editors/ui/shiftpage.h"
#include "store/messages.h"
#include "ui/fakepagecontext.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace korvane;

namespace {

class ShiftPageTest : public ::testing::Test {
protected:
    test::FakePageContext context;
    std::unique_ptr<QMdiArea> workspace; // outlives a page it holds
    std::unique_ptr<ShiftPage> page;

    void openPage() {
        page = std::make_unique<ShiftPage>(context);
        page->setAttribute(Qt::WA_DeleteOnClose, false);
        page->resize(900, 600);
        page->show();
    }
    template <typename T> T* control(const char* name) {
        return test::control<T>(page.get(), name);
    }
    QComboBox* box(const char* name) { return control<QComboBox>(name); }
    void click(const char* name) { control<QPushButton>(name)->click(); }
    bool panelShown() { return control<QGroupBox>("Frame1")->isVisible(); }
    QStringList stored(const char* columns) {
        return context.data.rows(QString("select %1 from banci order by idid").arg(columns));
    }

    void enterShift(const QString& name, const QString& startHour, const QString& day,
                    const QString& endHour) {
        control<QLineEdit>("txtName")->setText(name);
        box("ComStartq")->setEditText(startHour);
        box("comCiri")->setCurrentText(day);
        box("ComEndq")->setEditText(endHour);
    }
};

} // namespace

TEST_F(ShiftPageTest, EmptyTableOpensWithNoLimitAndThePanelsBoxesAsDesigned) {
    context.data.run("insert into 日期组 (日期组名称) values ('周末')");
    openPage();
    EXPECT_EQ(box("comLianxu")->currentText(), "无限制");
    EXPECT_FALSE(panelShown());
    click("Command2"); // edit: no current row, nothing happens
    EXPECT_FALSE(panelShown());
    click("Command1");
    EXPECT_TRUE(panelShown());
    EXPECT_EQ(box("ComStartq")->count(), 24);
    EXPECT_EQ(box("ComEndm")->count(), 60);
    EXPECT_EQ(box("comBanji")->count(), 11);
    EXPECT_EQ(box("comFenburiqi")->count(), 2); // 全部 and 周末
    for (const char* name : {"comCiri", "comBanji", "comFenburiqi"})
        EXPECT_FALSE(box(name)->isEditable()) << name;
    EXPECT_TRUE(box("ComRenshu")->isEditable());
    EXPECT_EQ(box("ComRenshu")->currentText(), "1");
    EXPECT_EQ(box("ComLianxu1")->currentText(), "无限制");
    EXPECT_EQ(box("comFenburiqi")->currentText(), "全部");
    click("btnDelete"); // hides the panel even without a row
    EXPECT_FALSE(panelShown());
    EXPECT_TRUE(context.scripted.shown().isEmpty());
}

TEST_F(ShiftPageTest, RefusedSavesKeepThePanelOpenAndASaveReopens) {
    openPage();
    click("Command1");
    enterShift("错班", "18", "当", "8");
    click("btnOk");
    EXPECT_EQ(context.scripted.shown(), QStringList{msg::endAfterStart});
    EXPECT_TRUE(panelShown());
    // A negative hour passes the box's check but not the save.
    context.scripted.clear();
    enterShift("班", "-1", "次", "6");
    EXPECT_TRUE(context.scripted.shown().isEmpty());
    click("btnOk");
    EXPECT_EQ(context.scripted.shown(), QStringList{msg::invalidShiftTime});
    EXPECT_TRUE(panelShown());
    EXPECT_TRUE(stored("*").isEmpty());

    enterShift("夜班", "22", "次", "6");
    box("ComRenshu")->setEditText("2");
    click("btnOk");
    EXPECT_EQ(stored("班次名称, 起始时间, 次日, 终止时间, 人数, 所属组ID"),
              QStringList{"夜班|22:00|跨转至次日|06:00|2|zz1z"});
    EXPECT_FALSE(panelShown());
    // The reopened window shows the design defaults again.
    EXPECT_EQ(box("ComStartq")->currentText(), "0");
    EXPECT_EQ(control<QLineEdit>("txtName")->text(), "");
    EXPECT_EQ(control<QTableView>("DataGrid1")->model()->rowCount(), 1);
}

TEST_F(ShiftPageTest, TypedValuesAreCheckedAndReset) {
    openPage();
    click("Command1");
    const struct {
        const char* box;
        const char* typed;
        const char* shown;
    } cases[] = {{"ComStartq", "24", "0"},
                 {"ComEndm", "60", "0"},
                 {"ComRenshu", "0", "1"},
                 {"ComRenshu", "", "1"},
                 {"ComStartq", "23", "23"}};
    for (const auto& c : cases) {
        box(c.box)->setEditText(c.typed);
        EXPECT_EQ(box(c.box)->currentText(), c.shown) << c.box << " " << c.typed;
    }
    EXPECT_EQ(context.scripted.shown(), (QStringList{msg::valueTooLarge, msg::valueTooLarge,
                                                     msg::enterNonZero, msg::enterNumber}));
}

TEST_F(ShiftPageTest, SharedLimitIsWrittenIntoEveryShift) {
    context.data.run("insert into banci (班次名称, 连续次数, 所属组ID) values ('白班', '2', "
                     "'zz1z'), ('夜班', '5', 'zz1z')");
    openPage();
    // Opening takes the first row's value and writes it into every row.
    EXPECT_EQ(box("comLianxu")->currentText(), "2");
    EXPECT_EQ(stored("连续次数"), (QStringList{"2", "2"}));
    box("comLianxu")->setEditText("3");
    EXPECT_EQ(stored("连续次数"), (QStringList{"3", "3"}));
    box("comLianxu")->setCurrentIndex(0);
    emit box("comLianxu")->activated(0);
    EXPECT_EQ(stored("连续次数"), (QStringList{"无限制", "无限制"}));
    box("comLianxu")->setEditText("0");
    EXPECT_EQ(box("comLianxu")->currentText(), "1");
    EXPECT_EQ(stored("连续次数"), (QStringList{"1", "1"}));
    EXPECT_EQ(context.scripted.shown(), QStringList{msg::enterNonZero});
}

TEST_F(ShiftPageTest, TheFirstShiftIsCurrentAndEditKeepsMembership) {
    context.data.run(
        "insert into banci (班次名称, 起始时间, 次日, 终止时间, 连续次数, 最小连续天数, 班次级别, "
        "分布日期, 所属组ID, 人数) values ('白班', '08:00', '不跨转', '17:30', '无限制', '无限制', "
        "3, '全部', 'zz7z1z', 2), ('夜班', '22:00', '跨转至次日', '06:00', '无限制', '无限制', "
        "0, '全部', 'zz1z', 1)");
    openPage();
    click("Command2"); // the first shift, current since the page opened
    ASSERT_TRUE(panelShown());
    EXPECT_EQ(control<QLineEdit>("txtName")->text(), "白班");
    EXPECT_EQ(box("ComStartq")->currentText(), "8");
    EXPECT_EQ(box("ComEndm")->currentText(), "30");
    EXPECT_EQ(box("comBanji")->currentText(), "3");
    EXPECT_EQ(box("ComRenshu")->currentText(), "2");
    control<QLineEdit>("txtName")->setText("早班");
    click("btnOk");
    EXPECT_EQ(stored("班次名称, 起始时间, 终止时间, 所属组ID"),
              (QStringList{"早班|08:00|17:30|zz7z1z", "夜班|22:00|06:00|zz1z"}));
    // After a save the first shift is current again.
    EXPECT_EQ(page->currentShift(), 1);
    EXPECT_TRUE(context.scripted.shown().isEmpty());
}

TEST_F(ShiftPageTest, DeleteRemovesTheCurrentShiftAndStepsBack) {
    context.data.run("insert into banci (班次名称, 所属组ID) values ('甲', 'zz1z'), ('乙', "
                     "'zz1z'), ('丙', 'zz1z')");
    openPage();
    page->selectShiftRow(1);
    click("btnDelete");
    EXPECT_EQ(stored("班次名称"), (QStringList{"甲", "丙"}));
    ASSERT_TRUE(page->currentShift());
    EXPECT_EQ(*page->currentShift(), 1);
}
TEST_F(ShiftPageTest, TheEntryPanelGetsTheRoomItsBoxesNeed) {
    context.data.run("insert into banci (班次名称, 所属组ID) values ('白班', 'zz1z')");
    // The page in a workspace frame as small as the window gives it without the panel.
    workspace = std::make_unique<QMdiArea>();
    workspace->resize(1200, 700);
    page = std::make_unique<ShiftPage>(context);
    page->setAttribute(Qt::WA_DeleteOnClose, false);
    QMdiSubWindow* frame = workspace->addSubWindow(page.get());
    frame->resize(600, 200);
    workspace->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(workspace.get()));
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    ASSERT_TRUE(panelShown());
    auto* panel = control<QGroupBox>("Frame1");
    for (QWidget* child : panel->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        SCOPED_TRACE(child->objectName().toStdString());
        EXPECT_GE(child->width(), child->minimumSizeHint().width());
        EXPECT_GE(child->height(), child->sizeHint().height());
    }
    auto* grid = control<QTableView>("DataGrid1");
    EXPECT_GE(grid->height(), grid->minimumHeight());
    EXPECT_TRUE(workspace->viewport()->rect().contains(frame->geometry()));
}

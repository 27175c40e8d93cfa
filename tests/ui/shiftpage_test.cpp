#include "editors/ui/shiftpage.h"
#include "store/messages.h"
#include "ui/fakepagecontext.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
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
    template <typename T = QComboBox> T* box(const char* name) {
        return test::control<T>(page.get(), name);
    }
    void click(const char* name) { box<QPushButton>(name)->click(); }
    bool panelShown() { return box<QGroupBox>("Frame1")->isVisible(); }
    QStringList stored(const char* columns) {
        return context.data.rows(QString("select %1 from banci order by idid").arg(columns));
    }
};

} // namespace

// A new shift on an empty table: the panel's boxes as designed, typed values
// checked as they change, a refused save keeping the panel open, and a save
// that reopens the window with the defaults.
TEST_F(ShiftPageTest, NewShiftFromAnEmptyTable) {
    context.data.run("insert into 日期组 (日期组名称) values ('周末')");
    openPage();
    EXPECT_EQ(box("comLianxu")->currentText(), "无限制");
    click("Command2"); // edit: no current row, nothing happens
    EXPECT_FALSE(panelShown());
    click("Command1");
    EXPECT_TRUE(panelShown());
    EXPECT_EQ(QList<int>({box("ComStartq")->count(), box("ComEndm")->count(),
                          box("comBanji")->count(), box("comFenburiqi")->count()}),
              QList<int>({24, 60, 11, 2})); // 全部 and 周末
    for (const char* name : {"comCiri", "comBanji", "comFenburiqi"})
        EXPECT_FALSE(box(name)->isEditable()) << name;
    EXPECT_EQ(QStringList({box("ComRenshu")->currentText(), box("ComLianxu1")->currentText(),
                           box("comFenburiqi")->currentText()}),
              QStringList({"1", "无限制", "全部"}));
    click("btnDelete"); // hides the panel even without a row
    EXPECT_FALSE(panelShown());
    click("Command1");

    box("ComStartq")->setEditText("24");
    box("ComRenshu")->setEditText("0");
    EXPECT_EQ(box("ComStartq")->currentText() + box("ComRenshu")->currentText(), "01");
    EXPECT_EQ(context.scripted.shown(), QStringList({msg::valueTooLarge, msg::enterNonZero}));
    // A negative hour passes the box's check but not the save.
    context.scripted.clear();
    box<QLineEdit>("txtName")->setText("夜班");
    box("ComStartq")->setEditText("-1");
    box("comCiri")->setCurrentText("次");
    box("ComEndq")->setEditText("6");
    click("btnOk");
    EXPECT_EQ(context.scripted.shown(), QStringList{msg::invalidShiftTime});
    EXPECT_TRUE(panelShown() && stored("*").isEmpty());

    box("ComStartq")->setEditText("22");
    box("ComRenshu")->setEditText("2");
    click("btnOk");
    EXPECT_EQ(stored("班次名称, 起始时间, 次日, 终止时间, 人数, 所属组ID"),
              QStringList{"夜班|22:00|跨转至次日|06:00|2|zz1z"});
    EXPECT_FALSE(panelShown());
    EXPECT_EQ(box("ComStartq")->currentText() + box<QLineEdit>("txtName")->text(), "0");
    EXPECT_EQ(box<QTableView>("DataGrid1")->model()->rowCount(), 1);
}

// Existing shifts: the shared limit taken from the first row into all, the
// first shift current and edited without losing its membership, a delete
// stepping back to the row before.
TEST_F(ShiftPageTest, EditDeleteAndTheSharedLimit) {
    context.data.run(
        "insert into banci (班次名称, 起始时间, 次日, 终止时间, 连续次数, 最小连续天数, 班次级别, "
        "分布日期, 所属组ID, 人数) values ('白班', '08:00', '不跨转', '17:30', '2', '无限制', 3, "
        "'全部', 'zz7z1z', 2), ('夜班', '22:00', '跨转至次日', '06:00', '5', '无限制', 0, '全部', "
        "'zz1z', 1), ('丙', '08:00', '不跨转', '09:00', '5', '无限制', 0, '全部', 'zz1z', 1)");
    openPage();
    EXPECT_EQ(box("comLianxu")->currentText(), "2");
    EXPECT_EQ(stored("连续次数"), QStringList(3, "2"));
    box("comLianxu")->setEditText("3");
    EXPECT_EQ(stored("连续次数"), QStringList(3, "3"));
    box("comLianxu")->setCurrentIndex(0);
    emit box("comLianxu")->activated(0);
    EXPECT_EQ(stored("连续次数"), QStringList(3, "无限制"));
    box("comLianxu")->setEditText("0");
    EXPECT_EQ(box("comLianxu")->currentText(), "1");
    EXPECT_EQ(stored("连续次数"), QStringList(3, "1"));
    EXPECT_EQ(context.scripted.shown(), QStringList{msg::enterNonZero});

    click("Command2"); // the first shift, current since the page opened
    ASSERT_TRUE(panelShown());
    EXPECT_EQ(QStringList({box<QLineEdit>("txtName")->text(), box("ComStartq")->currentText(),
                           box("ComEndm")->currentText(), box("comBanji")->currentText(),
                           box("ComRenshu")->currentText()}),
              QStringList({"白班", "8", "30", "3", "2"}));
    box<QLineEdit>("txtName")->setText("早班");
    click("btnOk");
    EXPECT_EQ(stored("班次名称, 起始时间, 终止时间, 所属组ID").first(), "早班|08:00|17:30|zz7z1z");
    EXPECT_EQ(page->currentShift(), 1); // the first shift is current again

    page->selectShiftRow(1);
    click("btnDelete");
    EXPECT_EQ(stored("班次名称"), QStringList({"早班", "丙"}));
    EXPECT_EQ(page->currentShift(), 1);
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
    QTest::mouseClick(box<QPushButton>("Command1"), Qt::LeftButton);
    ASSERT_TRUE(panelShown());
    for (QWidget* child :
         box<QGroupBox>("Frame1")->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        EXPECT_GE(child->width(), child->minimumSizeHint().width())
            << child->objectName().toStdString();
        EXPECT_GE(child->height(), child->sizeHint().height()) << child->objectName().toStdString();
    }
    auto* grid = box<QTableView>("DataGrid1");
    EXPECT_GE(grid->height(), grid->minimumHeight());
    EXPECT_TRUE(workspace->viewport()->rect().contains(frame->geometry()));
}

// 人员限制与休假 on a copy of the sample ward, as a planner uses it: a limit
// typed into the grid and kept, a refused one, leave added and deleted.

#include "limits/ui/limitspage.h"
#include "store/messages.h"
#include "ui/fakepagecontext.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QWindow>

using namespace korvane;
using korvane::test::control;

namespace {

// Double-clicks the cell (a real click on the page's window), types the
// text and presses Enter.
void typeInto(QTableView* grid, int row, int column, const QString& text) {
    const QModelIndex index = grid->model()->index(row, column);
    grid->scrollTo(index);
    QWidget* page = grid->window();
    QTest::mouseDClick(page->windowHandle(), Qt::LeftButton, {},
                       grid->viewport()->mapTo(page, grid->visualRect(index).center()));
    QLineEdit* editor = nullptr;
    for (QLineEdit* each : grid->viewport()->findChildren<QLineEdit*>())
        if (each->isVisible())
            editor = each;
    ASSERT_TRUE(editor) << "no cell editor";
    editor->selectAll();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    // The delegate commits and closes the editor in a queued call.
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(LimitsPage, ALimitTypedIntoTheGridIsKeptAndLeaveIsAddedAndDeleted) {
    test::FakePageContext context;
    context.data.loadSample();
    const QString name =
        context.data.scalar("select 姓名 from 基本信息 order by ID, IDID").toString();

    auto* page = new LimitsPage(context);
    page->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page));
    auto* grid = control<QTableView>(page, "personLimits");
    EXPECT_EQ(grid->model()->index(0, 0).data().toString(), name);
    typeInto(grid, 0, 1, "3");
    typeInto(grid, 0, 5, "1.5"); // hours may be fractional
    typeInto(grid, 0, 2, "1.5"); // a count may not
    EXPECT_EQ(context.scripted.shown(), QStringList{msg::limitNotCount.arg("最多跨日班数", "1.5")});
    EXPECT_EQ(context.data.rows("select 对象, 最多班数, 最多跨日班数, 最少休息小时 from 人员限制"),
              QStringList{"人员|3||1.5"});

    // Leave for the same person, from the entry boxes.
    // The dates start on the first day of the period.
    auto* first = control<QDateEdit>(page, "leaveFirst");
    EXPECT_EQ(first->date(), QDate(2027, 1, 1));
    control<QComboBox>(page, "leavePerson")->setCurrentText(name);
    first->setDate(QDate(2027, 1, 2));
    control<QDateEdit>(page, "leaveLast")->setDate(QDate(2027, 1, 4));
    control<QComboBox>(page, "leaveReason")->setCurrentText("病假");
    context.scripted.clear();
    control(page, "addLeave")->click();
    EXPECT_TRUE(context.scripted.shown().isEmpty());
    auto* leave = control<QTableView>(page, "leaveList");
    ASSERT_EQ(leave->model()->rowCount(), 1);
    EXPECT_EQ(leave->currentIndex().row(), 0);
    const QStringList shown = {name, "2027-01-02", "2027-01-04", "病假"};
    for (int column = 0; column < shown.size(); ++column)
        EXPECT_EQ(leave->model()->index(0, column).data().toString(), shown.at(column));
    page->close();

    // Opened again, the page shows what was stored; the leave goes.
    page = new LimitsPage(context);
    page->show();
    grid = control<QTableView>(page, "personLimits");
    EXPECT_EQ(grid->model()->index(0, 1).data().toString(), "3");
    EXPECT_EQ(grid->model()->index(0, 5).data().toString(), "1.5");
    leave = control<QTableView>(page, "leaveList");
    ASSERT_EQ(leave->model()->rowCount(), 1);
    leave->selectRow(0);
    control(page, "deleteLeave")->click();
    EXPECT_EQ(leave->model()->rowCount(), 0);
    EXPECT_EQ(context.count("休假"), 0);
    page->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

// The staff grid and its delete button under real mouse input.

#include "editors/ui/staffpage.h"
#include "store/messages.h"
#include "ui/fakepagecontext.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QWindow>

using namespace korvane;

namespace {

class StaffPageTest : public ::testing::Test {
protected:
    test::FakePageContext context;
    std::unique_ptr<StaffPage> page;

    void SetUp() override {
        context.data.run("INSERT INTO 基本信息 (ID, 姓名, 所属组ID, 家庭住址) VALUES "
                         "(1, '张三', 'zz1z', '0'), (2, '李四', 'zz1z', '0'), "
                         "(3, '王五', 'zz1z', '0')");
        page = std::make_unique<StaffPage>(context);
        page->setAttribute(Qt::WA_DeleteOnClose, false);
        page->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    }
    QTableView* grid() { return page->grid(); }
    // Where a cell or a control is in the page's window.
    QPoint cellCentre(int row, const QString& column) {
        const QModelIndex cell = page->model()->index(row, page->model()->columnOf(column));
        return grid()->viewport()->mapTo(page.get(), grid()->visualRect(cell).center());
    }
    QPoint centreOf(QWidget* control) {
        return control->mapTo(page.get(), control->rect().center());
    }
    QStringList stored() { return context.data.rows("SELECT 姓名, 年龄, 性别 FROM 基本信息"); }
};

} // namespace

TEST_F(StaffPageTest, ABlankCellOpenedAndLeftStaysBlank) {
    const QStringList before = stored();
    QWindow* window = page->windowHandle();
    for (const char* column : {"年龄", "性别"}) {
        QTest::mouseDClick(window, Qt::LeftButton, {}, cellCentre(0, column));
        auto* editor = grid()->viewport()->findChild<QLineEdit*>();
        ASSERT_TRUE(editor && editor->isVisible()) << column;
        // Clicking another row ends the edit.
        QTest::mouseClick(window, Qt::LeftButton, {}, cellCentre(1, column));
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QTest::mouseClick(window, Qt::LeftButton, {}, cellCentre(0, "姓名"));
    }
    EXPECT_EQ(stored(), before);
    EXPECT_TRUE(context.scripted.shown().isEmpty());
}

TEST_F(StaffPageTest, ADoubleClickOnDeleteDeletesOnePerson) {
    auto* remove = test::control(page.get(), "delone");
    QWindow* window = page->windowHandle();
    const QPoint at = centreOf(remove);
    QTest::mouseDClick(window, Qt::LeftButton, {}, at);
    EXPECT_EQ(context.data.rows("SELECT 姓名 FROM 基本信息 ORDER BY ID"),
              (QStringList{"李四", "王五"}));
    // The selection stays off the next person; once one is chosen, a press
    // after the double-click interval acts again.
    EXPECT_FALSE(grid()->selectionModel()->hasSelection());
    QTest::mouseClick(window, Qt::LeftButton, {}, at);
    EXPECT_EQ(context.data.rows("SELECT 姓名 FROM 基本信息").size(), 2);
    QTest::mouseClick(window, Qt::LeftButton, {}, cellCentre(0, "姓名"));
    QTest::mouseClick(window, Qt::LeftButton, {}, at);
    EXPECT_EQ(context.data.rows("SELECT 姓名 FROM 基本信息"), QStringList{"王五"});
}

TEST_F(StaffPageTest, TheFieldUnderTheGridHoldsTheSelectedPersonsStaffNumber) {
    auto* field = page->findChild<QLineEdit*>("txtStaffNumber");
    ASSERT_TRUE(field);
    QWindow* window = page->windowHandle();
    const auto type = [&](int row, const QString& text) {
        QTest::mouseClick(window, Qt::LeftButton, {}, cellCentre(row, "姓名"));
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    };
    type(0, " H001 ");
    type(1, "H001"); // 张三's: refused, and the field shows 李四's none again
    EXPECT_EQ(field->text(), QString());
    QTest::mouseClick(window, Qt::LeftButton, {}, cellCentre(0, "姓名"));
    EXPECT_EQ(field->text(), "H001");
    EXPECT_EQ(context.data.rows("SELECT 人员IDID, 工号 FROM 人员工号"), QStringList{"1|H001"});
    EXPECT_EQ(context.scripted.shown(), QStringList{msg::staffNumberTaken.arg("H001", "张三")});
}

// 排班总表 opened from the scheduling page after a run on the sample: names
// stay in sight while the dates scroll, weekends are shaded, and a click on
// a name lists that person's rows of the roster.

#include "engine/ui/schedulingpage.h"
#include "monthsheet/sheetmodel.h"
#include "monthsheet/ui/monthsheetpage.h"
#include "store/messages.h"
#include "ui/fakepagecontext.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBrush>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

using namespace korvane;
using korvane::test::control;

TEST(MonthSheetPage, OpensFromTheSchedulingPageWithNamesFrozenAndWeekendsShaded) {
    test::FakePageContext context;
    context.data.loadSample();
    SchedulingPage scheduling(context);
    auto* open = control<QPushButton>(&scheduling, "comZongbiao");
    EXPECT_FALSE(open->isEnabled());
    QSignalSpy finished(&scheduling, &SchedulingPage::runFinished);
    control<QPushButton>(&scheduling, "comShengcheng")->click();
    ASSERT_TRUE(finished.wait(120000) || finished.count() > 0);
    ASSERT_TRUE(open->isEnabled());
    open->click();

    MonthSheetPage* page = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<MonthSheetPage*>(widget))
            page = found;
    ASSERT_TRUE(page);
    page->resize(900, 600);
    QApplication::processEvents();
    auto* view = control<QTableView>(page, "sheetView");
    auto* model = qobject_cast<monthsheet::SheetModel*>(view->model());
    ASSERT_TRUE(model);

    // The names head the rows, so they stay when the dates scroll away.
    EXPECT_EQ(model->headerData(0, Qt::Vertical).toString(), "王秀英");
    view->scrollTo(model->index(0, model->columnCount() - 1));
    EXPECT_GT(view->horizontalScrollBar()->value(), 0);
    EXPECT_GT(view->columnAt(1), 0);
    EXPECT_TRUE(view->verticalHeader()->isVisible());
    EXPECT_GT(view->verticalHeader()->width(), 0);

    // 2 January 2027 is a Saturday, 4 January a Monday.
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "\n2\n六");
    // The weekend days are marked alike, the weekday not at all.
    const QVariant saturday = model->index(0, 1).data(Qt::BackgroundRole);
    EXPECT_TRUE(saturday.isValid());
    EXPECT_EQ(model->index(0, 2).data(Qt::BackgroundRole), saturday);
    EXPECT_FALSE(model->index(0, 3).data(Qt::BackgroundRole).isValid());

    // A click on the first name lists every shift of that person.
    QHeaderView* names = view->verticalHeader();
    QTest::mouseClick(names->viewport(), Qt::LeftButton, {},
                      QPoint(names->width() / 2, names->sectionViewportPosition(0) + 3));
    const int shifts = model->totals().people.at(0).shifts;
    EXPECT_GT(shifts, 0);
    EXPECT_EQ(control<QTableView>(page, "dutiesView")->model()->rowCount(), shifts);
    EXPECT_TRUE(control<QLabel>(page, "dutiesTitle")
                    ->text()
                    .endsWith(msg::recordCount + QString::number(shifts)));

    // Closing the scheduling page empties the work tables: the sheet goes with them.
    QPointer<MonthSheetPage> gone(page);
    scheduling.close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(gone.isNull());
}

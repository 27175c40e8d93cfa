// 排班存档 from the scheduling page: the run's roster is listed, renamed,
// opened as a sheet whose cells are locked by a click, and deleted when
// the planner says yes.

#include "engine/ui/schedulingpage.h"
#include "monthsheet/sheetmodel.h"
#include "monthsheet/ui/monthsheetpage.h"
#include "rosters/savedroster.h"
#include "rosters/ui/savedrosterpage.h"
#include "rosters/ui/savedrosterspage.h"
#include "store/connection.h"
#include "store/messages.h"
#include "ui/fakepagecontext.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBrush>
#include <QEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

using namespace korvane;
using korvane::test::control;

namespace {

template <typename T> T* topLevel() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<T*>(widget); found && found->isVisible())
            return found;
    return nullptr;
}

TEST(SavedRostersPage, ListsRenamesOpensLocksAndDeletesTheRunsRoster) {
    test::FakePageContext context;
    context.data.loadSample();
    SchedulingPage scheduling(context);
    QSignalSpy finished(&scheduling, &SchedulingPage::runFinished);
    control<QPushButton>(&scheduling, "comShengcheng")->click();
    ASSERT_TRUE(finished.wait(120000) || finished.count() > 0);
    control<QPushButton>(&scheduling, "comCundang")->click();
    QPointer<SavedRostersPage> list = topLevel<SavedRostersPage>();
    ASSERT_TRUE(list);
    auto* rows = control<QTableWidget>(list, "rosterList");
    ASSERT_EQ(rows->rowCount(), 1);

    control<QLineEdit>(list, "rosterName")->setText("二月 '甲' 🏥");
    control<QPushButton>(list, "renameRoster")->click();
    EXPECT_EQ(rows->item(0, 0)->text(), "二月 '甲' 🏥");
    // Renamed meanwhile by another program (on a ward, another client): the
    // list shows it once it is activated again.
    {
        QString error;
        auto other = Connection::open(context.data.path, &error);
        ASSERT_TRUE(other) << error.toStdString();
        ASSERT_TRUE(rosters::renameRoster(other->db(), list->currentRoster(), "别处", &error));
    }
    EXPECT_EQ(rows->item(0, 0)->text(), "二月 '甲' 🏥");
    QEvent activated(QEvent::WindowActivate);
    QApplication::sendEvent(list, &activated);
    EXPECT_EQ(rows->item(0, 0)->text(), "别处");
    control<QLineEdit>(list, "rosterName")->setText("二月 '甲' 🏥");
    control<QPushButton>(list, "renameRoster")->click();
    EXPECT_EQ(rows->item(0, 0)->text(), "二月 '甲' 🏥");

    control<QPushButton>(list, "openRoster")->click();
    SavedRosterPage* page = topLevel<SavedRosterPage>();
    ASSERT_TRUE(page);
    QTableView* view = page->sheetPage()->sheetView();
    view->setCurrentIndex(view->model()->index(0, 0));
    const auto fill = [&] { return view->model()->index(0, 3).data(Qt::BackgroundRole); };
    const QVariant unlocked = fill();
    const auto lockedFill = [&] { return fill() != unlocked; };
    control<QPushButton>(page, "lockRow")->click();
    EXPECT_EQ(context.count("存档锁定"), 1);
    EXPECT_TRUE(lockedFill());
    control<QPushButton>(page, "lockRow")->click();
    EXPECT_EQ(context.count("存档锁定"), 0);
    EXPECT_FALSE(lockedFill());

    // A hand edit is one change of the stored rows, and Ctrl+Z takes it back.
    const monthsheet::MonthSheet& sheet = page->roster().sheet;
    int person = 0, date = 0;
    while (sheet.cell(person, date).size() != 1)
        if (++date == sheet.dates.size())
            date = 0, ++person;
    const qint64 duties = context.count("存档值班");
    view->setCurrentIndex(view->model()->index(person, date));
    control<QPushButton>(page, "removeShift")->click();
    EXPECT_EQ(context.count("存档值班"), duties - 1);
    view = page->sheetPage()->sheetView();
    EXPECT_TRUE(view->model()->index(person, date).data().toString().isEmpty());
    // The slot it leaves short is listed, and goes with the undo.
    const auto shortSlots = [&] {
        return control<QListWidget>(page, "warnings")
            ->findItems(QStringLiteral("人数不足"), Qt::MatchContains)
            .size();
    };
    EXPECT_EQ(shortSlots(), 1);
    QApplication::setActiveWindow(page);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(context.count("存档值班"), duties);
    EXPECT_FALSE(
        page->sheetPage()->sheetView()->model()->index(person, date).data().toString().isEmpty());
    EXPECT_EQ(shortSlots(), 0);
    page->close();

    context.scripted.addAnswer(false);
    context.scripted.addAnswer(true);
    control<QPushButton>(list, "deleteRoster")->click();
    EXPECT_EQ(rows->rowCount(), 1);
    control<QPushButton>(list, "deleteRoster")->click();
    EXPECT_EQ(rows->rowCount(), 0);
    EXPECT_EQ(context.scripted.questions().last(), msg::deleteRosterConfirm.arg("二月 '甲' 🏥"));
    list->close();
}

} // namespace

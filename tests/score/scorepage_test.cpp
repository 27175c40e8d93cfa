// The 评分 tab: beside 统计 on the month sheet of the last run and of a saved
// roster, and korvane-cli score.

#include "engine/run.h"
#include "monthsheet/sheetmodel.h"
#include "monthsheet/ui/monthsheetpage.h"
#include "rosters/savedroster.h"
#include "rosters/ui/savedrosterpage.h"
#include "score/scoretext.h"
#include "score/ui/scoretab.h"
#include "ui/fakepagecontext.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QTabWidget>
#include <QTableView>

using namespace korvane;
using korvane::test::control;

namespace {

// Whether any cell of the sheet is marked as costly.
bool anyCostNote(const QAbstractItemModel* model) {
    for (int row = 0; row < model->rowCount(); ++row)
        for (int column = 0; column < model->columnCount(); ++column)
            if (model->index(row, column)
                    .data(Qt::ToolTipRole)
                    .toString()
                    .contains(score::cellCostNote.section(QLatin1Char(' '), 0, 0)))
                return true;
    return false;
}

// With nothing set (the sample's objectives taken out), its roster costs
// only the default fairness, and no cell is marked; korvane-cli prints the
// same total.
TEST(ScoreTab, NothingSetCostsOnlyTheDefaultFairness) {
    test::FakePageContext context;
    context.data.loadSample();
    context.data.run(
        "delete from 排班目标; delete from 排班意愿; delete from 公平权重; "
        "delete from 理想人数; delete from 禁止衔接; update 日期类型 set 节假日 = null");
    ASSERT_EQ(engine::generate(context.data.path).outcome, engine::RunOutcome::Done);
    MonthSheetPage page(context);
    ASSERT_TRUE(page.rosterScore());
    auto* tabs = control<QTabWidget>(&page, "tabs");
    EXPECT_EQ(tabs->tabText(2), score::scoreTitle);
    const score::RosterScore& result = *page.rosterScore();
    for (int term = 0; term < score::termCount; ++term) {
        const bool fairness =
            term >= int(score::Term::FairHours) && term <= int(score::Term::FairHoliday);
        if (!fairness) {
            EXPECT_EQ(result.breakdown.terms[size_t(term)], 0) << term;
        }
    }
    EXPECT_GT(result.total(), 0);
    EXPECT_TRUE(result.hard.isEmpty());
    EXPECT_FALSE(anyCostNote(page.sheetView()->model()));

    const test::ProcessResult printed = test::runProgram(
        test::cliProgram(), test::databaseArguments(context.data.path) + QStringList{"score"});
    EXPECT_EQ(printed.exitCode, 0) << printed.err.toStdString();
    EXPECT_TRUE(QString::fromUtf8(printed.out)
                    .contains(score::summaryText.arg(score::numberText(result.total())).arg(0)));
    EXPECT_EQ(test::runProgram(test::cliProgram(), test::databaseArguments(context.data.path) +
                                                       QStringList{"score", "--saved", "没有这个"})
                  .exitCode,
              2);
}

// A wish against a cell of the saved roster marks that cell; removing the
// shift by hand updates the tab to what a whole new score says.
TEST(ScoreTab, AHandEditUpdatesTheTabAsAWholeScoreWould) {
    test::FakePageContext context;
    context.data.loadSample();
    ASSERT_EQ(engine::generate(context.data.path).outcome, engine::RunOutcome::Done);
    rosters::KeptRoster kept;
    QString error;
    ASSERT_TRUE(rosters::keepRun(context.data.db(), 0, &kept, &error)) << error.toStdString();
    rosters::SavedRoster saved;
    ASSERT_TRUE(rosters::loadSavedRoster(context.data.db(), kept.number, &saved, &error));
    int person = 0, date = 0;
    while (saved.sheet.cell(person, date).size() != 1)
        if (++date == saved.sheet.dates.size())
            date = 0, ++person;
    const QString day = saved.sheet.dates.at(date).toString(Qt::ISODate);
    context.data.run(
        QStringLiteral("insert into 排班意愿 (人员IDID, 开始日期, 结束日期, 班次, "
                       "选定班次组, 想要, 权重) values (%1, '%2', '%2', '全天', 0, 0, 500)")
            .arg(saved.sheet.people.at(person).idid)
            .arg(day));

    SavedRosterPage page(context, kept.number);
    QTableView* view = page.sheetPage()->sheetView();
    EXPECT_TRUE(view->model()
                    ->index(person, date)
                    .data(Qt::ToolTipRole)
                    .toString()
                    .contains(QStringLiteral("意愿")));
    const double before = page.sheetPage()->rosterScore()->total();
    view->setCurrentIndex(view->model()->index(person, date));
    control<QPushButton>(&page, "removeShift")->click();

    const score::RosterScore& shown = *page.sheetPage()->rosterScore();
    score::RosterScore whole;
    ASSERT_TRUE(rosters::loadSavedRoster(context.data.db(), kept.number, &saved, &error));
    ASSERT_TRUE(score::scoreRoster(context.data.db(), saved.sheet, &whole, &error));
    EXPECT_NEAR(shown.total(), whole.total(), 1e-6);
    EXPECT_LT(shown.total(), before - 400) << "the wish is granted";
    EXPECT_EQ(shown.hard.size(), whole.hard.size());
    EXPECT_EQ(shown.hard.size(), 1) << "the slot it leaves short";
    EXPECT_EQ(control<QLabel>(page.sheetPage(), "scoreSummary")->text(),
              score::summaryText.arg(score::numberText(whole.total())).arg(1));
}

} // namespace

// The scheduling page on a copy of the sample ward, the way a planner uses
// it: rules added and deleted, a roster generated on the run's own thread,
// the grid narrowed by the person and shift queries, the report opened.

#include <QWidget>

#include "engine/report/rosterlayout.h"
#include "engine/roster.h"
#include "engine/ui/explanationwindow.h"
#include "engine/ui/schedulingpage.h"
#include "store/connection.h"
#include "store/messages.h"
#include "ui/fakepagecontext.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>
#include <QTimer>

using namespace korvane;
using korvane::test::control;

namespace {

constexpr int kRunTimeoutMs = 120000;

void press(QWidget& page, const char* name) {
    control<QPushButton>(&page, name)->click();
}
QString recordCountText(qint64 count) {
    return msg::recordCount + QString::number(count);
}
QString countShown(QWidget& page) {
    return control<QLabel>(&page, "Label6")->text();
}

// Presses 生成值班表 and waits until the run has ended.
bool generate(SchedulingPage& page) {
    QSignalSpy finished(&page, &SchedulingPage::runFinished);
    press(page, "comShengcheng");
    return finished.wait(kRunTimeoutMs) || finished.count() > 0;
}

class SchedulingPageTest : public ::testing::Test {
protected:
    void SetUp() override { context.data.loadSample(); }
    qint64 count(const QString& table) { return context.count(table); }
    // The named columns of the newest rule, joined by '|'.
    QString newestRule(const QString& columns) {
        return context.data.rows("select " + columns + " from 排除条件 order by 编号 desc")
            .value(0);
    }
    test::FakePageContext context;
};

} // namespace

// Opening empties the work tables and fills the rule frame; rules are added
// with the group flags their picks give and deleted from the grid.
TEST_F(SchedulingPageTest, TheRuleFrameAddsAndDeletesRules) {
    context.data.run("insert into 值班底表 (日期, 班次IDID, 姓名IDID, 是否值班) "
                     "values ('2027-01-01', 1, 1, '1'); insert into 值班报表 (日期) values ('x')");
    SchedulingPage page(context);
    EXPECT_EQ(page.objectName(), "paiban");
    EXPECT_EQ(count("值班底表") + count("值班报表"), 0);
    EXPECT_TRUE(context.setupButtonEnabled);
    EXPECT_EQ(control<QProgressBar>(&page, "jindu")->value(), 0);
    EXPECT_TRUE(control<QPlainTextEdit>(&page, "Text1")->isHidden());
    auto* placement = control<QComboBox>(&page, "Compaizai");
    auto* people = control<QComboBox>(&page, "comRenyuan");
    auto* dates = control<QComboBox>(&page, "comRiqi");
    auto* shifts = control<QComboBox>(&page, "comBanci");
    auto* rules = control<QTableView>(&page, "DataGridPaichu");
    EXPECT_EQ(placement->currentText(), "不排在");
    // Each list: its group table (全部 included), then the single entries.
    const int dateGroups = int(count("日期组"));
    const int shiftGroups = int(count("班次组"));
    EXPECT_EQ(people->count(), count("值班人员组") + count("基本信息"));
    EXPECT_EQ(dates->count(), dateGroups + count("日期类型"));
    EXPECT_EQ(shifts->count(), shiftGroups + count("banci"));
    EXPECT_EQ(dates->currentText(), "全部");
    EXPECT_EQ(dates->itemText(dateGroups),
              context.data.scalar("select 日期 from 日期类型 order by rowid limit 1").toString());
    const QStringList captions = {"编号", "人员（或组）", "判断逻辑", "日期（或组）",
                                  "班次（或组）"};
    for (int column = 0; column < 7; ++column)
        EXPECT_EQ(rules->isColumnHidden(column), column >= 5) << column;
    for (int column = 0; column < captions.size(); ++column)
        EXPECT_EQ(rules->model()->headerData(column, Qt::Horizontal).toString(), captions[column]);
    const qint64 before = count("排除条件");
    EXPECT_EQ(rules->model()->rowCount(), before);

    // Deleting with no current row does nothing.
    rules->setCurrentIndex(QModelIndex());
    press(page, "Command7");
    EXPECT_EQ(count("排除条件"), before);
    // A person, a picked date and a picked single shift: neither is a group.
    people->setCurrentIndex(people->count() - 1);
    dates->setCurrentIndex(dateGroups);
    shifts->setCurrentIndex(shiftGroups);
    placement->setCurrentIndex(1);
    press(page, "Command3");
    EXPECT_EQ(newestRule("人员, 排在, 日期, 班次, 选定日期组, 选定班次组"),
              QStringList({people->currentText(), "限排在", dates->itemText(dateGroups),
                           shifts->itemText(shiftGroups), "0", "0"})
                  .join('|'));
    // The grid shows the new row as its current row.
    EXPECT_EQ(rules->model()->rowCount(), before + 1);
    EXPECT_EQ(rules->currentIndex().row(), int(before));
    // A typed date that is not in the list is stored as a date group, and
    // never becomes an entry; a picked shift group is a group.
    dates->setEditText("2031-12-31");
    shifts->setCurrentIndex(shiftGroups - 1);
    press(page, "Command3");
    EXPECT_EQ(newestRule("日期, 选定日期组, 选定班次组"), "2031-12-31|1|1");
    EXPECT_EQ(dates->count(), dateGroups + count("日期类型"));
    // Delete the first of the two new rules: the next one becomes current.
    rules->setCurrentIndex(rules->model()->index(int(before), 0));
    const qint64 second = rules->model()->index(int(before) + 1, 0).data().toLongLong();
    press(page, "Command7");
    EXPECT_EQ(count("排除条件"), before + 1);
    EXPECT_EQ(rules->currentIndex().data().toLongLong(), second);
    press(page, "Command7");
    EXPECT_EQ(count("排除条件"), before);
}

// Activated again, the page shows what another program (on a ward, another
// client) changed meanwhile: a rule added, the roster's rows.
TEST_F(SchedulingPageTest, ActivatedAgainItShowsWhatOthersChanged) {
    SchedulingPage page(context);
    ASSERT_TRUE(generate(page));
    auto* rules = control<QTableView>(&page, "DataGridPaichu");
    auto* roster = control<QTableView>(&page, "DataGrid6");
    const int before = rules->model()->rowCount();
    int people = -1;
    for (int column = 0; column < roster->model()->columnCount(); ++column)
        if (roster->model()->headerData(column, Qt::Horizontal).toString() == "值班人")
            people = column;
    ASSERT_GE(people, 0);
    {
        QString error;
        auto other = Connection::open(context.data.path, &error);
        ASSERT_TRUE(other) << error.toStdString();
        QSqlQuery write(other->db());
        ASSERT_TRUE(write.exec("insert into 排除条件 (人员, 排在, 日期, 班次, 选定日期组, "
                               "选定班次组) values ('全部', '不排在', '全部', '全部', 1, 1)"));
        ASSERT_TRUE(write.exec("update 值班报表 set 值班人 = '  别人'"));
    }
    EXPECT_EQ(rules->model()->rowCount(), before);
    QEvent activated(QEvent::WindowActivate);
    QApplication::sendEvent(&page, &activated);
    EXPECT_EQ(rules->model()->rowCount(), before + 1);
    EXPECT_EQ(roster->model()->index(0, people).data().toString(), "  别人");
}

// The planner's road: no report before a run; a run that holds the data
// commands; the person and shift queries and what the report prints of them;
// a second run; the query kept for the page's next opening.
TEST_F(SchedulingPageTest, GenerateShowsTheRosterQueriesNarrowItAndTheReportFollows) {
    SchedulingPage page(context);
    auto* generateButton = control<QPushButton>(&page, "comShengcheng");
    auto* addRule = control<QPushButton>(&page, "Command3");
    auto* grid = control<QTableView>(&page, "DataGrid6");
    int previews = 0;
    // The offscreen platform does not always make the preview the active
    // modal widget, so look at every window; keep looking while the test
    // runs, so a slow machine cannot leave the preview open.
    // The first preview also exports: once onto the database file (refused
    // with the reason), once onto a name without its suffix.
    const QString dataFolder = context.dataFolder();
    const QString exported = QDir(dataFolder).filePath("值班表");
    QStringList answers = {exported};
    QStringList expectedMessages = {
        msg::pdfWritten.arg(QDir::toNativeSeparators(exported + ".pdf"))};
    if (!test::onServerStore()) {
        answers.prepend(context.data.path);
        expectedMessages.prepend(
            msg::outputIsDatabase.arg(QDir::toNativeSeparators(context.data.path)));
    }
    QStringList exportMessages;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, &page, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* preview = qobject_cast<QPrintPreviewDialog*>(widget);
            if (preview && preview->isVisible()) {
                if (previews++ == 0) {
                    auto* exportPdf = control<QAction>(preview, "exportPdf");
                    for (const QString& answer : answers) {
                        context.chooser.saveAnswer = answer;
                        exportPdf->trigger();
                    }
                    exportMessages = context.scripted.shown();
                    context.scripted.clear();
                }
                preview->reject();
            }
        }
    });
    closer.start(100);

    // No run yet: no report and no message (the preview is modal: a press
    // returns once it is closed).
    press(page, "Command12");
    EXPECT_EQ(previews, 0);
    EXPECT_TRUE(context.scripted.shown().isEmpty());

    QSignalSpy finished(&page, &SchedulingPage::runFinished);
    generateButton->click();
    // While the run works, nothing that changes the data can be pressed.
    EXPECT_TRUE(page.runInProgress());
    EXPECT_FALSE(generateButton->isEnabled());
    EXPECT_FALSE(addRule->isEnabled());
    EXPECT_FALSE(control<QPushButton>(&page, "Command7")->isEnabled());
    EXPECT_FALSE(context.dataCommandsEnabled);
    // A second press while running starts nothing.
    generateButton->click();
    ASSERT_TRUE(finished.wait(kRunTimeoutMs) || finished.count() > 0);
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).value<engine::RunOutcome>(), engine::RunOutcome::Done);

    EXPECT_FALSE(page.runInProgress());
    EXPECT_TRUE(generateButton->isEnabled());
    EXPECT_TRUE(addRule->isEnabled());
    EXPECT_EQ(context.dataCommandChanges, QList<bool>({false, true}));
    EXPECT_EQ(context.scripted.shown(), QStringList{msg::done});
    EXPECT_EQ(control<QProgressBar>(&page, "jindu")->value(), 100);
    EXPECT_TRUE(control<QLabel>(&page, "Label12")->isHidden());

    const qint64 slotCount = count("值班报表");
    ASSERT_GT(slotCount, 0);
    EXPECT_EQ(countShown(page), recordCountText(slotCount));
    EXPECT_EQ(grid->model()->rowCount(), slotCount) << "every row is fetched";
    EXPECT_EQ(context.programState.reportQuery, engine::fullRosterQuery());
    EXPECT_EQ(grid->verticalHeader()->defaultSectionSize(),
              report::gridRowHeightPixels(context.programState.rowHeightFactor));
    context.scripted.clear();
    press(page, "Command12");
    EXPECT_EQ(previews, 1);
    // The save dialog starts in the data folder; the PDF lands where it says.
    const QString proposed = QDir(dataFolder).filePath("值班报表.pdf");
    EXPECT_EQ(context.chooser.asked,
              QStringList(answers.size(), "save|" + proposed + "|PDF (*.pdf)"));
    EXPECT_EQ(exportMessages, expectedMessages);
    EXPECT_TRUE(QFileInfo(exported + ".pdf").size() > 1000);
    context.scripted.clear();

    // A person query, started with Enter: every slot that names the person.
    auto* personBox = control<QLineEdit>(&page, "Text12");
    auto* shiftBox = control<QLineEdit>(&page, "Text4");
    const QString name = context.data.scalar("select 姓名 from 基本信息 order by IDID").toString();
    personBox->setText(name);
    QTest::keyClick(personBox, Qt::Key_Return);
    const qint64 personSlots = count(QString("值班报表 where instr(值班人, '%1') > 0").arg(name));
    ASSERT_GT(personSlots, 0);
    EXPECT_LT(personSlots, slotCount);
    EXPECT_EQ(countShown(page), recordCountText(personSlots));
    EXPECT_EQ(grid->model()->rowCount(), personSlots);
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        EXPECT_TRUE(grid->model()->index(row, 6).data().toString().contains(name));

    // A text with a quote finds what it names (nothing here) instead of
    // breaking the grid, and a query that finds nothing leaves nothing to print.
    control<QLineEdit>(&page, "Text12")->setText("O'Neil");
    press(page, "Command11");
    EXPECT_EQ(countShown(page), recordCountText(0));
    EXPECT_TRUE(context.scripted.shown().isEmpty()) << "no error is shown";
    press(page, "Command12");
    EXPECT_EQ(previews, 1);

    press(page, "Command10");
    EXPECT_EQ(countShown(page), recordCountText(slotCount));
    EXPECT_EQ(context.programState.reportQuery, engine::fullRosterQuery());

    // A shift query matches the text anywhere in the shift's name; Enter
    // starts it, and the person box no longer claims to narrow the grid.
    const QString tail =
        context.data.scalar("select 班次 from 值班报表 order by IDID").toString().right(1);
    personBox->setText(name);
    shiftBox->setText(tail);
    QTest::keyClick(shiftBox, Qt::Key_Return);
    const qint64 shiftSlots = count(QString("值班报表 where instr(班次, '%1') > 0").arg(tail));
    EXPECT_GT(shiftSlots, 0);
    EXPECT_EQ(countShown(page), recordCountText(shiftSlots));
    EXPECT_TRUE(personBox->text().isEmpty());
    press(page, "Command8");
    EXPECT_EQ(countShown(page), recordCountText(slotCount));

    // A second run on the same page starts over from the reloaded page,
    // which keeps what the planner chose in Compaizai and the query boxes.
    context.scripted.clear();
    auto* placement = control<QComboBox>(&page, "Compaizai");
    placement->setCurrentText("限排在");
    personBox->setText(name);
    ASSERT_TRUE(generate(page));
    EXPECT_EQ(context.scripted.shown(), QStringList({msg::done}));
    EXPECT_EQ(count("值班报表"), slotCount);
    EXPECT_EQ(countShown(page), recordCountText(slotCount));
    EXPECT_EQ(placement->currentText(), "限排在");
    EXPECT_EQ(personBox->text(), name);
    EXPECT_EQ(shiftBox->text(), tail);

    // Reopened, the page keeps the last query but shows an empty grid.
    shiftBox->setText("班");
    press(page, "Command6");
    page.close();
    const QString query = context.programState.reportQuery;
    EXPECT_TRUE(query.contains("班次 like"));
    SchedulingPage reopened(context);
    EXPECT_EQ(context.programState.reportQuery, query);
    EXPECT_EQ(countShown(reopened), recordCountText(0));
    EXPECT_EQ(control<QTableView>(&reopened, "DataGrid6")->model()->rowCount(), 0);
}

// A window whose connection cannot be kept from writing starts no run.
TEST(SchedulingPageEmpty, NoRunWhenTheWindowCannotBeKeptFromWriting) {
    test::FakePageContext context;
    context.refuseReadOnly = true;
    SchedulingPage page(context);
    control<QPushButton>(&page, "comShengcheng")->click();
    EXPECT_FALSE(page.runInProgress());
    EXPECT_EQ(context.scripted.shown(), QStringList{msg::windowNotReadOnly});
    EXPECT_TRUE(control<QPushButton>(&page, "comShengcheng")->isEnabled());
}

// An empty database has no dates: the run says so and nothing seems to go on.
TEST(SchedulingPageEmpty, ARunWithNothingToPlanSaysWhatIsMissing) {
    test::FakePageContext context;
    SchedulingPage page(context);
    ASSERT_TRUE(generate(page));
    EXPECT_EQ(context.scripted.shown(), QStringList{msg::nothingNoDates});
    EXPECT_TRUE(control<QLabel>(&page, "Label12")->isHidden());
    EXPECT_EQ(control<QProgressBar>(&page, "jindu")->value(), 0);
    EXPECT_TRUE(control<QPushButton>(&page, "comShengcheng")->isEnabled());
}

TEST_F(SchedulingPageTest, ClosingDuringARunStopsItAndEmptiesTheWorkTables) {
    // A large staff keeps the run busy long after it starts; the page is
    // closed straight after the press, before the run can have ended.
    context.data.run(
        "with recursive n(i) as (select 1 union all select i + 1 from n where i < 3000) "
        "insert into 基本信息 (ID, 姓名, 所属组ID) select 1000 + i, '临时' || i, 'zz1z' from n");
    auto* page = new SchedulingPage(context);
    page->show();
    QSignalSpy finished(page, &SchedulingPage::runFinished);
    press(*page, "comShengcheng");
    ASSERT_TRUE(page->runInProgress());
    EXPECT_TRUE(page->close());
    EXPECT_FALSE(page->runInProgress());
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).value<engine::RunOutcome>(), engine::RunOutcome::Cancelled);
    EXPECT_EQ(count("值班底表") + count("值班报表"), 0);
    EXPECT_TRUE(context.dataCommandsEnabled);
    delete page;
    // Nothing of the stopped run reaches the user afterwards.
    QCoreApplication::processEvents();
    EXPECT_FALSE(context.scripted.shown().contains(msg::done));
}

// One person, two dates, one shift that one person may work at most once in
// a row, and a rule left behind by a rename (李四 does not exist).
TEST(SchedulingPageOnePerson, RelaxedQueryDanglingRulesAndAnUnfilledSlot) {
    test::FakePageContext context;
    context.data.run(
        "insert into 基本信息 (ID, 姓名, 所属组ID) values (1, '张三', 'zz1z');"
        "insert into 日期类型 (日期, 所属日期组ID) values ('2027-01-01', 'zz1z'), "
        "('2027-01-02', 'zz1z');"
        "insert into banci (班次名称, 起始时间, 次日, 终止时间, 连续次数, 最小连续天数, 分布日期, "
        "所属组ID, 开始秒序, 结束秒序, 人数) values ('白班', '08:00', '不跨转', '16:00', '1', "
        "'无限制', '全部', 'zz1z', 480, 960, 1);"
        "insert into 排除条件 (人员, 排在, 日期, 班次, 选定日期组, 选定班次组) "
        "values ('李四', '不排在', '2027-01-01', '白班', 0, 0)");
    SchedulingPage page(context);
    auto* relaxed = control<QPlainTextEdit>(&page, "Text1");
    EXPECT_TRUE(relaxed->isHidden());
    ASSERT_TRUE(generate(page));
    // The dangling rule is named before the run, which goes on as before; the
    // second day holds the only person back, so the limit is dropped.
    EXPECT_EQ(
        context.scripted.shown(),
        QStringList({msg::danglingRules + "\n编号 1：李四 不排在 2027-01-01 的 白班", msg::done}));
    EXPECT_FALSE(relaxed->isHidden());
    EXPECT_TRUE(relaxed->toPlainText().contains("order by"));
    EXPECT_EQ(countShown(page), recordCountText(2));
    // Reopening the page hides it again.
    page.close();
    page.show();
    EXPECT_TRUE(relaxed->isHidden());
    EXPECT_EQ(countShown(page), recordCountText(0));

    // Two people needed: the plan cannot be carried out, and the page says where.
    context.data.run("update banci set 人数 = 2; delete from 排除条件");
    context.scripted.clear();
    ASSERT_TRUE(generate(page));
    EXPECT_EQ(context.scripted.shown(), QStringList({msg::planImpossible}));
    auto* unfilled = control<QLabel>(&page, "unfilledSlot");
    EXPECT_FALSE(unfilled->isHidden());
    EXPECT_EQ(unfilled->text(), "2027年1月1日的白班需要 2 人，只有 1 人可排。");
    EXPECT_FALSE(relaxed->isHidden());
    EXPECT_FALSE(control<QLabel>(&page, "Label12")->isHidden());
    EXPECT_EQ(context.count("值班报表"), 0);
    EXPECT_TRUE(control<QPushButton>(&page, "comShengcheng")->isEnabled());
    EXPECT_TRUE(context.dataCommandsEnabled);
    EXPECT_LT(control<QProgressBar>(&page, "jindu")->value(), 100);
    // The roster of the first run is where the page says, one button away.
    auto* last = control<QLabel>(&page, "lastRoster");
    EXPECT_FALSE(last->isHidden());
    const QString kept = "2027年1月1日—2027年1月2日";
    EXPECT_EQ(last->text(), msg::lastRosterKept.arg(kept));
    press(page, "openLastRoster");
    QStringList opened;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible())
            opened << widget->windowTitle();
    EXPECT_TRUE(opened.filter(kept).size() > 0) << opened.join('|').toStdString();
}

// A regeneration asks before it replaces a shift placed by hand; answered
// No, nothing runs. Once run, one message names the roster it filled.
TEST(SchedulingPageRegeneration, AsksBeforeHandEditsGoAndEndsWithOneMessage) {
    test::FakePageContext context;
    context.data.run(
        "insert into 基本信息 (ID, 姓名, 所属组ID) values (1, '张三', 'zz1z'), (2, '李四', 'zz1z');"
        "insert into 日期类型 (日期, 所属日期组ID) values ('2027-01-01', 'zz1z');"
        "insert into banci (班次名称, 起始时间, 次日, 终止时间, 连续次数, 最小连续天数, 分布日期, "
        "所属组ID, 开始秒序, 结束秒序, 人数) values ('白班', '08:00', '不跨转', '16:00', "
        "'无限制', '无限制', '全部', 'zz1z', 480, 960, 1)");
    SchedulingPage page(context);
    ASSERT_TRUE(generate(page));
    const qint64 roster = context.data.scalar("select max(编号) from 排班存档").toLongLong();
    context.data.run("update 存档值班 set 人员IDID = 2, 手改 = 1");
    context.scripted.clear();
    context.scripted.addAnswer(false);
    page.regenerate(roster);
    EXPECT_FALSE(page.runInProgress());
    EXPECT_EQ(context.scripted.questions(), QStringList({msg::handEditsLost.arg(1)}));
    EXPECT_EQ(context.data.rows("select 人员IDID from 存档值班"), QStringList({"2"}));

    context.scripted.clear();
    QSignalSpy finished(&page, &SchedulingPage::runFinished);
    page.regenerate(roster);
    ASSERT_TRUE(finished.wait(kRunTimeoutMs) || finished.count() > 0);
    const QString name = context.data.scalar("select 名称 from 排班存档").toString();
    EXPECT_EQ(context.scripted.shown(),
              QStringList({msg::handEditsLost.arg(1), msg::regenerated.arg(name)}));
    EXPECT_EQ(context.data.rows("select 人员IDID from 存档值班"), QStringList({"1"}));
}

// Three people for a day shift of two: 王五 struck by a rule, 赵六 on
// leave. The reasons stay in a window of their own; the next failure
// replaces them, a run that succeeds closes it.
TEST(SchedulingPageExplanation, TheWindowShowsWhyFollowsTheNextFailureAndClosesOnSuccess) {
    test::FakePageContext context;
    context.data.run(
        "insert into 基本信息 (ID, 姓名, 所属组ID) values (1, '李四', 'zz1z'), "
        "(2, '王五', 'zz1z'), (3, '赵六', 'zz1z');"
        "insert into 日期类型 (日期, 所属日期组ID) values ('2027-01-01', 'zz1z');"
        "insert into banci (班次名称, 起始时间, 次日, 终止时间, 连续次数, 最小连续天数, 分布日期, "
        "所属组ID, 开始秒序, 结束秒序, 人数) values ('白班', '08:00', '不跨转', '16:00', "
        "'无限制', '无限制', '全部', 'zz1z', 480, 960, 2);"
        "insert into 排除条件 (人员, 排在, 日期, 班次, 选定日期组, 选定班次组) values "
        "('王五', '不排在', '2027-01-01', '白班', 0, 0);"
        "insert into 休假 (人员IDID, 开始日期, 结束日期, 原因) values "
        "(3, '2027-01-01', '2027-01-01', '年假')");
    SchedulingPage page(context);
    page.show();
    auto* explain = control<QPushButton>(&page, "explainButton");
    EXPECT_TRUE(explain->isHidden());
    ASSERT_TRUE(generate(page));
    ASSERT_TRUE(explain->isVisible());
    QTest::mouseClick(explain, Qt::LeftButton);
    QPointer<ExplanationWindow> window = page.findChild<ExplanationWindow*>();
    ASSERT_TRUE(window && window->isVisible());
    auto* summary = control<QLabel>(window, "explanationSummary");
    EXPECT_EQ(control<QLabel>(window, "explanationSlot")->text(),
              "2027年1月1日的白班需要 2 人，只有 1 人可排。");
    EXPECT_EQ(summary->text(), "3 人中：休假 1 人，规则 1 排除 1 人，可排 1 人");
    auto* table = control<QTableView>(window, "explanationTable");
    const auto rows = [table] {
        QStringList shown;
        for (int row = 0; row < table->model()->rowCount(); ++row)
            shown << table->model()->index(row, 0).data().toString() + "|" +
                         table->model()->index(row, 1).data().toString();
        return shown;
    };
    const QString ruled = "王五|被约束条件排除（编号 1：王五 不排在 2027-01-01 的 白班）";
    EXPECT_EQ(rows(), QStringList({"赵六|休假（年假）", ruled, "李四|可排"}));
    // A click on 姓名 sorts by name.
    const QHeaderView* header = table->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
    EXPECT_EQ(rows(), QStringList({"李四|可排", ruled, "赵六|休假（年假）"}));

    context.data.run("insert into 休假 (人员IDID, 开始日期, 结束日期, 原因) values "
                     "(1, '2027-01-01', '2027-01-01', '病假')");
    ASSERT_TRUE(generate(page));
    ASSERT_TRUE(window && window->isVisible());
    EXPECT_EQ(summary->text(), "3 人中：休假 2 人，规则 1 排除 1 人");

    context.data.run("delete from 休假; delete from 排除条件");
    ASSERT_TRUE(generate(page));
    QCoreApplication::processEvents();
    EXPECT_TRUE(!window || !window->isVisible());
    EXPECT_TRUE(explain->isHidden());
}

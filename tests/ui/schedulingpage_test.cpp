// The scheduling page on a copy of the sample ward, the way a planner uses
// it: rules added and deleted, a roster generated on the run's own thread,
// the grid narrowed by the person and shift queries, the report opened.

#include <QWidget>

#include "app/pagecontext.h"
#include "engine/report/rosterlayout.h"
#include "engine/ruleentry.h"
#include "engine/ui/schedulingpage.h"
#include "store/connection.h"
#include "store/datafiles.h"
#include "store/messages.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace korvane;

namespace {

constexpr int kRunTimeoutMs = 120000;

// The main window as the page sees it, over a copy of the sample database.
class SampleContext : public PageContext {
public:
    // A copy of the sample, or (with a script) a new database set up by it.
    explicit SampleContext(const QString& script = {}) {
        path = QDir(dir.path()).filePath(files::workingFileName);
        QString error;
        if (!script.isEmpty()) {
            connection = Connection::create(path, &error);
            if (!connection) {
                ADD_FAILURE() << "cannot create: " << error.toStdString();
                return;
            }
            for (const QString& statement : script.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
                QSqlQuery query(connection->db());
                if (!query.exec(statement))
                    ADD_FAILURE() << statement.toStdString();
            }
            return;
        }
        const QString sample = test::outputDirectory() + QStringLiteral("/医院值班.mdb");
        if (!files::copyDatabase(sample, path, &error))
            ADD_FAILURE() << "cannot copy the sample: " << error.toStdString();
        connection = Connection::open(path, &error);
        if (!connection)
            ADD_FAILURE() << "cannot open the copy: " << error.toStdString();
    }

    QSqlDatabase database() override { return connection->db(); }
    QString databasePath() const override { return path; }
    Prompt& prompt() override { return scripted; }
    ProgramState& state() override { return programState; }
    void setSetupButtonEnabled(bool enabled) override { setupButtonEnabled = enabled; }
    void setScheduleButtonEnabled(bool) override {}
    void setDataCommandsEnabled(bool enabled) override {
        dataCommandsEnabled = enabled;
        dataCommandChanges << enabled;
    }
    void showSetupPage() override {}
    void showSchedulingPage() override {}
    void showPage(QWidget* page) override { page->show(); }
    void restart() override {}

    qint64 count(const QString& sql) {
        QSqlQuery query(connection->db());
        if (!query.exec(sql) || !query.next()) {
            ADD_FAILURE() << sql.toStdString();
            return -1;
        }
        return query.value(0).toLongLong();
    }

    QTemporaryDir dir;
    QString path;
    std::unique_ptr<Connection> connection;
    ScriptedPrompt scripted;
    ProgramState programState;
    bool setupButtonEnabled = false;
    bool dataCommandsEnabled = true;
    QList<bool> dataCommandChanges;
};

template <typename T> T* child(QWidget& page, const char* name) {
    T* found = page.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        ADD_FAILURE() << "no control " << name;
    return found;
}

QString recordCountText(qint64 count) {
    return msg::recordCount + QString::number(count);
}

// Presses 生成值班表 and waits until the run has ended.
bool generate(SchedulingPage& page) {
    QSignalSpy finished(&page, &SchedulingPage::runFinished);
    child<QPushButton>(page, "comShengcheng")->click();
    return finished.wait(kRunTimeoutMs) || finished.count() > 0;
}

class SchedulingPageTest : public ::testing::Test {
protected:
    SampleContext context;
};

} // namespace

TEST_F(SchedulingPageTest, OpeningEmptiesTheWorkTablesAndFillsTheRuleFrame) {
    QSqlQuery seed(context.database());
    ASSERT_TRUE(
        seed.exec(QStringLiteral("insert into 值班底表 (日期, 班次IDID, 姓名IDID, 是否值班) "
                                 "values ('2027-01-01', 1, 1, '1')")));
    ASSERT_TRUE(seed.exec(QStringLiteral("insert into 值班报表 (日期) values ('x')")));

    SchedulingPage page(context);
    EXPECT_EQ(page.objectName(), QStringLiteral("paiban"));
    EXPECT_EQ(context.count(QStringLiteral("select count(*) from 值班底表")), 0);
    EXPECT_EQ(context.count(QStringLiteral("select count(*) from 值班报表")), 0);
    EXPECT_TRUE(context.setupButtonEnabled);

    EXPECT_EQ(child<QPlainTextEdit>(page, "Text5")->toPlainText(), engine::ruleHelpText);
    EXPECT_EQ(child<QPlainTextEdit>(page, "Text6")->toPlainText(), engine::generationHelpText);
    EXPECT_EQ(child<QProgressBar>(page, "jindu")->value(), 0);
    EXPECT_TRUE(child<QPlainTextEdit>(page, "Text1")->isHidden());
    EXPECT_EQ(child<QComboBox>(page, "Compaizai")->currentText(), QStringLiteral("不排在"));

    // Each list: its group table (全部 included), then the single entries.
    auto* dates = child<QComboBox>(page, "comRiqi");
    const qint64 dateGroups = context.count(QStringLiteral("select count(*) from 日期组"));
    EXPECT_EQ(dates->count(),
              dateGroups + context.count(QStringLiteral("select count(*) from 日期类型")));
    EXPECT_EQ(dates->currentText(), QStringLiteral("全部"));
    // Dates follow the groups as yyyy-MM-dd text, in stored order.
    QSqlQuery firstDate(context.database());
    ASSERT_TRUE(firstDate.exec(QStringLiteral("select 日期 from 日期类型 order by rowid limit 1")));
    ASSERT_TRUE(firstDate.next());
    EXPECT_EQ(dates->itemText(int(dateGroups)), firstDate.value(0).toString());
    EXPECT_EQ(dates->itemText(int(dateGroups)).size(), 10);
    auto* people = child<QComboBox>(page, "comRenyuan");
    EXPECT_EQ(people->count(), context.count(QStringLiteral("select count(*) from 值班人员组")) +
                                   context.count(QStringLiteral("select count(*) from 基本信息")));
    auto* shifts = child<QComboBox>(page, "comBanci");
    EXPECT_EQ(shifts->count(), context.count(QStringLiteral("select count(*) from 班次组")) +
                                   context.count(QStringLiteral("select count(*) from banci")));

    auto* rules = child<QTableView>(page, "DataGridPaichu");
    const QStringList captions = {QStringLiteral("编号"), QStringLiteral("人员（或组）"),
                                  QStringLiteral("判断逻辑"), QStringLiteral("日期（或组）"),
                                  QStringLiteral("班次（或组）")};
    for (int column = 0; column < captions.size(); ++column) {
        EXPECT_EQ(rules->model()->headerData(column, Qt::Horizontal).toString(),
                  captions.at(column));
        EXPECT_FALSE(rules->isColumnHidden(column));
    }
    EXPECT_TRUE(rules->isColumnHidden(5));
    EXPECT_TRUE(rules->isColumnHidden(6));
    EXPECT_EQ(rules->model()->rowCount(),
              context.count(QStringLiteral("select count(*) from 排除条件")));
}

TEST_F(SchedulingPageTest, RulesAreAddedWithTheirGroupFlagsAndDeletedFromTheGrid) {
    SchedulingPage page(context);
    auto* rules = child<QTableView>(page, "DataGridPaichu");
    auto* dates = child<QComboBox>(page, "comRiqi");
    auto* shifts = child<QComboBox>(page, "comBanci");
    auto* people = child<QComboBox>(page, "comRenyuan");
    const qint64 before = context.count(QStringLiteral("select count(*) from 排除条件"));
    const int dateGroups = int(context.count(QStringLiteral("select count(*) from 日期组")));
    const int shiftGroups = int(context.count(QStringLiteral("select count(*) from 班次组")));

    // Deleting with no current row does nothing.
    rules->setCurrentIndex(QModelIndex());
    child<QPushButton>(page, "Command7")->click();
    EXPECT_EQ(context.count(QStringLiteral("select count(*) from 排除条件")), before);

    // A person, a picked date and a picked single shift: neither is a group.
    people->setCurrentIndex(people->count() - 1);
    dates->setCurrentIndex(dateGroups);
    shifts->setCurrentIndex(shiftGroups);
    child<QComboBox>(page, "Compaizai")->setCurrentIndex(1);
    child<QPushButton>(page, "Command3")->click();
    QSqlQuery added(context.database());
    ASSERT_TRUE(added.exec(QStringLiteral(
        "select 人员, 排在, 日期, 班次, 选定日期组, 选定班次组 from 排除条件 order by 编号 desc")));
    ASSERT_TRUE(added.next());
    EXPECT_EQ(added.value(0).toString(), people->itemText(people->count() - 1));
    EXPECT_EQ(added.value(1).toString(), QStringLiteral("限排在"));
    EXPECT_EQ(added.value(2).toString(), dates->itemText(dateGroups));
    EXPECT_EQ(added.value(3).toString(), shifts->itemText(shiftGroups));
    EXPECT_EQ(added.value(4).toInt(), 0);
    EXPECT_EQ(added.value(5).toInt(), 0);
    // The grid shows the new row as its current row.
    EXPECT_EQ(rules->model()->rowCount(), before + 1);
    ASSERT_TRUE(rules->currentIndex().isValid());
    EXPECT_EQ(rules->currentIndex().row(), int(before));

    // A typed date that is not in the list is stored as a date group; a
    // picked shift group is a group.
    dates->setEditText(QStringLiteral("2031-12-31"));
    shifts->setCurrentIndex(shiftGroups - 1);
    child<QPushButton>(page, "Command3")->click();
    ASSERT_TRUE(added.exec(
        QStringLiteral("select 日期, 选定日期组, 选定班次组 from 排除条件 order by 编号 desc")));
    ASSERT_TRUE(added.next());
    EXPECT_EQ(added.value(0).toString(), QStringLiteral("2031-12-31"));
    EXPECT_EQ(added.value(1).toInt(), 1);
    EXPECT_EQ(added.value(2).toInt(), 1);
    EXPECT_EQ(dates->count(),
              dateGroups + int(context.count(QStringLiteral("select count(*) from 日期类型"))))
        << "a typed text never becomes an entry";

    // Delete the first of the two new rules: the next one becomes current.
    rules->setCurrentIndex(rules->model()->index(int(before), 0));
    const qint64 second = rules->model()->index(int(before) + 1, 0).data().toLongLong();
    child<QPushButton>(page, "Command7")->click();
    EXPECT_EQ(context.count(QStringLiteral("select count(*) from 排除条件")), before + 1);
    ASSERT_TRUE(rules->currentIndex().isValid());
    EXPECT_EQ(rules->currentIndex().data().toLongLong(), second);
    child<QPushButton>(page, "Command7")->click();
    EXPECT_EQ(context.count(QStringLiteral("select count(*) from 排除条件")), before);
}

TEST_F(SchedulingPageTest, GenerateShowsTheRosterAndTheQueriesNarrowIt) {
    SchedulingPage page(context);
    auto* generateButton = child<QPushButton>(page, "comShengcheng");
    auto* addRule = child<QPushButton>(page, "Command3");
    auto* progress = child<QProgressBar>(page, "jindu");
    auto* count = child<QLabel>(page, "Label6");
    auto* grid = child<QTableView>(page, "DataGrid6");

    QSignalSpy finished(&page, &SchedulingPage::runFinished);
    generateButton->click();
    // While the run works, nothing that changes the data can be pressed.
    EXPECT_TRUE(page.runInProgress());
    EXPECT_FALSE(generateButton->isEnabled());
    EXPECT_FALSE(addRule->isEnabled());
    EXPECT_FALSE(child<QPushButton>(page, "Command7")->isEnabled());
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
    ASSERT_FALSE(context.scripted.shown().isEmpty());
    EXPECT_EQ(context.scripted.shown().last(), msg::done);
    EXPECT_EQ(progress->value(), 100);
    EXPECT_TRUE(child<QLabel>(page, "Label12")->isHidden());

    const qint64 slotCount = context.count(QStringLiteral("select count(*) from 值班报表"));
    ASSERT_GT(slotCount, 0);
    EXPECT_EQ(count->text(), recordCountText(slotCount));
    EXPECT_EQ(grid->model()->rowCount(), slotCount) << "every row is fetched";
    EXPECT_EQ(context.programState.reportQuery, QStringLiteral("select * from 值班报表 "));
    EXPECT_EQ(grid->verticalHeader()->defaultSectionSize(),
              report::gridRowHeightPixels(context.programState.rowHeightFactor));

    // A person query: every slot that names the person.
    QSqlQuery first(context.database());
    ASSERT_TRUE(first.exec(QStringLiteral("select 姓名 from 基本信息 order by IDID")));
    ASSERT_TRUE(first.next());
    const QString name = first.value(0).toString();
    first.finish();
    child<QLineEdit>(page, "Text12")->setText(name);
    child<QPushButton>(page, "Command11")->click();
    const qint64 personSlots = context.count(
        QStringLiteral("select count(*) from 值班报表 where instr(值班人, '%1') > 0").arg(name));
    ASSERT_GT(personSlots, 0);
    EXPECT_LT(personSlots, slotCount);
    EXPECT_EQ(count->text(), recordCountText(personSlots));
    EXPECT_EQ(grid->model()->rowCount(), personSlots);
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        EXPECT_TRUE(grid->model()->index(row, 6).data().toString().contains(name));

    // A text with a quote finds what it names (nothing here) instead of
    // breaking the grid.
    child<QLineEdit>(page, "Text12")->setText(QStringLiteral("O'Neil"));
    const int messagesBefore = int(context.scripted.shown().size());
    child<QPushButton>(page, "Command11")->click();
    EXPECT_EQ(count->text(), recordCountText(0));
    EXPECT_EQ(context.scripted.shown().size(), messagesBefore) << "no error is shown";

    child<QPushButton>(page, "Command10")->click();
    EXPECT_EQ(count->text(), recordCountText(slotCount));
    EXPECT_EQ(context.programState.reportQuery, QStringLiteral("select * from 值班报表 "));

    // A shift query matches the text anywhere in the shift's name.
    QSqlQuery shift(context.database());
    ASSERT_TRUE(shift.exec(QStringLiteral("select 班次 from 值班报表 order by IDID")));
    ASSERT_TRUE(shift.next());
    const QString shiftName = shift.value(0).toString();
    shift.finish();
    const QString tail = shiftName.mid(shiftName.size() - 1);
    child<QLineEdit>(page, "Text4")->setText(tail);
    child<QPushButton>(page, "Command6")->click();
    const qint64 shiftSlots = context.count(
        QStringLiteral("select count(*) from 值班报表 where instr(班次, '%1') > 0").arg(tail));
    EXPECT_GT(shiftSlots, 0);
    EXPECT_EQ(count->text(), recordCountText(shiftSlots));
    child<QPushButton>(page, "Command8")->click();
    EXPECT_EQ(count->text(), recordCountText(slotCount));

    // A second run on the same page starts over from the reloaded page.
    context.scripted.clear();
    ASSERT_TRUE(generate(page));
    EXPECT_EQ(context.scripted.shown(), QStringList({msg::done}));
    EXPECT_EQ(context.count(QStringLiteral("select count(*) from 值班报表")), slotCount);
    EXPECT_EQ(count->text(), recordCountText(slotCount));
}

TEST_F(SchedulingPageTest, ClosingDuringARunStopsItAndEmptiesTheWorkTables) {
    // A large staff keeps the run busy long enough to be closed in the middle.
    QSqlQuery staff(context.database());
    ASSERT_TRUE(staff.exec(QStringLiteral(
        "with recursive n(i) as (select 1 union all select i + 1 from n where i < 600) "
        "insert into 基本信息 (ID, 姓名, 所属组ID) select 1000 + i, '临时' || i, 'zz1z' from n")));

    auto* page = new SchedulingPage(context);
    page->show();
    QSignalSpy finished(page, &SchedulingPage::runFinished);
    auto* progress = child<QProgressBar>(*page, "jindu");
    child<QPushButton>(*page, "comShengcheng")->click();
    ASSERT_TRUE(page->runInProgress());
    // Close once the run is writing candidates.
    ASSERT_TRUE(QTest::qWaitFor([&] { return progress->value() >= 5 || !finished.isEmpty(); },
                                kRunTimeoutMs));
    EXPECT_TRUE(page->close());
    EXPECT_FALSE(page->runInProgress());
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).value<engine::RunOutcome>(), engine::RunOutcome::Cancelled);
    EXPECT_EQ(context.count(QStringLiteral("select count(*) from 值班底表")), 0);
    EXPECT_EQ(context.count(QStringLiteral("select count(*) from 值班报表")), 0);
    EXPECT_TRUE(context.dataCommandsEnabled);
    delete page;
    // Nothing of the stopped run reaches the user afterwards.
    QCoreApplication::processEvents();
    EXPECT_FALSE(context.scripted.shown().contains(msg::done));
}

TEST_F(SchedulingPageTest, ReopeningKeepsTheQueryButTheGridIsEmpty) {
    {
        SchedulingPage page(context);
        ASSERT_TRUE(generate(page));
        child<QLineEdit>(page, "Text4")->setText(QStringLiteral("班"));
        child<QPushButton>(page, "Command6")->click();
        page.close();
    }
    const QString query = context.programState.reportQuery;
    EXPECT_TRUE(query.contains(QStringLiteral("班次 like")));
    SchedulingPage reopened(context);
    EXPECT_EQ(context.programState.reportQuery, query);
    EXPECT_EQ(child<QLabel>(reopened, "Label6")->text(), recordCountText(0));
    EXPECT_EQ(child<QTableView>(reopened, "DataGrid6")->model()->rowCount(), 0);
}

TEST_F(SchedulingPageTest, TheReportOpensOnlyOnARosterThatHasRows) {
    SchedulingPage page(context);
    bool previewShown = false;
    // The offscreen platform does not always make the preview the active
    // modal widget, so look at every window.
    auto closePreview = [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* preview = qobject_cast<QPrintPreviewDialog*>(widget);
            if (preview && preview->isVisible()) {
                previewShown = true;
                preview->reject();
            }
        }
    };
    // Keeps looking while the test runs, so a slow machine cannot leave the preview open.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, &page, closePreview);
    closer.start(100);

    // No run yet: no report and no message.
    child<QPushButton>(page, "Command12")->click();
    QTest::qWait(400);
    EXPECT_FALSE(previewShown);
    EXPECT_TRUE(context.scripted.shown().isEmpty());

    ASSERT_TRUE(generate(page));
    child<QPushButton>(page, "Command12")->click();
    EXPECT_TRUE(previewShown);

    // A query that finds nothing leaves nothing to print.
    previewShown = false;
    child<QLineEdit>(page, "Text12")->setText(QStringLiteral("没有这个人"));
    child<QPushButton>(page, "Command11")->click();
    child<QPushButton>(page, "Command12")->click();
    QTest::qWait(400);
    EXPECT_FALSE(previewShown);
}

namespace {

// One person, two dates, one shift with the given headcount that one person
// may work at most once in a row.
QString onePersonSetUp(int headcount) {
    return QStringLiteral(
               "insert into 基本信息 (ID, 姓名, 所属组ID) values (1, '张三', 'zz1z');"
               "insert into 日期类型 (日期, 所属日期组ID) values ('2027-01-01', 'zz1z');"
               "insert into 日期类型 (日期, 所属日期组ID) values ('2027-01-02', 'zz1z');"
               "insert into banci (班次名称, 起始时间, 次日, 终止时间, 连续次数, 最小连续天数, "
               "分布日期, 所属组ID, 开始秒序, 结束秒序, 人数) values ('白班', '08:00', '不跨转', "
               "'16:00', '1', '无限制', '全部', 'zz1z', 480, 960, %1)")
        .arg(headcount);
}

} // namespace

TEST(SchedulingPageRun, TheRelaxedQueryAppearsWhenTheLimitIsDropped) {
    SampleContext context(onePersonSetUp(1));
    SchedulingPage page(context);
    auto* relaxed = child<QPlainTextEdit>(page, "Text1");
    EXPECT_TRUE(relaxed->isHidden());
    ASSERT_TRUE(generate(page));
    EXPECT_EQ(context.scripted.shown(), QStringList({msg::done}));
    // The second day holds the only person back, so the limit is dropped.
    EXPECT_FALSE(relaxed->isHidden());
    EXPECT_TRUE(relaxed->toPlainText().contains(QStringLiteral("order by")));
    EXPECT_EQ(child<QLabel>(page, "Label6")->text(), recordCountText(2));

    // Reopening the page hides it again.
    page.close();
    page.show();
    EXPECT_TRUE(relaxed->isHidden());
    EXPECT_EQ(child<QLabel>(page, "Label6")->text(), recordCountText(0));
}

TEST(SchedulingPageRun, APlanThatCannotBeCarriedOutLeavesTheNoticeAndAnEmptyRoster) {
    SampleContext context(onePersonSetUp(2));
    SchedulingPage page(context);
    ASSERT_TRUE(generate(page));
    EXPECT_EQ(context.scripted.shown(), QStringList({msg::planImpossible}));
    EXPECT_FALSE(child<QLabel>(page, "Label12")->isHidden());
    EXPECT_EQ(context.count(QStringLiteral("select count(*) from 值班报表")), 0);
    EXPECT_TRUE(child<QPushButton>(page, "comShengcheng")->isEnabled());
    EXPECT_TRUE(context.dataCommandsEnabled);
    EXPECT_LT(child<QProgressBar>(page, "jindu")->value(), 100);
}

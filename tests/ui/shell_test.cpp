// The main window, the setup page, the staff editor, the period and the help
// window as a user meets them, on a working database in a temporary folder.

#include <QWidget>

#include "app/helpwindow.h"
#include "app/setuppage.h"
#include "editors/ui/grouppanel.h"
#include "editors/ui/periodform.h"
#include "editors/ui/staffpage.h"
#include "engine/ui/schedulingpage.h"
#include "store/datafiles.h"
#include "store/dialect.h"
#include "store/messages.h"
#include "ui/fakepagecontext.h"
#include "ui/shellfixture.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDateEdit>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRawFont>
#include <QScreen>
#include <QScrollBar>
#include <QSqlQuery>
#include <QTableView>

using namespace korvane;
using korvane::test::control;
using korvane::test::ShellTest;

TEST_F(ShellTest, ButtonBarAndMenusAsDesigned) {
    MainWindow* window = startProgram();
    EXPECT_EQ(window->objectName(), "MDIForm1");
    // The test screen is 800 x 600: the window fits it.
    EXPECT_TRUE(window->screen()->availableGeometry().contains(window->frameGeometry()));
    QWidget* bar = window->findChild<QWidget*>("Picture1");
    ASSERT_NE(bar, nullptr);

    const struct {
        const char* name;
        const char* caption;
        bool shown;
    } expected[] = {
        {"cssd", "初始设置", true},      {"Command4", "排班", true},
        {"Command2", "退出系统", true},  {"Command6", "进入设置向导", true},
        {"Command5", "上一步<<", false}, {"Command11", "退出向导", false},
        {"Command3", "下一步>>", false},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.name);
        QPushButton* button = barButton(e.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), e.caption);
        EXPECT_EQ(button->isVisibleTo(window), e.shown);
        // Every shown button lies whole within the bar; no caption is cut off.
        EXPECT_TRUE(!e.shown || bar->rect().contains(button->geometry()));
        EXPECT_GE(button->width(), button->fontMetrics().horizontalAdvance(e.caption));
    }
    // The setup page is open, so 初始设置 is off; 排班 is on.
    EXPECT_FALSE(barButton("cssd")->isEnabled());
    EXPECT_TRUE(barButton("Command4")->isEnabled());

    QStringList menus;
    for (QAction* menu : window->menuBar()->actions()) {
        menus << menu->text() + menu->menu()->objectName() + ':';
        for (QAction* item : menu->menu()->actions())
            menus.last() += ' ' + item->objectName() + '=' + item->text();
    }
    EXPECT_EQ(menus, QStringList({"工具tools: dataout=导出数据库 datain=导入数据库 "
                                  "qingkong=清空数据库 yangli=载入样例数据库（医院值班） "
                                  "lianjie=连接服务器… xinbingqu=新建病区… zongbiao=全院总表",
                                  "帮助help: bzsm=帮助说明 downloadnew=新版本下载 zxsm=在线说明"}));
}

// 确定 hands the setup page over to scheduling; 初始设置 brings it back. A bar
// button closes only the most recent page (the help window counts as one).
TEST_F(ShellTest, BarButtonsAndTheSetupPageHandOver) {
    MainWindow* window = startProgram();
    SetupPage* setup = window->setupPage();
    ASSERT_NE(setup, nullptr);
    EXPECT_EQ(setup->objectName() + setup->windowTitle(), "Formchushi初始设定");
    EXPECT_EQ(controller->state().group.groupKind, 1);
    EXPECT_FALSE(setup->groupPanel()->isVisibleTo(setup));
    control(setup, "btnOk")->click();
    EXPECT_EQ(window->setupPage(), nullptr);
    EXPECT_TRUE(barButton("cssd")->isEnabled() && barButton("Command4")->isEnabled());
    const auto pages = [&] {
        QStringList names;
        for (QWidget* page : window->openPages())
            names << page->objectName();
        return names;
    };
    EXPECT_EQ(pages(), QStringList{"paiban"});
    barButton("cssd")->click();
    control(window->setupPage(), "Command1")->click();
    EXPECT_EQ(pages(), QStringList({"Formchushi", "baseinfo"}));
    barButton("Command4")->click();
    EXPECT_EQ(pages(), QStringList({"Formchushi", "paiban"}));
    window->showHelp();
    barButton("Command4")->click();
    EXPECT_EQ(pages(), QStringList({"Formchushi", "paiban"}));
}

TEST_F(ShellTest, OnlyTheLastPressedSetupButtonIsHighlighted) {
    SetupPage* setup = startProgram()->setupPage();
    const char* const names[] = {"btnDate1", "btnRenyuanset", "btnDateset", "btnBanciset",
                                 "Command1", "btnDate1",      "btnBanci",   "btnRenyuanset"};
    for (const char* pressed : names) {
        SCOPED_TRACE(pressed);
        control(setup, pressed)->click();
        for (const char* name : names)
            EXPECT_EQ(SetupPage::isHighlighted(control(setup, name)), qstrcmp(name, pressed) == 0)
                << name;
    }
    // The last one opened a group page: the date-range panel is hidden.
    EXPECT_FALSE(control<QWidget>(setup, "Frame4")->isVisibleTo(setup));
    EXPECT_TRUE(setup->groupPanel()->isVisibleTo(setup));
}

// With a 班数限制 row the staff editor holds 排班 and 初始设置 off until it
// closes, taking its frame with it.
TEST_F(ShellTest, StaffEditorAddsChecksDeletesAndHoldsTheBar) {
    data.run("INSERT INTO 班数限制 (班数) VALUES (2)");
    MainWindow* window = startProgram();
    window->setupPage()->staffSetting();
    auto* staff = window->findChild<StaffPage*>("baseinfo");
    ASSERT_NE(staff, nullptr);
    EXPECT_EQ(staff->windowTitle(), "值班人员设定");
    EXPECT_FALSE(barButton("Command4")->isEnabled() || barButton("cssd")->isEnabled());
    auto* name = control<QLineEdit>(staff, "txtName");
    for (const char* text : {"张三", "李'四", "张三", ""}) {
        EXPECT_FALSE(name->isVisibleTo(staff));
        control(staff, "addone")->click();
        EXPECT_TRUE(name->isVisibleTo(staff));
        name->setText(text);
        control(staff, "Command2")->click();
    }
    EXPECT_EQ(prompt.shown(), (QStringList{msg::duplicateName, msg::nameEmpty}));
    EXPECT_EQ(staff->model()->rowCount(), 2);
    // The new person is the current row, at the end of the grid.
    EXPECT_EQ(staff->grid()->currentIndex().row(), 1);
    prompt.clear();
    control(staff, "delone")->click();
    EXPECT_EQ(prompt.questions().size(), 1); // asked first
    EXPECT_FALSE(staff->grid()->currentIndex().isValid());
    prompt.clear();
    control(staff, "delone")->click(); // nothing selected: nothing deleted
    EXPECT_TRUE(prompt.shown().isEmpty());
    staff->grid()->selectRow(0);
    control(staff, "delone")->click();
    EXPECT_EQ(prompt.shown(), QStringList{msg::keepOnePerson});
    EXPECT_EQ(data.scalar("SELECT 姓名 FROM 基本信息").toString(), "张三");

    control(staff, "btnExit")->click();
    EXPECT_TRUE(barButton("Command4")->isEnabled() && barButton("cssd")->isEnabled());
    for (int pass = 0; pass < 2; ++pass) // the page goes first, then its frame
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window->findChildren<QMdiSubWindow*>().size(), 1);
}

// The date form opens on the stored period (today without one), refuses an
// end before the start, asks before date-group memberships go, and the setup
// page, closed meanwhile, comes back with the new period on show.
TEST_F(ShellTest, PeriodIsSetThroughTheForm) {
    MainWindow* window = startProgram();
    SetupPage* setup = window->setupPage();
    setup->dateRangeSetting();
    EXPECT_EQ(control<QLabel>(setup, "Label1")->text(), msg::noPeriod);
    control(setup, "Command6")->click();
    auto* form = window->findChild<PeriodForm*>("riqi");
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->startPicker()->date(), QDate::currentDate());
    EXPECT_EQ(form->endPicker()->date(), QDate::currentDate());
    form->startPicker()->setDate(QDate(2027, 1, 1));
    form->endPicker()->setDate(QDate(2026, 12, 31));
    control(form, "btnOK")->click();
    EXPECT_EQ(prompt.shown(), QStringList{msg::endBeforeStart});
    EXPECT_FALSE(form->isHidden());
    form->endPicker()->setDate(QDate(2027, 1, 3));
    control(form, "btnOK")->click();
    EXPECT_EQ(window->openPages(), QList<QWidget*>{setup});
    control(setup, "Command7")->click();
    EXPECT_FALSE(control<QWidget>(setup, "Frame4")->isVisibleTo(setup));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // the closed form

    data.run("INSERT INTO 日期组 (日期组名称, idid) VALUES ('周末', 2);"
             "UPDATE 日期类型 SET 所属日期组ID = 'zz2z1z' WHERE 日期 > '2027-01-01'");
    setup->dateRangeSetting();
    control(setup, "Command6")->click();
    form = window->findChild<PeriodForm*>("riqi");
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->startPicker()->date(), QDate(2027, 1, 1));
    EXPECT_EQ(form->endPicker()->date(), QDate(2027, 1, 3));
    setup->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(window->setupPage(), nullptr);

    form->endPicker()->setDate(QDate(2027, 1, 31));
    prompt.clear();
    prompt.addAnswer(false);
    control(form, "btnOK")->click();
    EXPECT_EQ(prompt.questions(), QStringList{msg::periodDropsMemberships.arg(2).arg("周末")});
    EXPECT_FALSE(form->isHidden());
    EXPECT_EQ(data.scalar("SELECT COUNT(*) FROM 日期类型 WHERE 所属日期组ID = 'zz2z1z'").toInt(),
              2);
    prompt.addAnswer(true);
    control(form, "btnOK")->click();
    EXPECT_EQ(data.scalar("SELECT COUNT(*) FROM 日期类型").toInt(), 31);
    setup = window->setupPage();
    ASSERT_NE(setup, nullptr);
    EXPECT_TRUE(control<QWidget>(setup, "Frame4")->isVisibleTo(setup));
    EXPECT_EQ(control<QLabel>(setup, "Label1")->text(),
              "起始日期：2027-01-01        终止日期：2027-01-31");
}

// 帮助说明 opens one help window however often it is asked; the online items
// open the shipped introduction page, or say where it is without a browser.
TEST_F(ShellTest, HelpMenu) {
    MainWindow* window = startProgram();
    window->findChild<QAction*>("bzsm")->trigger();
    window->findChild<QAction*>("bzsm")->trigger();
    ASSERT_EQ(window->findChildren<HelpWindow*>().size(), 1);
    auto* help = window->findChild<HelpWindow*>("hep");
    ASSERT_NE(help, nullptr);
    auto* text = control<QPlainTextEdit>(help, "Text14");
    // The guide, then each text of data/help in the order of the file names.
    const QString shown = text->toPlainText();
    const QString guide = HelpWindow::guideText().replace("\r\n", "\n");
    EXPECT_TRUE(shown.startsWith(guide));
    qsizetype at = guide.size();
    const QDir sections(KORVANE_SOURCE_DIR "/data/help");
    const QStringList names = sections.entryList({"*.txt"}, QDir::Files, QDir::Name);
    EXPECT_FALSE(names.isEmpty());
    for (const QString& name : names) {
        QFile section(sections.filePath(name));
        ASSERT_TRUE(section.open(QIODevice::ReadOnly));
        at = shown.indexOf(QString::fromUtf8(section.readAll()).trimmed(), at);
        EXPECT_GE(at, 0) << name.toStdString();
    }
    EXPECT_EQ(text->geometry(), QRect(0, 0, window->width() - 6, window->height() - 200));
    auto* exit = control(help, "Command1");
    EXPECT_EQ(exit->text(), "退出帮助");
    exit->click();
    QApplication::processEvents();
    EXPECT_EQ(window->openPages().size(), 1);

    QStringList opened;
    controller->setUrlOpener([&](const QUrl& url) {
        opened << url.toLocalFile();
        return false;
    });
    const QString page = files::programDirectory() + "/intro.html";
    EXPECT_TRUE(QFileInfo::exists(page));
    for (const char* item : {"zxsm", "downloadnew"})
        window->findChild<QAction*>(item)->trigger();
    EXPECT_EQ(opened, QStringList({page, page}));
    const QString said = msg::noBrowser.arg(QDir::toNativeSeparators(page));
    EXPECT_EQ(prompt.shown(), QStringList({said, said}));
}

// A window smaller than a page: the workspace scrolls, so every part of the
// page, its right edge with 退出班次查询 included, can be brought into view.
TEST_F(ShellTest, APageLargerThanTheWindowScrollsIntoView) {
    MainWindow* window = startProgram();
    window->resize(460, 340);
    barButton("Command4")->click();
    QApplication::processEvents();
    auto* area = window->findChild<QMdiArea*>("workspace");
    QWidget* viewport = area->viewport();
    auto* farRight = window->schedulingPage()->findChild<QPushButton*>("Command8");
    ASSERT_NE(farRight, nullptr);
    const auto shown = [&] {
        return viewport->rect().contains(
            QRect(farRight->mapTo(viewport, QPoint(0, 0)), farRight->size()));
    };
    ASSERT_FALSE(shown());
    QScrollBar* across = area->horizontalScrollBar();
    QScrollBar* down = area->verticalScrollBar();
    EXPECT_TRUE(across->isVisible());
    // Scroll just far enough to show the button's far corner.
    const QPoint corner = farRight->mapTo(viewport, QPoint(farRight->width(), farRight->height()));
    across->setValue(across->value() + corner.x() - viewport->width());
    down->setValue(down->value() + qMax(0, corner.y() - viewport->height()));
    QApplication::processEvents();
    EXPECT_TRUE(shown());
}

TEST_F(ShellTest, ExitKeepsATypedEditAndEmptiesTheWorkingTables) {
    data.run("INSERT INTO 基本信息 (ID, 姓名, 所属组ID) VALUES (1, '张三', 'zz1z')");
    MainWindow* window = startProgram();
    fillWorkingTables();
    window->setupPage()->staffSetting();
    auto* staff = window->findChild<StaffPage*>();
    QTableView* grid = staff->grid();
    const QModelIndex name = staff->model()->index(0, staff->model()->columnOf("姓名"));
    grid->setCurrentIndex(name);
    grid->edit(name);
    auto* editor = grid->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText("张三丰");
    barButton("Command2")->click();
    EXPECT_EQ(quitCalls, 1);
    EXPECT_EQ(controller->mainWindow(), nullptr);
    EXPECT_EQ(data.scalar("SELECT 姓名 FROM 基本信息").toString(), "张三丰");
    EXPECT_EQ(workingTableRows(), 0);
}

TEST_F(ShellTest, ClosingByTheFrameClosesEveryPageAndLeavesTheTables) {
    MainWindow* window = startProgram();
    window->setupPage()->staffSetting();
    control(window->setupPage(), "Command6")->click();
    ASSERT_EQ(window->openPages().size(), 3);
    fillWorkingTables();
    // The test program itself goes on after its last window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    EXPECT_TRUE(window->close());
    QApplication::setQuitOnLastWindowClosed(true);
    // The period form's closing shows no new setup page in a window that is going.
    EXPECT_TRUE(window->openPages().isEmpty());
    EXPECT_EQ(workingTableRows(), 2);
}

TEST_F(ShellTest, AnUnusableWorkingFileIsReportedAtStart) {
    KORVANE_FILES_ONLY("the data folder's working file is overwritten");
    data.connection.reset();
    test::writeFile(workingPath(), "not a database at all");
    controller = std::make_unique<ApplicationController>(data.dir.path());
    controller->setPrompt(&prompt);
    EXPECT_FALSE(controller->start());
    EXPECT_EQ(controller->mainWindow(), nullptr);
    ASSERT_EQ(prompt.shown().size(), 1);
    EXPECT_TRUE(prompt.shown().first().startsWith(QDir::toNativeSeparators(workingPath())));
}

// Another program holding the file's write lock is said in the user's
// words at start, not in SQLite's.
TEST_F(ShellTest, AWorkingFileLockedForWritingElsewhereIsReportedAtStart) {
    KORVANE_FILES_ONLY("SQLite's write lock on the working file");
    data.connection.reset();
    QProcess holder;
    holder.start("sqlite3", {workingPath()});
    holder.write("BEGIN IMMEDIATE;\ninsert into 班数限制 values (1);\nselect 'held';\n");
    QByteArray said;
    while (!said.contains("held") && holder.waitForReadyRead(10000))
        said += holder.readAllStandardOutput();
    ASSERT_TRUE(said.contains("held"));
    Connection::setBusyTimeout(100);
    controller = std::make_unique<ApplicationController>(data.dir.path());
    controller->setPrompt(&prompt);
    EXPECT_FALSE(controller->start());
    Connection::setBusyTimeout(10000);
    ASSERT_EQ(prompt.shown().size(), 1);
    EXPECT_TRUE(prompt.shown().first().contains(msg::fileBusy))
        << prompt.shown().first().toStdString();
    holder.closeWriteChannel();
    ASSERT_TRUE(holder.waitForFinished(10000));
}

TEST_F(ShellTest, HoldingTheDataCommandsRestoresEachButton) {
    MainWindow* window = startProgram();
    QMenu* tools = window->menuBar()->actions().first()->menu();
    const auto windowWrites = [&] {
        QSqlQuery write(window->database());
        return write.exec("insert into 班数限制 (班数) values (1)");
    };
    // The setup page keeps 初始设置 off; a run holds everything, and nothing
    // in the window writes to the file: the pages left open are disabled and
    // the window's connection refuses writes.
    EXPECT_TRUE(window->setDataCommandsEnabled(false));
    for (const char* name : {"cssd", "Command4", "Command2", "Command6", "Command3"})
        EXPECT_FALSE(barButton(name)->isEnabled()) << name;
    EXPECT_FALSE(tools->isEnabled());
    EXPECT_FALSE(window->setupPage()->isEnabled());
    EXPECT_FALSE(windowWrites());
    // A page that enables 初始设置 meanwhile gets it once the hold ends.
    window->setScheduleButtonEnabled(false);
    window->setSetupButtonEnabled(true);
    EXPECT_FALSE(barButton("cssd")->isEnabled());
    EXPECT_TRUE(window->setDataCommandsEnabled(true));
    EXPECT_TRUE(barButton("cssd")->isEnabled());
    EXPECT_FALSE(barButton("Command4")->isEnabled());
    EXPECT_TRUE(barButton("Command2")->isEnabled());
    EXPECT_TRUE(tools->isEnabled());
    EXPECT_TRUE(window->setupPage()->isEnabled());
    EXPECT_TRUE(windowWrites());
}

// Every page's Chinese text has glyphs in the font it is drawn with (a
// missing CJK font draws boxes and nothing else notices).
TEST_F(ShellTest, PagesDrawTheirChineseText) {
    MainWindow* window = startProgram();
    SetupPage* setup = window->setupPage();
    auto check = [&](const QString& name) {
        for (QWidget* widget : window->findChildren<QWidget*>()) {
            QString text;
            if (auto* button = qobject_cast<QPushButton*>(widget))
                text = button->text();
            else if (auto* label = qobject_cast<QLabel*>(widget))
                text = label->text();
            if (text.isEmpty() || !widget->isVisible())
                continue;
            const QRawFont raw = QRawFont::fromFont(widget->font());
            for (const QChar c : text)
                EXPECT_TRUE(c.unicode() < 0x80 || raw.supportsCharacter(c))
                    << name.toStdString() << ": " << QString(c).toStdString() << " in "
                    << widget->objectName().toStdString();
        }
    };
    check("setup");
    setup->dateRangeSetting();
    check("period");
    setup->staffGroupSetting();
    check("groups");
    data.run("INSERT INTO 基本信息 (ID, 姓名, 所属组ID, 家庭住址) VALUES (1, '张三', 'zz1z', '0'), "
             "(2, '李四', 'zz1z', '0')");
    setup->staffSetting();
    window->findChild<StaffPage*>()->startAdding();
    check("staff");
    window->showHelp();
    check("help");
}

// On a ward the server tells the window what another program commits: the
// open scheduling page shows a rule added elsewhere without being activated.
TEST_F(ShellTest, OnAWardThePagesHearWhatOthersCommit) {
    if (!test::onServerStore())
        GTEST_SKIP() << "a file has no one to tell of changes";
    MainWindow* window = startProgram();
    ASSERT_NE(window, nullptr);
    barButton("Command4")->click();
    auto* rules = window->findChild<QTableView*>(QStringLiteral("DataGridPaichu"));
    ASSERT_NE(rules, nullptr);
    // The window's own activations are over before the other program writes.
    QDeadlineTimer settled(500);
    while (!settled.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    const int before = rules->model()->rowCount();
    QString error;
    auto other = Connection::open(data.path, &error);
    ASSERT_TRUE(other) << error.toStdString();
    QSqlQuery write(other->db());
    ASSERT_TRUE(dialect::exec(write,
                              "insert into 排除条件 (人员, 排在, 日期, 班次, 选定日期组, "
                              "选定班次组) values ('全部', '不排在', '全部', '全部', 1, 1)",
                              &error))
        << error.toStdString();
    QDeadlineTimer patience(10000);
    while (rules->model()->rowCount() == before && !patience.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(rules->model()->rowCount(), before + 1);
}

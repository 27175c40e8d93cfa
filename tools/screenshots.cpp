// korvane-screenshots OUTDIR: starts the real window on a copy of the sample,
// without a display, walks through every page as a user would (buttons
// clicked by their names) and saves a picture of each in OUTDIR.

#include "app/applicationcontroller.h"
#include "app/appsetup.h"
#include "app/mainwindow.h"
#include "engine/ui/schedulingpage.h"
#include "search/ui/improvewindow.h"
#include "store/datafiles.h"
#include "store/prompt.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMdiSubWindow>
#include <QScreen>
#include <QSpinBox>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>

namespace {

using korvane::MainWindow;

class Shooter {
public:
    Shooter(korvane::ApplicationController& controller, const QString& folder)
        : m_controller(controller), m_folder(folder) {}

    MainWindow* window() const { return m_controller.mainWindow(); }

    // Saves what the user sees of widget (the main window unless named).
    void save(const QString& name, QWidget* widget = nullptr) {
        settle();
        if (!widget)
            widget = window();
        const QString path = QDir(m_folder).filePath(name + QStringLiteral(".png"));
        if (widget->grab().save(path))
            std::printf("%s\n", qPrintable(QDir::toNativeSeparators(path)));
        else
            fail(QStringLiteral("cannot write %1").arg(path));
    }

    // A page open in the workspace, by its form name.
    QWidget* page(const char* name) {
        for (QWidget* each : window()->openPages())
            if (each->objectName() == QLatin1String(name))
                return each;
        fail(QStringLiteral("no page %1").arg(QLatin1String(name)));
        return nullptr;
    }

    // The bar's buttons and menus (Picture1), else a button of a page.
    void click(const char* name, QWidget* in = nullptr) {
        if (!in)
            in = window()->findChild<QWidget*>(QStringLiteral("Picture1"));
        auto* button = in ? in->findChild<QAbstractButton*>(QLatin1String(name)) : nullptr;
        if (!button || !button->isEnabled())
            return fail(QStringLiteral("no enabled button %1").arg(QLatin1String(name)));
        button->click();
        settle();
    }

    void trigger(const char* action) {
        auto* item = window()->findChild<QAction*>(QLatin1String(action));
        if (!item)
            return fail(QStringLiteral("no menu item %1").arg(QLatin1String(action)));
        item->trigger();
        settle();
    }

    // A real click on the first row of a page's grid.
    void clickFirstRow(QWidget* in, const char* grid) {
        auto* view = in ? in->findChild<QAbstractItemView*>(QLatin1String(grid)) : nullptr;
        if (!view || !view->model() || view->model()->rowCount() == 0)
            return fail(QStringLiteral("no rows in %1").arg(QLatin1String(grid)));
        const QRect cell = view->visualRect(view->model()->index(0, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        settle();
    }

    bool failed() const { return m_failed; }
    const QString& folder() const { return m_folder; }

private:
    static void settle() {
        // Closed pages are deleted later, and their frames close with them.
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
        }
    }
    void fail(const QString& why) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        m_failed = true;
    }

    korvane::ApplicationController& m_controller;
    QString m_folder;
    bool m_failed = false;
};

// Presses 生成值班表 and waits for the run to end.
void runGeneration(Shooter& shots) {
    auto* page = qobject_cast<korvane::SchedulingPage*>(shots.page("paiban"));
    if (!page)
        return;
    QEventLoop loop;
    QObject::connect(page, &korvane::SchedulingPage::runFinished, &loop, &QEventLoop::quit);
    shots.click("comShengcheng", page);
    if (page->runInProgress())
        loop.exec();
}

// 生成报表 opens the print preview as a modal dialog: picture it, then close it.
void previewReport(Shooter& shots) {
    QWidget* page = shots.page("paiban");
    QTimer::singleShot(0, [&shots] {
        QWidget* preview = QApplication::activeModalWidget();
        if (!preview)
            return;
        preview->resize(1100, 800);
        shots.save(QStringLiteral("14-report-preview"), preview);
        preview->close();
    });
    shots.click("Command12", page);
}

// 排班总表 beside it: the sheet, the totals with the chart, the score, the print preview.
void monthSheet(Shooter& shots) {
    shots.click("comZongbiao", shots.page("paiban"));
    QWidget* sheet = shots.page("paibanZongbiao");
    auto* tabs = sheet ? sheet->findChild<QTabWidget*>(QStringLiteral("tabs")) : nullptr;
    if (!tabs)
        return;
    shots.save(QStringLiteral("15-month-sheet"));
    tabs->setCurrentIndex(1);
    shots.save(QStringLiteral("16-month-totals"));
    tabs->setCurrentIndex(2);
    shots.save(QStringLiteral("16-month-score"));
    tabs->setCurrentIndex(0);
    QTimer::singleShot(0, [&shots] {
        QWidget* preview = QApplication::activeModalWidget();
        if (!preview)
            return;
        preview->resize(1100, 800);
        shots.save(QStringLiteral("17-month-preview"), preview);
        preview->close();
    });
    shots.click("printPreview", sheet);
}

// Everybody but one on leave on one date, then a run on an 800x600 window.
void failingRun(Shooter& shots, const QString& dataFolder) {
    {
        auto db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("leave"));
        db.setDatabaseName(korvane::files::workingPath(dataFolder));
        if (db.open())
            QSqlQuery(db).exec(QStringLiteral(
                "INSERT INTO 休假 (人员IDID, 开始日期, 结束日期, 原因) SELECT IDID, '2027-01-15', "
                "'2027-01-15', '年假' FROM 基本信息 WHERE IDID > (SELECT min(IDID) FROM "
                "基本信息)"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("leave"));
    shots.window()->resize(800, 600);
    shots.click("Command4");
    runGeneration(shots);
    shots.save(QStringLiteral("21-failed-run-800x600"));
    shots.click("explainButton", shots.page("paiban"));
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == QLatin1String("explanationWindow") && top->isVisible())
            shots.save(QStringLiteral("22-explanation"), top);
}

// 排班存档 from the scheduling page: the list, and the run's roster opened
// with a person's row locked.
void savedRosters(Shooter& shots) {
    shots.click("comCundang", shots.page("paiban"));
    QWidget* list = shots.page("paibanCundang");
    if (!list)
        return;
    shots.save(QStringLiteral("18-saved-rosters"));
    shots.click("openRoster", list);
    QWidget* roster = shots.page("savedRoster");
    auto* view =
        roster ? roster->findChild<QAbstractItemView*>(QStringLiteral("sheetView")) : nullptr;
    if (!view)
        return;
    view->setCurrentIndex(view->model()->index(4, 0));
    shots.click("lockRow", roster);
    // One shift taken out by hand: the slot it leaves short is warned of.
    for (int column = 0; column < view->model()->columnCount(); ++column)
        if (!view->model()->index(1, column).data().toString().isEmpty()) {
            view->setCurrentIndex(view->model()->index(1, column));
            shots.click("removeShift", roster);
            break;
        }
    shots.save(QStringLiteral("19-saved-roster"));
}

// A page's frame in the workspace, maximised.
void maximise(QWidget* page) {
    if (auto* frame = page ? qobject_cast<QMdiSubWindow*>(page->parentWidget()) : nullptr)
        frame->showMaximized();
}

// 优化值班表 for two seconds: the search window at its end, then the roster it
// kept, opened on its score with the comparison before and after.
void improve(Shooter& shots) {
    shots.click("improveRoster", shots.page("paiban"));
    korvane::ImproveWindow* search = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        for (auto* found : top->findChildren<korvane::ImproveWindow*>())
            search = found;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<korvane::ImproveWindow*>(top))
            search = found;
    auto* seconds = search ? search->findChild<QSpinBox*>(QStringLiteral("seconds")) : nullptr;
    if (!seconds)
        return;
    seconds->setValue(2);
    QEventLoop loop;
    QObject::connect(search, &korvane::ImproveWindow::searchFinished, &loop, &QEventLoop::quit);
    shots.click("start", search);
    loop.exec();
    search->resize(700, 600);
    shots.save(QStringLiteral("23-improve"), search);
    QWidget* kept = nullptr; // the newest of the saved rosters open
    for (QWidget* each : shots.window()->openPages())
        if (each->objectName() == QLatin1String("savedRoster"))
            kept = each;
    maximise(kept);
    shots.save(QStringLiteral("24-improved-score"));
}

// What the screen shows (a real display), else what the window paints.
void saveScreen(Shooter& shots, const QString& name) {
    shots.save(name);
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return;
    QTest::qWait(300);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        screen->grabWindow(0).save(
            QDir(shots.folder()).filePath(name + QStringLiteral("-screen.png")));
}

// A small screen: the scheduling page, a saved roster after an edit and the
// totals, each maximised in an 800x600 window; then the window made
// 1366x768 with the page still maximised.
void smallScreen(Shooter& shots) {
    shots.window()->showNormal();
    shots.window()->move(0, 0);
    shots.window()->resize(800, 600);
    shots.click("Command4");
    QWidget* scheduling = shots.page("paiban");
    maximise(scheduling);
    runGeneration(shots);
    saveScreen(shots, QStringLiteral("30-scheduling-800x600"));

    shots.click("comCundang", scheduling);
    QWidget* list = shots.page("paibanCundang");
    if (list)
        shots.click("openRoster", list);
    QWidget* roster = shots.page("savedRoster");
    auto* view =
        roster ? roster->findChild<QAbstractItemView*>(QStringLiteral("sheetView")) : nullptr;
    if (!view)
        return;
    maximise(roster);
    // An edit far down and right: the cell must stay in sight.
    const int row = view->model()->rowCount() - 2;
    const auto isDate = [view](int column) {
        // Only a date's heading has a tip (its long date).
        return !view->model()->headerData(column, Qt::Horizontal, Qt::ToolTipRole).isNull();
    };
    for (int column = view->model()->columnCount() - 1; column >= 0; --column)
        if (isDate(column) && !view->model()->index(row, column).data().toString().isEmpty()) {
            view->setCurrentIndex(view->model()->index(row, column));
            shots.click("removeShift", roster);
            break;
        }
    saveScreen(shots, QStringLiteral("31-saved-roster-800x600"));

    shots.click("comZongbiao", scheduling);
    QWidget* sheet = shots.page("paibanZongbiao");
    if (auto* tabs = sheet ? sheet->findChild<QTabWidget*>(QStringLiteral("tabs")) : nullptr) {
        maximise(sheet);
        tabs->setCurrentIndex(1);
        saveScreen(shots, QStringLiteral("32-totals-800x600"));
    }
    shots.click("Command4");
    maximise(shots.page("paiban"));
    shots.window()->resize(1366, 768);
    saveScreen(shots, QStringLiteral("33-scheduling-1366x768"));
}

} // namespace

int main(int argc, char** argv) {
    // A real display when one is named (to see what it paints), else none.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    korvane::setUpApplication(app);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2 || args.at(1).startsWith(QLatin1Char('-'))) {
        std::fprintf(stderr, "usage: korvane-screenshots OUTDIR\n");
        return 2;
    }
    const QString folder = QDir(args.at(1)).absolutePath();
    QTemporaryDir data;
    korvane::FileCheck problem;
    if (!QDir().mkpath(folder) || !data.isValid() ||
        !korvane::files::copyDatabase(korvane::files::samplePath(),
                                      korvane::files::workingPath(data.path()), &problem)) {
        std::fprintf(stderr, "cannot prepare: %s\n", qPrintable(problem.reason));
        return 1;
    }

    // Messages are answered Yes and listed at the end instead of waiting for a click.
    korvane::ScriptedPrompt prompt;
    korvane::ApplicationController controller(data.path());
    controller.setPrompt(&prompt);
    controller.setQuitHandler([] {});
    if (!controller.start())
        return 1;
    Shooter shots(controller, folder);
    shots.window()->resize(1280, 860);

    shots.save(QStringLiteral("01-setup"));
    QWidget* setup = shots.page("Formchushi");
    shots.click("Command1", setup);
    shots.save(QStringLiteral("02-staff"));
    shots.click("btnExit", shots.page("baseinfo"));

    shots.click("btnDate1", setup);
    shots.click("Command6", setup);
    shots.save(QStringLiteral("03-period"));
    shots.page("riqi")->close();

    shots.click("btnBanci", setup);
    QWidget* shifts = shots.page("frmBanciset");
    shots.clickFirstRow(shifts, "DataGrid1");
    shots.click("Command2", shifts);
    shots.save(QStringLiteral("04-shifts"));
    shots.click("Command5", shifts);

    shots.click("btnRenyuanset", setup);
    shots.save(QStringLiteral("05-staff-groups"));
    shots.click("Command3", setup);
    if (QWidget* form = setup->findChild<QWidget*>(QStringLiteral("frmXiugaizu"))) {
        shots.save(QStringLiteral("06-membership"), form);
        shots.click("btnOK", form);
    }
    shots.click("btnDateset", setup);
    shots.save(QStringLiteral("07-date-groups"));
    shots.click("btnBanciset", setup);
    shots.save(QStringLiteral("08-shift-groups"));

    shots.click("Command6");
    shots.save(QStringLiteral("09-wizard-step1"));
    for (int step = 2; step <= 6; ++step) {
        shots.click("Command3");
        shots.save(QStringLiteral("10-wizard-step%1").arg(step));
    }
    shots.click("Command11");

    shots.click("Command4");
    shots.save(QStringLiteral("11-scheduling"));
    runGeneration(shots);
    shots.save(QStringLiteral("12-scheduling-after-run"));
    shots.trigger("bzsm");
    shots.save(QStringLiteral("13-help"));
    previewReport(shots);
    monthSheet(shots);
    savedRosters(shots);
    improve(shots);

    shots.click("cssd");
    shots.click("btnLimits", shots.page("Formchushi"));
    shots.save(QStringLiteral("20-limits"));
    shots.click("btnTargets", shots.page("Formchushi"));
    shots.save(QStringLiteral("21-targets"));
    if (auto* tabs =
            shots.page("targetsPage")->findChild<QTabWidget*>(QStringLiteral("targetsTabs"))) {
        for (const auto& [tab, name] : {std::pair{1, "21-targets-wishes"},
                                        {2, "21-targets-fairness"},
                                        {3, "21-targets-headcounts"},
                                        {5, "21-targets-holidays"}}) {
            tabs->setCurrentIndex(tab);
            shots.save(QLatin1String(name));
        }
    }

    smallScreen(shots);
    // A slot nobody can fill, on a small screen: the failure, its line and 查看原因.
    failingRun(shots, data.path());

    for (const QString& text : prompt.shown())
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    if (QApplication::windowIcon().isNull()) {
        std::fprintf(stderr, "the program's icon is missing\n");
        return 1;
    }
    return shots.failed() ? 1 : 0;
}

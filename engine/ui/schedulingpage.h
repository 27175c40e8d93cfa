#pragma once

#include "engine/ruleentry.h"
#include "engine/run.h"
#include "planning/planrun.h"
#include "store/databaselock.h"

#include <QPointer>
#include <QWidget>

#include <atomic>
#include <memory>

class QComboBox;
class QFrame;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSqlQueryModel;
class QTableView;
class QThread;

namespace korvane {

class ExplanationWindow;
class PageContext;

// 排班 (paiban): rule entry, the generation run, the roster grid, queries and report.
// The run works on a thread of its own; the page shows its progress and
// keeps everything that could change the data disabled until it ends.
class SchedulingPage : public QWidget {
    Q_OBJECT
public:
    explicit SchedulingPage(PageContext& context, QWidget* parent = nullptr);
    ~SchedulingPage() override;

    // True while a generation run is going on.
    bool runInProgress() const;
    // Stops a running generation and waits until it has ended cleanly.
    void stopRun();
    // 重新生成: the run again for a saved roster, around its locks; the
    // result replaces the roster's content.
    void regenerate(qint64 roster);

signals:
    // A generation run has ended, however it ended.
    void runFinished(korvane::engine::RunOutcome outcome);

protected:
    // Another program on the file, or another client of the ward, may have
    // changed the rules or made a roster meanwhile: activated again, the
    // page shows them as they now are.
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    QFrame* buildRuleFrame();
    QGridLayout* buildQueries();
    QWidget* buildRunBar();
    // The page's opening sequence: Compaizai back to 不排在, the query boxes
    // empty, then everything the reload does.
    void openPage();
    // The reload a run starts with: help texts, initial controls, the work
    // tables emptied, the pick lists filled, both grids read again. What the
    // planner chose in Compaizai and typed in the query boxes stays.
    void reloadPage();
    void fillPickLists();
    void refreshRules();
    void updatePickPositions();

    void addRule();
    void deleteCurrentRule();

    void startRun();
    // A run that keeps its roster as a saved roster (target 0: a new one).
    void startRunFor(qint64 target);
    // Rules that name what does not exist, in one message before the run.
    void warnOfDanglingRules();
    void showRunMessage(const QString& text);
    void finishRun();
    // False when the window cannot be kept from writing during a run.
    bool setRunControlsEnabled(bool enabled);

    // Points the roster grid at the current report query and reads it whole.
    void showReportQuery();
    void applyRowHeights();
    void startPersonQuery();
    void startShiftQuery();
    void leaveQuery();
    void makeReport();
    // 排班总表: the roster as a sheet of people by dates, in a page of its own,
    // closed again whenever the work tables are emptied.
    void openMonthSheet();
    void closeMonthSheet();
    // 排班存档: the saved rosters, in a page of their own.
    void openSavedRosters();
    // After a run that kept no roster: where the last finished one is kept.
    void showLastRoster();
    void openLastRoster();
    // 排班存档, with the saved roster of that number open (none for 0).
    void showSavedRosters(qint64 roster);
    // Keeps the roster of a run that ended with "完成！".
    void keepRoster();

    // 查看原因: the explanation of the failed run's slot, in a window of its own.
    void openExplanation();
    void closeExplanation();

    void reportError(const QString& error);

    PageContext& m_context;

    // Rule frame.
    QLabel* m_ruleTitle = nullptr;
    QComboBox* m_people = nullptr;       // comRenyuan
    QComboBox* m_placement = nullptr;    // Compaizai
    QComboBox* m_dates = nullptr;        // comRiqi
    QComboBox* m_shifts = nullptr;       // comBanci
    QPushButton* m_addRule = nullptr;    // Command3
    QPushButton* m_deleteRule = nullptr; // Command7
    QTableView* m_ruleGrid = nullptr;    // DataGridPaichu
    QSqlQueryModel* m_ruleModel = nullptr;
    QPlainTextEdit* m_ruleHelp = nullptr; // Text5

    // Run and roster.
    QPushButton* m_generate = nullptr;        // comShengcheng
    QPushButton* m_improve = nullptr;         // 优化值班表, once a roster exists
    QProgressBar* m_progress = nullptr;       // jindu
    QLabel* m_notice = nullptr;               // Label12
    QPlainTextEdit* m_relaxedQuery = nullptr; // Text1
    QLabel* m_unfilled = nullptr;     // the slot a failed plan could not fill, or why a run failed
    QPushButton* m_explain = nullptr; // 查看原因, shown after a failed run
    QLabel* m_lastRoster = nullptr;   // where the last finished roster is kept
    QPushButton* m_openLastRoster = nullptr;
    qint64 m_lastRosterNumber = 0;
    QList<engine::SlotExplanation> m_explanations; // why the slots could not be filled
    QPointer<ExplanationWindow> m_explanationWindow;
    QTableView* m_rosterGrid = nullptr; // DataGrid6
    QSqlQueryModel* m_rosterModel = nullptr;
    QLabel* m_recordCount = nullptr;             // Label6
    QLineEdit* m_personText = nullptr;           // Text12
    QLineEdit* m_shiftText = nullptr;            // Text4
    QPushButton* m_report = nullptr;             // Command12
    QPushButton* m_monthSheetButton = nullptr;   // 排班总表, once a roster exists
    QPushButton* m_savedRostersButton = nullptr; // 排班存档
    QPlainTextEdit* m_generationHelp = nullptr;  // Text6

    // Rule entry positions (1-based; 0 for a typed text that is no entry).
    engine::RulePickLists m_lists;
    int m_datePosition = 0;
    int m_shiftPosition = 0;

    // The run in progress.
    QThread* m_runThread = nullptr;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    std::shared_ptr<engine::RunResult> m_runResult;
    // The run's lock on the file, taken on the run's thread and kept until
    // the page has shown and kept the roster, so that another program's run
    // cannot rewrite the work tables in between.
    std::shared_ptr<std::unique_ptr<files::DatabaseLock>> m_runLock;
    bool m_doneMessagePending = false;
    planning::RunRequest m_request; // what the run in hand takes, and where its roster is kept
    QString m_keptName;
    bool m_closed = false;
};

} // namespace korvane

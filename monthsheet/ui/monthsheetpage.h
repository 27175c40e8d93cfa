#pragma once

#include "engine/rostertable.h"
#include "monthsheet/monthsheet.h"
#include "score/rosterscore.h"

#include <QSqlDatabase>

#include <QWidget>

class QComboBox;
class QLabel;
class QSqlQueryModel;
class QSplitter;
class QTableView;
class QTabWidget;

namespace korvane {

class PageContext;

class ScoreTab;

namespace monthsheet {
class SheetModel;
}

// 排班总表: the roster as a sheet of people by dates with each person's
// totals (统计), printed, and written as PDF, workbook or CSV. It shows the
// roster as it was when the page opened.
class MonthSheetPage : public QWidget {
    Q_OBJECT
public:
    // The last run's roster, from the work tables.
    explicit MonthSheetPage(PageContext& context, QWidget* parent = nullptr);
    // A roster kept elsewhere (a saved roster): its sheet, and a database whose
    // 值班报表 holds its rows, which the page reads while it lives.
    MonthSheetPage(PageContext& context, monthsheet::MonthSheet sheet, QSqlDatabase rosterDb,
                   QWidget* parent = nullptr);

    // Whether the roster held anything to show (else the reason was given).
    bool hasRoster() const { return m_hasRoster; }

    // The same roster changed (a saved roster edited by hand): the sheet,
    // its totals and the rows anew, the view where it was.
    void setRoster(monthsheet::MonthSheet sheet, QSqlDatabase rosterDb);

    QTableView* sheetView() const { return m_sheetView; }
    // The 评分 tab and the score it shows (null when it could not be worked out).
    ScoreTab* scoreTab() const { return m_scoreTab; }
    const score::RosterScore* rosterScore() const { return m_scored ? &m_score : nullptr; }
    monthsheet::SheetModel* model() const { return m_model; }

    // What the roster breaks as its page checked it after an edit: the
    // score's hard rules anew.
    void setWarnings(const QList<rosters::Warning>& warnings);

    // The roster's rows that query (a 值班报表 query) selects, under the sheet.
    void showDuties(const QString& title, const QString& query);

private:
    void build(monthsheet::MonthSheet sheet);
    void buildSheetTab(QTabWidget* tabs);
    void buildTotalsTab(QTabWidget* tabs);
    void buildScoreTab(QTabWidget* tabs);
    // The score of the sheet now shown: after an edit, only the cells that
    // changed from the sheet before are scored again.
    void rescore(const monthsheet::MonthSheet* before);
    void printPreview();
    void writePdf();
    void writeWorkbook();
    void writeCsv();
    // Where to write: the save dialog, started in the data folder.
    QString chooseOutput(const QString& suffix, const QString& filter);
    void reportWritten(bool written, const QString& path, const QString& error);

    PageContext& m_context;
    QSqlDatabase m_rosterDb; // where 值班报表 is read
    bool m_hasRoster = false;
    engine::RosterTable m_roster; // for the workbook, as it was when the page opened

    monthsheet::SheetModel* m_model = nullptr;
    score::RosterScore m_score;
    bool m_scored = false;
    ScoreTab* m_scoreTab = nullptr;
    QTabWidget* m_tabs = nullptr;
    QTableView* m_sheetView = nullptr;
    QComboBox* m_paper = nullptr;
    QLabel* m_dutiesTitle = nullptr;
    QTableView* m_dutiesView = nullptr; // shown once a name or date is clicked
    QSplitter* m_sheetSplit = nullptr;  // the sheet over the duties
    QSqlQueryModel* m_dutiesModel = nullptr;
};

} // namespace korvane

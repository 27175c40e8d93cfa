#pragma once

#include "monthsheet/sheetmodel.h"
#include "score/rosterscore.h"

#include <QColor>
#include <QHash>
#include <QWidget>

class QLabel;
class QListWidget;
class QStandardItemModel;
class QTableView;

namespace korvane {

// 评分: the score of the roster a month sheet shows, beside its 统计: the
// total, each term's cost and share, each person's line, and the hard
// rules it breaks.
class ScoreTab : public QWidget {
    Q_OBJECT
public:
    explicit ScoreTab(QWidget* parent = nullptr);

    // Shows the score; after a hand edit, only the lines of the people it
    // touched are written again (people empty: every line).
    void showScore(const score::RosterScore& score, const QList<int>& people = {});
    // The total and the hard rules only (the warnings were checked anew).
    void showHard(const score::RosterScore& score);
    // The score before and after the search that made the roster (none: hidden).
    void showComparison(const QStringList& lines);

    QTableView* termsView() const { return m_termsView; }
    QTableView* peopleView() const { return m_peopleView; }
    QListWidget* hardList() const { return m_hard; }
    QListWidget* comparisonList() const { return m_comparison; }

private:
    QLabel* m_summary = nullptr;
    QStandardItemModel* m_terms = nullptr;
    QStandardItemModel* m_people = nullptr;
    QTableView* m_termsView = nullptr;
    QTableView* m_peopleView = nullptr;
    QListWidget* m_hard = nullptr;
    QListWidget* m_comparison = nullptr;
};

// The fill of the cells that cost most (the legends name it).
QColor costFill();

// The sheet's marks of the costliest cells: a shade and what they cost.
QHash<qsizetype, monthsheet::SheetModel::CellMark> costMarks(const score::RosterScore& score);

} // namespace korvane

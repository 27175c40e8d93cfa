#pragma once

#include <QWidget>

class QDateEdit;
class QLabel;
class QTableWidget;

namespace korvane {
class Prompt;
}

namespace korvane::overview {

// 全院总表: a read-only page over the wards of a server; a row per ward, day
// and shift with the people on duty and how many are missing, the month
// chosen above it, and under it what each ward shows.
class OverviewPage : public QWidget {
    Q_OBJECT
public:
    OverviewPage(const QString& url, Prompt& prompt, QWidget* parent = nullptr);

    // Reads the chosen month again.
    void refresh();

private:
    QString m_url;
    Prompt& m_prompt;
    QDateEdit* m_month;
    QTableWidget* m_table;
    QLabel* m_notes;
};

} // namespace korvane::overview

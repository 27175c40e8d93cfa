#pragma once

#include <QDate>
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
// chosen above it, and under it what each ward shows and the people (by
// 工号) whose shifts in two wards overlap or break their rest; the rows of
// those shifts are marked.
class OverviewPage : public QWidget {
    Q_OBJECT
public:
    // Opens on the month of month (the current one when it is invalid).
    OverviewPage(const QString& url, Prompt& prompt, const QDate& month = {},
                 QWidget* parent = nullptr);

    // Reads the chosen month again.
    void refresh();

    QTableWidget* table() const { return m_table; }
    QTableWidget* flags() const { return m_flags; }

private:
    QString m_url;
    Prompt& m_prompt;
    QDateEdit* m_month;
    QTableWidget* m_table;
    QLabel* m_notes;
    QTableWidget* m_flags;
};

} // namespace korvane::overview

#pragma once

#include <QWidget>

class QDateEdit;

namespace korvane {

class PageContext;

// riqi: picks a start and an end date and rebuilds the calendar 日期类型.
// However it closes, the setup page is shown again.
class PeriodForm : public QWidget {
    Q_OBJECT
public:
    explicit PeriodForm(PageContext& context, QWidget* parent = nullptr);

    QDateEdit* startPicker() const { return m_start; }
    QDateEdit* endPicker() const { return m_end; }
    // btnOK 保存退出: saves and closes; an end before the start keeps the form open.
    void save();

signals:
    // The calendar was rebuilt (emitted after the setup page is shown again).
    void periodSaved();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    PageContext& m_context;
    QDateEdit* m_start;
    QDateEdit* m_end;
    bool m_saved = false;
};

} // namespace korvane

#pragma once

#include <QWidget>

namespace korvane {

class PageContext;

// 排班 (paiban): rule entry, the generation run, the roster grid, queries and report.
class SchedulingPage : public QWidget {
    Q_OBJECT
public:
    explicit SchedulingPage(PageContext& context, QWidget* parent = nullptr);
    // True while a generation run is going on.
    bool runInProgress() const;
    // Stops a running generation and waits until it has ended cleanly.
    void stopRun();

private:
    PageContext& m_context;
};

} // namespace korvane

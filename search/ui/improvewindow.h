#pragma once

#include "search/improve.h"

#include <QString>
#include <QWidget>

#include <atomic>
#include <memory>

class QLabel;
class QLineSeries;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QThread;

namespace korvane {

class PageContext;

// 优化值班表: the search on the last run's roster or a saved roster, on a
// thread of its own. The page shows the best score so far and its curve;
// 停止 keeps the best found. While it searches, everything that could
// change the data is disabled, as during a run; at the end the result,
// kept as a saved roster, is opened.
class ImproveWindow : public QWidget {
    Q_OBJECT
public:
    // savedName: the saved roster to start from; empty for the last run's.
    ImproveWindow(PageContext& context, const QString& savedName, QWidget* parent = nullptr);
    ~ImproveWindow() override;

    bool searching() const;
    void start();
    void stop();
    // The last search's result (outcome Failed before any).
    const search::Result& result() const { return m_result; }

signals:
    void searchFinished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showProgress(double seconds, double fraction, double best);
    void finish();

    PageContext& m_context;
    QString m_saved;
    QSpinBox* m_seconds = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_stop = nullptr;
    QProgressBar* m_bar = nullptr;
    QLabel* m_best = nullptr;
    QLineSeries* m_curve = nullptr;
    QPlainTextEdit* m_summary = nullptr;
    QThread* m_thread = nullptr;
    std::atomic<bool> m_cancel{false};
    search::Result m_result;
    double m_first = -1; // the first best score of the curve
};

} // namespace korvane

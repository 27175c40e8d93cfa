#include "search/ui/improvewindow.h"

#include "score/scoretext.h"
#include "search/messages.h"
#include "ui/pagecontext.h"

#include <QChart>
#include <QChartView>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QThread>
#include <QVBoxLayout>
#include <QValueAxis>

namespace korvane {

namespace {

constexpr int kDefaultSeconds = 10;
constexpr int kMostSeconds = 3600;

const QString kStart = QStringLiteral("开始优化");
const QString kStop = QStringLiteral("停止");
const QString kBudget = QStringLiteral("优化时间（秒）：");

} // namespace

ImproveWindow::ImproveWindow(PageContext& context, const QString& savedName, QWidget* parent)
    : QWidget(parent), m_context(context), m_saved(savedName) {
    setWindowTitle(savedName.isEmpty() ? searchmsg::title
                                       : searchmsg::title + QStringLiteral("：") + savedName);
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    auto* controls = new QHBoxLayout;
    controls->addWidget(new QLabel(kBudget, this));
    m_seconds = new QSpinBox(this);
    m_seconds->setObjectName(QStringLiteral("seconds"));
    m_seconds->setRange(1, kMostSeconds);
    m_seconds->setValue(kDefaultSeconds);
    controls->addWidget(m_seconds);
    m_start = new QPushButton(kStart, this);
    m_start->setObjectName(QStringLiteral("start"));
    m_stop = new QPushButton(kStop, this);
    m_stop->setObjectName(QStringLiteral("stop"));
    m_stop->setEnabled(false);
    controls->addWidget(m_start);
    controls->addWidget(m_stop);
    controls->addStretch();
    layout->addLayout(controls);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 100);
    layout->addWidget(m_bar);
    m_best = new QLabel(this);
    m_best->setObjectName(QStringLiteral("best"));
    layout->addWidget(m_best);

    m_curve = new QLineSeries;
    auto* chart = new QChart;
    chart->addSeries(m_curve);
    chart->createDefaultAxes();
    chart->legend()->hide();
    chart->setMargins(QMargins(2, 2, 2, 2));
    auto* view = new QChartView(chart, this);
    view->setMinimumHeight(160);
    layout->addWidget(view);
    m_summary = new QPlainTextEdit(this);
    m_summary->setObjectName(QStringLiteral("summary"));
    m_summary->setReadOnly(true);
    layout->addWidget(m_summary);

    connect(m_start, &QPushButton::clicked, this, &ImproveWindow::start);
    connect(m_stop, &QPushButton::clicked, this, &ImproveWindow::stop);
}

ImproveWindow::~ImproveWindow() {
    if (m_thread) {
        m_cancel = true;
        m_thread->wait();
        delete m_thread;
    }
}

bool ImproveWindow::searching() const {
    return m_thread != nullptr;
}

void ImproveWindow::start() {
    if (m_thread)
        return;
    m_cancel = false;
    m_first = -1;
    m_curve->clear();
    m_summary->clear();
    m_bar->setValue(0);
    m_best->clear();
    m_start->setEnabled(false);
    m_seconds->setEnabled(false);
    m_stop->setEnabled(true);
    m_context.setDataCommandsEnabled(false);

    search::Request request;
    request.saved = m_saved;
    request.options.seconds = m_seconds->value();
    const QString path = m_context.databasePath();
    m_thread = QThread::create([this, request, path] {
        search::Observer observer;
        observer.cancelled = [this] { return m_cancel.load(); };
        observer.progress = [this](const search::Progress& progress) {
            QMetaObject::invokeMethod(
                this,
                [this, progress] {
                    showProgress(progress.seconds, progress.fraction, progress.best);
                },
                Qt::QueuedConnection);
        };
        m_result = search::improveRoster(path, request, observer);
    });
    connect(m_thread, &QThread::finished, this, &ImproveWindow::finish);
    m_thread->start();
}

void ImproveWindow::stop() {
    m_cancel = true;
}

void ImproveWindow::showProgress(double seconds, double fraction, double best) {
    if (!m_thread)
        return;
    m_bar->setValue(int(fraction * 100));
    m_best->setText(searchmsg::progress.arg(score::numberText(best)));
    if (m_first < 0)
        m_first = best;
    m_curve->append(seconds, best);
    const auto axes = m_curve->attachedAxes();
    for (QAbstractAxis* axis : axes) {
        auto* values = qobject_cast<QValueAxis*>(axis);
        if (!values)
            continue;
        if (values->orientation() == Qt::Horizontal)
            values->setRange(0, std::max(1.0, double(m_seconds->value())));
        else
            values->setRange(0, std::max(1.0, m_first));
    }
}

void ImproveWindow::finish() {
    m_thread->deleteLater();
    m_thread = nullptr;
    m_bar->setValue(100);
    m_start->setEnabled(true);
    m_seconds->setEnabled(true);
    m_stop->setEnabled(false);
    m_context.setDataCommandsEnabled(true);
    const search::Improvement& found = m_result.improvement;
    const bool kept =
        m_result.outcome == search::Outcome::Done || m_result.outcome == search::Outcome::Short;
    if (kept) {
        const QStringList lines = search::comparisonLines(found) + found.shortSlots;
        m_summary->setPlainText(lines.join(QLatin1Char('\n')));
        m_best->setText(searchmsg::progress.arg(score::numberText(found.scoreAfter.total())));
    }
    QString message = m_result.detail;
    if (kept && found.cancelled)
        message = searchmsg::stopped + QLatin1Char('\n') + message;
    if (m_result.outcome == search::Outcome::Short)
        message += QLatin1Char('\n') + searchmsg::stillShort.arg(found.shortCount);
    m_context.prompt().information(message);
    if (kept)
        m_context.showSavedRoster(m_result.kept.number, true);
    emit searchFinished();
}

void ImproveWindow::closeEvent(QCloseEvent* event) {
    // A search stops and keeps its best before the window goes.
    if (m_thread) {
        m_cancel = true;
        event->ignore();
        connect(this, &ImproveWindow::searchFinished, this, &QWidget::close,
                Qt::SingleShotConnection);
        return;
    }
    QWidget::closeEvent(event);
}

} // namespace korvane

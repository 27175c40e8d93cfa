#pragma once

#include <QObject>

class QSocketNotifier;

namespace korvane {

// SIGTERM, SIGHUP and SIGINT (a session that logs out, a kill, Ctrl+C in a
// terminal) as a Qt signal on the event loop, so that the program ends as
// 退出系统 ends it, its database closed, instead of dying with the file open
// and its companions left beside it. A second signal, once the first has
// been taken, ends the program at once.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void received();

private:
    void take();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace korvane

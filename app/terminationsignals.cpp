#include "app/terminationsignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace korvane {

namespace {

const int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The handler's end and the event loop's end of one socket pair: a handler
// may only write, so the event loop does the rest.
int signalSocket[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalSocket[0], &byte, 1);
}

void setHandlers(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kSignals)
        sigaction(signal, &action, nullptr);
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (signalSocket[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, signalSocket) != 0)
        return; // one watcher per process; without a socket the defaults stay
    m_notifier = new QSocketNotifier(signalSocket[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::take);
    setHandlers(onSignal);
}

TerminationSignals::~TerminationSignals() {
    if (!m_notifier)
        return;
    setHandlers(SIG_DFL);
    delete m_notifier;
    ::close(signalSocket[0]);
    ::close(signalSocket[1]);
    signalSocket[0] = signalSocket[1] = -1;
}

void TerminationSignals::take() {
    char byte = 0;
    [[maybe_unused]] const ssize_t got = ::read(signalSocket[1], &byte, 1);
    m_notifier->setEnabled(false);
    setHandlers(SIG_DFL);
    emit received();
}

} // namespace korvane

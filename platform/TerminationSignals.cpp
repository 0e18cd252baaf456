#include "platform/TerminationSignals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int pipeFds[2] = {-1, -1};

extern "C" void forwardSignal(int signalNumber)
{
    const int savedErrno = errno;  // the interrupted code may be about to read it
    const unsigned char code = static_cast<unsigned char>(signalNumber);
    const ssize_t ignored = ::write(pipeFds[1], &code, 1);
    (void)ignored;
    errno = savedErrno;
}

void installHandlers(void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signalNumber, &action, nullptr);
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    if (pipeFds[0] < 0 && ::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::readPipe);
    installHandlers(forwardSignal);
}

TerminationSignals::~TerminationSignals()
{
    if (notifier_)
        installHandlers(SIG_DFL);
}

void TerminationSignals::readPipe()
{
    unsigned char code = 0;
    while (::read(pipeFds[0], &code, 1) == 1)
        emit requested(code);
}

void IgnoreFileSizeLimitSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

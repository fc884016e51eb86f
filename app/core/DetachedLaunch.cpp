#include "app/core/DetachedLaunch.h"

#include <QCoreApplication>
#include <QString>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/base/Translations.h"

namespace {

constexpr char handedOverByte = '0';
// A start that takes longer than this is stuck; the launch stops waiting for it.
constexpr int startLimitMs = 30000;

void redirectToNull(int fd) {
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null < 0) return;
    ::dup2(null, fd);
    ::close(null);
}

enum class Word { handedOver, ended, silent };

// The child closes its end only by ending (the end is closed on exec too) or after its word.
Word awaitWord(int channel) {
    pollfd watched{.fd = channel, .events = POLLIN, .revents = 0};
    for (;;) {
        const int ready = ::poll(&watched, 1, startLimitMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return Word::silent;
        char byte = 0;
        const ssize_t got = ::recv(channel, &byte, 1, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got == 1 && byte == handedOverByte) return Word::handedOver;
        return got == 0 ? Word::ended : Word::silent;
    }
}

} // namespace

DetachedLaunch::~DetachedLaunch() {
    if (channel_ >= 0) ::close(channel_);
}

std::optional<int> DetachedLaunch::start(const Translations& texts) {
    int ends[2];
    // Without a channel there is no one to report to: carry the action out in the foreground.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return std::nullopt;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(ends[0]);
        ::close(ends[1]);
        return std::nullopt;
    }
    if (child == 0) {
        ::close(ends[0]);
        channel_ = ends[1];
        // Its own session: closing the terminal or Ctrl+C there no longer reaches it.
        ::setsid();
        redirectToNull(STDIN_FILENO);
        redirectToNull(STDOUT_FILENO);
        return std::nullopt;
    }

    ::close(ends[1]);
    const Word word = awaitWord(ends[0]);
    ::close(ends[0]);
    if (word == Word::handedOver) return 0;
    int status = 0;
    if (word == Word::ended && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
        WEXITSTATUS(status) != 0) {
        return WEXITSTATUS(status);
    }
    const QString sentence = texts.text("DetachedLaunch", QT_TRANSLATE_NOOP("DetachedLaunch", "Glimpo couldn't be started."));
    std::fprintf(stderr, "glimpo: %s\n", sentence.toUtf8().constData());
    return 1;
}

void DetachedLaunch::handedOver() {
    if (channel_ < 0) return;
    // The launching process may be gone already; that is no signal to die of.
    ::send(channel_, &handedOverByte, 1, MSG_NOSIGNAL);
    ::close(channel_);
    channel_ = -1;
    // Whoever asked for the log on standard error (GLIMPO_LOG_STDERR) reads it on.
    if (qEnvironmentVariableIsEmpty("GLIMPO_LOG_STDERR")) redirectToNull(STDERR_FILENO);
}

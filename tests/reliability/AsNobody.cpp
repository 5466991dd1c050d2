#include "AsNobody.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t nobody = 65534;

bool writeAll(int fd, const QByteArray &bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t wrote = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (wrote <= 0)
            return false;
        done += wrote;
    }
    return true;
}

QByteArray readAll(int fd)
{
    QByteArray bytes;
    char buffer[4096];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, qsizetype(got));
    return bytes;
}

} // namespace

namespace AsNobody {

bool run(const std::function<QStringList()> &work, QStringList &result)
{
    if (::geteuid() != 0) {
        result = work();
        return true;
    }
    int fds[2];
    if (::pipe(fds) != 0) {
        result = {QStringLiteral("no pipe")};
        return false;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        // The groups first: once the user is gone they can no longer be changed.
        const bool dropped =
            ::setgroups(0, nullptr) == 0 && ::setgid(nobody) == 0 && ::setuid(nobody) == 0;
        const bool sent = dropped && writeAll(fds[1], work().join(u'\n').toUtf8());
        ::_exit(sent ? 0 : 1); // not exit(): the parent's handlers and buffers are not ours
    }
    ::close(fds[1]);
    const QByteArray output = child > 0 ? readAll(fds[0]) : QByteArray();
    ::close(fds[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        result = {QStringLiteral("the unprivileged child failed")};
        return false;
    }
    result = output.isEmpty() ? QStringList() : QString::fromUtf8(output).split(u'\n');
    return true;
}

} // namespace AsNobody

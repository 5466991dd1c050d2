#include "UnprivilegedRun.h"

#ifdef Q_OS_UNIX
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t nobody = 65534;

bool writeAll(int fd, const QByteArray &bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t written = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

QByteArray readAll(int fd)
{
    QByteArray bytes;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, qsizetype(got));
    return bytes;
}

} // namespace

bool UnprivilegedRun::run(const std::function<QStringList()> &work, QStringList &result)
{
    if (geteuid() != 0) {
        result = work();
        return true;
    }
    return runInChild(work, result);
}

bool UnprivilegedRun::runInChild(const std::function<QStringList()> &work, QStringList &result)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        result = {QStringLiteral("pipe failed")};
        return false;
    }
    const pid_t child = fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        // The group first: once the user id is gone the group can no longer be changed.
        const bool dropped = setgroups(0, nullptr) == 0 && setgid(nobody) == 0 &&
                             setuid(nobody) == 0 && geteuid() == nobody;
        const bool sent = dropped && writeAll(pipeFds[1], work().join(u'\n').toUtf8());
        // _exit: the child must not run the parent's exit handlers or flush its buffers.
        _exit(sent ? 0 : 1);
    }
    ::close(pipeFds[1]);
    const QByteArray output = child > 0 ? readAll(pipeFds[0]) : QByteArray();
    ::close(pipeFds[0]);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        result = {QStringLiteral("the unprivileged child failed")};
        return false;
    }
    result = output.isEmpty() ? QStringList() : QString::fromUtf8(output).split(u'\n');
    return true;
}

#else

bool UnprivilegedRun::run(const std::function<QStringList()> &work, QStringList &result)
{
    result = work();
    return true;
}

bool UnprivilegedRun::runInChild(const std::function<QStringList()> &work, QStringList &result)
{
    return run(work, result);
}

#endif

#include "UnprivilegedRun.h"

#ifdef Q_OS_UNIX
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

bool UnprivilegedRun::run(const std::function<QStringList()> &work, QStringList &result)
{
#ifdef Q_OS_UNIX
    if (geteuid() == 0) {
        int fds[2];
        if (pipe(fds) != 0) {
            result = {QStringLiteral("no pipe to the unprivileged child")};
            return false;
        }
        const pid_t child = fork();
        if (child == 0) {
            ::close(fds[0]);
            // The group first: once the user id is gone the group can no longer be changed.
            bool ok = setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0;
            if (ok) {
                const QByteArray out = work().join(u'\n').toUtf8();
                ok = ::write(fds[1], out.constData(), size_t(out.size())) == out.size();
            }
            // _exit: the child must not run the parent's exit handlers or flush its buffers.
            _exit(ok ? 0 : 1);
        }
        ::close(fds[1]);
        QByteArray out;
        char buffer[4096];
        for (ssize_t got = 0; (got = ::read(fds[0], buffer, sizeof buffer)) > 0;)
            out.append(buffer, qsizetype(got));
        ::close(fds[0]);
        int status = 0;
        const bool ok = child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
                        WEXITSTATUS(status) == 0;
        result = !ok             ? QStringList{"the unprivileged child failed"}
                 : out.isEmpty() ? QStringList()
                                 : QString::fromUtf8(out).split(u'\n');
        return ok;
    }
#endif
    result = work();
    return true;
}

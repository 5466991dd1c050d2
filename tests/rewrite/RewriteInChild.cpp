#include "RewriteInChild.h"

#include "ReplacementTexts.h"
#include "RewriteFile.h"

#include <QByteArray>

#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t nobody = 65534;

bool restrict(const ChildRestrictions &restrictions)
{
    if (restrictions.fileSizeLimit >= 0) {
        // Without this the kernel kills the writer with SIGXFSZ instead of failing the write.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{rlim_t(restrictions.fileSizeLimit), rlim_t(restrictions.fileSizeLimit)};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return false;
    }
    if (restrictions.asNobody)
        return ::setgroups(0, nullptr) == 0 && ::setgid(nobody) == 0 && ::setuid(nobody) == 0;
    return true;
}

void writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (wrote <= 0)
            return;
        done += wrote;
    }
}

// The child's answer: the status as one digit, then the reason.
[[noreturn]] void runChild(int answerFd, const QString &path, const QString &search,
                           const QString &replacement, const ChildRestrictions &restrictions)
{
    RewriteResult result{RewriteResult::Status::Failed, QStringLiteral("child: cannot restrict")};
    if (restrict(restrictions)) {
        ReplacementTexts texts(search, replacement);
        result = RewriteFile(path, texts);
    }
    writeAll(answerFd, QByteArray::number(int(result.status)) + result.reason.toUtf8());
    ::_exit(0);
}

} // namespace

RewriteResult RewriteInChild(const QString &path, const QString &search, const QString &replacement,
                             const ChildRestrictions &restrictions)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return {RewriteResult::Status::Failed, QStringLiteral("child: no pipe")};
    const pid_t pid = ::fork();
    if (pid == 0)
        runChild(fds[1], path, search, replacement, restrictions);
    ::close(fds[1]);
    QByteArray answer;
    char buffer[512];
    for (ssize_t got; (got = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        answer.append(buffer, got);
    ::close(fds[0]);
    int waitStatus = 0;
    if (pid < 0 || ::waitpid(pid, &waitStatus, 0) != pid || answer.isEmpty())
        return {RewriteResult::Status::Failed, QStringLiteral("child: no answer")};
    return {RewriteResult::Status(answer.at(0) - '0'), QString::fromUtf8(answer.mid(1))};
}

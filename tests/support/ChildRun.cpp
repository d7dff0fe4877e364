#include "tests/support/ChildRun.h"

#include <QDirIterator>
#include <QFile>

#include <exception>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t Nobody = 65534;

void writeAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            return;
        done += n;
    }
}

} // namespace

bool ChildRun::isRoot() {
    return ::geteuid() == 0;
}

void ChildRun::handOver(const QString& path) {
    if (!isRoot())
        return;
    const auto give = [](const QString& p) {
        if (::lchown(QFile::encodeName(p).constData(), Nobody, Nobody) != 0)
            ::perror("lchown");
    };
    give(path);
    QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        give(it.next());
}

ChildRun::Result ChildRun::run(const std::function<QString()>& body, bool unprivileged,
                               int guardSeconds) {
    Result result;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return result;
    const pid_t child = ::fork();
    if (child < 0)
        return result;
    if (child == 0) {
        ::close(fds[0]);
        if (unprivileged && isRoot() &&
            (::setgroups(0, nullptr) != 0 || ::setgid(Nobody) != 0 || ::setuid(Nobody) != 0))
            ::_exit(3);
        QByteArray report;
        try {
            report = "=" + body().toUtf8();
        } catch (const std::exception& e) {
            report = QByteArray("=escaped: ") + e.what();
        } catch (...) {
            report = "=escaped: unknown";
        }
        writeAll(fds[1], report);
        ::_exit(0);
    }
    ::close(fds[1]);
    QByteArray report;
    pollfd pfd{fds[0], POLLIN, 0};
    bool hung = false;
    while (true) {
        const int ready = ::poll(&pfd, 1, guardSeconds * 1000);
        if (ready == 0) {
            hung = true;
            break;
        }
        if (ready < 0)
            continue;
        char buf[4096];
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n <= 0)
            break;
        report.append(buf, n);
    }
    ::close(fds[0]);
    if (hung)
        ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    result.finished = !hung;
    result.crashed =
        !hung && (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !report.startsWith('='));
    result.output = QString::fromUtf8(report.mid(1));
    return result;
}

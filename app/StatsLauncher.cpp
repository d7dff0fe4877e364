#include "app/StatsLauncher.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include <unistd.h>

QByteArray StatsLauncher::siblingOf(const QByteArray& executable) {
    const qsizetype slash = executable.lastIndexOf('/');
    return (slash < 0 ? QByteArray() : executable.left(slash + 1)) + Program;
}

int StatsLauncher::exec(int argc, char* argv[], bool japanese) {
    // The running executable, not argv[0]: the launcher and the desktop start it by full path,
    // a player from a build by a relative one, and both must find the program beside it.
    char self[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    const QByteArray executable = n > 0 ? QByteArray(self, n) : QByteArray(argv[0]);
    const QByteArray program = siblingOf(executable);
    std::vector<char*> arguments(argv, argv + argc);
    arguments[0] = const_cast<char*>(program.constData());
    arguments.push_back(nullptr);
    ::execv(program.constData(), arguments.data());
    const QString reason = QString::fromLocal8Bit(std::strerror(errno));
    const QString path = QString::fromLocal8Bit(program);
    const QString message =
        japanese ? QStringLiteral("kazamina-typing: 成績グラフの %1 を起動できません: %2\n")
                 : QStringLiteral("kazamina-typing: cannot start the progress window %1: %2\n");
    std::fputs(message.arg(path, reason).toLocal8Bit().constData(), stderr);
    return 1;
}

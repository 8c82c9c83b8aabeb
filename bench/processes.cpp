#include "processes.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <csignal>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

// A "Name:   123 kB" line of a /proc file.
qint64 procField(const QString& path, const QByteArray& name)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(name + ':'))
            return line.mid(name.size() + 1).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

pid_t parentOf(pid_t pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    // pid (comm) state ppid ...; comm may hold spaces, so count from its end.
    const QByteArray stat = file.readAll();
    return static_cast<pid_t>(stat.mid(stat.lastIndexOf(')') + 2).split(' ').value(1).toInt());
}

} // namespace

pid_t spawn(const QStringList& argv)
{
    std::vector<QByteArray> args;
    for (const QString& a : argv)
        args.push_back(a.toLocal8Bit());
    std::vector<char*> raw;
    for (QByteArray& a : args)
        raw.push_back(a.data());
    raw.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, raw[0], &actions, nullptr, raw.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        qFatal("cannot start %s", raw[0]);
    return pid;
}

int waitFor(pid_t pid)
{
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void stop(pid_t pid)
{
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 300; ++i) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return;
        QThread::msleep(10);
    }
    ::kill(pid, SIGKILL);
    waitFor(pid);
}

Resident resident(pid_t pid)
{
    const QString status = QStringLiteral("/proc/%1/status").arg(pid);
    return {procField(status, "VmRSS"), procField(status, "RssAnon"), procField(status, "RssFile"),
            procField(status, "RssShmem")};
}

QList<pid_t> processTree(pid_t root)
{
    QList<pid_t> all;
    QList<std::pair<pid_t, pid_t>> parents;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const auto pid = static_cast<pid_t>(entry.toInt(&number));
        if (number)
            parents.push_back({pid, parentOf(pid)});
    }
    all.push_back(root);
    for (qsizetype i = 0; i < all.size(); ++i) {
        for (const auto& [pid, parent] : parents) {
            if (parent == all[i])
                all.push_back(pid);
        }
    }
    return all;
}

qint64 treeResidentKiB(pid_t root)
{
    qint64 sum = 0;
    for (pid_t pid : processTree(root))
        sum += resident(pid).total;
    return sum;
}

qint64 treeProportionalKiB(pid_t root)
{
    qint64 sum = 0;
    for (pid_t pid : processTree(root))
        sum += procField(QStringLiteral("/proc/%1/smaps_rollup").arg(pid), "Pss");
    return sum;
}

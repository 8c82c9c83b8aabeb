#pragma once

#include <QString>
#include <QStringList>

#include <sys/types.h>

// Child processes of the benchmark, started and ended by their own ids.
pid_t spawn(const QStringList& argv);
// Sends SIGTERM, then SIGKILL if it lingers, and reaps it.
void stop(pid_t pid);
// Waits for a child to end and returns its exit status, or -1.
int waitFor(pid_t pid);

// The resident set of a process in KiB (VmRSS), and what it is made of; 0 once it is gone.
struct Resident {
    qint64 total = 0;
    qint64 anon = 0;  // heap, stacks, written pages
    qint64 file = 0;  // code and data of the binary and its libraries, fonts
    qint64 shmem = 0; // shared memory: the window buffers handed to the X server
};
Resident resident(pid_t pid);
// The process and all its descendants.
QList<pid_t> processTree(pid_t root);
// Summed over a process tree: resident set (VmRSS) and proportional set size (Pss).
qint64 treeResidentKiB(pid_t root);
qint64 treeProportionalKiB(pid_t root);

#pragma once

#include <QProcess>

#include <csignal>
#include <sys/prctl.h>

// A child the test starts dies with the test, even when the test aborts or
// times out, so no display or simulator outlives it.
inline void endWithTheTest(QProcess& child)
{
    child.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

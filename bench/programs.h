#pragma once

#include "presses.h"
#include "processes.h"

#include <QString>
#include <QStringList>

#include <array>

class TimedReceiver;
class XDisplay;

// Resident set samples in MiB, whole and by kind.
struct ResidentSeries {
    Series total;
    Series anon;
    Series file;
    Series shmem;
    void add(const Resident& r);
};

// Start-up to painted and the resident set soon after, per program, run in turns.
struct StartupFigures {
    Series startup;          // ms from just before the process is made to the pixels on screen
    ResidentSeries resident; // a second after the paint
};
std::vector<StartupFigures> measureStartup(XDisplay& display, const QStringList& programs,
                                           int runs);

// The real program driven by synthetic X input (XTEST, through xdotool).
struct MemoryFigures {
    Series started;         // MiB after start-up
    Series open;            // MiB with every window open
    ResidentSeries pressed; // after all the presses
    struct Growth {
        Series total; // KiB
        Series anon;  // of which anonymous
    };
    // Over one press of every key, then over two rounds of the full count.
    std::array<Growth, 3> rounds;
    int sent = 0;        // presses sent, over all rounds and runs
    int arrived = 0;     // of those, how many the receiver got
    int misordered = 0;  // and how many out of press order
    QStringList windows; // the windows that opened
    int keys = 0;        // distinct key buttons pressed
    int presses = 0;     // presses sent per round
    int runs = 0;
};
MemoryFigures measureMemory(XDisplay& display, TimedReceiver& receiver, const QString& program,
                            const Layout& layout, int presses, int runs);

// A headless browser showing one local page with a row of buttons: the resident
// set (VmRSS) and the proportional set (Pss) summed over all its processes, in MiB.
struct BrowserFigures {
    Series resident;
    Series proportional;
    int processes = 0; // in the last run
};
BrowserFigures measureBrowser(const QString& browser, const QString& workDir, int runs,
                              int settleMs);

// The size in KiB of a stripped copy of the binary.
double strippedKiB(const QString& binary, const QString& workDir);

#pragma once

#include "panels.h"

#include <QString>

#include <vector>

class TimedReceiver;

// One figure measured over repeated runs, in milliseconds.
struct Series {
    QString key;   // its name in the JSON output
    QString label; // its name in the table
    std::vector<double> values;
    int misordered = 0; // requests that arrived in another place than pressed
    int missing = 0;    // requests that never arrived
};

// Where a user clicks in the program's windows, taken from the library's own layout.
struct Layout {
    struct Keys {
        const BenchPanel* panel;
        std::vector<KeySpot> spots;
    };
    struct Opener {
        const BenchPanel* opens;
        QPoint at; // in the coordinates of the window it is on
    };
    std::vector<Keys> keys;
    std::vector<Opener> openers;
};

struct PressFigures {
    std::vector<Series> latency;    // per press
    std::vector<Series> throughput; // per run of a thousand
    Layout layout;
};

// Drives the panels in this process, through their windows' event path, against
// the receiver, next to the same requests sent without a panel. The current
// directory must hold a config.txt naming the receiver.
PressFigures measurePresses(TimedReceiver& receiver, int latencyPresses, int throughputPresses,
                            int throughputRuns);

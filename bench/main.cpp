// The benchmark: key presses from a click on a real key button to the receiver,
// next to the same requests without a panel; start-up, memory and size next to
// a minimal Qt program; and the memory of a headless browser showing a page of
// buttons. Runs on an X display (Xvfb with a window manager) given by DISPLAY.

#include "presses.h"
#include "processes.h"
#include "programs.h"
#include "receiver.h"
#include "report.h"
#include "xdisplay.h"

#include "support/workdir.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSysInfo>
#include <QTextStream>
#include <QThread>

#include <cstdio>

namespace {

constexpr double latencyFactor = 1.2;
constexpr double latencyAllowanceMs = 1.0;
constexpr double throughputLimitMs = 2000;
constexpr double startupFactor = 1.3;
constexpr double memoryFactor = 1.3;
// Resident pages come and go by the page; less than this is no growth.
constexpr double growthToleranceKiB = 64;

struct Options {
    QString orvalet;
    QString browser;
    QString out;
    int presses;
    int throughputPresses;
    int throughputRuns;
    int startupRuns;
    int memoryRuns;
    int browserRuns;
    int browserSettleMs;
    QStringList phases;
    QStringList alsoStarted;
    bool runs(const char* phase) const { return phases.contains(QLatin1String(phase)); }
};

QString firstLine(const QString& path, const QString& prefix)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).section(QLatin1Char(':'), -1).trimmed();
    }
    return {};
}

QString loadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly)
               ? QString::fromLatin1(f.readAll()).section(QLatin1Char(' '), 0, 2)
               : QString();
}

QJsonObject machine()
{
    QString os = firstLine(QStringLiteral("/etc/os-release"), QStringLiteral("PRETTY_NAME="));
    os.remove(QLatin1Char('"'));
    return {
        {QStringLiteral("cpu"),
         firstLine(QStringLiteral("/proc/cpuinfo"), QStringLiteral("model name"))},
        {QStringLiteral("cores"), QThread::idealThreadCount()},
        {QStringLiteral("memory"),
         QStringLiteral("%1 GiB").arg(
             Report::number(firstLine(QStringLiteral("/proc/meminfo"), QStringLiteral("MemTotal"))
                                    .section(QLatin1Char(' '), 0, 0)
                                    .toDouble() /
                                (1024 * 1024),
                            1))},
        {QStringLiteral("os"), os},
        {QStringLiteral("kernel"), QSysInfo::kernelVersion()},
        {QStringLiteral("qt"), QString::fromLatin1(qVersion())},
        {QStringLiteral("compiler"), QStringLiteral(__VERSION__)},
        {QStringLiteral("date"), QDateTime::currentDateTimeUtc().toString(Qt::ISODate)},
        {QStringLiteral("load_at_start"), loadAverage()},
    };
}

Options parse(const QApplication& app)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Orvalet's performance benchmark."));
    p.addHelpOption();
    const auto value = [&](const char* name, const char* help, const char* fallback) {
        p.addOption({QLatin1String(name), QLatin1String(help), QStringLiteral("value"),
                     QLatin1String(fallback)});
    };
    value("orvalet", "The program to start.", "");
    value("browser", "A browser to compare with; none: no comparison.", "");
    value("out", "Folder for bench.json and bench.md.", ".");
    value("presses", "Presses timed one at a time, per sender.", "500");
    value("throughput-presses", "Presses per throughput run.", "1000");
    value("throughput-runs", "Throughput runs per sender.", "5");
    value("startup-runs", "Start-up runs per program.", "15");
    value("memory-runs", "Runs of the program with every window open.", "3");
    value("browser-runs", "Runs of the browser.", "3");
    value("browser-settle", "Milliseconds the browser gets before it is measured.", "8000");
    p.addOption({QStringLiteral("startup-also"),
                 QStringLiteral("Another build of the program to time beside it, such as one "
                                "from before a change (repeatable)."),
                 QStringLiteral("program")});
    value("phases", "What to measure, of presses, startup, memory, browser, binary.",
          "presses,startup,memory,browser,binary");
    p.process(app);
    const auto n = [&](const char* name) { return p.value(QLatin1String(name)).toInt(); };
    Options o{p.value(QStringLiteral("orvalet")),
              p.value(QStringLiteral("browser")),
              p.value(QStringLiteral("out")),
              n("presses"),
              n("throughput-presses"),
              n("throughput-runs"),
              n("startup-runs"),
              n("memory-runs"),
              n("browser-runs"),
              n("browser-settle"),
              p.value(QStringLiteral("phases")).split(QLatin1Char(',')),
              p.values(QStringLiteral("startup-also"))};
    if (o.orvalet.isEmpty())
        qFatal("--orvalet is needed");
    o.orvalet = QFileInfo(o.orvalet).absoluteFilePath();
    o.out = QFileInfo(o.out).absoluteFilePath();
    return o;
}

QString count(int n) { return Report::number(n, 0); }

QString lostNote(const Series& s)
{
    QStringList notes;
    if (s.missing)
        notes << QStringLiteral("%1 lost").arg(s.missing);
    if (s.misordered)
        notes << QStringLiteral("%1 out of order").arg(s.misordered);
    return notes.join(QLatin1String(", "));
}

QString joined(const QString& a, const QString& b)
{
    return a.isEmpty() ? b : b.isEmpty() ? a : a + QLatin1String("; ") + b;
}

const Series& find(const std::vector<Series>& all, const QString& key)
{
    for (const Series& s : all) {
        if (s.key == key)
            return s;
    }
    qFatal("no series %s", qPrintable(key));
}

void addPresses(Report& report, const PressFigures& f, const Options& o)
{
    report.section(QStringLiteral("Press to arrival, one press at a time"));
    const Summary qnam = summarize(find(f.latency, QStringLiteral("latency_qnam")).values);
    const Summary raw = summarize(find(f.latency, QStringLiteral("latency_raw")).values);
    for (const Series& s : f.latency) {
        const Summary v = summarize(s.values);
        Row row{s.key, s.label, QStringLiteral("ms"), 3, v, true, {}, {}, {}};
        if (s.key == QLatin1String("latency_raw")) {
            row.versus = QStringLiteral("the floor");
        } else if (s.key == QLatin1String("latency_qnam")) {
            row.versus = QStringLiteral("p99 %1 the raw socket's").arg(ratio(v.p99, raw.p99));
        } else {
            const double limit = latencyFactor * qnam.p99 + latencyAllowanceMs;
            row.versus = QStringLiteral("p99 %1 bare QNAM's").arg(ratio(v.p99, qnam.p99));
            row.target = QStringLiteral("p99 under %1 ms: %2")
                             .arg(Report::number(limit, 3),
                                  verdict(v.p99 <= limit && !s.missing && !s.misordered));
        }
        row.versus = joined(row.versus, lostNote(s));
        row.extra = {{QStringLiteral("lost"), s.missing}, {QStringLiteral("wrong"), s.misordered}};
        report.add(row);
    }

    report.section(QStringLiteral("%1 presses as fast as the event loop takes them, until the "
                                  "last has arrived")
                       .arg(count(o.throughputPresses)));
    const Summary sequential =
        summarize(find(f.throughput, QStringLiteral("throughput_qnam")).values);
    for (const Series& s : f.throughput) {
        const Summary v = summarize(s.values);
        Row row{s.key, s.label, QStringLiteral("ms"), 1, v, false, {}, {}, {}};
        if (s.key == QLatin1String("throughput_raw")) {
            row.versus = QStringLiteral("the floor");
        } else if (s.key == QLatin1String("throughput_qnam")) {
            row.versus = QStringLiteral("the baseline");
        } else if (s.key == QLatin1String("throughput_qnam_all")) {
            row.versus = ratio(v.median, sequential.median);
        } else {
            row.versus = ratio(v.median, sequential.median);
            row.target = QStringLiteral("under %1 ms, in order: %2")
                             .arg(Report::number(throughputLimitMs, 0),
                                  verdict(v.runs && v.max < throughputLimitMs && !s.missing &&
                                          !s.misordered));
        }
        row.versus = joined(row.versus, lostNote(s));
        row.extra = {{QStringLiteral("lost"), s.missing},
                     {QStringLiteral("out_of_order"), s.misordered}};
        report.add(row);
    }
}

// The programs timed at start-up, in this order, then any given with --startup-also.
enum StartupProgram { Program, Minimal, MinimalLinked, FirstAlso };

const QString minimalLabel = QStringLiteral("Minimal Qt program, one frameless 298x25 window");
const QString linkedLabel = QStringLiteral("The same, also linked with QtNetwork and QtSvg");

void addStartup(Report& report, const std::vector<StartupFigures>& start, const QStringList& also)
{
    report.section(QStringLiteral("Start-up, from process start to the window's pixels on screen"));
    const Summary minimal = summarize(start[Minimal].startup.values);
    const auto add = [&](const QString& key, const QString& label, std::size_t k, QString target) {
        const Summary v = summarize(start[k].startup.values);
        report.add({key,
                    label,
                    QStringLiteral("ms"),
                    1,
                    v,
                    false,
                    k == Minimal ? QStringLiteral("the baseline") : ratio(v.median, minimal.median),
                    target,
                    {}});
    };
    const Summary program = summarize(start[Program].startup.values);
    add(QStringLiteral("startup_orvalet"), QStringLiteral("Orvalet, main panel painted"), Program,
        QStringLiteral("within %1x: %2")
            .arg(startupFactor)
            .arg(verdict(program.median <= startupFactor * minimal.median)));
    add(QStringLiteral("startup_minimal"), minimalLabel + QStringLiteral(" (baseline)"), Minimal,
        {});
    add(QStringLiteral("startup_minimal_linked"), linkedLabel, MinimalLinked, {});
    for (qsizetype i = 0; i < also.size(); ++i) {
        add(QStringLiteral("startup_also_%1").arg(i), also[i] + QStringLiteral(" (beside)"),
            FirstAlso + static_cast<std::size_t>(i), {});
    }
}

void addMemory(Report& report, const std::vector<StartupFigures>& start, const MemoryFigures& mem)
{
    report.section(QStringLiteral("Resident memory (VmRSS), the real program driven through X"));
    const ResidentSeries& minimal = start[Minimal].resident;
    // Against the baseline's same figure, where one is given.
    const auto mibRow = [&](const QString& key, const QString& label, const Series& s,
                            const Series* baseline, QString target = {}) {
        const Summary v = summarize(s.values);
        report.add({key,
                    label,
                    QStringLiteral("MiB"),
                    1,
                    v,
                    false,
                    baseline ? ratio(v.median, summarize(baseline->values).median) : QString(),
                    target,
                    {}});
    };
    mibRow(QStringLiteral("rss_started"), QStringLiteral("Orvalet after start-up"),
           start[Program].resident.total, &minimal.total);
    mibRow(QStringLiteral("rss_open"),
           QStringLiteral("Orvalet with every window open (%1)")
               .arg(mem.windows.join(QLatin1String(", "))),
           mem.open, &minimal.total);
    const Summary pressed = summarize(mem.pressed.total.values);
    const Summary baseline = summarize(minimal.total.values);
    mibRow(QStringLiteral("rss_pressed"),
           QStringLiteral("Orvalet after %1 presses on %2 keys as well")
               .arg(count(mem.sent / std::max(1, mem.runs)))
               .arg(mem.keys),
           mem.pressed.total, &minimal.total,
           QStringLiteral("within %1x: %2")
               .arg(memoryFactor)
               .arg(verdict(pressed.median <= memoryFactor * baseline.median)));
    // The minimal program has next to no window buffers: no ratio for those.
    const auto kinds = [&](const QString& key, const QString& who, const ResidentSeries& r,
                           bool compare) {
        mibRow(key + QStringLiteral("_file"), who + QStringLiteral(" file-backed (code, fonts)"),
               r.file, compare ? &minimal.file : nullptr);
        mibRow(key + QStringLiteral("_anon"), who + QStringLiteral(" anonymous (heap, stacks)"),
               r.anon, compare ? &minimal.anon : nullptr);
        mibRow(key + QStringLiteral("_shmem"), who + QStringLiteral(" shared (window buffers)"),
               r.shmem, nullptr);
    };
    kinds(QStringLiteral("rss_pressed"), QStringLiteral("Orvalet, of that"), mem.pressed, true);

    const QString arrived =
        QStringLiteral("%1 of %2 presses arrived").arg(mem.arrived).arg(mem.sent);
    const QString order =
        mem.misordered ? QStringLiteral("%1 out of order").arg(mem.misordered) : QString();
    const QString rounds[] = {QStringLiteral("a first press of each key"),
                              QStringLiteral("the next %1 presses").arg(count(mem.presses)),
                              QStringLiteral("another %1 presses").arg(count(mem.presses))};
    for (std::size_t i = 0; i < mem.rounds.size(); ++i) {
        const Summary v = summarize(mem.rounds[i].total.values);
        const Summary a = summarize(mem.rounds[i].anon.values);
        // A leak shows as anonymous memory; file-backed pages are library code read in.
        const QString target = i == 0
                                   ? QString()
                                   : QStringLiteral("no heap growth (anonymous under %1 KiB): %2")
                                         .arg(growthToleranceKiB)
                                         .arg(verdict(a.runs && a.max < growthToleranceKiB));
        report.add({QStringLiteral("growth_%1").arg(i),
                    QStringLiteral("Growth over ") + rounds[i],
                    QStringLiteral("KiB"),
                    0,
                    v,
                    false,
                    joined(QStringLiteral("anonymous %1 KiB").arg(Report::number(a.median, 0)),
                           i == 0 ? joined(arrived, order) : QString()),
                    target,
                    {}});
    }

    report.add({QStringLiteral("rss_minimal"),
                minimalLabel + QStringLiteral(" (baseline)"),
                QStringLiteral("MiB"),
                1,
                baseline,
                false,
                QStringLiteral("the baseline"),
                {},
                {}});
    kinds(QStringLiteral("rss_minimal"), QStringLiteral("Minimal, of that"), minimal, false);
    const Summary linked = summarize(start[MinimalLinked].resident.total.values);
    report.add(
        {QStringLiteral("rss_minimal_linked"),
         linkedLabel,
         QStringLiteral("MiB"),
         1,
         linked,
         false,
         QStringLiteral("%1; Orvalet after the presses is %2 this")
             .arg(ratio(linked.median, baseline.median), ratio(pressed.median, linked.median)),
         {},
         {}});
}

void addBrowser(Report& report, const BrowserFigures& b, const MemoryFigures& mem)
{
    const Summary orvalet = summarize(mem.pressed.total.values);
    const Summary rss = summarize(b.resident.values);
    const Summary pss = summarize(b.proportional.values);
    report.add(
        {QStringLiteral("rss_browser"),
         QStringLiteral("Headless Chromium, one page of buttons, all processes"),
         QStringLiteral("MiB"),
         1,
         rss,
         false,
         QStringLiteral("%1 Orvalet's after the presses").arg(ratio(rss.median, orvalet.median)),
         {},
         {}});
    report.add({QStringLiteral("pss_browser"),
                QStringLiteral("The same, proportional set (Pss, shared pages split)"),
                QStringLiteral("MiB"),
                1,
                pss,
                false,
                QStringLiteral("%1 processes").arg(b.processes),
                {},
                {}});
}

void addBinaries(Report& report, double program, double minimal)
{
    report.section(QStringLiteral("Binary, stripped copy"));
    report.add({QStringLiteral("binary_orvalet"),
                QStringLiteral("orvalet"),
                QStringLiteral("KiB"),
                0,
                summarize({program}),
                false,
                ratio(program, minimal),
                {},
                {}});
    report.add({QStringLiteral("binary_minimal"),
                QStringLiteral("Minimal Qt program (baseline)"),
                QStringLiteral("KiB"),
                0,
                summarize({minimal}),
                false,
                QStringLiteral("the baseline"),
                {},
                {}});
}

void say(const QString& line) { std::fprintf(stderr, "bench: %s\n", qPrintable(line)); }

void write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QString machineText(const QJsonObject& m)
{
    return QStringLiteral("%1, %2 cores, %3 memory; %4, kernel %5; Qt %6, GCC %7. Load average "
                          "%8 at the start, %9 at the end.")
        .arg(m[QStringLiteral("cpu")].toString())
        .arg(m[QStringLiteral("cores")].toInt())
        .arg(m[QStringLiteral("memory")].toString(), m[QStringLiteral("os")].toString(),
             m[QStringLiteral("kernel")].toString(), m[QStringLiteral("qt")].toString(),
             m[QStringLiteral("compiler")].toString(),
             m[QStringLiteral("load_at_start")].toString(),
             m[QStringLiteral("load_at_end")].toString());
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const Options o = parse(app);
    QJsonObject info = machine();
    Report report;

    WorkDir work;
    TimedReceiver receiver;
    work.writeConfig(receiver.address().toLatin1() + "\r\n");

    // The layout for the real program's clicks comes from the same run.
    say(QStringLiteral("presses in this process"));
    const bool presses = o.runs("presses");
    const PressFigures f = measurePresses(receiver, presses ? o.presses : 0, o.throughputPresses,
                                          presses ? o.throughputRuns : 0);
    if (presses)
        addPresses(report, f, o);

    XDisplay display;
    std::vector<StartupFigures> start(FirstAlso);
    if (o.runs("startup")) {
        say(QStringLiteral("start-up"));
        start = measureStartup(display,
                               QStringList{o.orvalet, QStringLiteral(MINIMAL_BIN),
                                           QStringLiteral(MINIMAL_LINKED_BIN)} +
                                   o.alsoStarted,
                               o.startupRuns);
        addStartup(report, start, o.alsoStarted);
    }
    MemoryFigures mem;
    if (o.runs("memory")) {
        say(QStringLiteral("memory of the real program"));
        mem = measureMemory(display, receiver, o.orvalet, f.layout, o.throughputPresses,
                            o.memoryRuns);
        addMemory(report, start, mem);
    }
    if (o.runs("browser") && !o.browser.isEmpty()) {
        say(QStringLiteral("browser"));
        addBrowser(report, measureBrowser(o.browser, work.path(), o.browserRuns, o.browserSettleMs),
                   mem);
    }
    if (o.runs("binary")) {
        addBinaries(report, strippedKiB(o.orvalet, work.path()),
                    strippedKiB(QStringLiteral(MINIMAL_BIN), work.path()));
    }

    info.insert(QStringLiteral("load_at_end"), loadAverage());
    QJsonObject json = report.json();
    json.insert(QStringLiteral("machine"), info);
    QDir().mkpath(o.out);
    write(o.out + QStringLiteral("/bench.json"), QJsonDocument(json).toJson());
    const QString md =
        QStringLiteral("Measured %1 on %2\n\n%3")
            .arg(info[QStringLiteral("date")].toString(), machineText(info), report.markdown());
    write(o.out + QStringLiteral("/bench.md"), md.toUtf8());
    QTextStream(stdout) << report.text() << '\n' << machineText(info) << '\n';
    return 0;
}

// The panels as a user meets them: opened by their buttons, clicked where the
// keys are drawn, and what reaches the receiver.
#include "panels/aboutbox.h"
#include "panels/expandpanel.h"
#include "panels/forms.h"
#include "panels/mainpanel.h"
#include "panels/rcpanel.h"
#include "support/simulator.h"
#include "support/workdir.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QSvgRenderer>
#include <QWindow>

using namespace orvalet;

namespace {

// A pixel of a panel and the code a click there sends to the receiver (0: none).
struct Spot {
    char panel; // main, extension or handset
    const char* name;
    QPoint at;
    int code;
};

constexpr Spot spots[] = {
    {'m', "Previous", {48, 12}, 105},
    {'m', "Play", {76, 12}, 399},
    {'m', "Pause", {96, 12}, 400},
    {'m', "Stop", {118, 12}, 385},
    {'m', "Next", {146, 12}, 106},
    {'m', "Volume_up", {182, 7}, 115},
    {'m', "Volume_down", {182, 17}, 114},
    {'m', "Mute", {203, 12}, 113},
    {'m', "volume ramp", {170, 17}, 0},
    {'m', "plain bar", {236, 13}, 0},
    {'e', "Dream", {43, 12}, 141},
    {'e', "Video", {64, 12}, 393},
    {'e', "Lame", {85, 12}, 1},
    {'e', "OK", {106, 12}, 352},
    {'e', "Power", {154, 11}, 116},
    {'e', "hidden browser", {14, 7}, 0},
    {'e', "between the keys", {126, 10}, 0},
    {'r', "Power", {130, 53}, 116},
    {'r', "b1", {63, 123}, 2},
    {'r', "b2", {109, 123}, 3},
    {'r', "b3", {151, 123}, 4},
    {'r', "b4", {63, 144}, 5},
    {'r', "b5", {109, 144}, 6},
    {'r', "b6", {151, 144}, 7},
    {'r', "b7", {63, 172}, 8},
    {'r', "b8", {109, 172}, 9},
    {'r', "b9", {151, 172}, 10},
    {'r', "Previous", {63, 200}, 412},
    {'r', "b0", {109, 200}, 11},
    {'r', "Next", {151, 200}, 407},
    {'r', "Mute", {109, 231}, 113},
    {'r', "Volume_up", {56, 242}, 115},
    {'r', "Lame", {109, 259}, 1},
    {'r', "Bouquette_up", {158, 245}, 402},
    {'r', "Volume_down", {63, 273}, 114},
    {'r', "Bouquette_down", {151, 273}, 403},
    {'r', "Info", {49, 305}, 358},
    {'r', "Up", {109, 308}, 103},
    {'r', "Dream", {165, 305}, 141},
    {'r', "Left", {67, 343}, 105},
    {'r', "OK", {109, 340}, 352},
    {'r', "Right", {147, 343}, 106},
    {'r', "Down", {109, 371}, 108},
    {'r', "Audio", {53, 382}, 392},
    {'r', "Video", {161, 378}, 393},
    {'r', "Red", {56, 420}, 398},
    {'r', "Green", {91, 420}, 399},
    {'r', "Yellow", {126, 420}, 400},
    {'r', "Blue", {161, 420}, 401},
    {'r', "TV", {60, 459}, 385},
    {'r', "Radio", {91, 459}, 377},
    {'r', "Text", {123, 459}, 66},
    {'r', "Help", {151, 459}, 138},
    {'r', "SHIFT key", {86, 53}, 0},
    {'r', "left blue oval", {86, 89}, 0},
    {'r', "right blue oval", {130, 89}, 0},
    {'r', "lower end", {108, 530}, 0},
    {'r', "white margin", {5, 300}, 0},
    {'r', "hidden browser", {18, 14}, 0},
};

constexpr QPoint expandKey{286, 16}, rcKey{274, 12}, switchKey{287, 12}, handsetExit{216, 6},
    infoArea{11, 11};

void click(QWidget& window, QPoint at)
{
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, at);
}

frmAbout* findAboutBox()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<frmAbout*>(window))
            return box;
    return nullptr;
}

} // namespace

class PanelsTest : public QObject {
    Q_OBJECT

    Simulator m_sim;
    std::unique_ptr<WorkDir> m_work;
    std::unique_ptr<Forms> m_forms;

    QWidget& panel(char which)
    {
        Forms& f = *m_forms;
        return which == 'm'   ? static_cast<QWidget&>(*f.main)
               : which == 'e' ? static_cast<QWidget&>(*f.expand)
                              : *f.rc;
    }

    // Opens a panel the way a user does: the bar, then Expand, then RC.
    QWidget& open(char which)
    {
        m_forms->main->show();
        if (which != 'm' && !m_forms->expand->isVisible())
            click(*m_forms->main, expandKey);
        if (which == 'r' && !m_forms->rc->isVisible())
            click(*m_forms->expand, rcKey);
        if (!QTest::qWaitForWindowExposed(&panel(which)))
            qFatal("panel %c not shown", which);
        return panel(which);
    }

    // Presses a key of the panel other than `avoid`, whose queue keeps the order;
    // returns what reached `sim` before it since `before`.
    QStringList arrived(Simulator& sim, char which, qsizetype before, int avoid = 0)
    {
        const Spot& marker = *std::find_if(std::begin(spots), std::end(spots), [&](const Spot& m) {
            return m.panel == which && m.code && m.code != avoid;
        });
        click(panel(which), marker.at);
        const auto sent = [&] { return sim.targets().mid(before); };
        if (!QTest::qWaitFor([&] { return sent().contains(rcTarget(marker.code)); }))
            return {QStringLiteral("no marker")};
        return sent().mid(0, sent().size() - 1);
    }
    QStringList arrived(char which, int avoid = 0) { return arrived(m_sim, which, m_sent, avoid); }

    qsizetype m_sent = 0;

private slots:
    void init()
    {
        m_work = std::make_unique<WorkDir>();
        m_work->writeConfig(m_sim.address().toLatin1() + "\r\n");
        m_forms = std::make_unique<Forms>();
    }
    void cleanup() { m_forms.reset(), m_work.reset(); }

    void everySpot_data()
    {
        QTest::addColumn<int>("index");
        for (const Spot& spot : spots)
            QTest::addRow("%c %s", spot.panel, spot.name) << int(&spot - spots);
    }
    void everySpot()
    {
        QFETCH(int, index);
        const Spot& spot = spots[index];
        QWidget& window = open(spot.panel);
        m_sent = m_sim.targets().size();
        click(window, spot.at);
        QCOMPARE(arrived(spot.panel, spot.code),
                 spot.code ? QStringList{rcTarget(spot.code)} : QStringList{});
        QCOMPARE(findAboutBox(), nullptr);
        // The handset's keys are drawn under their buttons, apart from its body and ground.
        static const QImage handset = [] {
            QImage image(220, 607, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            QSvgRenderer(QStringLiteral(":/handset.svg")).render(&painter);
            return image;
        }();
        const auto apart = [&](QPoint p, QPoint q) {
            const QColor c = handset.pixelColor(p), d = handset.pixelColor(q);
            return qAbs(c.red() - d.red()) + qAbs(c.green() - d.green()) +
                       qAbs(c.blue() - d.blue()) >
                   40;
        };
        int drawn = 0, body = 0;
        for (int dx = -4; dx <= 4; ++dx) {
            for (int dy = -4; dy <= 4; ++dy) {
                const QPoint p = spot.at + QPoint(dx, dy);
                drawn += apart(p, {24, 100}) && apart(p, {5, 300});
                body += !apart(p, {24, 100});
            }
        }
        QVERIFY(spot.panel != 'r' || !spot.code || (drawn > 10 && body < 40));
    }

    void onlyWholeSingleClicks()
    {
        QWindow* bar = open('m').windowHandle();
        const QPoint play = spots[1].at;
        const QPoint off = spots[9].at;
        m_sent = m_sim.targets().size();
        // A double click is one click and a double click, which no key takes.
        QTest::mouseDClick(bar, Qt::LeftButton, {}, play);
        QCOMPARE(arrived('m'), QStringList{rcTarget(399)});
        // Pressed on a key and released off it, or the other way round: no click.
        m_sent = m_sim.targets().size();
        QTest::mousePress(bar, Qt::LeftButton, {}, play);
        QTest::mouseRelease(bar, Qt::LeftButton, {}, off);
        QTest::mousePress(bar, Qt::LeftButton, {}, off);
        QTest::mouseRelease(bar, Qt::LeftButton, {}, play);
        QTest::mouseClick(bar, Qt::RightButton, {}, play);
        QCOMPARE(arrived('m'), QStringList{});
    }

    void lateLoadHideShowAndClose_data()
    {
        QTest::addColumn<char>("which");
        QTest::newRow("extension") << 'e';
        QTest::newRow("handset") << 'r';
    }
    void lateLoadHideShowAndClose()
    {
        QFETCH(char, which);
        Simulator later;
        const QPoint opener = which == 'e' ? expandKey : rcKey;
        QWidget& opening = open(which == 'e' ? 'm' : 'e');
        // The panel reads the file when first opened, not at the program's start.
        m_work->writeConfig(later.address().toLatin1());
        QPointer<QWidget> window = &open(which);
        const QRect place = window->geometry();
        if (which == 'e')
            click(*window, switchKey);
        QCOMPARE(arrived(later, which, 0), QStringList{});
        // Hidden and shown again: the same window, place and address.
        m_work->writeConfig(m_sim.address().toLatin1());
        click(which == 'e' ? opening : *window, which == 'e' ? opener : handsetExit);
        QTRY_VERIFY(!window->isVisible());
        click(opening, opener);
        QCOMPARE(&open(which), window.data());
        QCOMPARE(window->geometry(), place);
        QCOMPARE(arrived(later, which, 1), QStringList{});
        // Closed by the window system: the next opening loads it afresh.
        window->windowHandle()->close();
        QTRY_VERIFY(window.isNull());
        click(opening, opener);
        QCOMPARE(open(which).geometry(), place);
        m_sent = m_sim.targets().size();
        QCOMPARE(arrived(which), QStringList{});
        QCOMPARE(later.targets().size(), 2);
        QVERIFY(which == 'r' || m_forms->expand->control("AOToff")->isVisible());
    }

    void aboutBox_data()
    {
        QTest::addColumn<QString>("how");
        for (const char* how : {"OK", "Enter", "Escape", "close"})
            QTest::newRow(how) << QString::fromLatin1(how);
    }
    void aboutBox()
    {
        QFETCH(QString, how);
        QWidget& bar = open('m');
        m_sent = m_sim.targets().size();
        for (int opening = 0; opening < 2; ++opening) {
            click(bar, infoArea);
            click(bar, infoArea);
            QTRY_VERIFY(findAboutBox() && findAboutBox()->isVisible());
            frmAbout* box = findAboutBox();
            QCOMPARE(QApplication::topLevelWidgets().count(box), 1);
            QCOMPARE(box->windowTitle(), QStringLiteral("About Orvalet"));
            QStringList texts;
            for (const char* name : {"lblTitle", "lblVersion", "lblDescription"})
                texts << box->findChild<QLabel*>(QLatin1String(name))->text();
            QCOMPARE(texts, QStringList({"Orvalet", "Version 3.0.0", "Virtual PC Remote Control"}));
            QCOMPARE(box->geometry(), QRect(156, 55, 292, 140));
            QVERIFY(box->findChild<QWidget*>(QStringLiteral("Line1"))->geometry().right() >= 291);
            QTRY_COMPARE(QApplication::focusWidget(), box->findChild<QWidget*>("cmdOK"));
            if (how == QLatin1String("OK"))
                click(*box, {210, 123});
            else if (how == QLatin1String("close"))
                box->windowHandle()->close();
            else
                QTest::keyClick(box->windowHandle(),
                                how == "Enter" ? Qt::Key_Return : Qt::Key_Escape);
            QTRY_COMPARE(findAboutBox(), nullptr);
        }
        // The box sent nothing and the bar kept working.
        QCOMPARE(arrived('m'), QStringList{});
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvalet"));
    PanelsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_panels.moc"

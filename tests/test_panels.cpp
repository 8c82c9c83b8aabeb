// The panels as a user meets them, clicked where their keys are drawn.
#include "panels/aboutbox.h"
#include "panels/expandpanel.h"
#include "panels/forms.h"
#include "panels/mainpanel.h"
#include "panels/rcpanel.h"
#include "support.h"

#include <QAccessibleActionInterface>
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QToolTip>
#include <qpa/qplatformscreen.h>
#include <qpa/qplatformwindow.h>

using namespace orvalet;

namespace {

// A pixel of a panel and the code a click there sends to the receiver (0: none).
struct Spot {
    char panel; // main, extension or handset
    const char* name;
    QPoint at;
    int code;
};

// clang-format off
constexpr Spot spots[] = {
    {'m', "Previous", {48, 12}, 105}, {'m', "Play", {76, 12}, 399}, {'m', "Pause", {96, 12}, 400},
    {'m', "Stop", {118, 12}, 385}, {'m', "Next", {146, 12}, 106}, {'m', "Volume Up", {182, 7}, 115},
    {'m', "Volume Down", {182, 17}, 114}, {'m', "Mute", {203, 12}, 113},
    {'m', "volume ramp", {170, 17}, 0}, {'m', "plain bar", {236, 13}, 0},
    {'e', "Dream", {43, 12}, 141}, {'e', "Video", {64, 12}, 393}, {'e', "Lame", {85, 12}, 1},
    {'e', "OK", {106, 12}, 352}, {'e', "Power", {154, 11}, 116},
    {'e', "hidden browser", {14, 7}, 0}, {'e', "between the keys", {126, 10}, 0},
    {'r', "Power", {130, 53}, 116}, {'r', "1", {63, 123}, 2}, {'r', "2", {109, 123}, 3},
    {'r', "3", {151, 123}, 4}, {'r', "4", {63, 144}, 5}, {'r', "5", {109, 144}, 6},
    {'r', "6", {151, 144}, 7}, {'r', "7", {63, 172}, 8}, {'r', "8", {109, 172}, 9},
    {'r', "9", {151, 172}, 10}, {'r', "Previous", {63, 200}, 412}, {'r', "0", {109, 200}, 11},
    {'r', "Next", {151, 200}, 407}, {'r', "Mute", {109, 231}, 113},
    {'r', "Volume Up", {56, 242}, 115}, {'r', "Lame", {109, 259}, 1},
    {'r', "Bouquette Up", {158, 245}, 402}, {'r', "Volume Down", {63, 273}, 114},
    {'r', "Bouquette Down", {151, 273}, 403}, {'r', "Info", {49, 305}, 358},
    {'r', "Up", {109, 308}, 103}, {'r', "Dream", {165, 305}, 141}, {'r', "Left", {67, 343}, 105},
    {'r', "OK", {109, 340}, 352}, {'r', "Right", {147, 343}, 106}, {'r', "Down", {109, 371}, 108},
    {'r', "Audio", {53, 382}, 392}, {'r', "Video", {161, 378}, 393}, {'r', "Red", {56, 420}, 398},
    {'r', "Green", {91, 420}, 399}, {'r', "Yellow", {126, 420}, 400},
    {'r', "Blue", {161, 420}, 401}, {'r', "TV", {60, 459}, 385}, {'r', "Radio", {91, 459}, 377},
    {'r', "Text", {123, 459}, 66}, {'r', "Help", {151, 459}, 138}, {'r', "SHIFT key", {86, 53}, 0},
    {'r', "left blue oval", {86, 89}, 0}, {'r', "right blue oval", {130, 89}, 0},
    {'r', "lower end", {108, 530}, 0}, {'r', "white margin", {5, 300}, 0},
    {'r', "hidden browser", {18, 14}, 0},
    // Where two keys overlap the one listed later in the design takes the click.
    {'m', "Volume Down", {182, 12}, 114}, {'r', "4", {63, 133}, 5}, {'r', "Down", {80, 360}, 108}};

// clang-format on

constexpr QPoint expandKey{286, 16}, rcKey{274, 12}, switchKey{287, 12}, handsetExit{216, 6},
    infoArea{11, 11};

void click(QWidget& w, QPoint at) { QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {}, at); }

QList<frmAbout*> aboutBoxes()
{
    QList<frmAbout*> boxes;
    for (QWidget* window : QApplication::topLevelWidgets())
        boxes << qobject_cast<frmAbout*>(window);
    boxes.removeAll(nullptr);
    return boxes;
}

} // namespace

class PanelsTest : public QObject {
    Q_OBJECT

    Simulator m_sim;
    std::unique_ptr<WorkDir> m_work;
    std::unique_ptr<Forms> m_forms;
    qsizetype m_from = 0; // what the receiver had when the test began
    int m_paints = 0;     // of any widget, once the test watches

    bool eventFilter(QObject*, QEvent* event) override
    {
        m_paints += event->type() == QEvent::Paint;
        return false;
    }

    // Opens a panel the way a user does: the bar, then Expand, then RC.
    CommandPanel& open(char which)
    {
        m_forms->main->show();
        if (which != 'm' && !m_forms->expand->isVisible())
            click(*m_forms->main, expandKey);
        if (which == 'r' && !m_forms->rc->isVisible())
            click(*m_forms->expand, rcKey);
        Forms& f = *m_forms;
        CommandPanel& panel = which == 'm'   ? static_cast<CommandPanel&>(*f.main)
                              : which == 'e' ? static_cast<CommandPanel&>(*f.expand)
                                             : *f.rc;
        if (!QTest::qWaitForWindowExposed(&panel))
            qFatal("not shown");
        return panel;
    }

    // What reached `sim` since `from`, up to a key of the panel other than `avoid` pressed now.
    QStringList sent(char which, qsizetype from, Simulator& sim, int avoid = 0)
    {
        const auto key = [&](auto& s) { return s.panel == which && s.code && s.code != avoid; };
        const Spot& last = *std::ranges::find_if(spots, key);
        click(open(which), last.at);
        const auto got = [&] { return sim.targets().mid(from); };
        if (!QTest::qWaitFor([&] { return got().contains(rcTarget(last.code)); }))
            return {QStringLiteral("nothing")};
        return got().mid(0, got().size() - 1);
    }

private slots:
    void initTestCase() { QApplication::setApplicationName(QStringLiteral("Orvalet")); }
    void init()
    {
        m_work = std::make_unique<WorkDir>();
        m_work->writeConfig(m_sim.address().toLatin1() + "\r\n");
        m_forms = std::make_unique<Forms>();
        m_from = m_sim.targets().size();
    }
    void cleanup()
    {
        m_forms.reset();
        m_work.reset();
    }

    // The windows flush and at their design sizes on the device, their edges near their
    // twips; run again at other scales and layouts.
    void placement()
    {
        const auto device = [&](char w) { return open(w).windowHandle()->handle()->geometry(); };
        const QRect area = QGuiApplication::primaryScreen()->handle()->geometry();
        const qreal scale = QGuiApplication::primaryScreen()->devicePixelRatio();
        QCOMPARE(offDesign(device('m'), device('e'), device('r'), area, scale), QString());
        // Laid out as designed in logical pixels, where the keys and drawings lie.
        QCOMPARE((QList{m_forms->main->size(), m_forms->expand->size(), m_forms->rc->size()}),
                 (QList{QSize(298, 25), QSize(298, 25), QSize(222, 603)}));
        // The handset's colour keys drawn under their buttons at this scale.
        const QImage handset = m_forms->rc->grab().toImage();
        const auto key = [&](int x) { return handset.pixelColor(QPoint(x, 420) * scale); };
        QCOMPARE((QList{key(56), key(91), key(126), key(161)}),
                 (QList<QColor>{0xd8282a, 0x2aa84a, 0xf0c820, 0x2a5ad8}));
        click(*m_forms->main, infoArea);
        QTRY_VERIFY(aboutBoxes().size() == 1 &&
                    aboutBoxes()[0]->geometry().topLeft() == area.topLeft() + QPoint(156, 55));
    }

#ifdef Q_OS_WIN
    // Windows' own rectangles and styles: no frame nor taskbar button; the switch's topmost band.
    void windowsOwnState()
    {
        const auto state = [&](char w) {
            const auto hwnd = reinterpret_cast<HWND>(open(w).windowHandle()->winId());
            const LONG_PTR style = GetWindowLongPtr(hwnd, GWL_STYLE);
            const LONG_PTR ex = GetWindowLongPtr(hwnd, GWL_EXSTYLE);
            RECT r;
            GetWindowRect(hwnd, &r);
            const QRect rect(r.left, r.top, r.right - r.left, r.bottom - r.top);
            return QList<int>{rect == open(w).windowHandle()->handle()->geometry(),
                              !(style & (WS_CAPTION | WS_THICKFRAME)), !(ex & WS_EX_APPWINDOW),
                              !!(ex & WS_EX_TOOLWINDOW), !!(ex & WS_EX_TOPMOST)};
        };
        const QList<int> normal{1, 1, 1, 1, 0}, topmost{1, 1, 1, 1, 1};
        for (const QList<int>& bars : {normal, topmost, normal}) {
            QTRY_COMPARE((QList{state('m'), state('e'), state('r')}), (QList{bars, bars, normal}));
            click(*m_forms->expand, switchKey);
        }
    }
#endif

    void everySpot_data()
    {
        QTest::addColumn<int>("index");
        for (const Spot& spot : spots)
            QTest::addRow("%c %s at %d,%d", spot.panel, spot.name, spot.at.x(), spot.at.y())
                << int(&spot - spots);
    }
    void everySpot()
    {
        QFETCH(int, index);
        const Spot& spot = spots[index];
        CommandPanel& window = open(spot.panel);
        click(window, spot.at);
        QCOMPARE(sent(spot.panel, m_from, m_sim, spot.code),
                 spot.code ? QStringList{rcTarget(spot.code)} : QStringList{});
        if (!spot.code)
            return;
        // An accessible push button named after the key, as the bars' tooltips are, pressable.
        QAccessibleInterface* key = QAccessible::queryAccessibleInterface(window.childAt(spot.at));
        QCOMPARE(std::pair(key->role(), key->text(QAccessible::Name)),
                 std::pair(QAccessible::Button, QString::fromLatin1(spot.name)));
        QVERIFY(spot.panel == 'r' || window.childAt(spot.at)->toolTip() == spot.name);
        key->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(m_sim.targets().value(m_from + 2), rcTarget(spot.code));
    }

    void pixelsAt96Dpi()
    {
        // Both bars at 96 dpi: one-pixel lines on single pixels, in their colours. The handset's
        // picture at its own size from the corner, cut at the bottom: the body's outline, the
        // button face in the two columns at the right.
        QImage bars(298, 50, QImage::Format_RGB32), handset(222, 603, QImage::Format_RGB32);
        m_forms->main->render(&bars);
        m_forms->expand->render(&bars, QPoint(0, 25));
        m_forms->rc->render(&handset);
        // clang-format off
        const std::tuple<QImage*, QColor, QPolygon> lines[] = {
            // The main bar's outline, the extension bar's, inside it.
            {&bars, Qt::white, {{31, 12}, {163, 12}, {140, 4}, {140, 20}}},
            {&bars, QColor(102, 102, 102), {{31, 37}, {163, 37}, {140, 29}, {140, 45}}},
            {&bars, QColor(236, 233, 216), {{32, 37}, {162, 37}, {140, 30}, {140, 44}}},
            // Exit_p, Expand, the loudspeaker, D, L, K; Exit_p, Mute's cross; RC, the switch
            {&bars, Qt::white,
             {{286, 5}, {290, 5}, {295, 15}, {198, 12}, {40, 37}, {86, 40}, {106, 37}}},
            {&bars, Qt::red, {{287, 5}, {202, 12}}},
            {&bars, Qt::black, {{274, 29}, {274, 30}, {283, 37}, {287, 43}}},
            {&handset, QColor(0x33363b), {{198, 300}, {199, 300}, {108, 591}}},
            {&handset, m_forms->rc->palette().button().color(), {{220, 300}, {221, 300}}}};
        // clang-format on
        for (const auto& [image, colour, points] : lines)
            for (const QPoint at : points)
                QCOMPARE(std::pair(at, image->pixelColor(at)), std::pair(at, colour));
    }

    void pointer()
    {
        // Crossing the keys changes nothing to be seen, so nothing is painted.
        open('r');
        QWindow* bar = m_forms->main->windowHandle();
        const QPoint play = spots[1].at, off = spots[9].at;
        QTest::qWait(100);
        qApp->installEventFilter(this);
        for (const Spot& spot : spots)
            QTest::mouseMove(open(spot.panel).windowHandle(), spot.at);
        QTest::qWait(100);
        QCOMPARE(m_paints, 0);
        click(*m_forms->expand, switchKey); // a face that changes is painted
        QTRY_VERIFY(m_paints > 0);
        // Resting on a key of a bar that is not active shows its tooltip.
        click(*m_forms->main, infoArea);
        QTRY_VERIFY(aboutBoxes().size() == 1 && aboutBoxes()[0]->isActiveWindow());
        QTest::mouseMove(bar, play);
        QTRY_COMPARE(QToolTip::text(), QStringLiteral("Play"));
        // A double click is one click and a double click, which no key takes.
        QTest::mouseDClick(bar, Qt::LeftButton, {}, play);
        QCOMPARE(sent('m', m_from, m_sim), QStringList{rcTarget(399)});
        // Pressed on a key and released off it, or the other way round: no click.
        QTest::mousePress(bar, Qt::LeftButton, {}, play);
        QTest::mouseRelease(bar, Qt::LeftButton, {}, off);
        QTest::mousePress(bar, Qt::LeftButton, {}, off);
        QTest::mouseRelease(bar, Qt::LeftButton, {}, play);
        QCOMPARE(sent('m', m_from + 2, m_sim), QStringList{});
    }

    void lateLoadHideShowAndClose_data()
    {
        QTest::addColumn<char>("which"); // the extension bar or the handset
        QTest::newRow("e") << 'e';
        QTest::newRow("r") << 'r';
    }
    void lateLoadHideShowAndClose()
    {
        QFETCH(char, which);
        Simulator later;
        CommandPanel& opening = open(which == 'e' ? 'm' : 'e');
        const QPoint opener = which == 'e' ? expandKey : rcKey;
        // The panel reads the file when first opened, not at the program's start.
        m_work->writeConfig(later.address().toLatin1());
        QPointer<CommandPanel> window = &open(which);
        const QRect place = window->geometry();
        const auto green = [&] { return which == 'e' && window->control("AOTon")->isVisible(); };
        which == 'e' ? click(*window, switchKey) : void();
        QCOMPARE(green(), which == 'e');
        QCOMPARE(sent(which, 0, later), QStringList{});
        // Hidden and shown again: the same window, place, address and switch.
        m_work->writeConfig(m_sim.address().toLatin1());
        click(which == 'e' ? opening : *window, which == 'e' ? opener : handsetExit);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window && !window->isVisible());
        QCOMPARE(&open(which), window.data()); // through the opener
        QCOMPARE(std::pair(window->geometry(), green()), std::pair(place, which == 'e'));
        QCOMPARE(sent(which, 1, later), QStringList{});
        // Closed by the window system and touched before the loop turns: made afresh.
        window->windowHandle()->close();
        QVERIFY(which == 'e' ? window != &*m_forms->expand : window != &*m_forms->rc);
        QTRY_VERIFY(window.isNull());
        window = &open(which);
        QCOMPARE(std::pair(window->geometry(), green()), std::pair(place, false));
        QCOMPARE(sent(which, m_sim.targets().size(), m_sim), QStringList{});
        QCOMPARE(later.targets().size(), 2);
        for (int n = 0; which == 'e' && n < 2; ++n)
            click(*window, switchKey);
        QVERIFY(!green() && (which == 'r' || window->control("AOToff")->isVisible()));
        click(opening, opener); // and the opener hides it
        QTRY_VERIFY(window && !window->isVisible());
    }

    void aboutBox()
    {
        // One box however often Info is clicked; OK, Enter, Escape and the window close it.
        for (const int how : {0, int(Qt::Key_Return), int(Qt::Key_Escape), -1}) {
            click(open('m'), infoArea);
            click(open('m'), infoArea);
            QTRY_VERIFY(aboutBoxes().size() == 1 && aboutBoxes()[0]->isVisible());
            frmAbout* box = aboutBoxes()[0];
            QStringList texts{box->windowTitle()};
            for (const char* name : {"lblTitle", "lblVersion", "lblDescription"})
                texts << box->findChild<QLabel*>(name)->text();
            QCOMPARE(texts, QStringList({"About Orvalet", "Orvalet", "Version 3.0.0",
                                         "Virtual PC Remote Control"}));
            QTRY_COMPARE(QApplication::focusWidget(), box->findChild<QWidget*>("cmdOK"));
            how > 0 ? QTest::keyClick(box->windowHandle(), Qt::Key(how))
            : how   ? void(box->windowHandle()->close())
                    : click(*box, {210, 123});
            QTRY_VERIFY(aboutBoxes().isEmpty());
        }
        // The box sent nothing and the bar kept working.
        QCOMPARE(sent('m', m_from, m_sim), QStringList{});
    }
};

QTEST_MAIN(PanelsTest)
#include "test_panels.moc"

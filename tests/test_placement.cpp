#include "panels/aboutbox.h"
#include "panels/expandpanel.h"
#include "panels/forms.h"
#include "panels/mainpanel.h"
#include "panels/rcpanel.h"
#include "support/simulator.h"
#include "support/workdir.h"

#include <QAccessibleActionInterface>
#include <QScreen>
#include <QTest>
#include <QToolTip>
#include <qpa/qplatformscreen.h>
#include <qpa/qplatformwindow.h>

using namespace orvalet;

class PlacementTest : public QObject {
    Q_OBJECT
    WorkDir m_work;
    Simulator m_sim;
    std::unique_ptr<Forms> m_forms;

private slots:
    void init()
    {
        m_work.writeConfig(m_sim.address().toLatin1());
        m_forms = std::make_unique<Forms>();
        m_forms->main->show();
        m_forms->expand->show();
        m_forms->rc->show();
        m_forms->about->show();
    }

    // On the device the bars meet flush and the handset meets them on the left.
    void placement()
    {
        QCOMPARE(twips::barLeft(6070, 4470), 0.0f);
        QCOMPARE(twips::besideBarLeft(4800, 4470, 3330), 4800.0f - 9400);
        const QScreen& screen = *QGuiApplication::primaryScreen();
        const QRect area = screen.handle()->geometry();
        const auto device = [](QWidget& w) { return w.windowHandle()->handle()->geometry(); };
        const QRect main = device(*m_forms->main), below = device(*m_forms->expand),
                    rc = device(*m_forms->rc);
        QCOMPARE((QList{below.top(), below.left(), below.right(), rc.right() + 1, rc.top()}),
                 (QList{main.bottom() + 1, main.left(), main.right(), main.left(), main.top()}));
        // The bar's right edge 1600 twips short of the screen's, its top 15 twips down.
        const qreal scale = screen.devicePixelRatio();
        QVERIFY(qAbs(area.right() - main.right() - scale * 1600 / 15) < 2);
        QVERIFY(qAbs(main.top() - area.top() - scale) < 1);
        QCOMPARE(m_forms->about->geometry().topLeft(), area.topLeft() + QPoint(156, 55));
        if (scale == 1.0) // 1024 pixels wide
            QCOMPARE((QList{main.translated(-area.topLeft()), rc.translated(-area.topLeft())}),
                     (QList{QRect(619, 1, 298, 25), QRect(397, 1, 222, 603)}));
    }

    void tooltipOnInactiveBar()
    {
        QTRY_VERIFY(m_forms->about->isActiveWindow());
        QTest::mouseMove(m_forms->main->windowHandle(),
                         m_forms->main->control("Play")->geometry().center());
        QTRY_COMPARE(QToolTip::text(), QStringLiteral("Play"));
    }

    void accessibleKeys_data()
    {
        QTest::addColumn<bool>("onMain");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("name");
        QTest::newRow("main bar") << true << "Volume_up" << 115 << "Volume Up";
        QTest::newRow("handset") << false << "Volume_down" << 114 << "Volume Down";
        QTest::newRow("digit 1") << false << "b1" << 2 << "1";
    }

    // A screen reader finds the key in its window and presses it.
    void accessibleKeys()
    {
        QFETCH(bool, onMain);
        QFETCH(QString, key);
        QFETCH(int, code);
        QFETCH(QString, name);
        CommandPanel& panel = onMain ? static_cast<CommandPanel&>(*m_forms->main) : *m_forms->rc;
        QAccessibleInterface* button =
            QAccessible::queryAccessibleInterface(panel.control(qPrintable(key)));
        QVERIFY(QAccessible::queryAccessibleInterface(&panel)->indexOfChild(button) >= 0);
        QCOMPARE(button->role(), QAccessible::Button);
        QCOMPARE(button->text(QAccessible::Name), name);
        const QString press = QAccessibleActionInterface::pressAction();
        QVERIFY(button->actionInterface()->actionNames().contains(press));
        const qsizetype sent = m_sim.targets().size();
        button->actionInterface()->doAction(press);
        QVERIFY(m_sim.waitForTargets(sent + 1));
        QCOMPARE(m_sim.targets().last(), rcTarget(code));
    }
};

QTEST_MAIN(PlacementTest)
#include "test_placement.moc"

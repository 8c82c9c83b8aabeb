// The windows' places on the device, whatever the scale and wherever the
// primary screen lies: the layout comes from the platform's configuration.
#include "panels/aboutbox.h"
#include "panels/expandpanel.h"
#include "panels/forms.h"
#include "panels/mainpanel.h"
#include "panels/rcpanel.h"
#include "support.h"

#include <QScreen>
#include <QTest>
#include <qpa/qplatformscreen.h>
#include <qpa/qplatformwindow.h>

using namespace orvalet;

class PlacementTest : public QObject {
    Q_OBJECT

private slots:
    // On the device the bars meet flush and the handset meets them on the left.
    void placement()
    {
        QCOMPARE(twips::barLeft(6070, 4470), 0.0f);
        QCOMPARE(twips::besideBarLeft(4800, 4470, 3330), 4800.0f - 9400);
        WorkDir work;
        work.writeConfig("127.0.0.1:9");
        Forms forms;
        for (QWidget* window :
             std::initializer_list<QWidget*>{&*forms.main, &*forms.expand, &*forms.rc})
            window->show();
        forms.about->show();
        const QScreen& screen = *QGuiApplication::primaryScreen();
        const QRect area = screen.handle()->geometry();
        const auto device = [](QWidget& w) { return w.windowHandle()->handle()->geometry(); };
        const QRect main = device(*forms.main), below = device(*forms.expand),
                    rc = device(*forms.rc);
        QCOMPARE((QList{below.top(), below.left(), below.right(), rc.right() + 1, rc.top()}),
                 (QList{main.bottom() + 1, main.left(), main.right(), main.left(), main.top()}));
        // The bar's right edge 1600 twips short of the screen's, its top 15 twips down.
        const qreal scale = screen.devicePixelRatio();
        QVERIFY(qAbs(area.right() - main.right() - scale * 1600 / 15) < 2);
        QVERIFY(qAbs(main.top() - area.top() - scale) < 1);
        QCOMPARE(forms.about->geometry().topLeft(), area.topLeft() + QPoint(156, 55));
        if (scale == 1.0) // 1024 pixels wide
            QCOMPARE((QList{main.translated(-area.topLeft()), rc.translated(-area.topLeft())}),
                     (QList{QRect(619, 1, 298, 25), QRect(397, 1, 222, 603)}));
    }
};

QTEST_MAIN(PlacementTest)
#include "test_placement.moc"

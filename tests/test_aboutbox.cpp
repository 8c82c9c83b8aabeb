#include "app/version.h"
#include "panels/aboutbox.h"
#include "panels/forms.h"
#include "panels/mainpanel.h"
#include "support/panelclicks.h"
#include "support/workdir.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

using namespace orvalet;

namespace {

QList<frmAbout*> openBoxes()
{
    QList<frmAbout*> boxes;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<frmAbout*>(w); box && box->isVisible())
            boxes << box;
    }
    return boxes;
}

QWidget& child(const QWidget& box, const char* name)
{
    auto* found = box.findChild<QWidget*>(QLatin1String(name));
    if (!found)
        qFatal("no control %s", name);
    return *found;
}

QString text(const QWidget& box, const char* name)
{
    return qobject_cast<QLabel*>(&child(box, name))->text();
}

} // namespace

class AboutBoxTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void opensWithTheProgramsTitleAndVersion();
    void controlsStandWhereDesigned();
    void secondInfoOpensNoSecondBox();
    void closingDestroysAndInfoMakesItAfresh_data();
    void closingDestroysAndInfoMakesItAfresh();

private:
    frmAbout& clickInfo();

    std::unique_ptr<WorkDir> m_work;
    std::unique_ptr<Forms> m_forms;
};

void AboutBoxTest::initTestCase()
{
    // As the program's start does, from the build's own numbers.
    QApplication::setApplicationName(QStringLiteral(ORVALET_TITLE));
    QApplication::setApplicationVersion(QStringLiteral(ORVALET_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);
}

void AboutBoxTest::init()
{
    m_work = std::make_unique<WorkDir>();
    m_work->writeConfig("127.0.0.1:9\r\n");
    m_forms = std::make_unique<Forms>();
    Orvalet& bar = *m_forms->main;
    bar.show();
    if (!QTest::qWaitForWindowExposed(&bar))
        qFatal("main panel not exposed");
}

void AboutBoxTest::cleanup()
{
    m_forms.reset();
    m_work.reset();
}

frmAbout& AboutBoxTest::clickInfo()
{
    clickControl(*m_forms->main, "Info");
    if (!m_forms->about.isLoaded())
        qFatal("Info opened no about box");
    frmAbout& box = *m_forms->about;
    if (!QTest::qWaitForWindowActive(&box))
        qFatal("about box not active");
    return box;
}

void AboutBoxTest::opensWithTheProgramsTitleAndVersion()
{
    QVERIFY(!m_forms->about.isLoaded());
    frmAbout& box = clickInfo();
    QCOMPARE(box.windowTitle(), QStringLiteral("About Orvalet"));
    QCOMPARE(text(box, "lblTitle"), QStringLiteral("Orvalet"));
    QCOMPARE(text(box, "lblVersion"), QStringLiteral("Version 3.0.0"));
    QCOMPARE(text(box, "lblDescription"), QStringLiteral("Virtual PC Remote Control"));
    QCOMPARE(QApplication::focusWidget(), &child(box, "cmdOK"));
    QVERIFY(!box.windowIcon().isNull());

    // The client area at its spot, of fixed size, with no minimise or maximise.
    QCOMPARE(box.geometry(), QRect(156, 55, 292, 140));
    QCOMPARE(box.minimumSize(), box.maximumSize());
    QCOMPARE(box.windowType(), Qt::Dialog);
    const Qt::WindowFlags flags = box.windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY(!box.isModal());
}

void AboutBoxTest::controlsStandWhereDesigned()
{
    frmAbout& box = clickInfo();
    QCOMPARE(child(box, "Image1").geometry(), QRect(7, 14, 84, 84));
    QCOMPARE(child(box, "lblTitle").geometry(), QRect(112, 14, 140, 18));
    QCOMPARE(child(box, "lblDisclaimer").geometry(), QRect(14, 112, 132, 20));
    // The OK button ends where the labels above it end, 3780 twips.
    const QRect ok = child(box, "cmdOK").geometry();
    QCOMPARE(ok, QRect(168, 112, 84, 23));
    for (const char* name : {"lblTitle", "lblVersion", "lblDescription"})
        QCOMPARE(child(box, name).geometry().right(), ok.right());

    // The notice stays on one line, and no label takes the focus.
    auto& notice = static_cast<QLabel&>(child(box, "lblDisclaimer"));
    QVERIFY2(notice.fontMetrics().horizontalAdvance(notice.text()) <= notice.width(),
             qPrintable(notice.text()));
    for (QLabel* label : box.findChildren<QLabel*>()) {
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        QVERIFY(label->wordWrap());
        const bool ownColour = label->objectName() != QLatin1String("lblVersion");
        QCOMPARE(label->testAttribute(Qt::WA_SetPalette), ownColour);
        if (ownColour)
            QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::black));
    }

    const QImage shot = box.grab().toImage();
    // A grey line one pixel high from 7 px to the right edge, at 105 px.
    const QColor grey(128, 128, 128);
    for (int x : {7, 150, box.width() - 1})
        QCOMPARE(shot.pixelColor(x, 105), grey);
    QVERIFY(shot.pixelColor(6, 105) != grey);
    QVERIFY(shot.pixelColor(150, 104) != grey);
    QVERIFY(shot.pixelColor(150, 106) != grey);
    // The logo fills its control: drawn at its middle, the dialog colour at its cut corner.
    const QColor ground = box.palette().color(QPalette::Window);
    QVERIFY(shot.pixelColor(7 + 42, 14 + 42) != ground);
    QVERIFY(shot.pixelColor(7 + 3, 14 + 42) != ground);
    QCOMPARE(shot.pixelColor(7 + 1, 14 + 1), ground);
}

void AboutBoxTest::secondInfoOpensNoSecondBox()
{
    frmAbout& box = clickInfo();
    // Moved by the user: a second load or a new box would put it back.
    box.move(300, 300);
    const QRect moved = box.geometry();
    box.setWindowTitle(QStringLiteral("touched"));
    clickControl(*m_forms->main, "Info");
    QTest::qWait(50);
    QCOMPARE(openBoxes(), QList<frmAbout*>({&box}));
    QCOMPARE(&*m_forms->about, &box);
    QCOMPARE(box.geometry(), moved);
    QCOMPARE(box.windowTitle(), QStringLiteral("touched"));
}

void AboutBoxTest::closingDestroysAndInfoMakesItAfresh_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("OK button") << "click";
    QTest::newRow("Enter") << "enter";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("title bar close") << "close";
}

void AboutBoxTest::closingDestroysAndInfoMakesItAfresh()
{
    QFETCH(QString, how);
    for (int round = 0; round < 2; ++round) {
        frmAbout& box = clickInfo();
        QCOMPARE(box.geometry(), QRect(156, 55, 292, 140));
        QCOMPARE(text(box, "lblVersion"), QStringLiteral("Version 3.0.0"));
        QCOMPARE(QApplication::focusWidget(), &child(box, "cmdOK"));
        box.move(300, 300);

        QPointer<frmAbout> watched(&box);
        // Enter and Escape press the OK button; the title bar's close does not.
        QSignalSpy pressed(qobject_cast<QPushButton*>(&child(box, "cmdOK")), &QPushButton::clicked);
        if (how == QLatin1String("click"))
            clickControl(box, "cmdOK");
        else if (how == QLatin1String("enter"))
            QTest::keyClick(box.windowHandle(), Qt::Key_Return);
        else if (how == QLatin1String("escape"))
            QTest::keyClick(box.windowHandle(), Qt::Key_Escape);
        else
            box.windowHandle()->close();
        QTRY_VERIFY(watched.isNull());
        QCOMPARE(pressed.size(), how == QLatin1String("close") ? 0 : 1);
        QVERIFY(!m_forms->about.isLoaded());
        QVERIFY(openBoxes().isEmpty());
        QVERIFY(m_forms->main->isVisible());
    }
}

QTEST_MAIN(AboutBoxTest)
#include "test_aboutbox.moc"

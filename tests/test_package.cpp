// The Debian package as a user gets it: built by CPack, unpacked into a scratch
// root, and the installed program run on Xvfb and openbox against the simulator.

#include "app/version.h"
#include "support/desktop.h"
#include "support/simulator.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

namespace {

// What the program printed, or nothing when it failed.
std::optional<QString> run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning("%s %s failed:\n%s%s", qPrintable(program), qPrintable(args.join(' ')),
                 p.readAllStandardOutput().constData(), p.readAllStandardError().constData());
        return std::nullopt;
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString keyOf(const QString& desktopEntry, const QString& key)
{
    const QRegularExpression re(QStringLiteral("^%1=(.*)$").arg(key),
                                QRegularExpression::MultilineOption);
    return re.match(desktopEntry).captured(1);
}

bool isInstalled(const QString& package)
{
    QProcess p;
    p.start(QStringLiteral("dpkg-query"),
            {QStringLiteral("-W"), QStringLiteral("-f=${Status}"), package});
    p.waitForFinished();
    return p.readAllStandardOutput().contains("install ok installed");
}

const QString appId = QStringLiteral(ORVALET_APP_ID);

} // namespace

class Package : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void controlFieldsAndDependencies();
    void holdsTheProgramAndItsDesktopFiles();
    void desktopFilesNameTheInstalledFiles();
    void iconsAreRenderingsOfTheLogo();
    void installedProgramSendsKeysAndQuits();

private:
    QString installed(const QString& path) const { return m_root.filePath(path); }
    QByteArray readInstalled(const QString& path) const;

    QTemporaryDir m_out;
    QTemporaryDir m_root;
    QString m_deb;
};

void Package::initTestCase()
{
    QVERIFY(m_out.isValid() && m_root.isValid());
    QVERIFY(run(QStringLiteral(CPACK_BIN),
                {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("-B"), m_out.path(),
                 QStringLiteral("--config"), QStringLiteral(CPACK_CONFIG)}));
    const QStringList debs = QDir(m_out.path()).entryList({QStringLiteral("*.deb")});
    QCOMPARE(debs.size(), 1);
    m_deb = m_out.filePath(debs.first());
    // Unpacked, not installed: the test needs no root and leaves the machine's
    // package database alone; the program runs from the scratch root.
    QVERIFY(run(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), m_deb, m_root.path()}));
}

void Package::cleanupTestCase()
{
    const QString root = m_root.path();
    QVERIFY(m_root.remove());
    QVERIFY(!QFileInfo::exists(root));
}

QByteArray Package::readInstalled(const QString& path) const
{
    QFile file(installed(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void Package::controlFieldsAndDependencies()
{
    const QString info =
        run(QStringLiteral("dpkg-deb"), {QStringLiteral("-I"), m_deb}).value_or(QString());
    QVERIFY2(info.contains(QStringLiteral("Package: orvalet\n")), qPrintable(info));
    QVERIFY2(info.contains(QStringLiteral("Version: %1\n").arg(QStringLiteral(ORVALET_VERSION))),
             qPrintable(info));

    const QString depends =
        run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), m_deb, QStringLiteral("Depends")})
            .value_or(QString())
            .trimmed();
    for (const char* library : {"libc6", "libstdc++6", "libqt6core6", "libqt6gui6",
                                "libqt6widgets6", "libqt6network6", "libqt6svg6"}) {
        const QRegularExpression named(
            QStringLiteral("(^|, )%1( |,|$)").arg(QRegularExpression::escape(library)));
        QVERIFY2(named.match(depends).hasMatch(),
                 qPrintable(library + QStringLiteral(" missing in ") + depends));
    }
    // Each dependency names a real package: one of its alternatives is on this machine.
    for (const QString& group : depends.split(QStringLiteral(", "))) {
        bool any = false;
        for (const QString& alternative : group.split(QStringLiteral(" | ")))
            any = any || isInstalled(alternative.section(QLatin1Char(' '), 0, 0));
        QVERIFY2(any, qPrintable(group));
    }
}

void Package::holdsTheProgramAndItsDesktopFiles()
{
    QStringList files;
    const QStringList listing = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), m_deb})
                                    .value_or(QString())
                                    .split(QLatin1Char('\n'));
    for (const QString& line : listing) {
        if (!line.startsWith(QLatin1Char('d')) && !line.isEmpty())
            files << line.section(QLatin1Char(' '), -1);
    }
    files.sort();
    QStringList expected = {
        QStringLiteral("./usr/bin/orvalet"),
        QStringLiteral("./usr/share/applications/%1.desktop").arg(appId),
        QStringLiteral("./usr/share/icons/hicolor/256x256/apps/%1.png").arg(appId),
        QStringLiteral("./usr/share/icons/hicolor/32x32/apps/%1.png").arg(appId),
        QStringLiteral("./usr/share/icons/hicolor/scalable/apps/%1.svg").arg(appId),
        QStringLiteral("./usr/share/metainfo/%1.metainfo.xml").arg(appId),
    };
    expected.sort();
    QCOMPARE(files, expected);
    QVERIFY(QFileInfo(installed(QStringLiteral("usr/bin/orvalet"))).isExecutable());
}

void Package::desktopFilesNameTheInstalledFiles()
{
    const QString entryPath = QStringLiteral("usr/share/applications/%1.desktop").arg(appId);
    const QString entry = QString::fromUtf8(readInstalled(entryPath));

    const QString exec = keyOf(entry, QStringLiteral("Exec")).section(QLatin1Char(' '), 0, 0);
    QVERIFY(QFileInfo(installed(QStringLiteral("usr/bin/") + exec)).isExecutable());
    const QString icon = keyOf(entry, QStringLiteral("Icon"));
    for (const char* icons : {"scalable/apps/%1.svg", "32x32/apps/%1.png", "256x256/apps/%1.png"}) {
        const QString path = QStringLiteral("usr/share/icons/hicolor/") + QLatin1String(icons);
        QVERIFY2(QFileInfo::exists(installed(path.arg(icon))), qPrintable(path.arg(icon)));
    }

    const QString metainfo = QString::fromUtf8(
        readInstalled(QStringLiteral("usr/share/metainfo/%1.metainfo.xml").arg(appId)));
    QVERIFY(metainfo.contains(QStringLiteral("<id>%1</id>").arg(appId)));
    QVERIFY(metainfo.contains(
        QStringLiteral("<launchable type=\"desktop-id\">%1.desktop</launchable>").arg(appId)));
    QVERIFY(metainfo.contains(
        QStringLiteral("<release version=\"%1\"").arg(QStringLiteral(ORVALET_VERSION))));
    QVERIFY(metainfo.contains(QStringLiteral("<binary>%1</binary>").arg(exec)));
}

void Package::iconsAreRenderingsOfTheLogo()
{
    for (int size : {32, 256}) {
        const QImage icon(installed(
            QStringLiteral("usr/share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(appId)));
        QCOMPARE(icon.size(), QSize(size, size));
        QVERIFY(icon.hasAlphaChannel());
        // A transparent ground around the emblem; the middle is the emblem itself.
        QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(icon.pixel(size - 1, size - 1)), 0);
        const QRgb middle = icon.pixel(size / 2, size / 2);
        QCOMPARE(qAlpha(middle), 255);
        QVERIFY2(qRed(middle) > 2 * qBlue(middle), "the middle of the logo is red");
    }
}

void Package::installedProgramSendsKeysAndQuits()
{
    Desktop desktop(QSize(1024, 768));
    Simulator sim;
    QTemporaryDir work;
    QFile config(work.filePath(QStringLiteral("config.txt")));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(sim.address().toLatin1() + '\n');
    config.close();

    Program program(desktop, work.path(), installed(QStringLiteral("usr/bin/orvalet")));
    Desktop::Window bar;
    QVERIFY(desktop.waitForWindow(program.pid(), QStringLiteral("Orvalet"), &bar));
    QCOMPARE(bar.geometry.size(), QSize(298, 25));

    // Play, then Quit: the red square at the right end.
    desktop.click(bar.geometry.topLeft() + QPoint(76, 12));
    QVERIFY(sim.waitForTargets(1));
    QCOMPARE(sim.targets(), QStringList({rcTarget(399)}));
    desktop.click(bar.geometry.topLeft() + QPoint(290, 6));
    QVERIFY2(program.waitForExit(5000), qPrintable(program.errorOutput()));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
}

QTEST_GUILESS_MAIN(Package)
#include "test_package.moc"

// Holds a program's SBOM against its link map and its files: every library the
// link took in is listed, nothing listed was not linked, and every checksum
// and reference is that of the file it names.
//   ORVALET_SBOM=X.spdx ORVALET_MAP=orvalet.map ORVALET_ARTEFACT=X
//   [ORVALET_QT_SBOM=qtbase.spdx ORVALET_QT_PREFIX=DIR] test_sbom

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

namespace {

QByteArray read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString sum(const QByteArray& bytes, QCryptographicHash::Algorithm algorithm)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, algorithm).toHex());
}

QStringList all(const QString& text, const QString& pattern)
{
    QStringList found;
    const QRegularExpression re(pattern, QRegularExpression::MultilineOption);
    for (auto it = re.globalMatch(text); it.hasNext();)
        found << it.next().captured(1);
    return found;
}

// A linked library by the name the link gave it, without folder or version.
QString library(const QString& path)
{
    return QFileInfo(path).fileName().remove(QRegularExpression(QStringLiteral("\\.so[.0-9]*$")));
}

} // namespace

class SbomTest : public QObject {
    Q_OBJECT
    const QString m_sbom = QString::fromUtf8(read(qEnvironmentVariable("ORVALET_SBOM")));
    const QString m_qtSbomPath = qEnvironmentVariable("ORVALET_QT_SBOM");
    const QString m_self = all(m_sbom, "^Relationship: SPDXRef-DOCUMENT DESCRIBES (\\S+)").value(0);

    // The files the SBOM says the artefact links, by their names in it.
    QStringList linked() const
    {
        return all(m_sbom,
                   "^Relationship: " + m_self + " (?:STATIC|DYNAMIC)_LINK SPDXRef-File-(\\S+)");
    }

private slots:
    void describesTheArtefact()
    {
        QVERIFY(!m_self.isEmpty());
        const QByteArray artefact = read(qEnvironmentVariable("ORVALET_ARTEFACT"));
        QVERIFY(!artefact.isEmpty());
        QCOMPARE(all(m_sbom, "^PackageChecksum: SHA256: (\\w+)").value(0),
                 sum(artefact, QCryptographicHash::Sha256));
    }

    void listsWhatTheLinkTookIn()
    {
        const QString map = QString::fromUtf8(read(qEnvironmentVariable("ORVALET_MAP")));
        QVERIFY(!map.isEmpty());
        // Archive members, objects from elsewhere and, where the link took them as
        // needed, shared libraries; the program's own archives are the program.
        QSet<QString> fromMap;
        for (const QString& file : all(map, "^(\\S+\\.a)\\(\\S+\\)") +
                                       all(map, "^LOAD (/\\S+\\.o(?:bj)?)$") +
                                       all(map, "^(lib\\S+\\.so[.0-9]*)\\s+\\S"))
            fromMap << library(file);
        fromMap.removeIf([](const QString& name) { return name.startsWith("liborvalet_"); });
        QSet<QString> listed;
        for (const QString& id : linked())
            listed << library(all(m_sbom, "^FileName: (\\S+)\\nSPDXID: SPDXRef-File-" +
                                              QRegularExpression::escape(id) + "$")
                                  .value(0));
        QVERIFY(!fromMap.isEmpty());
        QCOMPARE(QSet<QString>(listed).subtract(fromMap), QSet<QString>());
        QCOMPARE(QSet<QString>(fromMap).subtract(listed), QSet<QString>());
    }

    void checksumsAreTheFiles()
    {
        const QString qtPrefix = qEnvironmentVariable("ORVALET_QT_PREFIX");
        const QRegularExpression entry(
            QStringLiteral("^FileName: \\./(\\S+)\\n.*\\nFileChecksum: SHA1: .*\\n"
                           "FileChecksum: SHA256: (\\w+)$"),
            QRegularExpression::MultilineOption);
        int files = 0;
        for (auto it = entry.globalMatch(m_sbom); it.hasNext(); ++files) {
            const auto match = it.next();
            QString path = "/" + match.captured(1);
            if (path.startsWith("/qt/"))
                path = qtPrefix + path.mid(3);
            QCOMPARE(sum(read(path), QCryptographicHash::Sha256), match.captured(2));
        }
        QCOMPARE(files, linked().size());
    }

    void qtReferencesAreQtsSbom()
    {
        if (m_qtSbomPath.isEmpty())
            QSKIP("a dynamically linked program refers to no Qt SBOM");
        const QByteArray bytes = read(m_qtSbomPath);
        const QString qt = QString::fromUtf8(bytes);
        QVERIFY(m_sbom.contains(" SHA1: " + sum(bytes, QCryptographicHash::Sha1) + "\n"));
        QVERIFY(m_sbom.contains("DocumentRef-qtbase " +
                                all(qt, "^DocumentNamespace: (\\S+)").value(0) + " SHA1"));
        const QStringList ids = all(qt, "^SPDXID: (\\S+)");
        const QStringList used = all(m_sbom, "DocumentRef-qtbase:(\\S+)");
        QVERIFY(!used.isEmpty());
        for (const QString& id : used)
            QVERIFY2(ids.contains(id), qPrintable(id));
        // Each Qt file linked comes from a Qt package that the program links.
        for (const QString& package : all(m_sbom, "^Relationship: (\\S+) CONTAINS SPDXRef-File-qt"))
            QVERIFY2(m_sbom.contains(m_self + " STATIC_LINK " + package + "\n"),
                     qPrintable(package));
    }
};

QTEST_GUILESS_MAIN(SbomTest)
#include "test_sbom.moc"

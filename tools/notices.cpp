// Writes what a linked program owes the parts it is built from, read off its
// link map: an SPDX 2.3 document (tag:value) of the files the link took in and
// where each came from, and for the static Windows program the notices of Qt
// and of every third-party component whose code the link took in.
//
//   notices exe MAP PROGRAM QT_PREFIX QT_SOURCE OUT_DIR
//       OUT_DIR/NOTICES.txt and OUT_DIR/PROGRAM.spdx; QT_PREFIX is the static
//       Qt (with sbom/ and objects.gz), QT_SOURCE the source it was built from
//   notices deb MAP PACKAGE OUT_DIR
//       OUT_DIR/PACKAGE.spdx for a Debian package of a dynamically linked program
//
// Files from the system are traced to their Debian packages with dpkg. Times
// come from SOURCE_DATE_EPOCH, so the same inputs give the same bytes.

#include "app/version.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTextStream>

#include <cstdio>
#include <stdexcept>

namespace {

const QString holder = QStringLiteral(ORVALET_COPYRIGHT);

[[noreturn]] void fail(const QString& message) { throw std::runtime_error(message.toStdString()); }

QByteArray read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(path + ": " + file.errorString());
    return file.readAll();
}

void write(const QString& path, const QString& text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0)
        fail(path + ": " + file.errorString());
}

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        fail(program + " " + arguments.join(' ') + ": " + process.readAllStandardError());
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString hash(const QByteArray& bytes, QCryptographicHash::Algorithm algorithm)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, algorithm).toHex());
}

// What the link took in: the objects it loaded, and the archive members and
// shared libraries its sections name, members as ARCHIVE(MEMBER), libraries
// by name.
QStringList linkedInputs(const QString& map)
{
    QStringList inputs;
    bool taking = false;
    for (const QString& line : QString::fromUtf8(read(map)).split('\n')) {
        if (line.isEmpty() || line.front().isSpace())
            continue;
        if (line.startsWith(QLatin1String("LOAD ")) &&
            line.contains(QRegularExpression(QStringLiteral("\\.o(bj)?$")))) {
            inputs << line.mid(5);
            continue;
        }
        const QString first = line.section(' ', 0, 0);
        if (line.contains(QLatin1String("included to satisfy reference")))
            taking = true;
        else if (!first.contains(QRegularExpression(QStringLiteral("[/.(]"))))
            taking = false; // another section's heading
        else if (taking)
            inputs << first;
    }
    return inputs;
}

struct Input {
    QString file;      // the archive or shared library, as the link found it
    QString member;    // the archive member, if any
    QString canonical; // the file's real path
};

QList<Input> resolve(const QStringList& inputs, const QString& map)
{
    // Shared libraries the map names without a folder: their paths are on its LOAD lines.
    QStringList loaded;
    static const QRegularExpression load(QStringLiteral("^LOAD (.*)$"),
                                         QRegularExpression::MultilineOption);
    for (auto it = load.globalMatch(QString::fromUtf8(read(map))); it.hasNext();) {
        loaded << QFileInfo(it.next().captured(1)).canonicalFilePath();
    }
    QList<Input> resolved;
    static const QRegularExpression member(QStringLiteral("^(.*)\\((.*)\\)$"));
    for (const QString& input : inputs) {
        const auto match = member.match(input);
        Input in{match.hasMatch() ? match.captured(1) : input, match.captured(2), {}};
        // Relative to the folder the link ran in, where the map lies.
        in.canonical = QFileInfo(QFileInfo(map).dir(), in.file).canonicalFilePath();
        // A library's real file bears its name with the version after it.
        for (const QString& path : loaded) {
            const QString file = QFileInfo(path).fileName();
            if (in.canonical.isEmpty() && (file == in.file || file.startsWith(in.file + '.')))
                in.canonical = path;
        }
        if (in.canonical.isEmpty())
            fail("the map names " + input + ", which is not on this system");
        resolved << in;
    }
    return resolved;
}

// A Debian package and the files of it that were linked.
struct DebianPackage {
    QString name;
    QString version;
    QSet<QString> files;
};

QMap<QString, DebianPackage> debianPackages(const QSet<QString>& files)
{
    QMap<QString, DebianPackage> packages;
    for (const QString& file : files) {
        // dpkg knows the path as the package installed it, before /lib became /usr/lib.
        QString owner;
        for (const QString& path : {file, QString(file).remove(QRegularExpression("^/usr"))}) {
            QProcess query;
            query.start(QStringLiteral("dpkg"), {QStringLiteral("-S"), path});
            query.waitForFinished();
            if (query.exitCode() == 0) {
                owner = QString::fromUtf8(query.readAllStandardOutput()).section(':', 0, 0);
                break;
            }
        }
        if (owner.isEmpty())
            fail(file + " belongs to no Debian package");
        DebianPackage& package = packages[owner];
        package.name = owner;
        package.files << file;
    }
    for (DebianPackage& package : packages)
        package.version = run("dpkg-query", {"-W", "-f=${Version}", package.name});
    return packages;
}

QString spdxId(QString text) { return text.replace(QRegularExpression("[^A-Za-z0-9.]+"), "-"); }

QString created()
{
    const qint64 epoch = qEnvironmentVariable("SOURCE_DATE_EPOCH", "0").toLongLong();
    return QDateTime::fromSecsSinceEpoch(epoch).toUTC().toString(Qt::ISODate);
}

// An SPDX document being written, one section after another.
class Spdx {
public:
    Spdx(const QString& artefact, const QByteArray& bytes, const QStringList& externalRefs)
        : m_artefact(artefact)
    {
        const QString sha256 = hash(bytes, QCryptographicHash::Sha256);
        m_text += "SPDXVersion: SPDX-2.3\nDataLicense: CC0-1.0\nSPDXID: SPDXRef-DOCUMENT\n"
                  "DocumentName: " +
                  artefact + "\nDocumentNamespace: " ORVALET_HOMEPAGE "/spdxdocs/" + artefact +
                  "-" + sha256 + "\n";
        for (const QString& ref : externalRefs)
            m_text += "ExternalDocumentRef: " + ref + "\n";
        m_text += "Creator: Organization: " ORVALET_HOLDER "\n"
                  "Creator: Tool: notices-" ORVALET_VERSION "\nCreated: " +
                  created() + "\n";
        package(QStringLiteral("SPDXRef-Package-") + spdxId(artefact), artefact, ORVALET_VERSION,
                {"PackageFileName: " + artefact, "PackageSupplier: Organization: " ORVALET_HOLDER,
                 "PackageChecksum: SHA256: " + sha256, "PackageLicenseDeclared: GPL-3.0-or-later",
                 "PackageLicenseConcluded: NOASSERTION", "PackageCopyrightText: " + holder,
                 "PrimaryPackagePurpose: APPLICATION"});
        relate("SPDXRef-DOCUMENT DESCRIBES " + self());
    }

    QString self() const { return QStringLiteral("SPDXRef-Package-") + spdxId(m_artefact); }

    void package(const QString& id, const QString& name, const QString& version,
                 const QStringList& fields)
    {
        m_text += "\nPackageName: " + name + "\nSPDXID: " + id + "\nPackageVersion: " + version +
                  "\nPackageDownloadLocation: NOASSERTION\nFilesAnalyzed: false\n" +
                  fields.join('\n') + "\n";
    }

    // A linked file, named as NAME in the document, contained in PACKAGE.
    void linkedFile(const QString& name, const QString& path, const QString& package,
                    const QString& how)
    {
        const QByteArray bytes = read(path);
        const QString id = "SPDXRef-File-" + spdxId(name.mid(2)); // past "./"
        m_text += "\nFileName: " + name + "\nSPDXID: " + id +
                  "\nFileChecksum: SHA1: " + hash(bytes, QCryptographicHash::Sha1) +
                  "\nFileChecksum: SHA256: " + hash(bytes, QCryptographicHash::Sha256) +
                  "\nLicenseConcluded: NOASSERTION\nFileCopyrightText: NOASSERTION\n";
        relate(self() + " " + how + " " + id);
        relate(package + " CONTAINS " + id);
    }

    void relate(const QString& relationship) { m_relationships << relationship; }

    QString text() const
    {
        QString text = m_text + "\n";
        for (const QString& relationship : m_relationships)
            text += "Relationship: " + relationship + "\n";
        return text;
    }

private:
    QString m_artefact;
    QString m_text;
    QStringList m_relationships;
};

void addDebianPackages(Spdx& spdx, const QMap<QString, DebianPackage>& packages, const QString& how)
{
    const QString arch = run("dpkg", {"--print-architecture"}).trimmed();
    for (const DebianPackage& package : packages) {
        const QString id = "SPDXRef-Package-deb-" + spdxId(package.name);
        spdx.package(id, package.name, package.version,
                     {"PackageSupplier: Organization: Debian",
                      "ExternalRef: PACKAGE-MANAGER purl pkg:deb/debian/" + package.name + "@" +
                          package.version + "?arch=" + arch,
                      "PackageLicenseDeclared: NOASSERTION", "PackageLicenseConcluded: NOASSERTION",
                      "PackageCopyrightText: NOASSERTION"});
        QStringList files(package.files.cbegin(), package.files.cend());
        files.sort();
        for (const QString& file : files)
            spdx.linkedFile("." + file, file, id, how);
    }
}

// The system's files the link took in, apart by how they were linked: the
// program's own archives beside the map and those under `skip` are left out.
std::pair<QSet<QString>, QSet<QString>> systemFiles(const QList<Input>& inputs, const QString& map,
                                                    const QString& skip)
{
    const QString own = QFileInfo(map).canonicalPath() + "/";
    QSet<QString> statics;
    QSet<QString> shared;
    for (const Input& input : inputs) {
        if (input.canonical.startsWith(own) ||
            (!skip.isEmpty() && input.canonical.startsWith(skip)))
            continue;
        (input.member.isEmpty() && input.canonical.contains(".so") ? shared : statics)
            << input.canonical;
    }
    return {statics, shared};
}

int deb(const QString& map, const QString& debFile, const QString& outDir)
{
    const auto [statics, shared] = systemFiles(resolve(linkedInputs(map), map), map, {});
    Spdx spdx(QFileInfo(debFile).fileName(), read(debFile), {});
    addDebianPackages(spdx, debianPackages(statics), QStringLiteral("STATIC_LINK"));
    addDebianPackages(spdx, debianPackages(shared), QStringLiteral("DYNAMIC_LINK"));
    write(outDir + "/" + QFileInfo(debFile).fileName() + ".spdx", spdx.text());
    return 0;
}

// The files each object of the static Qt was compiled from, by target folder
// and object path within it, as its build recorded them.
using Objects = QMap<QString, QMap<QString, QStringList>>;

Objects qtObjects(const QString& prefix)
{
    Objects objects;
    static const QRegularExpression head(
        QStringLiteral("^(?:.*/)?CMakeFiles/([^/]+)\\.dir/(.*): #deps"));
    QStringList* deps = nullptr;
    for (const QString& line : run("gzip", {"-dc", prefix + "/objects.gz"}).split('\n')) {
        // Other outputs than objects (moc's, say) list files too: not taken.
        if (!line.startsWith(' '))
            deps = nullptr;
        if (const auto match = head.match(line); match.hasMatch())
            deps = &objects[match.captured(1)][match.captured(2)];
        else if (deps && line.startsWith(QLatin1String("    ")))
            *deps << QDir::cleanPath(line.trimmed());
    }
    return objects;
}

struct Attribution {
    QJsonObject entry;
    QString dir;       // relative to the source
    QStringList files; // relative to the source; none: all of `dir`
};

QList<Attribution> attributions(const QString& source)
{
    const QString json = QDir::temp().filePath(QStringLiteral("notices-attributions.json"));
    run(QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) + "/qtattributionsscanner",
        {"--output-format", "json", "-s", "-o", json, source});
    const QJsonArray entries = QJsonDocument::fromJson(read(json)).array();
    QFile::remove(json);
    const QDir root(QFileInfo(source).canonicalFilePath());
    QList<Attribution> result;
    for (const QJsonValue& value : entries) {
        Attribution a{value.toObject(), root.relativeFilePath(value["Path"].toString()), {}};
        for (const QString& file : value["Files"].toString().split(' ', Qt::SkipEmptyParts))
            a.files << QDir::cleanPath(a.dir + "/" + file);
        result << a;
    }
    return result;
}

bool takenIn(const Attribution& attribution, const QSet<QString>& sources)
{
    for (const QString& source : sources) {
        if (attribution.files.isEmpty() ? source.startsWith(attribution.dir + "/")
                                        : attribution.files.contains(source))
            return true;
    }
    return false;
}

// Packages of Qt's own SBOM, by what their SPDX ids name: a target's, and an
// attribution's with the target it is attached to.
struct QtSbom {
    QString reference;
    QMap<QString, QString> targets;
    QMap<QString, QString> archives;                              // target, by path in the prefix
    QMultiMap<QString, std::pair<QString, QString>> attributions; // by id: target, package
};

QtSbom qtSbom(const QString& path)
{
    const QByteArray bytes = read(path);
    const QString text = QString::fromUtf8(bytes);
    QtSbom sbom;
    static const QRegularExpression ns(QStringLiteral("^DocumentNamespace: (\\S+)"),
                                       QRegularExpression::MultilineOption);
    sbom.reference = "DocumentRef-qtbase " + ns.match(text).captured(1) +
                     " SHA1: " + hash(bytes, QCryptographicHash::Sha1);
    static const QRegularExpression id(QStringLiteral("^SPDXID: (SPDXRef-Package-qtbase-qt-\\S+)$"),
                                       QRegularExpression::MultilineOption);
    static const QRegularExpression target(
        QStringLiteral("-qt-(?:module|plugin|bundled-3rdparty-module)-(.+)$"));
    static const QRegularExpression attribution(
        QStringLiteral("-qt-3rdparty-sources-(.+)-Attribution-(.+)$"));
    static const QRegularExpression file(
        QStringLiteral("^FileName: \\./(\\S+)\\nSPDXID: SPDXRef-PackagedFile-qt-"
                       "(?:module|plugin|bundled-3rdparty-module)-(\\S+)$"),
        QRegularExpression::MultilineOption);
    for (auto it = file.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        sbom.archives.insert(match.captured(1), match.captured(2));
    }
    for (auto it = id.globalMatch(text); it.hasNext();) {
        const QString package = it.next().captured(1);
        if (const auto match = attribution.match(package); match.hasMatch())
            sbom.attributions.insert(match.captured(2), {match.captured(1), package});
        else if (const auto match = target.match(package); match.hasMatch())
            sbom.targets.insert(match.captured(1), package);
    }
    return sbom;
}

// Qt's package for an attribution: the one attached to a target the link took
// in, where there is one.
QString attributionPackage(const QtSbom& qt, const QString& id, const QSet<QString>& targets)
{
    const auto candidates = qt.attributions.values(spdxId(id));
    for (const auto& [target, package] : candidates) {
        if (targets.contains(target))
            return package;
    }
    return candidates.isEmpty() ? QString() : candidates.first().second;
}

QString licenceTexts(const QJsonObject& entry)
{
    QStringList files;
    for (const QJsonValue& file : entry["LicenseFiles"].toArray())
        files << file.toString();
    if (files.isEmpty() && !entry["LicenseFile"].toString().isEmpty())
        files << entry["LicenseFile"].toString();
    QString text;
    for (const QString& file : files)
        text += QString::fromUtf8(read(file)).trimmed() + "\n\n";
    return text;
}

int exe(const QString& map, const QString& program, const QString& qtPrefix,
        const QString& qtSource, const QString& outDir)
{
    const QList<Input> inputs = resolve(linkedInputs(map), map);
    const QString prefix = QFileInfo(qtPrefix).canonicalFilePath() + "/";
    const Objects objects = qtObjects(qtPrefix);
    const QString qtVersion = QFileInfo(qtPrefix).fileName().section('-', 1, 1);
    const QtSbom qt = qtSbom(qtPrefix + "/sbom/qtbase-" + qtVersion + ".spdx");

    // The Qt files linked, the target each was built from, and the sources
    // of the members the link took in.
    QMap<QString, QString> qtFiles;
    QSet<QString> sources;
    for (const Input& input : inputs) {
        if (!input.canonical.startsWith(prefix))
            continue;
        QString target;
        QString object = QFileInfo(input.file).fileName();
        static const QRegularExpression loose(QStringLiteral("/objects-[^/]+/([^/]+)/(.+)$"));
        if (input.member.isEmpty()) {
            // A loose object: .../objects-CONFIG/TARGET/PATH.
            const auto match = loose.match(input.canonical);
            target = match.captured(1);
            object = match.captured(2);
        } else {
            target = qt.archives.value(input.canonical.mid(prefix.size()));
            object.clear();
        }
        const auto built = objects.value(target);
        if (target.isEmpty() || built.isEmpty())
            fail(input.canonical + ": no Qt target built it");
        bool found = false;
        for (auto it = built.cbegin(); it != built.cend(); ++it) {
            if (object.isEmpty() ? QFileInfo(it.key()).fileName() == input.member
                                 : it.key() == object) {
                sources.unite(QSet<QString>(it->cbegin(), it->cend()));
                found = true;
            }
        }
        if (!found)
            fail(input.file + "(" + input.member + "): Qt's build has no record of it");
        qtFiles.insert(input.canonical, target);
    }

    const QString name = QFileInfo(program).fileName();
    Spdx spdx(name, read(program), {qt.reference});
    QSet<QString> qtPackages;
    for (auto it = qtFiles.cbegin(); it != qtFiles.cend(); ++it) {
        // A module's resources and a plugin's start-up code are targets of
        // their own, named after it: Gui_resources_1, QFooPlugin_init.
        QString target = it.value();
        while (!qt.targets.contains(target) && target.contains('_'))
            target = target.section('_', 0, -2);
        const QString package = qt.targets.value(target);
        if (package.isEmpty())
            fail("Qt's SBOM has no package for the target " + it.value());
        qtPackages << package;
        spdx.linkedFile("./qt/" + it.key().mid(prefix.size()), it.key(),
                        "DocumentRef-qtbase:" + package, QStringLiteral("STATIC_LINK"));
    }

    QString notices;
    QStringList components;
    for (const Attribution& attribution : attributions(qtSource)) {
        if (!takenIn(attribution, sources))
            continue;
        const QJsonObject& e = attribution.entry;
        const QSet<QString> targets(qtFiles.cbegin(), qtFiles.cend());
        // A bundled library's first attribution is its module's own package.
        if (const QString package = attributionPackage(qt, e["Id"].toString(), targets);
            !package.isEmpty())
            qtPackages << package;
        components << e["Name"].toString();
        notices += "\n" + QString(78, '-') + "\n" + e["Name"].toString() + " " +
                   e["Version"].toString() + "\n" + e["Homepage"].toString() + "\n" +
                   e["QtUsage"].toString() + "\nLicence: " + e["License"].toString() +
                   " (SPDX: " + e["LicenseId"].toString() + ")\n\n" + e["Copyright"].toString() +
                   "\n\n" + licenceTexts(e);
    }
    QStringList sorted(qtPackages.cbegin(), qtPackages.cend());
    sorted.sort();
    for (const QString& package : sorted)
        spdx.relate(spdx.self() + " STATIC_LINK DocumentRef-qtbase:" + package);

    const auto [statics, shared] = systemFiles(inputs, map, prefix);
    const QMap<QString, DebianPackage> runtime = debianPackages(statics);
    addDebianPackages(spdx, runtime, QStringLiteral("STATIC_LINK"));
    write(outDir + "/" + name + ".spdx", spdx.text());

    QString text = QStringLiteral(ORVALET_TITLE " " ORVALET_VERSION " for Windows: notices\n\n") +
                   name + " is " ORVALET_TITLE ", " + holder +
                   ".\nIt is free software under the GNU General Public License, version 3 or "
                   "later (COPYING.txt).\n\nIt contains Qt " +
                   qtVersion +
                   ", linked statically: Copyright (C) The Qt Company Ltd. and other "
                   "contributors, used under the GNU Lesser General Public License, version 3, "
                   "whose text follows below with the GNU General Public License, version 3, "
                   "on which it builds. Qt's source as it was built, its build options and "
                   "this program's own source come with this release; with them the program "
                   "can be linked again with a changed Qt.\n\nQt in this program contains "
                   "third-party components under their own licences: " +
                   components.join(", ") + ".\n" + notices;
    for (const DebianPackage& package : runtime) {
        text += "\n" + QString(78, '-') + "\nFrom Debian's " + package.name + " " +
                package.version + ", linked statically:\n\n" +
                QString::fromUtf8(read("/usr/share/doc/" + package.name + "/copyright"));
    }
    for (const char* licence : {"LGPL-3.0-only", "GPL-3.0-only"}) {
        text += "\n" + QString(78, '-') + "\nQt's licence: " + licence + "\n\n" +
                QString::fromUtf8(read(qtSource + "/LICENSES/" + licence + ".txt"));
    }
    write(outDir + "/NOTICES.txt", text);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    try {
        if (args.size() == 6 && args[0] == "exe")
            return exe(args[1], args[2], args[3], args[4], args[5]);
        if (args.size() == 4 && args[0] == "deb")
            return deb(args[1], args[2], args[3]);
        std::fputs("usage: notices exe MAP PROGRAM QT_PREFIX QT_SOURCE OUT_DIR\n"
                   "       notices deb MAP PACKAGE OUT_DIR\n",
                   stderr);
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "notices: %s\n", error.what());
        return 1;
    }
}

// Turns the lettering of the drawings into outlines at build time, so the
// program draws its keys without laying out text or loading a font, and the
// letters look the same whatever fonts the desktop has.
//
//   outline-text SOURCE_DIR OUTPUT_DIR DRAWING...
//
// Each DRAWING is a path relative to SOURCE_DIR; its outlined copy goes to the
// same path under OUTPUT_DIR. Every <text> becomes one <path>; the rest of the
// drawing is copied as it stands.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <QPainterPath>
#include <QStringList>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cstdio>
#include <stdexcept>
#include <vector>

namespace {

// Glyphs are taken at a large size and scaled down, so hinting does not bend them.
constexpr int glyphPixels = 1000;

// The lettering attributes a <text> takes from the groups around it.
const QStringList inherited = {QStringLiteral("font-family"), QStringLiteral("font-size"),
                               QStringLiteral("font-weight"), QStringLiteral("text-anchor")};

using Style = QHash<QString, QString>;

[[noreturn]] void fail(const QString& why) { throw std::runtime_error(why.toStdString()); }

QString number(qreal value)
{
    QString text = QString::number(value, 'f', 2);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

QFont fontFor(const Style& style)
{
    QStringList families;
    for (const QString& family : style.value(QStringLiteral("font-family")).split(QLatin1Char(',')))
        families << family.trimmed().remove(QLatin1Char('\'')).remove(QLatin1Char('"'));
    QFont font;
    font.setFamilies(families);
    font.setPixelSize(glyphPixels);
    font.setHintingPreference(QFont::PreferNoHinting);
    const QString weight = style.value(QStringLiteral("font-weight"), QStringLiteral("normal"));
    if (weight == QLatin1String("bold"))
        font.setWeight(QFont::Bold);
    else if (weight != QLatin1String("normal"))
        fail(QStringLiteral("font-weight \"%1\" is not drawn").arg(weight));
    // Another font would silently change the look of every key.
    const QString found = QFontInfo(font).family();
    if (found != families.first())
        fail(QStringLiteral("font \"%1\" is not installed (found \"%2\")")
                 .arg(families.first(), found));
    return font;
}

QString outline(const Style& style, qreal x, qreal y, const QString& text)
{
    bool sized = false;
    const qreal size = style.value(QStringLiteral("font-size")).toDouble(&sized);
    if (!sized || size <= 0)
        fail(QStringLiteral("\"%1\" has no font size").arg(text));
    const QFont font = fontFor(style);
    const qreal scale = size / glyphPixels;
    const qreal advance = QFontMetricsF(font).horizontalAdvance(text) * scale;
    const QString anchor = style.value(QStringLiteral("text-anchor"), QStringLiteral("start"));
    if (anchor == QLatin1String("middle"))
        x -= advance / 2;
    else if (anchor == QLatin1String("end"))
        x -= advance;
    else if (anchor != QLatin1String("start"))
        fail(QStringLiteral("text-anchor \"%1\" is not drawn").arg(anchor));

    QPainterPath glyphs;
    glyphs.addText(QPointF(0, 0), font, text);
    QStringList d;
    const auto point = [&](const QPainterPath::Element& e) {
        return number(x + e.x * scale) + QLatin1Char(' ') + number(y + e.y * scale);
    };
    for (int i = 0; i < glyphs.elementCount(); ++i) {
        const QPainterPath::Element e = glyphs.elementAt(i);
        if (e.isMoveTo()) {
            d << QLatin1Char('M') + point(e);
        } else if (e.isLineTo()) {
            d << QLatin1Char('L') + point(e);
        } else if (e.isCurveTo()) {
            d << QLatin1Char('C') + point(e) + QLatin1Char(' ') + point(glyphs.elementAt(i + 1)) +
                     QLatin1Char(' ') + point(glyphs.elementAt(i + 2));
            i += 2;
        }
    }
    return d.join(QString());
}

// Copies a <text> element the reader stands on as a <path>.
void writeOutlined(QXmlStreamReader& in, QXmlStreamWriter& out, Style style)
{
    qreal x = 0;
    qreal y = 0;
    QXmlStreamAttributes kept;
    for (const QXmlStreamAttribute& attribute : in.attributes()) {
        const QString name = attribute.qualifiedName().toString();
        if (name == QLatin1String("x"))
            x = attribute.value().toDouble();
        else if (name == QLatin1String("y"))
            y = attribute.value().toDouble();
        else if (inherited.contains(name))
            style.insert(name, attribute.value().toString());
        else
            kept.append(attribute);
    }
    const QString text =
        in.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement).simplified();
    if (in.hasError())
        fail(QStringLiteral("only plain <text> is outlined: %1").arg(in.errorString()));
    out.writeStartElement(QStringLiteral("path"));
    out.writeAttributes(kept);
    out.writeAttribute(QStringLiteral("d"), outline(style, x, y, text));
    out.writeEndElement();
}

void outlineFile(const QString& source, const QString& target)
{
    QFile inFile(source);
    if (!inFile.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read %1").arg(source));
    QByteArray result;
    QXmlStreamReader in(&inFile);
    QXmlStreamWriter out(&result);
    std::vector<Style> styles{Style()};
    while (!in.atEnd()) {
        in.readNext();
        if (in.isStartElement() && in.name() == QLatin1String("text")) {
            writeOutlined(in, out, styles.back());
            continue;
        }
        if (in.isStartElement()) {
            Style style = styles.back();
            for (const QXmlStreamAttribute& attribute : in.attributes()) {
                const QString name = attribute.qualifiedName().toString();
                if (inherited.contains(name))
                    style.insert(name, attribute.value().toString());
            }
            styles.push_back(style);
            // Names are copied as written: the writer's own namespace handling
            // would invent prefixes the drawing never had.
            out.writeStartElement(in.qualifiedName().toString());
            for (const QXmlStreamNamespaceDeclaration& ns : in.namespaceDeclarations()) {
                const QString prefix = ns.prefix().toString();
                out.writeAttribute(prefix.isEmpty() ? QStringLiteral("xmlns")
                                                    : QStringLiteral("xmlns:") + prefix,
                                   ns.namespaceUri().toString());
            }
            out.writeAttributes(in.attributes());
        } else if (in.isEndElement()) {
            styles.pop_back();
            out.writeEndElement();
        } else if (in.isCharacters()) {
            out.writeCharacters(in.text().toString());
        } else if (in.isComment()) {
            out.writeComment(in.text().toString());
        }
    }
    if (in.hasError())
        fail(QStringLiteral("%1: %2").arg(source, in.errorString()));

    QDir().mkpath(QFileInfo(target).path());
    QFile outFile(target);
    if (!outFile.open(QIODevice::WriteOnly) || outFile.write(result) != result.size())
        fail(QStringLiteral("cannot write %1").arg(target));
}

} // namespace

int main(int argc, char* argv[])
{
    // Fonts need a GUI application, but no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fputs("usage: outline-text SOURCE_DIR OUTPUT_DIR DRAWING...\n", stderr);
        return 2;
    }
    const QDir sourceDir(args.at(1));
    const QDir outputDir(args.at(2));
    for (const QString& drawing : args.mid(3)) {
        try {
            outlineFile(sourceDir.filePath(drawing), outputDir.filePath(drawing));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "outline-text: %s: %s\n", qPrintable(drawing), e.what());
            return 1;
        }
    }
    return 0;
}

#include "report.h"

#include <QJsonArray>

#include <algorithm>

namespace {

const QStringList headings{QStringLiteral("Figure"), QStringLiteral("Median"),
                           QStringLiteral("Spread"), QStringLiteral("Against baseline"),
                           QStringLiteral("Target")};

} // namespace

QString ratio(double value, double baseline)
{
    return baseline > 0 ? QString::number(value / baseline, 'f', 2) + QLatin1Char('x')
                        : QStringLiteral("-");
}

QString verdict(bool met) { return met ? QStringLiteral("met") : QStringLiteral("MISSED"); }

QString Report::number(double value, int decimals)
{
    return QLocale(QLocale::English).toString(value, 'f', decimals);
}

void Report::section(const QString& title) { m_lines.push_back({title, {}}); }

void Report::add(Row row) { m_lines.push_back({{}, std::move(row)}); }

std::vector<std::vector<QString>> Report::cells() const
{
    std::vector<std::vector<QString>> out;
    for (const Line& l : m_lines) {
        if (!l.section.isEmpty()) {
            out.push_back({l.section});
            continue;
        }
        const Row& r = l.row;
        const auto n = [&](double v) { return number(v, r.decimals) + QLatin1Char(' ') + r.unit; };
        QString spread = QStringLiteral("-");
        if (r.value.runs > 1) {
            spread = r.percentile ? QStringLiteral("p99 %1, max %2 (%3 presses)")
                                        .arg(n(r.value.p99), n(r.value.max))
                                        .arg(r.value.runs)
                                  : QStringLiteral("%1 to %2 (%3 runs)")
                                        .arg(n(r.value.min), n(r.value.max))
                                        .arg(r.value.runs);
        }
        out.push_back({r.figure, r.value.runs ? n(r.value.median) : QStringLiteral("none"), spread,
                       r.versus, r.target});
    }
    return out;
}

QString Report::text() const
{
    const auto all = cells();
    std::vector<qsizetype> widths;
    for (const QString& h : headings)
        widths.push_back(h.size());
    for (const auto& line : all) {
        if (line.size() > 1) {
            for (std::size_t i = 0; i < line.size(); ++i)
                widths[i] = std::max(widths[i], line[i].size());
        }
    }
    const auto format = [&](const std::vector<QString>& line) {
        QString s;
        for (std::size_t i = 0; i < line.size(); ++i)
            s += line[i].leftJustified(widths[i] + 2);
        while (s.endsWith(QLatin1Char(' ')))
            s.chop(1);
        return s + QLatin1Char('\n');
    };
    QString out = format({headings.begin(), headings.end()});
    for (const auto& line : all)
        out += line.size() == 1 ? QLatin1Char('\n') + line[0] + QLatin1Char('\n') : format(line);
    return out;
}

QString Report::markdown() const
{
    QString out = QLatin1String("| ") + headings.join(QLatin1String(" | ")) +
                  QLatin1String(" |\n|---|---|---|---|---|\n");
    for (const auto& line : cells()) {
        if (line.size() == 1)
            out += QStringLiteral("| **%1** | | | | |\n").arg(line[0]);
        else
            out += QLatin1String("| ") +
                   QStringList(line.begin(), line.end()).join(QLatin1String(" | ")) +
                   QLatin1String(" |\n");
    }
    return out;
}

QJsonObject Report::json() const
{
    QJsonArray rows;
    QString section;
    for (const Line& l : m_lines) {
        if (!l.section.isEmpty()) {
            section = l.section;
            continue;
        }
        QJsonObject o = l.row.extra;
        o.insert(QStringLiteral("key"), l.row.key);
        o.insert(QStringLiteral("section"), section);
        o.insert(QStringLiteral("figure"), l.row.figure);
        o.insert(QStringLiteral("unit"), l.row.unit);
        o.insert(QStringLiteral("value"), l.row.value.toJson());
        o.insert(QStringLiteral("against_baseline"), l.row.versus);
        o.insert(QStringLiteral("target"), l.row.target);
        rows.append(o);
    }
    return {{QStringLiteral("rows"), rows}};
}

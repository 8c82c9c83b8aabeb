#pragma once

#include "stats.h"

#include <QJsonObject>
#include <QString>

#include <vector>

// One line of the table.
struct Row {
    QString key; // its name in the JSON output
    QString figure;
    QString unit;
    int decimals;
    Summary value;
    bool percentile = false; // spread as p99 and max rather than min to max
    QString versus;          // the ratio to its baseline
    QString target;          // the goal and whether it is met
    QJsonObject extra;
};

// The benchmark's table, printed, in Markdown and as JSON.
class Report {
public:
    void section(const QString& title);
    void add(Row row);

    QString text() const;
    QString markdown() const;
    QJsonObject json() const;

    static QString number(double value, int decimals);

private:
    struct Line {
        QString section; // set for a heading
        Row row;
    };
    std::vector<std::vector<QString>> cells() const;
    std::vector<Line> m_lines;
};

// "1.23x"
QString ratio(double value, double baseline);
// "met" or "missed"
QString verdict(bool met);

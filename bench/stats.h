#pragma once

#include <QJsonObject>

#include <vector>

// What a series of repeated measurements comes to.
struct Summary {
    int runs = 0;
    double median = 0;
    double p99 = 0;
    double min = 0;
    double max = 0;

    QJsonObject toJson() const;
};

Summary summarize(std::vector<double> values);

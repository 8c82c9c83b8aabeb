#include "stats.h"

#include <algorithm>
#include <cmath>

namespace {

// Linear interpolation between the closest ranks of sorted values.
double quantile(const std::vector<double>& sorted, double q)
{
    const double pos = q * static_cast<double>(sorted.size() - 1);
    const auto lower = static_cast<std::size_t>(std::floor(pos));
    const std::size_t upper = std::min(lower + 1, sorted.size() - 1);
    return sorted[lower] + (pos - static_cast<double>(lower)) * (sorted[upper] - sorted[lower]);
}

} // namespace

Summary summarize(std::vector<double> values)
{
    if (values.empty())
        return {};
    std::sort(values.begin(), values.end());
    return {static_cast<int>(values.size()), quantile(values, 0.5), quantile(values, 0.99),
            values.front(), values.back()};
}

QJsonObject Summary::toJson() const
{
    return {{QStringLiteral("runs"), runs},
            {QStringLiteral("median"), median},
            {QStringLiteral("p99"), p99},
            {QStringLiteral("min"), min},
            {QStringLiteral("max"), max}};
}

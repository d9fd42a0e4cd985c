#pragma once

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

// Figures the live benchmarks share: percentiles, the intervals of Timer1,
// and the process's memory from /proc.

inline double Percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

// Timer1's ticks over a phase; a miss is an interval over 450 ms (the 300 ms
// period and half of it).
struct Polls {
    std::vector<std::chrono::steady_clock::time_point> ticks;

    std::string cell() const
    {
        std::vector<double> gaps;
        for (std::size_t i = 1; i < ticks.size(); ++i)
            gaps.push_back(std::chrono::duration<double, std::milli>(ticks[i] - ticks[i - 1]).count());
        const auto misses = std::count_if(gaps.begin(), gaps.end(), [](double g) { return g > 450; });
        char text[200];
        std::snprintf(text, sizeof text, "median %.1f ms, p99 %.1f ms, longest %.1f ms; %td missed of %zu",
                      Percentile(gaps, 0.5), Percentile(gaps, 0.99),
                      gaps.empty() ? 0.0 : *std::max_element(gaps.begin(), gaps.end()), misses, gaps.size());
        return text;
    }
};

// A field of /proc/self/status in kB ("VmRSS:"), -1 where there is none.
inline long long StatusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(static_cast<int>(qstrlen(field))).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

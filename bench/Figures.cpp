#include "Figures.h"
#include <windows.h>
#include <algorithm>
#include <cstdio>

void FigureTable::Add(Figure figure)
{
    std::printf("measured: %s\n", figure.name.c_str());
    std::fflush(stdout);
    m_figures.push_back(std::move(figure));
}

void FigureTable::Print() const
{
    std::printf("\n| %-48s | %10s | %10s | %10s | %4s | %-10s | %s\n", "figure", "median", "min",
                "max", "runs", "unit", "note");
    std::printf("|%s|%s|%s|%s|%s|%s|%s\n", std::string(50, '-').c_str(),
                std::string(12, '-').c_str(), std::string(12, '-').c_str(),
                std::string(12, '-').c_str(), std::string(6, '-').c_str(),
                std::string(12, '-').c_str(), "------");
    for (const Figure& figure : m_figures)
    {
        if (figure.samples.empty())
        {
            std::printf("| %-48s | %10s | %10s | %10s | %4d | %-10s | %s\n", figure.name.c_str(),
                        "not measured", "", "", 0, figure.unit.c_str(), figure.note.c_str());
            continue;
        }
        std::vector<double> sorted = figure.samples;
        std::sort(sorted.begin(), sorted.end());
        const size_t n = sorted.size();
        const double median = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
        std::printf("| %-48s | %10.2f | %10.2f | %10.2f | %4zu | %-10s | %s\n", figure.name.c_str(),
                    median, sorted.front(), sorted.back(), n, figure.unit.c_str(),
                    figure.note.c_str());
    }
    std::fflush(stdout);
}

double NowMs()
{
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

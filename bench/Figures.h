#pragma once
#include <string>
#include <vector>

// One line of the table: a quantity measured one or more times.
struct Figure
{
    std::string name;
    std::string unit;
    std::vector<double> samples; // empty: not measured
    std::string note;
};

// The bench's one table, printed at the end.
class FigureTable
{
public:
    void Add(Figure figure);
    void Print() const;

private:
    std::vector<Figure> m_figures;
};

// Milliseconds on the performance counter, the clock the simulator's log uses.
double NowMs();

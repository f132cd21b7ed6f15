#pragma once
#include "Figures.h"

// Each adds its figures to the table. Those on the simulated device reset it
// first, and each ends the panels it started.
void BenchStartUp(FigureTable& table);
void BenchStartUpProfile(FigureTable& table);
void BenchPainting(FigureTable& table);
void BenchRoundTrips(FigureTable& table);
void BenchDrag(FigureTable& table);
void BenchNotificationStorm(FigureTable& table);
void BenchIdle(FigureTable& table);
void BenchMemory(FigureTable& table);
// Healthy beside stalled: start-up, round trips and exit on a device whose
// control requests each take half a second.
void BenchStalled(FigureTable& table);

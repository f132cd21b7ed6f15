#pragma once
#include "tests/support/PanelProcess.h"
#include "tests/support/SimulatorTool.h"
#include <gtest/gtest.h>
#include <memory>

// One panel process, on the simulator's default device, for all the tests of
// a suite: a start costs seconds under Wine.
class SharedPanelSuite : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        EndAllPanels();
        RunSim(L"reset");
        s_process = std::make_unique<ChildProcess>(StartPanel());
        s_panel = WaitForPanelWindow();
    }
    static void TearDownTestSuite()
    {
        EndAllPanels();
        s_process.reset();
    }

    static inline std::unique_ptr<ChildProcess> s_process;
    static inline HWND s_panel = nullptr;
};

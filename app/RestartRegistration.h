#pragma once
#include <windows.h>
#include <optional>

// Asks Windows to start the panel again after an update or a Restart Manager
// shutdown (not after a crash or a hang), hidden again if it was hidden then.
class CRestartRegistration
{
public:
    // Registers anew only when hidden differs from what was registered last.
    void Update(bool hidden);

private:
    std::optional<bool> m_hidden;
};

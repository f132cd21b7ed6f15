#include "RestartRegistration.h"

void CRestartRegistration::Update(bool hidden)
{
    if (m_hidden == hidden)
        return;
    m_hidden = hidden;
    ::RegisterApplicationRestart(hidden ? L"-hide" : nullptr, RESTART_NO_CRASH | RESTART_NO_HANG);
}

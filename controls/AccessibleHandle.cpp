#include "AccessibleHandle.h"
#include "AccessibleObject.h"

CAccessibleHandle::~CAccessibleHandle()
{
    Disconnect();
}

LRESULT CAccessibleHandle::Answer(WPARAM wParam, const std::function<CAccessibleObject*()>& make)
{
    if (!m_object)
        m_object = make();
    if (!m_object)
        return 0;
    return ::LresultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(m_object));
}

void CAccessibleHandle::Disconnect()
{
    if (!m_object)
        return;
    m_object->Disconnect();
    // Clients in other processes hold proxies: drop their stubs too.
    ::CoDisconnectObject(static_cast<IAccessible*>(m_object), 0);
    m_object->Release();
    m_object = nullptr;
}

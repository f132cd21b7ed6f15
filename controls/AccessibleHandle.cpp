#include "AccessibleHandle.h"
#include "AccessibleObject.h"

CAccessibleHandle::~CAccessibleHandle()
{
    Disconnect();
}

bool CAccessibleHandle::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam,
                                  const std::function<CAccessibleObject*()>& make, LRESULT* result)
{
    if (msg == WM_DESTROY)
        Disconnect();
    if (msg != WM_GETOBJECT || static_cast<LONG>(lParam) != OBJID_CLIENT)
        return false;
    if (!m_object)
        m_object = make();
    *result = m_object ? ::LresultFromObject(__uuidof(IAccessible), wParam,
                                             static_cast<IAccessible*>(m_object))
                       : 0;
    return true;
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

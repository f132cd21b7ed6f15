#pragma once
#include <windows.h>
#include <functional>

class CAccessibleObject;

// A control's hold on its accessible object: made on the first WM_GETOBJECT
// for the client, handed out again on later ones, and cut off when the
// control goes, so that clients still holding it get CO_E_OBJNOTCONNECTED.
class CAccessibleHandle
{
public:
    CAccessibleHandle() = default;
    ~CAccessibleHandle();
    CAccessibleHandle(const CAccessibleHandle&) = delete;
    CAccessibleHandle& operator=(const CAccessibleHandle&) = delete;

    // The answer to WM_GETOBJECT for OBJID_CLIENT.
    LRESULT Answer(WPARAM wParam, const std::function<CAccessibleObject*()>& make);
    void Disconnect();

private:
    CAccessibleObject* m_object = nullptr;
};

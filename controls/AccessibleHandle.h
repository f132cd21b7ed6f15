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

    // Answers WM_GETOBJECT for the client and lets go at WM_DESTROY, which
    // the control handles on. True when msg was answered, in *result.
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam,
                   const std::function<CAccessibleObject*()>& make, LRESULT* result);
    void Disconnect();

private:
    CAccessibleObject* m_object = nullptr;
};

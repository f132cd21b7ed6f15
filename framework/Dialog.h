#pragma once
#include "Wnd.h"

// A dialog built from a template of the program's resources, run modally with
// its own message loop (or created modeless, as tests do).
class CDialog : public CWnd
{
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Runs the dialog until EndDialog; returns its result, or -1 when the
    // window could not be created.
    INT_PTR DoModal();
    // Creates the dialog without a loop of its own.
    bool Create(HWND owner = nullptr);
    // Also ends the dialogs and message boxes this one owns.
    void EndDialog(INT_PTR result);
    bool IsModalRunning() const { return m_modalRunning; }

protected:
    virtual BOOL OnInitDialog();
    // Binds template controls to member objects (DDX_Control calls).
    virtual void DoDataExchange() {}
    virtual void OnOK();
    virtual void OnCancel();

    void DDX_Control(int id, CWnd& control);

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool PreTranslateMessage(MSG* msg) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM) noexcept;
    bool PreTranslateChain(MSG* msg);
    void OnChangeUiState(WPARAM wParam);
    void EndOwnedDialogs();

    UINT m_templateId;
    CWnd* m_parent;
    bool m_modalRunning = false;
    INT_PTR m_result = 0;
    // As in standard dialogs, focus cues stay hidden until the keyboard is
    // used. Kept here because Wine, which always shows them, keeps no state.
    bool m_hideFocus = true;
};

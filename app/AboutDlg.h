#pragma once
#include "../framework/Controls.h"
#include "../framework/Dialog.h"

class CAboutDlg : public CDialog
{
public:
    explicit CAboutDlg(CWnd* parent = nullptr);

    CStatic m_staticName;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
};

#include "AboutDlg.h"
#include "../framework/ResourceString.h"
#include "resource.h"

CAboutDlg::CAboutDlg(CWnd* parent) : CDialog(IDD_ABOUTBOX, parent) {}

void CAboutDlg::DoDataExchange()
{
    DDX_Control(IDC_ABOUT_NAME, m_staticName);
}

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    const std::wstring product = LoadResString(IDS_TITLE);
    ::SetWindowTextW(m_hWnd, (L"About " + product).c_str());
    ::SetWindowTextW(m_staticName.m_hWnd, product.c_str());
    return TRUE;
}

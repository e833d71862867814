#pragma once
// A combo box bound to a dialog's control (DDX_Control or SubclassDlgItem).

#include "Wnd.h"

class CComboBox : public CWnd
{
public:
    int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
    int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    int SetCurSel(int nSelect) { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(nSelect))); }
    int AddString(const wchar_t* pszString)
    {
        return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(pszString)));
    }
    int InsertString(int nIndex, const wchar_t* pszString)
    {
        return static_cast<int>(SendMessage(CB_INSERTSTRING, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(pszString)));
    }
    // The whole text, ignoring case, from the item after nStartAfter (-1: from the top).
    int FindStringExact(int nStartAfter, const wchar_t* pszString) const
    {
        return static_cast<int>(SendMessage(CB_FINDSTRINGEXACT, static_cast<WPARAM>(nStartAfter),
                                            reinterpret_cast<LPARAM>(pszString)));
    }
    DWORD_PTR GetItemData(int nIndex) const { return static_cast<DWORD_PTR>(SendMessage(CB_GETITEMDATA, static_cast<WPARAM>(nIndex))); }
    int SetItemData(int nIndex, DWORD_PTR data)
    {
        return static_cast<int>(SendMessage(CB_SETITEMDATA, static_cast<WPARAM>(nIndex), static_cast<LPARAM>(data)));
    }
    CString GetLBText(int nIndex) const;
    void ResetContent() { SendMessage(CB_RESETCONTENT); }
};

inline CString CComboBox::GetLBText(int nIndex) const
{
    const int nLength = static_cast<int>(SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(nIndex)));
    if (nLength < 0)
        return CString();
    CString text;
    SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(text.GetBuffer(nLength + 1)));
    text.ReleaseBuffer();
    return text;
}

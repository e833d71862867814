#pragma once
// Dialogs of the class library. A CDialog's template is loaded in an explicit language (the
// order of AfxResourceLanguageOrder: the thread UI language is not reliable on every system)
// and created from memory, modal (DoModal) or modeless (Create). Once created, the dialog's
// messages reach the object's message map as a CWnd's do; what the map leaves goes to the
// dialog manager. A modal dialog ends with EndDialog; a modeless one is destroyed, never ended.

#include "Wnd.h"

class CDataExchange
{
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    BOOL m_bSaveAndValidate; // TRUE: controls to members; FALSE: members to controls
    CWnd* m_pDlgWnd;
    bool m_bFailed = false;  // a control was missing
};

// Binds the object to the dialog's control (once; the object then receives its messages).
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
void DDX_Text(CDataExchange* pDX, int nIDC, CString& rValue);
// BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE.
void DDX_Check(CDataExchange* pDX, int nIDC, int& rValue);

class CDialog : public CWnd
{
public:
    explicit CDialog(UINT nIDTemplate = 0, HWND hParent = nullptr);

    // Modal: the value given to EndDialog; -1 when the dialog could not be created (no
    // template in any language of the order, or the system refused it).
    virtual INT_PTR DoModal();
    // Modeless: shown when the template is visible; FALSE when it could not be created.
    BOOL Create(UINT nIDTemplate = 0, HWND hParent = nullptr);
    // Ends a modal dialog with the result; a modeless one is destroyed instead.
    void EndDialog(INT_PTR nResult);
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    bool IsModal() const { return m_bModal; }

    // The language to load the template in (0: the one set by AfxSetResourceLanguage), and the
    // language of the template last loaded.
    void SetTemplateLanguage(LANGID langId) { m_langId = langId; }
    LANGID GetLoadedLanguage() const { return m_loadedLanguage; }

protected:
    // Data exchange into the controls; TRUE lets the system set the focus.
    virtual BOOL OnInitDialog();
    // Modal: data exchange out of the controls, then EndDialog(IDOK). Modeless: DestroyWindow.
    virtual void OnOK();
    // Modal: EndDialog(IDCANCEL). Modeless: DestroyWindow.
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* pDX) {}
    // A handler threw: a dialog whose initialisation failed is not shown half made (a modal one
    // ends with -1, a modeless one is destroyed); any other message is answered 0.
    LRESULT OnHandlerException(UINT message) override;

    UINT m_nIDTemplate;
    HWND m_hParent;

private:
    void OnOKCommand() { OnOK(); }
    void OnCancelCommand() { OnCancel(); }
    LRESULT OnInitDialogMessage(WPARAM, LPARAM) { return OnInitDialog(); }
    const DLGTEMPLATE* LoadTemplate(const wchar_t* pszOperation);
    static INT_PTR CALLBACK StartDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    LANGID m_langId = 0;
    LANGID m_loadedLanguage = 0;
    bool m_bModal = false;

    DECLARE_MESSAGE_MAP()
};

// For message loops that run modeless dialogs: keyboard navigation (Tab, Enter, Esc) of the
// class library's dialog the message is for; true when the message was taken.
bool AfxPreTranslateDialogMessage(MSG* pMsg);

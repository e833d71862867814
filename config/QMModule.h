#pragma once
// The product word and generation, handed to the store's product defaults and to refresh_rt.

#include "classlib/String.h"

class CQMModule
{
public:
    CQMModule(const wchar_t* pszProduct, const wchar_t* pszEdition) : m_strProduct(pszProduct), m_strEdition(pszEdition) {}
    const CString& GetProduct() const { return m_strProduct; }
    const CString& GetEdition() const { return m_strEdition; }

private:
    CString m_strProduct;
    CString m_strEdition;
};

#pragma once
// Back-end of a store section in the portable ini file. Each access takes the machine-wide
// "QMConfigSettingsFileMutex" for up to a second and goes through the profile functions, so
// the file stays exactly what the product's own reads and writes expect (UTF-16LE).

#include "QMRegKey.h"

class QMConfig;

class QMRegKeyOnDisc : public QMRegKey
{
public:
    explicit QMRegKeyOnDisc(QMConfig* pConfig) : m_pConfig(pConfig) {}

    void Open(int hive, const wchar_t* pszPath, bool bWritable) override;
    void Create(int hive, const wchar_t* pszPath, bool bAllUsers) override;
    void Close() override;
    CString Read(const wchar_t* pszName) override;
    bool Write(const wchar_t* pszName, const wchar_t* pszValue) override;
    bool Exists(const wchar_t* pszName) override;

    const CString& GetIniSection() const { return m_strSection; }

private:
    QMConfig* m_pConfig;
    CString m_strSection;
};

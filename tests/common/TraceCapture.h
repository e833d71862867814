#pragma once
// Points the process's trace log at a fresh test folder (D:\tests\<name>\) at level 50, so that
// a test can read back the lines its code logged. Programs using it link support.

#include "support/TraceLog.h"
#include "tests/common/TestArea.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

class CTraceCapture
{
public:
    explicit CTraceCapture(const wchar_t* pszTestName) : m_folder(FreshTestFolder(pszTestName))
    {
        SetTracePrefix(m_folder + L"Log");
        SetTraceLevel(TRACE_TRACE);
    }
    ~CTraceCapture() { SetTraceLevel(TRACE_OFF); }
    CTraceCapture(const CTraceCapture&) = delete;
    CTraceCapture& operator=(const CTraceCapture&) = delete;

    CString Text() const { return ReadUtf16File(GetTraceFileName()); }
    const CString& Folder() const { return m_folder; }

private:
    CString m_folder;
};

// A fixture that captures the trace log of each test in a folder named after the prefix and
// the test.
class CTracedTest : public ::testing::Test
{
protected:
    virtual const char* FolderPrefix() const = 0;
    void SetUp() override
    {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_capture.reset(new CTraceCapture(CString::FromNarrow(std::string(FolderPrefix()) + info->name())));
        m_folder = m_capture->Folder();
    }
    void TearDown() override { m_capture.reset(); }
    CString Log() const { return m_capture->Text(); }
    CString m_folder;

private:
    std::unique_ptr<CTraceCapture> m_capture;
};

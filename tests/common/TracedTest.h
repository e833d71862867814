#pragma once
// A test fixture whose trace log goes to a fresh folder of its own (D:\tests\<prefix><test>\),
// at level 50, so that a test can read back the lines it caused. Programs using it link support.

#include "support/TraceLog.h"
#include "tests/common/TestArea.h"

#include <gtest/gtest.h>

#include <string>

class CTracedTest : public ::testing::Test
{
protected:
    virtual const char* FolderPrefix() const = 0;
    void SetUp() override
    {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_folder = FreshTestFolder(CString::FromNarrow(std::string(FolderPrefix()) + info->name()));
        SetTracePrefix(m_folder + L"Log");
        SetTraceLevel(50);
    }
    void TearDown() override { SetTraceLevel(0); }
    CString Log() const { return ReadUtf16File(GetTraceFileName()); }
    CString m_folder;
};

// The files of the demo setup folder that the licence and advertising pages show, as the pages
// read them: every licence streams into the viewer with its letters (the RTF's Unicode escapes),
// and the advertising pictures decode with the button where the page cuts it out.
#include "wizard/ChoicePages_unittest.h"
#include "wizard/EulaDlg.h"
#include "wizard/GdiplusPicture.h"
#include "wizard/resource_dialogs.h"
#include "tests/common/TraceCapture.h"
#include "tests/common/WizardDriver.h"
#include "tests/common/WizardFakes.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace
{
const wchar_t kDemoFolder[] = L"D:\\demo\\";

class DemoPagesTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "DemoPages_"; }
    void SetUp() override
    {
        CTracedTest::SetUp();
        AfxSetResourceLanguage(1033);
    }
    CFakeWizardHost m_host;
};

TEST_F(DemoPagesTest, EveryLicenceShowsItsOwnLettersInTheViewer)
{
    struct CCase
    {
        const wchar_t* pszCode;
        const wchar_t* pszTitle;
        const wchar_t* pszEnd; // of the last paragraph
    };
    const CCase cases[] = {
        { L"en", L"End-User Licence Agreement", L"without any warranty." },
        { L"de", L"Endbenutzer-Lizenzvertrag", L"Gew\u00e4hrleistung geliefert wird." },
        { L"fr", L"Contrat de licence utilisateur final", L"sans aucune garantie." },
        { L"es", L"Contrato de licencia para el usuario final", L"sin ninguna garant\u00eda." },
        { L"it", L"Contratto di licenza con l'utente finale", L"senza alcuna garanzia." },
        { L"ja", L"\u30a8\u30f3\u30c9\u30e6\u30fc\u30b6\u30fc\u4f7f\u7528\u8a31\u8afe\u5951\u7d04", L"\u307f\u306a\u3055\u308c\u307e\u3059\u3002" },
        { L"pt", L"Contrato de licen\u00e7a do usu\u00e1rio final", L"sem nenhuma garantia." },
        { L"zh", L"\u6700\u7ec8\u7528\u6237\u8bb8\u53ef\u534f\u8bae", L"\u62c5\u4fdd\u3002" },
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(CString(c.pszCode).ToNarrow(CP_UTF8));
        CEulaDlg viewer(CString(kDemoFolder) + L"eula_" + c.pszCode + L".rtf", nullptr);
        CString text;
        const INT_PTR nResult = RunModalPage(
            viewer,
            [&](HWND hViewer) {
                if (!hViewer)
                    return;
                text = ItemText(hViewer, IDC_EULA_VIEWER);
                EXPECT_FALSE(SavePageScreenshot(hViewer, CString(L"Eula_") + c.pszCode).IsEmpty());
                PressDialogButton(hViewer, IDOK);
            },
            nullptr);
        EXPECT_EQ(IDOK, nResult);
        EXPECT_EQ(0, text.Find(c.pszTitle)) << text.ToNarrow(CP_UTF8);
        EXPECT_NE(-1, text.Find(c.pszEnd)) << text.ToNarrow(CP_UTF8);
        EXPECT_EQ(-1, text.Find(L"?")) << text.ToNarrow(CP_UTF8); // a letter the viewer could not read
        EXPECT_EQ(-1, text.Find(L"\\u")) << text.ToNarrow(CP_UTF8);
    }
}

TEST_F(DemoPagesTest, AdvertisingPicturesDecodeWithTheButtonWhereThePageCutsItOut)
{
    struct CCase
    {
        const wchar_t* pszCode;
        COLORREF button;
    };
    const CCase cases[] = { { L"en", RGB(250, 180, 40) }, { L"de", RGB(250, 210, 60) } };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(CString(c.pszCode).ToNarrow(CP_UTF8));
        CGdiplusPicture picture;
        ASSERT_TRUE(picture.Load(CString(kDemoFolder) + L"advertise_" + c.pszCode + L".jpg"));
        BITMAP info = {};
        ASSERT_TRUE(GetObjectW(picture.GetSafeHandle(), sizeof(info), &info));
        ASSERT_EQ(820, info.bmWidth);
        ASSERT_EQ(460, info.bmHeight);
        BITMAPINFO format = {};
        format.bmiHeader = { sizeof(BITMAPINFOHEADER), info.bmWidth, -info.bmHeight, 1, 32, BI_RGB };
        std::vector<DWORD> pixels(static_cast<size_t>(info.bmWidth) * info.bmHeight);
        HDC hScreen = GetDC(nullptr);
        const int nRows = GetDIBits(hScreen, static_cast<HBITMAP>(picture.GetSafeHandle()), 0, info.bmHeight, pixels.data(), &format,
                                    DIB_RGB_COLORS);
        ReleaseDC(nullptr, hScreen);
        ASSERT_EQ(info.bmHeight, nRows);
        const auto IsNear = [&](int x, int y, COLORREF colour) {
            const DWORD p = pixels[static_cast<size_t>(y) * info.bmWidth + x];
            const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            return std::abs(r - GetRValue(colour)) < 16 && std::abs(g - GetGValue(colour)) < 16 &&
                   std::abs(b - GetBValue(colour)) < 16;
        };
        struct CPoint
        {
            int x, y;
            bool bButton;
        };
        // Inside the button's 250 x 64 at (557, 374), and just outside it on every side.
        const CPoint points[] = { { 557 + 125, 374 + 32, true }, { 557 + 240, 374 + 10, true }, { 557 + 125, 374 - 6, false },
                                  { 557 + 125, 374 + 64 + 6, false }, { 557 - 6, 374 + 32, false }, { 557 + 250 + 6, 374 + 32, false } };
        for (const CPoint& point : points)
            EXPECT_EQ(point.bButton, IsNear(point.x, point.y, c.button)) << point.x << "," << point.y;
        // The frame drawn round the button is white.
        EXPECT_TRUE(IsNear(557 + 1, 374 + 32, RGB(255, 255, 255)));
        EXPECT_TRUE(IsNear(557 + 125, 374 + 64 - 2, RGB(255, 255, 255)));
    }
}
}

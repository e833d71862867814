// The media library count against the stand-in media player registered in the prefix's place,
// and against no player at all.
#include "controller/MusicCollection.h"

#include "classlib/Handles.h"
#include "support/Registry.h"
#include "tests/common/MediaPlayerStandIn.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

#include <objbase.h>

namespace
{

struct CCountCase
{
    const char* name;
    const char* ini; // nullptr: no player registered
    bool bResult;
    int nAll, nAudio, nVideo;
    bool bSummary; // the level-40 line of the counts: only once the player object was made
    const wchar_t* pszLines[3]; // the level-10 lines, in order
};

const char kCounts[] = "[Counts]\r\nAll=500\r\nAudio=400\r\nVideo=99\r\n";

const CCountCase kCases[] = {
    { "Counts", kCounts, true, 500, 400, 99, true, {} },
    { "NoPlayer", nullptr, false, -1, -1, -1, false, { L"ERR: GetMusicCollectionNumbers: failed getting CLSID for WMPlayer" } },
    { "CreateFails", "[Fail]\r\nCreate=1\r\n", false, -1, -1, -1, false, { L"ERR: GetMusicCollectionNumbers: CoCreateInstance failed" } },
    { "NoCollection", "[Counts]\r\nAll=500\r\n[Fail]\r\nQueryInterface=1\r\n", false, -1, -1, -1, true,
      { L"ERR: GetMusicCollectionNumbers: QueryInterface - IID_IWMPMediaCollection failed" } },
    { "GetAllFails", "[Counts]\r\nAll=500\r\nAudio=400\r\nVideo=99\r\n[Fail]\r\ngetAll=1\r\n", false, -1, 400, 99, true,
      { L"ERR: GetMusicCollectionNumbers: getAll failed" } },
    { "AllCountFails", "[Counts]\r\nAll=500\r\nAudio=400\r\nVideo=99\r\n[Fail]\r\ngetAllCount=1\r\n", false, -1, 400, 99, true,
      { L"ERR: GetMusicCollectionNumbers: getAll COUNT failed" } },
    { "GetAudioFails", "[Counts]\r\nAll=500\r\nAudio=400\r\nVideo=99\r\n[Fail]\r\ngetAudio=1\r\n", false, 500, -1, 99, true,
      { L"ERR: GetMusicCollectionNumbers: getAudio failed" } },
    { "AudioCountFails", "[Counts]\r\nAll=500\r\nAudio=400\r\nVideo=99\r\n[Fail]\r\ngetAudioCount=1\r\n", false, 500, -1, 99, true,
      { L"ERR: GetMusicCollectionNumbers: getAudio COUNT failed" } },
    { "GetVideoFails", "[Counts]\r\nAll=500\r\nAudio=400\r\nVideo=99\r\n[Fail]\r\ngetVideo=1\r\n", false, 500, 400, -1, true,
      { L"ERR: GetMusicCollectionNumbers: getVideo failed" } },
    { "VideoCountFails", "[Counts]\r\nAll=500\r\nAudio=400\r\nVideo=99\r\n[Fail]\r\ngetVideoCount=1\r\n", false, 500, 400, -1, true,
      { L"ERR: GetMusicCollectionNumbers: getVideo COUNT failed" } },
    { "EveryQueryFails", "[Fail]\r\ngetAll=1\r\ngetAudioCount=1\r\ngetVideo=1\r\n", false, -1, -1, -1, true,
      { L"ERR: GetMusicCollectionNumbers: getAll failed", L"ERR: GetMusicCollectionNumbers: getAudio COUNT failed",
        L"ERR: GetMusicCollectionNumbers: getVideo failed" } },
};

CString ProgIdClass()
{
    return GetRegString(HKEY_LOCAL_MACHINE, L"Software\\Classes\\WMPlayer.OCX\\CLSID", nullptr, KEY_WOW64_64KEY);
}

CString ClassServer(const CString& clsid)
{
    return GetRegString(HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID\\" + clsid + L"\\InprocServer32", nullptr,
                        KEY_WOW64_32KEY);
}

std::vector<CString> ErrorLines(const CString& log)
{
    std::vector<CString> errors;
    for (const CString& line : TraceLineTexts(log))
        if (line.Find(L"ERR: ") == 0)
            errors.push_back(line);
    return errors;
}

} // namespace

TEST(MusicCollection, CountsThroughThePlayerOrFailWithMinusOne)
{
    const CString prefixClass = ProgIdClass();
    const CString prefixServer = ClassServer(prefixClass);
    ASSERT_FALSE(prefixClass.IsEmpty()) << "the prefix registers no media player";

    for (const CCountCase& c : kCases)
    {
        SCOPED_TRACE(c.name);
        const CString folderName = CString(L"MusicCollection_") + CString::FromNarrow(c.name);
        {
            CTraceCapture capture(folderName);
            std::unique_ptr<CMediaPlayerStandIn> player =
                c.ini ? CMediaPlayerStandIn::Install(capture.Folder() + L"player\\", c.ini) : CMediaPlayerStandIn::Remove();
            ASSERT_TRUE(player->IsReady());
            // Held here so that the stand-in's own count of live objects can be read afterwards.
            CScopedLibrary library(c.ini ? LoadLibraryW(player->DllPath()) : nullptr);

            int nAll = 7, nAudio = 7, nVideo = 7;
            EXPECT_EQ(c.bResult, GetMusicCollectionNumbers(nAll, nAudio, nVideo));
            EXPECT_EQ(c.nAll, nAll);
            EXPECT_EQ(c.nAudio, nAudio);
            EXPECT_EQ(c.nVideo, nVideo);

            const CString log = capture.Text();
            std::vector<CString> expected;
            for (const wchar_t* pszLine : c.pszLines)
                if (pszLine)
                    expected.push_back(pszLine);
            EXPECT_EQ(expected, ErrorLines(log));
            CString summary;
            summary.Format(L"DBG: GetMusicCollectionNumbers: %d / %d / %d", c.nAll, c.nAudio, c.nVideo);
            EXPECT_EQ(c.bSummary, Contains(log, summary)) << log.ToNarrow(CP_UTF8);
            if (c.ini)
            {
                EXPECT_TRUE(Contains(log, CString(L"-->: GetMusicCollectionNumbers: CLSID is ") + CMediaPlayerStandIn::kClassId));
                ASSERT_TRUE(library);
                typedef LONG(WINAPI * LiveObjectsFn)();
                const LiveObjectsFn liveObjects =
                    reinterpret_cast<LiveObjectsFn>(GetProcAddress(library.Get(), "StandInLiveObjects"));
                ASSERT_NE(nullptr, liveObjects);
                EXPECT_EQ(0, liveObjects()) << "an interface of the player was not released";
            }
            // The count leaves this thread's COM as it found it: none.
            EXPECT_EQ(S_OK, CoInitialize(nullptr));
            CoUninitialize();
        }
        // The prefix's own registration is back, whatever the row did.
        EXPECT_EQ(prefixClass, ProgIdClass());
        EXPECT_EQ(prefixServer, ClassServer(prefixClass));
        EXPECT_TRUE(ClassServer(CMediaPlayerStandIn::kClassId).IsEmpty());
    }
}

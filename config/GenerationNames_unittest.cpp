// Every name the generation gives, and the generations that give none.

#include "config/GenerationNames.h"
#include "tests/common/TestArea.h"

#include <gtest/gtest.h>

TEST(GenerationNames, EachGenerationGivesItsNames)
{
    struct Row
    {
        const wchar_t* generation;
        const wchar_t* root;
        const wchar_t* key;
        const wchar_t* common;
        const wchar_t* defaults;
        const wchar_t* launch;
        const wchar_t* folder;
        const wchar_t* portable;
        const wchar_t* flag;
    } rows[] = {
        { L"2012", L"Vantolin_2012", L"SOFTWARE\\Quillmark\\Vantolin_2012", L"SOFTWARE\\Quillmark\\Vantolin_2012\\Common",
          L"SOFTWARE\\Quillmark\\Vantolin_2012.default", L"Software\\Quillmark\\Vantolin_2012", L"Quillmark\\Vantolin_2012\\",
          L"Vantolin_2012_portable", L"VANTOLIN_INSTANCE2012" },
        // Only the portable folder turns the dots into underscores.
        { L"2012.1", L"Vantolin_2012.1", L"SOFTWARE\\Quillmark\\Vantolin_2012.1",
          L"SOFTWARE\\Quillmark\\Vantolin_2012.1\\Common", L"SOFTWARE\\Quillmark\\Vantolin_2012.1.default",
          L"Software\\Quillmark\\Vantolin_2012.1", L"Quillmark\\Vantolin_2012.1\\", L"Vantolin_2012_1_portable",
          L"VANTOLIN_INSTANCE2012.1" },
        { L"9108q beta", L"Vantolin_9108q beta", L"SOFTWARE\\Quillmark\\Vantolin_9108q beta",
          L"SOFTWARE\\Quillmark\\Vantolin_9108q beta\\Common", L"SOFTWARE\\Quillmark\\Vantolin_9108q beta.default",
          L"Software\\Quillmark\\Vantolin_9108q beta", L"Quillmark\\Vantolin_9108q beta\\",
          L"Vantolin_9108q beta_portable", L"VANTOLIN_INSTANCE9108q beta" },
        // An empty generation (oru.ini's "generation=") names as the others do.
        { L"", L"Vantolin_", L"SOFTWARE\\Quillmark\\Vantolin_", L"SOFTWARE\\Quillmark\\Vantolin_\\Common",
          L"SOFTWARE\\Quillmark\\Vantolin_.default", L"Software\\Quillmark\\Vantolin_", L"Quillmark\\Vantolin_\\",
          L"Vantolin__portable", L"VANTOLIN_INSTANCE" },
    };
    for (const Row& r : rows)
    {
        SCOPED_TRACE(CString(r.generation).ToNarrow());
        EXPECT_TRUE(IsUsableGeneration(r.generation));
        EXPECT_EQ(CString(r.root), GetGenerationRootName(r.generation));
        EXPECT_EQ(CString(r.key), GetGenerationKey(r.generation));
        EXPECT_EQ(CString(r.common), GetGenerationKey(r.generation, L"Common"));
        EXPECT_EQ(CString(r.defaults), GetGenerationDefaultsKey(r.generation));
        EXPECT_EQ(CString(r.launch), GetGenerationLaunchKey(r.generation));
        EXPECT_EQ(CString(r.folder), GetGenerationFolder(r.generation));
        EXPECT_EQ(CString(r.portable), GetPortableFolderName(r.generation));
        EXPECT_EQ(CString(r.flag), GetInstanceFlagName(r.generation));
        // The store's own keys of the root are the generation's keys.
        EXPECT_EQ(GetGenerationKey(r.generation), GetStoreRootKey(r.root));
        EXPECT_EQ(GetGenerationDefaultsKey(r.generation), GetStoreDefaultsKey(r.root));
    }
}

TEST(GenerationNames, AGenerationThatCouldLeaveItsFolderGivesNoName)
{
    const wchar_t* bad[] = { L"../9109z", L"..", L"2012..1", L"a\\b", L"\\", L"a/b", L"C:", L"a*b", L"a?b", L"a\"b",
                             L"a<b", L"a>b", L"a|b", L"a\tb", L"a\nb", L"\x1f" };
    for (const wchar_t* generation : bad)
    {
        SCOPED_TRACE(CString(generation).ToNarrow());
        EXPECT_FALSE(IsUsableGeneration(generation));
        EXPECT_EQ(CString(), GetGenerationRootName(generation));
        EXPECT_EQ(CString(), GetGenerationKey(generation));
        EXPECT_EQ(CString(), GetGenerationKey(generation, L"Common"));
        EXPECT_EQ(CString(), GetGenerationDefaultsKey(generation));
        EXPECT_EQ(CString(), GetGenerationLaunchKey(generation));
        EXPECT_EQ(CString(), GetGenerationFolder(generation));
        EXPECT_EQ(CString(), GetPortableFolderName(generation));
        EXPECT_EQ(CString(), GetInstanceFlagName(generation));
    }
}

TEST(GenerationNames, TheSharedStoreRootKeepsItsKeys)
{
    EXPECT_EQ(CString(L"SOFTWARE\\Quillmark\\QMconfig"), GetStoreRootKey(L"QMconfig"));
    EXPECT_EQ(CString(L"SOFTWARE\\Quillmark\\QMconfig.default"), GetStoreDefaultsKey(L"QMconfig"));
}

// A stick's launcher settings may name no generation: the earlier portable folder is then known
// by the form alone, which no other folder of the user's has.
TEST(GenerationNames, ThePortableFormWithoutItsGeneration)
{
    const struct
    {
        const wchar_t* name;
        bool bForm;
    } cases[] = {
        { L"Vantolin_2011_portable", true }, { L"vantolin_A_PORTABLE", true }, { L"Vantolin__portable", false },
        { L"Vantolin_portable", false },     { L"Photos", false },             { L"Vantolin_2011", false },
        { L"", false },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.bForm, HasPortableFolderForm(c.name)) << CString(c.name).ToNarrow();
    EXPECT_TRUE(HasPortableFolderForm(GetPortableFolderName(L"2012.1")));
}

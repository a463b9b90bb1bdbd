#include <gtest/gtest.h>

#include "common/xstring.h"
#include "tests/xml/xml_test_files.h"
#include "xml/config_documents.h"
#include "xml/profile_string_list.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_profile.h"

#include <cfloat>
#include <string>
#include <thread>
#include <vector>

namespace {

const char kDecl[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>";

// Runs each case in memory and in a file, so both modes meet the same rules.
class XmlProfile : public testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        XmlDocumentOpenText(&doc_, "<?xml ?><root><Cfg><Other/></Cfg></root>");
        path_ = folder_.FileUtf8(L"profile.xml");
        if (InFile()) {
            ASSERT_EQ(XmlDocumentSave(&doc_, path_.c_str(), 1, 0, nullptr), 1);
        }
    }
    bool InFile() const { return GetParam(); }
    const char* File() const { return InFile() ? path_.c_str() : nullptr; }
    XmlDocument* Doc() { return InFile() ? nullptr : &doc_; }
    XmlElement* Root() {
        if (!InFile()) return doc_.root;
        XmlDocumentOpen(&reloaded_, path_.c_str(), 0, nullptr);
        return reloaded_.root;
    }

    TempFolder folder_;
    std::string path_;
    XmlDocument doc_;
    XmlDocument reloaded_;
};

} // namespace

TEST_P(XmlProfile, MissingSectionReadsTheDefaultAndCreatesNothing) {
    char out[100] = {};
    EXPECT_EQ(XmlGetProfileString("Cfg\\Options1", "Default_Nick", "guest", out, sizeof out, File(), Doc()),
              5u);
    EXPECT_STREQ(out, "guest");
    EXPECT_EQ(XmlElementFindPath(Root(), "Cfg\\Options1"), nullptr);
}

TEST_P(XmlProfile, WritesCreateSectionsAndChangeValues) {
    EXPECT_EQ(XmlWriteProfileString("A\\B", "k", "v1", File(), Doc()), 1);
    EXPECT_EQ(XmlWriteProfileString("A\\B", "k", "v2 <&>", File(), Doc()), 1);
    char out[100] = {};
    EXPECT_EQ(XmlGetProfileString("A\\B", "k", "", out, sizeof out, File(), Doc()), 6u);
    EXPECT_STREQ(out, "v2 <&>");
    XmlElement* b = XmlElementFindPath(Root(), "A\\B");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(XmlElementGetVariableCount(b), 1u);
    EXPECT_EQ(XmlWriteProfileString("A\\B", "k", nullptr, File(), Doc()), 1);
    EXPECT_EQ(XmlElementFindVariable(XmlElementFindPath(Root(), "A\\B"), "k"), nullptr);
    XmlWriteProfileString("A\\B", "k", "x", File(), Doc());
    EXPECT_EQ(XmlWriteProfileString("A\\B", nullptr, nullptr, File(), Doc()), 1);
    EXPECT_EQ(XmlElementFindPath(Root(), "A\\B"), nullptr);
    EXPECT_NE(XmlElementFindPath(Root(), "A"), nullptr);
}

TEST_P(XmlProfile, SizeBoundaries) {
    XmlWriteProfileString("S", "nine", "123456789", File(), Doc());
    XmlWriteProfileString("S", "empty", "", File(), Doc());
    char out[10];
    memset(out, 0, sizeof out);
    EXPECT_EQ(XmlGetProfileString("S", "nine", "d", out, 10, File(), Doc()), 9u); // size - 1 fits
    EXPECT_STREQ(out, "123456789");
    memset(out, 0, sizeof out);
    EXPECT_EQ(XmlGetProfileString("S", "nine", "d", out, 9, File(), Doc()), 9u); // size does not
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(XmlGetProfileString("S", "empty", "dflt", out, sizeof out, File(), Doc()), 4u);
    EXPECT_STREQ(out, "dflt");
    // A default longer than the buffer is not copied past it.
    memset(out, 0, sizeof out);
    EXPECT_EQ(XmlGetProfileString("S", "none", "0123456789ABC", out, 10, File(), Doc()), 13u);
    EXPECT_EQ(std::string(out, 10), std::string(10, '\0'));
    EXPECT_EQ(XmlGetProfileString("S", "none", "", out, 10, File(), Doc()), 0u);
    EXPECT_EQ(XmlGetProfileString("S", "nine", "d", nullptr, 0, File(), Doc()), 9u);
}

TEST_P(XmlProfile, Numbers) {
    XmlWriteProfileInt("N", "neg", -7, File(), Doc());
    XmlWriteProfileString("N", "abc", "abc", File(), Doc());
    XmlWriteProfileString("N", "mixed", "12abc", File(), Doc());
    EXPECT_EQ(XmlGetProfileInt("N", "neg", 5, File(), Doc()), -7);
    EXPECT_EQ(XmlGetProfileInt("N", "abc", 5, File(), Doc()), 0);
    EXPECT_EQ(XmlGetProfileInt("N", "mixed", 5, File(), Doc()), 12);
    EXPECT_EQ(XmlGetProfileInt("N", "absent", 5, File(), Doc()), 5);
    XmlWriteProfileUInt("N", "u", 4000000000u, File(), Doc());
    EXPECT_EQ(XmlGetProfileUInt("N", "u", 0, File(), Doc()), 4000000000u);
    EXPECT_EQ(XmlGetProfileUInt("N", "abc", 9, File(), Doc()), 0u);
    XmlWriteProfileInt64("N", "i64", -9000000000ll, File(), Doc());
    XmlWriteProfileUInt64("N", "u64", 18000000000000000000ull, File(), Doc());
    EXPECT_EQ(XmlGetProfileInt64("N", "i64", 0, File(), Doc()), -9000000000ll);
    EXPECT_EQ(XmlGetProfileUInt64("N", "u64", 0, File(), Doc()), 18000000000000000000ull);
    EXPECT_EQ(XmlGetProfileUInt64("N", "absent", 77, File(), Doc()), 77u);
    XmlWriteProfileFloat("N", "f", 2.25, File(), Doc());
    EXPECT_DOUBLE_EQ(XmlGetProfileFloat("N", "f", 0, File(), Doc()), 2.25);
    // Defaults and values far beyond a short text field.
    EXPECT_DOUBLE_EQ(XmlGetProfileFloat("N", "absent", DBL_MAX, File(), Doc()), DBL_MAX);
    XmlWriteProfileFloat("N", "huge", -DBL_MAX, File(), Doc());
    EXPECT_DOUBLE_EQ(XmlGetProfileFloat("N", "huge", 0, File(), Doc()), -DBL_MAX);
}

TEST_P(XmlProfile, BinaryValues) {
    std::vector<unsigned char> data(200);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i * 13 + 1);
    XmlWriteProfileBinary("B", "wave", data.data(), static_cast<uint32_t>(data.size()), File(), Doc());
    char stored[1000] = {};
    XmlGetProfileString("B", "wave", "", stored, sizeof stored, File(), Doc());
    EXPECT_NE(std::string(stored).find("__"), std::string::npos);
    EXPECT_EQ(std::string(stored).find('\n'), std::string::npos);
    std::vector<unsigned char> back(200);
    EXPECT_EQ(XmlGetProfileBinary("B", "wave", "", back.data(), back.size(), File(), Doc()), 200u);
    EXPECT_EQ(back, data);
    unsigned char small[38] = {};
    EXPECT_EQ(XmlGetProfileBinary("B", "wave", "", small, sizeof small, File(), Doc()), 38u);
    EXPECT_EQ(memcmp(small, data.data(), 38), 0);
    EXPECT_EQ(XmlGetProfileBinary("B", "absent", "YWJj", small, sizeof small, File(), Doc()), 3u);
    EXPECT_EQ(memcmp(small, "abc", 3), 0);
    EXPECT_EQ(XmlGetProfileBinary("B", "absent", "", small, sizeof small, File(), Doc()), 0u);
}

TEST_P(XmlProfile, WideAndCodePageForms) {
    std::wstring wide(4000, L'\u00E9');
    EXPECT_EQ(XmlWriteProfileWideString("W", "long", wide.c_str(), File(), Doc()), 1);
    std::string out(9000, '\0');
    EXPECT_EQ(XmlGetProfileString("W", "long", "", out.data(), out.size(), File(), Doc()), 8000u);
    XmlWriteProfileWideString("W", "e", L"caf\u00E9", File(), Doc());
    char cp[20] = {};
    EXPECT_EQ(XmlGetProfileStringCp("W", "e", "", cp, sizeof cp, File(), Doc(), 1252), 4u);
    EXPECT_STREQ(cp, "caf\xE9");
    char untouched[20] = "preset";
    EXPECT_EQ(XmlGetProfileStringCp("W", "absent", "dflt", untouched, sizeof untouched, File(), Doc(), 1252),
              4u);
    EXPECT_STREQ(untouched, "preset");
}

TEST_P(XmlProfile, RenameSection) {
    XmlWriteProfileString("Old\\Inner", "k", "v", File(), Doc());
    EXPECT_EQ(XmlRenameProfileSection("Old", "New", File(), Doc()), 1);
    EXPECT_EQ(XmlRenameProfileSection("Missing", "New", File(), Doc()), 0);
    char out[10] = {};
    XmlGetProfileString("New\\Inner", "k", "", out, sizeof out, File(), Doc());
    EXPECT_STREQ(out, "v");
}

INSTANTIATE_TEST_SUITE_P(MemoryAndFile, XmlProfile, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "File" : "Memory";
                         });

TEST(XmlProfileFile, MissingFileIsCreatedByTheFirstWrite) {
    TempFolder folder;
    std::string path = folder.FileUtf8(L"new.xml");
    EXPECT_EQ(XmlWriteProfileString("Cfg", "k", "v", path.c_str(), nullptr), 1);
    EXPECT_EQ(ReadFileBytes(folder.File(L"new.xml")),
              std::string(kDecl) + "\r\n<root>\r\n\t<Cfg k=\"v\"/>\r\n</root>\r\n");
}

TEST(XmlProfileFile, SectionListsAndAnsiWriter) {
    TempFolder folder;
    std::string path = folder.FileUtf8(L"s.xml");
    XmlWriteProfileString("S", "a", "1 &", path.c_str(), nullptr);
    XmlWriteProfileAnsiString("S", "b", "caf\xE9", path.c_str());
    XmlWriteProfileWideStringFile("S\\Child", "c", L"x", path.c_str());
    XmlWriteProfileString("S\\Second", "c", "y", path.c_str(), nullptr);
    std::vector<std::string> names, values;
    ASSERT_EQ(XmlGetProfileSection("S", &names, &values, path.c_str()), 2u);
    EXPECT_EQ(names[0], "a");
    EXPECT_EQ(values[0], "1 &");
    EXPECT_EQ(values[1], WideToNarrow(NarrowToWide("caf\xE9", 4, CP_ACP)));
    ASSERT_EQ(XmlGetProfileSectionNames("S", &names, path.c_str()), 2u);
    EXPECT_EQ(names[1], "Second");
    EXPECT_EQ(XmlGetProfileSection("Absent", &names, &values, path.c_str()), 0u);
}

TEST(XmlProfileFile, WritersReportFailure) {
    TempFolder folder;
    std::wstring wpath = folder.File(L"ro.xml");
    std::string path = WideToNarrow(wpath);
    ASSERT_EQ(XmlWriteProfileString("S", "k", "1", path.c_str(), nullptr), 1);
    std::string before = ReadFileBytes(wpath);
    SetFileAttributesW(wpath.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(XmlWriteProfileString("S", "k", "2", path.c_str(), nullptr), 0);
    EXPECT_EQ(XmlWriteProfileInt("S", "k", 2, path.c_str(), nullptr), 0);
    SetFileAttributesW(wpath.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFileBytes(wpath), before);
    EXPECT_EQ(XmlWriteProfileString("S", "k", "2", nullptr, nullptr), 0);
    EXPECT_EQ(XmlWriteProfileString(folder.FileUtf8(L"no\\such\\dir.xml").c_str(), "k", "2",
                                    folder.FileUtf8(L"no\\such\\dir.xml").c_str(), nullptr),
              0);
}

TEST(XmlProfileDocument, StringListsGoToTheUserDocument) {
    XmlDocument user;
    XmlDocumentOpenText(&user, "<?xml ?><root/>");
    UserConfigDocument = &user;
    EXPECT_EQ(WriteProfileStringList("Cfg\\User_Lists", "Notify_List", {"a", "b", "c"}, " "), 1);
    EXPECT_EQ(WriteProfileWStringList("Cfg\\User_Lists", "Ignore_List", {L"x\u00E9", L"y"}, L","), 1);
    WriteProfileStringList("Cfg\\User_Lists", "Empty", {}, " ");
    char out[50] = {};
    XmlGetProfileString("Cfg\\User_Lists", "Notify_List", "", out, sizeof out, nullptr, &user);
    EXPECT_STREQ(out, "a b c");
    XmlGetProfileString("Cfg\\User_Lists", "Ignore_List", "", out, sizeof out, nullptr, &user);
    EXPECT_STREQ(out, "x\xC3\xA9,y");
    UserConfigDocument = nullptr;
}

TEST(XmlProfileDocument, ReadersAndWritersOnManyThreads) {
    XmlDocument shared;
    XmlDocumentOpenText(&shared, "<?xml ?><root/>");
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&shared, t] {
            std::string section = "Cfg\\T" + std::to_string(t % 4);
            for (int i = 0; i < 2000; ++i) {
                std::string key = "k" + std::to_string(i % 50);
                if (t % 2 == 0) {
                    XmlWriteProfileInt(section.c_str(), key.c_str(), i, nullptr, &shared);
                    if (i % 100 == 0)
                        XmlWriteProfileString(section.c_str(), nullptr, nullptr, nullptr, &shared);
                } else {
                    char out[32] = {};
                    XmlGetProfileString(section.c_str(), key.c_str(), "", out, sizeof out, nullptr, &shared);
                }
            }
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_TRUE(XmlDocumentIsValid(&shared));
}

TEST(XmlProfileDocument, WriteLockHolderMayCallTheProfile) {
    XmlDocument d;
    XmlDocumentOpenText(&d, "<?xml ?><root/>");
    XmlDocumentWriteLock lock(&d);
    XmlElementFindChild(d.root, "Cfg", 1);
    EXPECT_EQ(XmlWriteProfileInt("Cfg", "k", 3, nullptr, &d), 1);
    EXPECT_EQ(XmlGetProfileInt("Cfg", "k", 0, nullptr, &d), 3);
}

TEST(XmlConfiguration, ViewElementExistsBeforeMain) {
    EXPECT_EQ(XmlElementGetNameString(&ConfigurationView), "Configuration");
    EXPECT_EQ(XmlElementGetChildCount(&ConfigurationView), 0u);
}

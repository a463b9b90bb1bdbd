#include <gtest/gtest.h>

#include "common/replacing_file.h"
#include "common/xstring.h"
#include "tests/xml/xml_test_files.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_header.h"
#include "xml/xml_writer.h"

#include <string>

namespace {

const char kGood[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<Cfg a=\"1\"/>\r\n";

std::string Value(XmlDocument* d, const char* section, const char* key) {
    char buffer[256] = {};
    XmlGetValueByPath(d, section, key, buffer, sizeof buffer - 1);
    return buffer;
}

} // namespace

TEST(XmlDocument, ValuesByPath) {
    XmlDocument d;
    XmlDocumentOpenText(&d, "<?xml ?><root/>");
    EXPECT_EQ(XmlSetValueByPath(&d, "A\\B", "k", "v<"), 1);
    EXPECT_EQ(Value(&d, "A\\B", "k"), "v<");
    XmlSetValueByPath(&d, "", "top", "1");
    EXPECT_EQ(Value(&d, "", "top"), "1");
    EXPECT_EQ(Value(&d, nullptr, "top"), "1");

    // Exactly the given size fits (size + 1 bytes with the zero); one more does not.
    XmlSetValueByPath(&d, "A", "five", "12345");
    char buffer[8];
    memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(XmlGetValueByPath(&d, "A", "five", buffer, 5), 5u);
    EXPECT_STREQ(buffer, "12345");
    memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(XmlGetValueByPath(&d, "A", "five", buffer, 4), 5u);
    EXPECT_EQ(buffer[0], 'x');
    EXPECT_EQ(XmlGetValueByPath(&d, "Missing", "five", buffer, 4), 0u);

    XmlSetValueByPath(&d, "A\\B", "k", nullptr);
    EXPECT_EQ(XmlElementFindVariable(XmlElementFindPath(d.root, "A\\B"), "k"), nullptr);
    XmlSetValueByPath(&d, "A\\B", nullptr, nullptr);
    EXPECT_EQ(XmlElementFindPath(d.root, "A\\B"), nullptr);
    EXPECT_NE(XmlElementFindPath(d.root, "A"), nullptr);
    XmlSetValueByPath(&d, "Gone\\Too", nullptr, nullptr);
    EXPECT_EQ(XmlElementFindPath(d.root, "Gone"), nullptr);
}

TEST(XmlDocument, MergeAddsWhatIsMissing) {
    XmlDocument user, defaults;
    XmlDocumentOpenText(&user, "<?xml ?><root><Cfg a=\"user\"><Options1 n=\"1\"/></Cfg></root>");
    XmlDocumentOpenText(&defaults,
                        "<?xml ?><root><Cfg a=\"default\" extra=\"&lt;x\"><Options1 n=\"2\" m=\"3\"/>"
                        "<New v=\"1\"><Deep/></New><Options1 late=\"4\"/></Cfg></root>");
    XmlElement* cfg = XmlElementFindPath(user.root, "Cfg");
    XmlElementMerge(cfg, XmlElementFindPath(defaults.root, "Cfg"), 0);
    XmlDocumentClose(&defaults);
    EXPECT_EQ(Value(&user, "Cfg", "a"), "user");
    EXPECT_EQ(Value(&user, "Cfg", "extra"), "<x");
    EXPECT_EQ(Value(&user, "Cfg\\Options1", "n"), "1");
    EXPECT_EQ(Value(&user, "Cfg\\Options1", "m"), "3");
    EXPECT_EQ(Value(&user, "Cfg\\Options1", "late"), "4"); // both sources merge into the first
    EXPECT_EQ(XmlElementGetChildCount(cfg), 2u);
    EXPECT_NE(XmlElementFindPath(cfg, "New\\Deep"), nullptr);

    XmlDocument import;
    XmlDocumentOpenText(&import, "<?xml ?><root><Cfg a=\"imported\"/></root>");
    XmlElementMerge(cfg, XmlElementFindPath(import.root, "Cfg"), 1);
    EXPECT_EQ(Value(&user, "Cfg", "a"), "imported");
}

TEST(XmlDocument, CopyTakeRootAndCompare) {
    XmlDocument a;
    XmlDocumentOpenText(&a, "<?xml ?><!--x--><r v=\"1\"><c/></r>");
    XmlDocument b;
    XmlDocumentCopy(&b, &a);
    EXPECT_EQ(XmlDocumentCompare(&a, &b), 0);
    EXPECT_FALSE(b.hasFileName);
    XmlHeaderAddComment(b.header, "y", 1);
    EXPECT_EQ(XmlDocumentCompare(&a, &b), 1);
    XmlElement* root = XmlDocumentTakeRoot(&a);
    EXPECT_EQ(XmlElementGetNameString(a.root), "root");
    EXPECT_EQ(XmlElementGetChildCount(root), 1u);
    XmlElementFree(root);
    EXPECT_TRUE(XmlDocumentIsValid(&a));
    XmlDocument empty;
    EXPECT_FALSE(XmlDocumentIsValid(&empty));
}

TEST(XmlDocument, RemoveTemporary) {
    XmlDocument d;
    XmlDocumentOpenText(&d, "<?xml ?><r/>");
    XmlElement* s = XmlElementFindChild(d.root, "Session", 1, nullptr, 1);
    XmlElementFindVariable(d.root, "t", 1, "", 1);
    XmlElementFindVariable(XmlElementFindChild(d.root, "Keep", 1), "t", 1, "", 1);
    (void)s;
    EXPECT_EQ(XmlDocumentRemoveTemporary(&d), 3u);
    EXPECT_EQ(XmlElementGetChildCount(d.root), 1u);
}

TEST(XmlDocument, SaveOnCloseWritesTheFile) {
    TempFolder folder;
    std::wstring path = folder.File(L"c.xml");
    XmlDocument d;
    XmlDocumentOpenFile(&d, path.c_str());
    XmlSetValueByPath(&d, "S", "k", "v");
    XmlDocumentSetSaveOnClose(&d, 1);
    XmlDocumentClose(&d);
    EXPECT_NE(ReadFileBytes(path).find("<S k=\"v\"/>"), std::string::npos);
}

// ---- a failed save reports failure and leaves the old file as it was ----

class XmlFailedSave : public testing::Test {
protected:
    void SetUp() override {
        path_ = folder_.File(L"qv.xml");
        ASSERT_TRUE(WriteFileBytes(path_, kGood));
        XmlDocumentOpenFile(&doc_, path_.c_str());
        XmlSetValueByPath(&doc_, "", "a", "2");
    }

    void ExpectUntouched() {
        EXPECT_EQ(ReadFileBytes(path_), kGood);
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW((folder_.Path() + L"\\*.tmp").c_str(), &data);
        EXPECT_EQ(find, INVALID_HANDLE_VALUE) << "no temporary file is left behind";
        if (find != INVALID_HANDLE_VALUE) FindClose(find);
    }

    TempFolder folder_;
    std::wstring path_;
    XmlDocument doc_;
};

TEST_F(XmlFailedSave, ReadOnlyTarget) {
    ASSERT_TRUE(SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(XmlDocumentSave(&doc_, nullptr, 1, 0, nullptr), 0);
    SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
    ExpectUntouched();
}

TEST_F(XmlFailedSave, TargetHeldWithoutShareDelete) {
    HANDLE other = CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_EQ(XmlDocumentSave(&doc_, nullptr, 1, 0, nullptr), 0);
    CloseHandle(other);
    ExpectUntouched();
    EXPECT_EQ(XmlDocumentSave(&doc_, nullptr, 1, 0, nullptr), 1) << "works again once the handle is closed";
    EXPECT_NE(ReadFileBytes(path_).find("a=\"2\""), std::string::npos);
}

TEST_F(XmlFailedSave, FolderWhereNoFileCanBeCreated) {
    // A folder on a read-only file system: nothing can be created there, even by an administrator.
    std::wstring sealed = L"Z:\\proc\\1\\qv.xml";
    ASSERT_EQ(XmlDocumentSave(&doc_, sealed.c_str(), 1, 0, nullptr), 0);
    // A folder that is gone.
    std::wstring gone = folder_.File(L"gone\\qv.xml");
    EXPECT_EQ(XmlDocumentSave(&doc_, gone.c_str(), 1, 0, nullptr), 0);
    ExpectUntouched();
}

TEST_F(XmlFailedSave, ReadOnlyFolderAttribute) {
    // Where the system honours the attribute on folders the save must fail cleanly; where it does
    // not (Windows ignores it for files created inside), the save succeeds whole.
    ASSERT_TRUE(SetFileAttributesW(folder_.Path().c_str(), FILE_ATTRIBUTE_READONLY));
    int saved = XmlDocumentSave(&doc_, nullptr, 1, 0, nullptr);
    SetFileAttributesW(folder_.Path().c_str(), FILE_ATTRIBUTE_NORMAL);
    if (saved) {
        EXPECT_NE(ReadFileBytes(path_).find("a=\"2\""), std::string::npos);
    } else {
        ExpectUntouched();
    }
}

TEST(XmlDocument, UnreadableExistingFileIsNeverReplacedByAnEmptyDocument) {
    TempFolder folder;
    std::wstring path = folder.File(L"locked.xml");
    ASSERT_TRUE(WriteFileBytes(path, kGood));
    HANDLE exclusive = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    XmlDocument d;
    XmlDocumentOpenFile(&d, path.c_str());
    CloseHandle(exclusive);
    EXPECT_EQ(d.state, kXmlStateInvented);
    EXPECT_EQ(XmlDocumentSave(&d, nullptr, 1, 0, nullptr), 0);
    EXPECT_EQ(ReadFileBytes(path), kGood);
}

// A save killed half-way leaves "<document>.<process>-<n>.tmp" beside the document for ever; the
// start-up's clean-up removes those whose process has ended, never those of a save still running
// nor any other file.
TEST(XmlDocument, StaleTemporaryFilesOfEndedSavesAreRemoved) {
    TempFolder folder;
    const std::wstring document = folder.File(L"qv.xml");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION saving{};
    std::wstring line = L"cmd.exe /c exit";
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                               nullptr, &startup, &saving));
    const std::wstring running = ReplacingTempName(document, saving.dwProcessId, 3);
    const std::wstring earlier = ReplacingTempName(document, GetCurrentProcessId(), 0); // before this run
    const std::wstring kept[] = {running, folder.File(L"qv.xml.tmp"), folder.File(L"qv.xml.1-2.tmp.keep"),
                                 folder.File(L"qv.xml.x-2.tmp"), folder.File(L"other.xml.1-2.tmp")};
    for (const std::wstring& path : kept) ASSERT_TRUE(WriteFileBytes(path, "x"));
    ASSERT_TRUE(WriteFileBytes(earlier, "x"));

    EXPECT_EQ(RemoveStaleReplacingFiles(document), 1u);
    EXPECT_FALSE(FileExists(earlier));
    for (const std::wstring& path : kept) EXPECT_TRUE(FileExists(path)) << WideToNarrow(path);

    ResumeThread(saving.hThread);
    ASSERT_EQ(WaitForSingleObject(saving.hProcess, 60000), WAIT_OBJECT_0);
    CloseHandle(saving.hThread);
    CloseHandle(saving.hProcess); // its id is free now, as after a kill
    EXPECT_EQ(RemoveStaleReplacingFiles(document), 1u);
    EXPECT_FALSE(FileExists(running));
}

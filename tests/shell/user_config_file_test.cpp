#include <gtest/gtest.h>

#include "common/shell_helpers.h"
#include "shell/setup/user_config_file.h"
#include "tests/shell/shell_test_files.h"
#include "tests/shell/shell_test_support.h"

namespace {

std::string DefaultDocument() {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(ExtractResource(bytes, L"DEFAULT_USER_CFG", BuiltLibrary(L"qvres.dll")));
    return std::string(bytes.begin(), bytes.end());
}

TEST(UserConfigFile, MissingOrEmptyFileIsAFirstRunWithTheDefaultDocument) {
    TestFolder folder;
    const std::wstring path = folder.File(L"qv.xml");
    UserConfigPrepared missing = PrepareUserConfigFile(path, BuiltLibrary(L"qvres.dll"));
    EXPECT_EQ(missing.State, UserConfigState::Created);
    EXPECT_TRUE(missing.DefaultWritten);
    EXPECT_EQ(ReadFileBytes(path), DefaultDocument());

    ASSERT_TRUE(WriteFileBytes(path, ""));
    UserConfigPrepared empty = PrepareUserConfigFile(path, BuiltLibrary(L"qvres.dll"));
    EXPECT_EQ(empty.State, UserConfigState::Created);
    EXPECT_EQ(ReadFileBytes(path), DefaultDocument());
    EXPECT_EQ(folder.Entries().size(), 1u);
}

TEST(UserConfigFile, ReadableSettingsAreLeftAlone) {
    TestFolder folder;
    const std::wstring path = folder.File(L"qv.xml");
    const std::string mine =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<qv><Cfg><Options1 Default_Nick=\"ann\" "
        "/></Cfg></qv>\r\n";
    ASSERT_TRUE(WriteFileBytes(path, mine));
    UserConfigPrepared result = PrepareUserConfigFile(path, BuiltLibrary(L"qvres.dll"));
    EXPECT_EQ(result.State, UserConfigState::Readable);
    EXPECT_EQ(ReadFileBytes(path), mine);
}

TEST(UserConfigFile, UnreadableSettingsAreKeptAsideBeforeTheDefaultIsWritten) {
    TestFolder folder;
    const std::wstring path = folder.File(L"qv.xml");
    const std::string broken[] = {
        "<?xml version=\"1.0\" ?><qv><Cfg><Options1 Default_Nick=\"ann\" /></Cfg>", // cut short
        std::string("\x00\x01garbage", 9),
    };
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(WriteFileBytes(path, broken[i]));
        UserConfigPrepared result = PrepareUserConfigFile(path, BuiltLibrary(L"qvres.dll"));
        EXPECT_EQ(result.State, UserConfigState::ReplacedUnreadable);
        EXPECT_EQ(result.SetAsidePath, path + L".unreadable-" + std::to_wstring(i + 1));
        EXPECT_EQ(ReadFileBytes(result.SetAsidePath), broken[i]);
        EXPECT_EQ(ReadFileBytes(path), DefaultDocument());
    }
}

TEST(UserConfigFile, WithoutTheDefaultDocumentNothingIsWrittenButItIsStillAFirstRun) {
    TestFolder folder;
    const std::wstring path = folder.File(L"qv.xml");
    UserConfigPrepared result = PrepareUserConfigFile(path, nullptr);
    EXPECT_EQ(result.State, UserConfigState::Created);
    EXPECT_FALSE(result.DefaultWritten);
    EXPECT_FALSE(FileExists(path));
}

} // namespace

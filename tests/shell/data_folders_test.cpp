#include <gtest/gtest.h>

#include "common/data_folders.h"
#include "shell/setup/data_folder_setup.h"
#include "tests/shell/shell_test_files.h"

#include <string>

namespace {

std::wstring RegistryDefault(HKEY root, const std::wstring& path, const wchar_t* name = nullptr) {
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return value;
}

// The data folder globals as they were, put back after a test.
struct SavedFolders {
    uint32_t mode = DataMode;
    std::wstring path = ProgramPath, program = ProgramFolder, documents = DocumentsFolder,
                 user = UserDataFolder, common = CommonDataFolder, temp = TempFolder;
    wchar_t current[MAX_PATH] = {};
    SavedFolders() { GetCurrentDirectoryW(MAX_PATH, current); }
    ~SavedFolders() {
        DataMode = mode;
        ProgramPath = path;
        ProgramFolder = program;
        DocumentsFolder = documents;
        UserDataFolder = user;
        CommonDataFolder = common;
        TempFolder = temp;
        SetCurrentDirectoryW(current);
    }
};

TEST(DataFolders, CommandLineChoiceStaysAndTheInstallationDecidesOtherwise) {
    EXPECT_EQ(DecideDataMode(kDataModeUndecided, true), kDataModePerUser);
    EXPECT_EQ(DecideDataMode(kDataModeUndecided, false), kDataModeProgramFolder);
    // "-port1" on an installed program and "-port2" on a portable one.
    EXPECT_EQ(DecideDataMode(kDataModeProgramFolder, true), kDataModeProgramFolder);
    EXPECT_EQ(DecideDataMode(kDataModePerUser, false), kDataModePerUser);
}

TEST(DataFolders, EachLayoutPutsTheFoldersWhereTheTableSays) {
    const SystemFolders system{L"C:\\Docs", L"C:\\AppData", L"C:\\AllUsers", L"C:\\Temp"};
    DataFolderSet perUser = PlanDataFolders(kDataModePerUser, L"C:\\Prog", L"ann", system);
    EXPECT_EQ(perUser.Documents, L"C:\\Docs\\Brindlex 7");
    EXPECT_EQ(perUser.UserData, L"C:\\AppData\\Brindlex 7");
    EXPECT_EQ(perUser.CommonData, L"C:\\AllUsers\\Brindlex 7");
    EXPECT_EQ(perUser.Temp, L"C:\\Temp");

    DataFolderSet portable = PlanDataFolders(kDataModeProgramFolder, L"C:\\Prog", L"ann", system);
    EXPECT_EQ(portable.UserData, L"C:\\Prog\\UCFG\\ann");
    EXPECT_EQ(portable.Documents, portable.UserData);
    EXPECT_EQ(portable.Temp, portable.UserData);
    EXPECT_EQ(portable.CommonData, L"C:\\Prog\\CFG");
}

TEST(DataFolders, PortableStartMakesTheFoldersBesideTheProgram) {
    SavedFolders saved;
    TestFolder folder;
    DataMode = kDataModeProgramFolder;
    InitDataFoldersFor(folder.File(L"qv.exe"));

    EXPECT_EQ(ProgramFolder, folder.Path());
    EXPECT_EQ(ProgramPath, folder.File(L"qv.exe"));
    EXPECT_EQ(CommonDataFolder, folder.File(L"CFG"));
    EXPECT_EQ(UserDataFolder.rfind(folder.File(L"UCFG") + L"\\", 0), 0u) << UserDataFolder;
    EXPECT_GT(UserDataFolder.size(), folder.File(L"UCFG").size() + 1);
    EXPECT_EQ(TempFolder, UserDataFolder);
    EXPECT_EQ(DocumentsFolder, UserDataFolder);
    for (const std::wstring& made : {CommonDataFolder, UserDataFolder})
        EXPECT_TRUE(GetFileAttributesW(made.c_str()) & FILE_ATTRIBUTE_DIRECTORY) << made;
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    EXPECT_EQ(std::wstring(current), folder.Path());
}

TEST(DataFolders, PerUserStartUsesTheSystemFolders) {
    SavedFolders saved;
    TestFolder folder;
    DataMode = kDataModePerUser;
    InitDataFoldersFor(folder.File(L"qv.exe"));
    for (const std::wstring& made : {DocumentsFolder, UserDataFolder, CommonDataFolder}) {
        EXPECT_NE(made.find(L"\\Brindlex 7"), std::wstring::npos) << made;
        EXPECT_TRUE(GetFileAttributesW(made.c_str()) & FILE_ATTRIBUTE_DIRECTORY) << made;
        EXPECT_EQ(made.find(folder.Path()), std::wstring::npos) << made;
    }
    EXPECT_FALSE(TempFolder.empty());
    EXPECT_NE(TempFolder.back(), L'\\');
}

TEST(DataFolders, ProtocolRegistrationStartsTheProgramWithTheServerCommand) {
    const std::wstring base =
        L"Software\\BrindlexShellTests\\protocol-" + std::to_wstring(GetCurrentProcessId());
    HKEY root = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, base.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root,
                              nullptr),
              ERROR_SUCCESS);
    const std::wstring program = L"C:\\Program Files\\Brindlex 7\\qv.exe";
    EXPECT_TRUE(RegisterIrcProtocol(root, program));

    EXPECT_EQ(RegistryDefault(root, L"irc"), L"URL:IRC Protocol");
    EXPECT_EQ(RegistryDefault(root, L"irc\\DefaultIcon"), program + L",0");
    EXPECT_EQ(RegistryDefault(root, L"irc\\Shell\\open\\command"), L"\"" + program + L"\" -e /server \"%1\"");
    BYTE raw[8] = {};
    DWORD size = sizeof raw, type = 0;
    ASSERT_EQ(RegGetValueW(root, L"irc", L"URL Protocol", RRF_RT_ANY | RRF_NOEXPAND, &type, raw, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw[0], ' ');
    RegCloseKey(root);
    RegDeleteTreeW(HKEY_CURRENT_USER, base.c_str());
}

} // namespace

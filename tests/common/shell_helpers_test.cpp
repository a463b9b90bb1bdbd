#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/app_state.h"
#include "common/shell_helpers.h"
#include "tests/common/test_paths.h"

namespace {

std::wstring TempPath(const wchar_t* name) {
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

TEST(PathToFileUrl, SlashesInPlaceOfBackslashes) {
    EXPECT_EQ(PathToFileUrl(L"C:\\a\\b.txt"), L"file://C:/a/b.txt");
    EXPECT_EQ(PathToFileUrl(L"\\\\server\\share\\x y.swf"), L"file:////server/share/x y.swf");
    EXPECT_EQ(PathToFileUrl(L""), L"file://");
}

TEST(BrowserCommandLine, CutsAtPercentOneAndQuotesTheUrl) {
    std::wstring line;
    ASSERT_TRUE(
        BuildBrowserCommandLine(L"\"C:\\b\\browser.exe\" -nohome \"%1\"", L"http://x.test/a?b=1&c=2", line));
    EXPECT_EQ(line, L"\"C:\\b\\browser.exe\" -nohome  \"http://x.test/a?b=1&c=2\"");
    ASSERT_TRUE(BuildBrowserCommandLine(L"C:\\b\\browser.exe %1 -extra", L"http://x.test/", line));
    EXPECT_EQ(line, L"C:\\b\\browser.exe  \"http://x.test/\"");
    ASSERT_TRUE(BuildBrowserCommandLine(L"C:\\b\\browser.exe", L"http://x.test/", line));
    EXPECT_EQ(line, L"C:\\b\\browser.exe \"http://x.test/\"");
}

TEST(BrowserCommandLine, RefusesUrlsThatCouldEscapeTheirQuotes) {
    const wchar_t* hostile[] = {
        L"http://x.test/\" & calc.exe & \"",
        L"http://x.test/\"",
        L"http://x.test/\r\ncalc.exe",
        L"http://x.test/\ttab",
        L"http://x.test/\x7f",
        L"-new-window-with-flags",
        L"",
    };
    for (const wchar_t* url : hostile) {
        std::wstring line = L"untouched";
        EXPECT_FALSE(BuildBrowserCommandLine(L"browser.exe \"%1\"", url, line)) << url;
        EXPECT_EQ(line, L"untouched");
    }
}

// Points HKEY_CLASSES_ROOT of this process at a private key for one test.
class PrivateClassesRoot {
public:
    PrivateClassesRoot() {
        RegDeleteTreeW(HKEY_CURRENT_USER, kPath);
        RegCreateKeyExW(HKEY_CURRENT_USER, kPath, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &key_, nullptr);
        overridden_ = key_ && RegOverridePredefKey(HKEY_CLASSES_ROOT, key_) == ERROR_SUCCESS;
    }
    ~PrivateClassesRoot() {
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        if (key_) RegCloseKey(key_);
        RegDeleteTreeW(HKEY_CURRENT_USER, kPath);
    }
    bool Ready() const { return overridden_; }
    void SetDefault(const wchar_t* subKey, const std::wstring& value) {
        HKEY created = nullptr;
        RegCreateKeyExW(key_, subKey, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &created,
                        nullptr);
        RegSetValueExW(created, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(created);
    }

private:
    static constexpr const wchar_t* kPath = L"Software\\BrindlexTests\\Classes";
    HKEY key_ = nullptr;
    bool overridden_ = false;
};

TEST(OpenUrlInBrowser, ForcedWithoutAnHtmHandlerFails) {
    PrivateClassesRoot classes;
    ASSERT_TRUE(classes.Ready());
    EXPECT_FALSE(OpenUrlInBrowser(L"http://x.test/", SW_HIDE, true));

    // A handler whose program is missing does not start either.
    classes.SetDefault(L".htm", L"TestHtml");
    classes.SetDefault(L"TestHtml\\shell\\open\\command", L"\"C:\\no such folder\\browser.exe\" \"%1\"");
    EXPECT_FALSE(OpenUrlInBrowser(L"http://x.test/", SW_HIDE, true));
}

TEST(OpenUrlInBrowser, ForcedStartsTheRegisteredProgramWithTheQuotedUrl) {
    PrivateClassesRoot classes;
    ASSERT_TRUE(classes.Ready());
    const std::wstring marker = TempPath(L"brindlex_url_marker.txt");
    DeleteFileW(marker.c_str());
    // The "browser" writes its argument into a file: the URL arrives as one quoted argument.
    classes.SetDefault(L".htm", L"TestHtml");
    classes.SetDefault(L"TestHtml\\shell\\open\\command", L"cmd.exe /c echo>\"" + marker + L"\" %1");
    ASSERT_TRUE(OpenUrlInBrowser(L"http://x.test/a&b", SW_HIDE, true));
    for (int i = 0; i < 100 && GetFileSizeByName(marker.c_str()) == 0; ++i) Sleep(100);
    std::ifstream file(std::filesystem::path(marker), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    file.close();
    EXPECT_NE(text.find("\"http://x.test/a&b\""), std::string::npos) << text;
    DeleteFileW(marker.c_str());

    EXPECT_FALSE(OpenUrlInBrowser(L"http://x.test/\" & echo owned", SW_HIDE, true));
}

TEST(FileHelpers, SizeByNameIsZeroForWhatCannotBeRead) {
    const std::wstring path = TempPath(L"brindlex_size_test.bin");
    std::ofstream(std::filesystem::path(path), std::ios::binary) << std::string(12345, 'x');
    EXPECT_EQ(GetFileSizeByName(path.c_str()), 12345u);
    DeleteFileW(path.c_str());
    EXPECT_EQ(GetFileSizeByName(path.c_str()), 0u);
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    EXPECT_EQ(GetFileSizeByName(folder), 0u);
}

TEST(FileHelpers, ExtractResourceToMemoryAndToFile) {
    HMODULE module =
        LoadLibraryExW(BesideTestProgram(L"test_strings.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ExtractResource(bytes, L"TESTDATA", module));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "hello");
    EXPECT_FALSE(ExtractResource(bytes, L"NO_SUCH_RESOURCE", module));

    const std::wstring path = TempPath(L"brindlex_resource_test.bin");
    ASSERT_TRUE(ExtractResource(path.c_str(), L"TESTDATA", module));
    EXPECT_EQ(GetFileSizeByName(path.c_str()), 5u);
    DeleteFileW(path.c_str());
    EXPECT_FALSE(ExtractResource(L"Z:\\no such folder\\x\\y.bin", L"TESTDATA", module));
    FreeLibrary(module);
}

TEST(RegistryHelpers, DefaultValueOrTheOpenError) {
    PrivateClassesRoot classes;
    ASSERT_TRUE(classes.Ready());
    classes.SetDefault(L".test", L"A value");
    std::wstring value = L"old";
    EXPECT_EQ(RegQueryDefaultValue(HKEY_CLASSES_ROOT, L".test", value), ERROR_SUCCESS);
    EXPECT_EQ(value, L"A value");
    EXPECT_EQ(RegQueryDefaultValue(HKEY_CLASSES_ROOT, L".missing", value), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(value, L"");
}

TEST(ClassIds, RoundTripThroughAnsiText) {
    const char* text = "{8856F961-340A-11D0-A96B-00C04FD705A2}";
    CLSID clsid{};
    ASSERT_EQ(ClsidFromAnsiString(clsid, text), S_OK);
    EXPECT_EQ(clsid.Data1, 0x8856F961u);
    EXPECT_EQ(ClsidToAnsiString(clsid), text);
    EXPECT_NE(ClsidFromAnsiString(clsid, "not a class id"), S_OK);
}

TEST(WhatsNewCommandCallback, PostsOnlyThePageCommandsAfterTheHead) {
    HWND window =
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    MainWindow = window;
    EXPECT_EQ(WhatsNewCommandCallback(L"app:996"), 0); // the reset of the settings: not for pages
    WhatsNewCommandCallback(L"app:6002");
    WhatsNewCommandCallback(L"app:99999999999999999999");
    EXPECT_EQ(WhatsNewCommandCallback(L"app:801"), 0);
    WhatsNewCommandCallback(L"app:");
    WhatsNewCommandCallback(L"ap");
    WhatsNewCommandCallback(nullptr);
    WhatsNewCommandCallback(L"xyz:801"); // a number without the head
    MSG message{};
    ASSERT_TRUE(PeekMessageW(&message, window, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(message.wParam, 801u);
    EXPECT_FALSE(PeekMessageW(&message, window, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    MainWindow = nullptr;
    DestroyWindow(window);
}

} // namespace

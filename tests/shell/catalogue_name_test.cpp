// The file names a catalogue download may take (only the last part of the address, made plain),
// and the catalogue the program comes with.
#include <gtest/gtest.h>

#include "common/app_state.h"
#include "common/xstring.h"
#include "shell/preferences/preferences_parts.h"
#include "tests/shell/shell_test_files.h"
#include "tests/support/test_files.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"

TEST(CatalogueFileName, KeepsOnlyAPlainLastPart) {
    const struct {
        const char* Url;
        const wchar_t* Name;
    } cases[] = {
        {"http://host/plugins/tool.dll", L"tool.dll"},
        {"http://host/..\\evil.dll", L"evil.dll"},
        {"http://host/a/..\\..\\windows\\evil.dll", L"evil.dll"},
        {"http://host/dir/", L""},
        {"http://host/NUL.dll", L"_NUL.dll"},
        {"http://host/c:evil.dll", L"c_evil.dll"},
        {"http://host/%2e%2e%2f%2e%2e%2fevil.dll", L"%2e%2e%2f%2e%2e%2fevil.dll"}, // never decoded
    };
    for (const auto& c : cases) EXPECT_EQ(CatalogueFileName(c.Url), c.Name) << c.Url;
}

// The question before a downloaded plug-in, language or script is loaded names the whole file
// and the whole address it came from.
TEST(CatalogueLoadQuestion, NamesTheWholePathAndAddress) {
    LanguageModule = BuiltLibrary(L"qvlang.dll");
    const std::wstring path = L"C:\\Users\\me\\AppData\\Brindlex\\tool.dll";
    const std::string url = "https://extras.example/qv/extras/tool.dll";
    EXPECT_EQ(CatalogueLoadQuestion(path, url),
              L"Load " + path + L", downloaded from " + NarrowToWide(url) + L"?");
    LanguageModule = nullptr;
}

namespace {

std::wstring BesideTheTests(const wchar_t* name) {
    return TestProgramFolder() + L"\\" + name;
}

// The root of the XML file, or null when it does not read.
XmlElement* OpenRoot(XmlDocument& document, const std::wstring& path) {
    if (!XmlDocumentOpenFile(&document, path.c_str())) return nullptr;
    return XmlDocumentGetRoot(&document);
}

} // namespace

// The catalogue beside the program, in the form the preferences read: its four sections, every
// item a download under a plain name, and each file the project offers there reads as what its
// section installs it as.
TEST(ProgramCatalogue, EveryItemOffersAFileItsSectionInstalls) {
    XmlDocument catalogue;
    XmlElement* root = OpenRoot(catalogue, BesideTheTests(L"extras.xml"));
    ASSERT_NE(nullptr, root);
    size_t items = 0;
    for (const char* section : {"Languages", "Plugins", "Skins", "Premade_Scripts"}) {
        XmlElement* list = XmlElementFindChild(root, section);
        ASSERT_NE(nullptr, list) << section;
        for (uint32_t i = 0; i < XmlElementGetChildCount(list); ++i, ++items) {
            XmlElement* item = XmlElementGetChild(list, i);
            const std::string url = XmlVariableGetValueString(XmlElementFindVariable(item, "Download"));
            const std::wstring name = CatalogueFileName(url);
            ASSERT_EQ(0u, url.rfind("https://", 0)) << section << ": " << url;
            ASSERT_FALSE(name.empty()) << url;
            if (url.find("/qv/updates/x64/") != std::string::npos) {
                EXPECT_TRUE(FileExists(BesideTheTests(name.c_str()))) << url; // one of the program's files
                continue;
            }
            XmlDocument offered;
            XmlElement* file = OpenRoot(offered, NarrowToWide(BRINDLEX_SOURCE_DIR "/extras/") + name);
            ASSERT_NE(nullptr, file) << url;
            if (std::string(section) == "Skins") {
                EXPECT_NE(nullptr, XmlElementFindChild(file, "Cfg")) << url;
            } else if (std::string(section) == "Premade_Scripts") {
                for (uint32_t s = 0; s < XmlElementGetChildCount(file); ++s) {
                    XmlElement* script = XmlElementGetChild(file, s);
                    EXPECT_EQ(
                        0u,
                        XmlVariableGetValueString(XmlElementFindVariable(script, "Trigger")).rfind("/", 0));
                    EXPECT_EQ(1u, XmlElementGetCDataCount(script));
                }
            }
            XmlDocumentDestroy(&offered);
        }
    }
    EXPECT_GE(items, 3u);
    XmlDocumentDestroy(&catalogue);
}

#include <gtest/gtest.h>

#include "common/xstring.h"
#include "tests/irc_tls/linux_peer.h"
#include "tests/xml/xml_test_files.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_escape.h"
#include "xml/xml_header.h"
#include "xml/xml_writer.h"

#include <iterator>
#include <string>
#include <utility>

namespace {

const char kDecl[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>";

std::string Write(XmlElement* e, int withChildren = 1, int raw = 1, int format = 0) {
    std::string out;
    XmlElementWrite(out, e, 0, withChildren, raw, format);
    return out;
}

// A settings document as the program keeps it: nested sections, every special character,
// CDATA scripts, a Base64 binary value and comments on both sides of the root.
const char kSettings[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n"
                         "<!-- user settings -->\r\n"
                         "<Cfg>\r\n"
                         "\t<Options1 Default_Nick=\"guest\" Quit=\"&lt;bye&gt; &amp; &quot;see&quot; "
                         "y&apos;all\" Flood_Delay_MS=\"1000\"/>\r\n"
                         "\t<Options3>\r\n"
                         "\t\t<Notifications Hilite_words=\"me mine\" Inactive_beep=\"\"/>\r\n"
                         "\t</Options3>\r\n"
                         "\t<Audio In_WaveFormat=\"AQACAESsAAAQsQIABAAQAAAA\"/>\r\n"
                         "\t<Scripts>\r\n"
                         "\t\t<Script name=\"greet\" enabled=\"1\">\r\n"
                         "\t\t\t<![CDATA[if ($nick == \"x\") { /say <hi> & bye }]]>\r\n"
                         "\t\t</Script>\r\n"
                         "\t\t<!-- disabled below -->\r\n"
                         "\t\t<Script name=\"quiet\"/>\r\n"
                         "\t</Scripts>\r\n"
                         "\t<Server_List>\r\n"
                         "\t\t<Server Address=\"irc.example.net\" Port=\"6697\" SSL=\"1\">\r\n"
                         "\t\t\t<![CDATA[/join #a,#b]]>\r\n"
                         "\t\t</Server>\r\n"
                         "\t</Server_List>\r\n"
                         "\t<Motd>\r\n"
                         "\t\twelcome &amp; enjoy\r\n"
                         "\t</Motd>\r\n"
                         "</Cfg>\r\n"
                         "<!-- end -->\r\n";

} // namespace

TEST(XmlWriter, ElementLayouts) {
    XmlElement* e = XmlElementCreate(nullptr, "<e a=\"1\" b=\"&lt;\"/>");
    EXPECT_EQ(Write(e), "<e a=\"1\" b=\"&lt;\"/>\r\n");
    EXPECT_EQ(Write(e, 1, 0), "<e a=\"1\" b=\"&lt;\"/>\r\n") << "plain writing escapes every value";
    XmlElementAddComment(e, "c");
    XmlElementAddNewChild(e, "<x/>");
    XmlElementAddNewChild(e, "<y/>");
    XmlElementAddText(e, "t");
    EXPECT_EQ(Write(e), "<e a=\"1\" b=\"&lt;\">\r\n\t<!--c-->\r\n\t<x/>\r\n\t<y/>\r\n\tt\r\n</e>\r\n");
    XmlElementFree(e);

    XmlElement* script = XmlElementCreate(nullptr, "<Script/>");
    XmlElementAddCData(script, "body");
    EXPECT_EQ(Write(script), "<Script>\r\n\t<![CDATA[body]]>\r\n</Script>\r\n");
    XmlElementFree(script);

    XmlElement* parent = XmlElementCreate(nullptr, "<p/>");
    XmlElementAddNewChild(parent, "<c/>");
    EXPECT_EQ(Write(parent, 0), "<p/>\r\n");
    XmlElementSetFormat(parent, 1, 99, 0);
    EXPECT_EQ(parent->indentWidth, 50);
    XmlElementSetFormat(parent, 1, 2, 0);
    EXPECT_EQ(Write(parent), "<p>\r\n  <c/>\r\n</p>\r\n");
    XmlElementFree(parent);
}

TEST(XmlWriter, InlineTextFlagsKeepOneTextOnOneLine) {
    XmlElement* e = XmlElementCreate(nullptr, "<n/>");
    XmlElementAddText(e, "v");
    XmlElementSetFormat(e, 0, 1, 1);
    EXPECT_EQ(Write(e), "<n>v</n>\r\n");
    XmlElementFree(e);
}

TEST(XmlWriter, RealisticSettingsRoundTripToTheSameBytes) {
    TempFolder folder;
    std::wstring path = folder.File(L"qv.xml");
    ASSERT_TRUE(WriteFileBytes(path, kSettings));
    XmlDocument d;
    XmlDocumentOpenFile(&d, path.c_str());
    EXPECT_EQ(d.state, kXmlStateDeclared);
    EXPECT_EQ(
        XmlVariableGetValueString(XmlElementFindVariable(XmlElementFindPath(d.root, "Options1"), "Quit")),
        "<bye> & \"see\" y'all");
    unsigned char wave[18] = {};
    EXPECT_EQ(
        XmlVariableGetBinary(XmlElementFindVariable(XmlElementFindPath(d.root, "Audio"), "In_WaveFormat"),
                             wave, sizeof wave),
        18u);
    EXPECT_EQ(wave[0], 1);
    XmlDocumentCompact(&d);
    ASSERT_EQ(XmlDocumentSave(&d, nullptr, 1, 0, nullptr), 1);
    EXPECT_EQ(ReadFileBytes(path), kSettings);

    XmlDocument again;
    XmlDocumentOpenFile(&again, path.c_str());
    EXPECT_EQ(XmlDocumentCompare(&d, &again), 0);
}

TEST(XmlWriter, Utf16SaveAndReload) {
    TempFolder folder;
    XmlDocument d;
    XmlDocumentOpenText(&d, kSettings);
    std::wstring path = folder.File(L"u16.xml");
    std::string narrowPath = WideToNarrow(path);
    ASSERT_EQ(XmlDocumentSave(&d, narrowPath.c_str(), 1, kXmlFormatUtf16File, nullptr), 1);
    std::string bytes = ReadFileBytes(path);
    std::wstring expectedStart = L"\xFEFF<?xml version=\"1.0\" encoding=\"UTF-16\" standalone=\"yes\" ?>\r\n";
    ASSERT_GE(bytes.size(), expectedStart.size() * 2);
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), expectedStart.size()),
              expectedStart);
    XmlDocument back;
    XmlDocumentOpenFile(&back, path.c_str());
    EXPECT_EQ(XmlElementCompare(d.root, back.root), 0);
    // Saving it again in UTF-8 rewrites the declaration.
    ASSERT_EQ(XmlDocumentSave(&back, nullptr, 1, 0, nullptr), 1);
    EXPECT_EQ(ReadFileBytes(path).substr(0, strlen(kDecl)), kDecl);
}

TEST(XmlWriter, MemoryExportIsSizedFromTheEscapedText) {
    XmlDocument d;
    XmlDocumentOpenText(&d, "<?xml ?><r/>");
    // Values that grow six-fold when escaped.
    XmlVariable* v = XmlElementFindVariable(d.root, "q", 1);
    XmlVariableSetValue(v, std::string(10000, '"').c_str());
    uint64_t size = XmlDocumentGetExportSize(&d);
    std::string buffer(static_cast<size_t>(size), '\0');
    ASSERT_EQ(XmlDocumentSave(&d, buffer.data(), 1, kXmlFormatMemory, nullptr, buffer.size()), 1);
    EXPECT_EQ(strlen(buffer.c_str()), XmlElementExportText(d.root, 1, 1, 1, d.header).size());
    // Too small a buffer is refused, not overrun.
    std::string small(100, '\0');
    EXPECT_EQ(XmlDocumentSave(&d, small.data(), 1, kXmlFormatMemory, nullptr, small.size()), 0);
    EXPECT_EQ(small, std::string(100, '\0'));
    EXPECT_EQ(XmlDocumentSave(&d, nullptr, 1, kXmlFormatRegistry, nullptr), 0);
}

TEST(XmlWriter, RegistryLayout) {
    XmlDocument d;
    XmlDocumentOpenText(&d, "<?xml ?><Top><a/><b/><x y=\"1\" z=\"&lt;\">t<!--c--><![CDATA[s]]></x></Top>");
    HKEY base = nullptr;
    const char* keyPath = "Software\\BrindlexXmlTest";
    RegDeleteTreeA(HKEY_CURRENT_USER, keyPath);
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &base, nullptr),
        ERROR_SUCCESS);
    EXPECT_EQ(XmlDocumentExportRegistry(&d, base, 0, nullptr), 1);
    char value[100] = {};
    DWORD size = sizeof value;
    EXPECT_EQ(RegGetValueA(base, "E0Top\\E2x", "Vy", RRF_RT_REG_SZ, nullptr, value, &size), ERROR_SUCCESS);
    EXPECT_STREQ(value, "1");
    size = sizeof value;
    EXPECT_EQ(RegGetValueA(base, "E0Top\\E2x", "Vz", RRF_RT_REG_SZ, nullptr, value, &size), ERROR_SUCCESS);
    EXPECT_STREQ(value, "<");
    size = sizeof value;
    EXPECT_EQ(RegGetValueA(base, "E0Top\\E2x", "D1", RRF_RT_REG_SZ, nullptr, value, &size), ERROR_SUCCESS);
    EXPECT_STREQ(value, "s");
    size = sizeof value;
    EXPECT_EQ(RegGetValueA(base, "E0Top\\E2x", "C0", RRF_RT_REG_SZ, nullptr, value, &size), ERROR_SUCCESS);
    EXPECT_STREQ(value, "c");
    RegCloseKey(base);
    RegDeleteTreeA(HKEY_CURRENT_USER, keyPath);
}

namespace {

// Adds one to every byte on the way out and takes it off on the way in.
class ShiftFilter : public XmlFilter {
public:
    size_t Encode(const uint8_t* in, size_t length, uint8_t* out, size_t capacity) override {
        return Shift(in, length, out, capacity, 1);
    }
    size_t Decode(const uint8_t* in, size_t length, uint8_t* out, size_t capacity) override {
        return Shift(in, length, out, capacity, 0xFF);
    }

private:
    static size_t Shift(const uint8_t* in, size_t length, uint8_t* out, size_t capacity, uint8_t by) {
        if (length > capacity) return length;
        for (size_t i = 0; i < length; ++i) out[i] = static_cast<uint8_t>(in[i] + by);
        return length;
    }
};

} // namespace

TEST(XmlWriter, FilterEncodesFilesAndTheLoaderForgetsTheName) {
    TempFolder folder;
    std::wstring path = folder.File(L"f.xml");
    std::string narrow = WideToNarrow(path);
    XmlDocument d;
    XmlDocumentOpenText(&d, kSettings);
    ShiftFilter filter;
    ASSERT_EQ(XmlDocumentSave(&d, narrow.c_str(), 1, 0, &filter), 1);
    EXPECT_NE(ReadFileBytes(path).substr(0, 5), "<?xml");
    XmlDocument back;
    XmlDocumentOpen(&back, path.c_str(), 7, &filter);
    EXPECT_EQ(XmlElementCompare(d.root, back.root), 0);
    EXPECT_FALSE(back.hasFileName);
    EXPECT_EQ(XmlDocumentSave(&back, nullptr, 1, 0, nullptr), 0);
}

namespace {

// Earlier builds wrote plain values with a bare '<' and '>' into attributes; such files still
// load, and the program's own save (not raw) writes every value escaped again.
TEST(XmlWriter, PlainSaveEscapesEveryValueAndReadsOldUnescapedFiles) {
    XmlDocument d;
    XmlDocumentOpenText(&d, "<qv><Appearance Message_Format=\"<\\x02$nick\\x02> $message\" "
                            "Quit=\"&lt;bye&gt; &amp; go\"><Note>a &lt; b</Note></Appearance></qv>");
    XmlElement* appearance = XmlElementFindPath(d.root, "Appearance");
    ASSERT_NE(appearance, nullptr);
    EXPECT_EQ(XmlVariableGetValueString(XmlElementFindVariable(appearance, "Message_Format")),
              "<\\x02$nick\\x02> $message");
    const std::string written = Write(d.root, 1, 0);
    EXPECT_NE(written.find("Message_Format=\"&lt;\\x02$nick\\x02&gt; $message\""), std::string::npos)
        << written;
    EXPECT_NE(written.find("Quit=\"&lt;bye&gt; &amp; go\""), std::string::npos) << written;
    EXPECT_NE(written.find("a &lt; b"), std::string::npos) << written;
    XmlDocumentDestroy(&d);
}

} // namespace

// A script may hold "]]>": its section is split where it stands and read back as one text, so the
// file stays well-formed and the script unchanged through any number of saves.
TEST(XmlWriter, SectionEndInsideAScriptSurvivesSaveLoadAndSave) {
    const std::string texts[] = {"/say ]]>", "]]>", "a]]>b]]>c", "]]]]>>", "x]]", "]]] >"};
    for (const std::string& text : texts) {
        TempFolder folder;
        const std::wstring path = folder.File(L"qv.xml");
        XmlDocument d;
        XmlDocumentOpenFile(&d, path.c_str());
        XmlElement* script = XmlElementAddNewChild(XmlElementAddNewChild(d.root, "<Scripts/>"), "<s/>");
        XmlElementAddCData(script, text.c_str());
        XmlElementAddCData(XmlElementAddNewChild(d.root, "<Next/>"), "second");
        ASSERT_EQ(XmlDocumentSave(&d, nullptr, 1, 0, nullptr), 1);
        const std::string first = ReadFileBytes(path);

        XmlDocument again;
        XmlDocumentOpenFile(&again, path.c_str());
        EXPECT_EQ(again.state, kXmlStateDeclared) << text;
        XmlElement* read = XmlElementFindPath(again.root, "Scripts\\s");
        ASSERT_EQ(XmlElementGetCDataCount(read), 1u) << first;
        EXPECT_EQ(XmlElementGetCDataSections(read)[0]->text, text);
        EXPECT_EQ(XmlElementGetCDataSections(XmlElementFindPath(again.root, "Next"))[0]->text, "second");
        ASSERT_EQ(XmlDocumentSave(&again, nullptr, 1, 0, nullptr), 1);
        EXPECT_EQ(ReadFileBytes(path), first);
    }
}

// Every control character XML 1.0 forbids and every kind of byte sequence that is not UTF-8 (a
// channel name from a server, a value from an old file): the saved file is well-formed to a
// strict reader, control characters read back as they were, invalid sequences as U+FFFD, valid
// text unchanged, and saving what was read writes the same bytes again.
TEST(XmlWriter, ForbiddenCharactersAndInvalidBytesGiveAWellFormedStableFile) {
    std::string controls;
    for (char c = 0; c < 0x20; ++c)
        if (c != '\t' && c != '\n' && c != '\r') controls += c;
    const std::string valid = "tab\tand\r\nlines \xE2\x82\xAC\xF0\x9F\x98\x80 \xE2\x90\x81 &#x2401; <&>\"'";
    const std::string fffd = "\xEF\xBF\xBD";
    const std::pair<std::string, std::string> invalid[] = {{"\xED\xA0\x80", fffd + fffd + fffd},
                                                           {"\xC0\xAF", fffd + fffd},
                                                           {"\xE0\x80\xAF", fffd + fffd + fffd},
                                                           {"\xFF\xFE", fffd + fffd},
                                                           {"\xEF\xBF\xBE", fffd},
                                                           {"\xEF\xBF\xBF", fffd},
                                                           {"\xE2\x82", fffd + fffd}};
    TempFolder folder;
    const std::wstring path = folder.File(L"qv.xml");
    XmlDocument d;
    XmlDocumentOpenFile(&d, path.c_str());
    XmlElement* e = XmlElementAddNewChild(d.root, "<Options1/>");
    XmlElementAddVariable(e, "Recent_Channels", "#" + controls + valid);
    for (size_t i = 0; i < std::size(invalid); ++i)
        XmlElementAddVariable(e, "b" + std::to_string(i), "<" + invalid[i].first + ">");
    XmlElementAddText(e, "")->text = XmlEscape("x" + controls + valid);
    XmlElementAddCData(e, "")->text = controls + "/say ]]>" + controls + invalid[0].first;
    XmlElementAddComment(e, "note\x01\x1F");
    ASSERT_EQ(XmlDocumentSave(&d, nullptr, 0, 0, nullptr), 1);
    const std::string first = ReadFileBytes(path);
    EXPECT_TRUE(IsStrictlyWellFormedXml(path)) << first;

    XmlDocument back;
    XmlDocumentOpenFile(&back, path.c_str());
    XmlElement* read = XmlElementFindPath(back.root, "Options1");
    ASSERT_NE(read, nullptr) << first;
    EXPECT_EQ(XmlVariableGetValueString(XmlElementFindVariable(read, "Recent_Channels")),
              "#" + controls + valid);
    for (size_t i = 0; i < std::size(invalid); ++i)
        EXPECT_EQ(XmlVariableGetValueString(XmlElementFindVariable(read, ("b" + std::to_string(i)).c_str())),
                  "<" + invalid[i].second + ">")
            << i;
    EXPECT_EQ(XmlTextGetTextString(XmlElementGetTexts(read)[0]), "x" + controls + valid);
    ASSERT_EQ(XmlElementGetCDataCount(read), 1u) << first;
    EXPECT_EQ(XmlElementGetCDataSections(read)[0]->text,
              controls + "/say ]]>" + controls + invalid[0].second);
    EXPECT_EQ(XmlElementGetComments(read)[0]->text, "note\xE2\x90\x81\xE2\x90\x9F");
    for (int raw : {0, 1}) {
        ASSERT_EQ(XmlDocumentSave(&back, nullptr, raw, 0, nullptr), 1);
        EXPECT_EQ(ReadFileBytes(path), first) << raw;
    }
}

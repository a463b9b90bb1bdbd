#include <gtest/gtest.h>

#include "tests/support/test_files.h"
#include "xml/xml_binary.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_writer.h"

#include <psapi.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// Every kind of record, with content before, between and after children.
const char kEverything[] = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n"
                           "<!-- before -->\r\n"
                           "<Cfg version=\"3\" quote=\"&lt;a&gt; &amp; &quot;b&quot;\">\r\n"
                           "\t<!-- first -->\r\n"
                           "\t<Options1 Default_Nick=\"guest\"/>\r\n"
                           "\ttext between\r\n"
                           "\t<Scripts>\r\n"
                           "\t\t<![CDATA[if (1 < 2) { echo & }]]>\r\n"
                           "\t\t<Script name=\"a\"/>\r\n"
                           "\t\t<!-- second -->\r\n"
                           "\t\t<Script name=\"b\"><Deep><Deeper/></Deep></Script>\r\n"
                           "\t</Scripts>\r\n"
                           "\tclosing text\r\n"
                           "</Cfg>\r\n"
                           "<!-- after -->\r\n";

std::string DocumentText(XmlDocument* d) {
    return XmlElementExportText(d->root, 1, 1, kXmlFormatFile, d->header);
}

void SetWord(Bytes& b, size_t at, uint32_t v) {
    std::memcpy(b.data() + at, &v, 4);
}

std::string DefaultSettings() {
    std::wstring path = L"Z:" BRINDLEX_SOURCE_DIR_W L"/res/default_user_cfg.xml";
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return ReadFileBytes(path);
}

} // namespace

TEST(XmlBinary, DocumentsRoundTripToTheSameText) {
    const std::string defaults = DefaultSettings();
    ASSERT_FALSE(defaults.empty());
    for (const std::string& source : {std::string(kEverything), defaults}) {
        XmlDocument original, copy;
        XmlDocumentOpenText(&original, source.c_str());
        XmlDocumentOpenText(&copy, "<?xml ?><old><stale/></old>");
        Bytes record;
        XmlDocumentToRecord(&original, record);
        ASSERT_TRUE(XmlDocumentFromRecord(&copy, record.data(), record.size()));
        EXPECT_EQ(DocumentText(&copy), DocumentText(&original));
        EXPECT_EQ(XmlElementGetParent(XmlElementGetChild(copy.root, 0)), copy.root);
    }
}

TEST(XmlBinary, EachRecordKindKeepsWhatIsStored) {
    XmlDocument doc;
    XmlDocumentOpenText(&doc, kEverything);
    XmlElement* cfg = doc.root;
    const char raw[] = {'a', 0, 'b', 0, 0, 'c'};
    XmlElementAddTextBytes(cfg, raw, sizeof raw, 1)->position = 1; // bytes are never written as text
    Bytes b;
    XmlElement element;
    XmlElementToRecord(cfg, b);
    ASSERT_TRUE(XmlElementFromRecord(&element, b.data(), b.size()));
    EXPECT_EQ(XmlElementCompare(&element, cfg), 0);
    EXPECT_EQ(XmlTextGetBytes(element.texts.At(2)), std::string(raw, sizeof raw));
    EXPECT_EQ(element.texts.At(2)->position, 1u);

    XmlHeader header;
    XmlHeaderToRecord(doc.header, b);
    ASSERT_TRUE(XmlHeaderFromRecord(&header, b.data(), b.size()));
    EXPECT_EQ(header.line, doc.header->line);
    ASSERT_EQ(header.comments.Count(), 2u);
    EXPECT_EQ(header.comments.At(1)->position, 1u);

    XmlVariable variable;
    XmlVariableToRecord(cfg->variables.At(1), b);
    EXPECT_EQ(b.size(), 24u + 5u + cfg->variables.At(1)->value.size());
    ASSERT_TRUE(XmlVariableFromRecord(&variable, b.data(), b.size()));
    EXPECT_EQ(variable.value, cfg->variables.At(1)->value); // entities and all

    XmlContent comment, cdata;
    XmlCommentToRecord(cfg->comments.At(0), b);
    EXPECT_FALSE(XmlCDataFromRecord(&cdata, b.data(), b.size())); // a comment is no CDATA section
    ASSERT_TRUE(XmlCommentFromRecord(&comment, b.data(), b.size()));
    EXPECT_EQ(comment.text, " first ");
    XmlCDataToRecord(XmlElementFindPath(cfg, "Scripts")->cdata.At(0), b);
    ASSERT_TRUE(XmlCDataFromRecord(&cdata, b.data(), b.size()));
    EXPECT_EQ(cdata.text, "if (1 < 2) { echo & }");
}

TEST(XmlBinary, RecordsThatDoNotAddUpAreRefused) {
    XmlElement* e = XmlElementCreate(nullptr, "<Abc/>");
    Bytes b;
    XmlElementToRecord(e, b);
    ASSERT_EQ(b.size(), 20u + 3u);
    EXPECT_EQ(b[12], 7u); // payload: the name's length word and the name

    XmlVariableSetValue(XmlElementFindVariable(e, "keep", 1), "1");
    Bytes bad = b;
    bad.push_back(0);
    EXPECT_FALSE(XmlElementFromRecord(e, bad.data(), bad.size()));
    EXPECT_EQ(XmlElementGetVariableCount(e), 0u); // a refused element is left cleared
    for (size_t at : {0u, 4u, 8u, 16u}) {         // header words, and a name longer than the payload
        bad = b;
        SetWord(bad, at, 9);
        EXPECT_FALSE(XmlElementFromRecord(e, bad.data(), bad.size())) << at;
    }
    XmlVariable v;
    v.name = "keep";
    XmlVariableToRecord(&v, bad);
    bad.pop_back();
    SetWord(bad, 12, static_cast<uint32_t>(bad.size() - 16));
    EXPECT_FALSE(XmlVariableFromRecord(&v, bad.data(), bad.size())); // the value's length runs past the end
    EXPECT_EQ(v.name, "keep");                                       // left as it was
    XmlElementFree(e);
}

TEST(XmlBinary, NestingStopsAtTheReadersLimit) {
    XmlElement* top = XmlElementCreate(nullptr, "<n/>");
    XmlElement* e = top;
    for (int i = 0; i < 3000; ++i) e = XmlElementAddNewChild(e, "<n/>");
    Bytes b;
    XmlElementToRecord(top, b);
    XmlElementFree(top);
    XmlElement read;
    ASSERT_TRUE(XmlElementFromRecord(&read, b.data(), b.size()));
    uint32_t depth = 0;
    for (XmlElement* p = &read; XmlElementGetChildCount(p); p = XmlElementGetChild(p, 0)) ++depth;
    EXPECT_EQ(depth, kXmlMaxDepth - 1);
}

TEST(XmlBinary, TruncatedAndMutatedRecordsFailCleanly) {
    XmlDocument source;
    XmlDocumentOpenText(&source, kEverything);
    Bytes record;
    XmlDocumentToRecord(&source, record);
    std::mt19937 random(24);
    PROCESS_MEMORY_COUNTERS memory{};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    const size_t peakBefore = memory.PeakPagefileUsage;
    for (int i = 0; i < 5000; ++i) {
        Bytes input = record;
        if (i < 1000) {
            input.resize(random() % record.size());
        } else {
            for (int m = 1 + random() % 4; m-- > 0;) {
                const size_t at = random() % (input.size() - 4);
                switch (random() % 4) {
                    case 0: input[at] = static_cast<uint8_t>(random()); break;
                    case 1:
                        SetWord(input, at & ~size_t(3), 0xFFFFFFF0u + random() % 16);
                        break; // a huge length
                    case 2: input.erase(input.begin() + at); break;
                    default: input.insert(input.begin() + at, static_cast<uint8_t>(random())); break;
                }
            }
        }
        XmlDocument target;
        XmlDocumentOpenText(&target, "<?xml ?><t/>");
        const bool accepted = XmlDocumentFromRecord(&target, input.data(), input.size());
        EXPECT_FALSE(accepted && i < 1000) << "a truncated record was accepted";
        ASSERT_TRUE(XmlDocumentIsValid(&target));
        DocumentText(&target);
    }
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    EXPECT_LT(memory.PeakPagefileUsage - peakBefore, size_t(64) << 20);
}

#include <gtest/gtest.h>

#include "tests/support/test_files.h"
#include "xml/xml_binary.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_header.h"
#include "xml/xml_writer.h"

#include <psapi.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#ifndef BRINDLEX_SOURCE_DIR
#error "BRINDLEX_SOURCE_DIR names the repository, where the default settings document lies"
#endif

namespace {

using Bytes = std::vector<uint8_t>;

// Every kind of record, with content placed between, before and after children.
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
                           "\t<Empty/>\r\n"
                           "\tclosing text\r\n"
                           "</Cfg>\r\n"
                           "<!-- after -->\r\n";

std::string DocumentText(XmlDocument* d) {
    return XmlElementExportText(d->root, 1, 1, kXmlFormatFile, d->header);
}

uint32_t Word(const Bytes& b, size_t at) {
    uint32_t v = 0;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

void SetWord(Bytes& b, size_t at, uint32_t v) {
    std::memcpy(b.data() + at, &v, 4);
}

std::string SourceFile(const char* relative) {
    std::wstring path =
        L"Z:" + std::wstring(BRINDLEX_SOURCE_DIR, BRINDLEX_SOURCE_DIR + std::strlen(BRINDLEX_SOURCE_DIR)) +
        L"/" + std::wstring(relative, relative + std::strlen(relative));
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return ReadFileBytes(path);
}

size_t CommittedBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return counters.PeakPagefileUsage;
}

} // namespace

TEST(XmlBinary, DocumentsRoundTripToTheSameText) {
    const std::string defaults = SourceFile("res/default_user_cfg.xml");
    ASSERT_FALSE(defaults.empty());
    for (const std::string& source : {std::string(kEverything), defaults}) {
        XmlDocument original;
        XmlDocumentOpenText(&original, source.c_str());
        Bytes record;
        XmlDocumentToRecord(&original, record);
        ASSERT_GE(record.size(), 16u);
        EXPECT_EQ(Word(record, 4), kXmlRecordDocument);
        EXPECT_EQ(Word(record, 12) + 16u, record.size());

        XmlDocument copy;
        XmlDocumentOpenText(&copy, "<?xml ?><old><stale/></old>");
        ASSERT_TRUE(XmlDocumentFromRecord(&copy, record.data(), record.size()));
        EXPECT_EQ(DocumentText(&copy), DocumentText(&original));
        EXPECT_EQ(XmlDocumentCompare(&copy, &original), 0);
        EXPECT_TRUE(XmlDocumentIsValid(&copy));
        EXPECT_EQ(XmlElementGetParent(XmlElementGetChild(copy.root, 0)), copy.root);
    }
}

TEST(XmlBinary, EveryRecordKindRoundTrips) {
    XmlDocument doc;
    XmlDocumentOpenText(&doc, kEverything);
    XmlElement* cfg = doc.root;
    Bytes b;

    XmlElement element;
    XmlElementToRecord(cfg, b);
    ASSERT_TRUE(XmlElementFromRecord(&element, b.data(), b.size()));
    EXPECT_EQ(XmlElementExportText(&element, 1, 1, 0, nullptr), XmlElementExportText(cfg, 1, 1, 0, nullptr));

    XmlHeader header;
    XmlHeaderToRecord(doc.header, b);
    ASSERT_TRUE(XmlHeaderFromRecord(&header, b.data(), b.size()));
    EXPECT_EQ(header.line, doc.header->line);
    ASSERT_EQ(header.comments.Count(), 2u);
    EXPECT_EQ(header.comments.At(1)->text, " after ");
    EXPECT_EQ(header.comments.At(1)->position, 1u);

    XmlVariable variable;
    XmlVariableToRecord(cfg->variables.At(1), b);
    EXPECT_EQ(b.size(), 24u + 5u + cfg->variables.At(1)->value.size());
    ASSERT_TRUE(XmlVariableFromRecord(&variable, b.data(), b.size()));
    EXPECT_EQ(variable.name, "quote");
    EXPECT_EQ(variable.value, cfg->variables.At(1)->value); // as stored, entities and all

    XmlContent comment, cdata;
    XmlCommentToRecord(cfg->comments.At(0), b);
    ASSERT_TRUE(XmlCommentFromRecord(&comment, b.data(), b.size()));
    EXPECT_FALSE(XmlCDataFromRecord(&cdata, b.data(), b.size())); // a comment is no CDATA section
    EXPECT_EQ(comment.text, " first ");
    XmlElement* scripts = XmlElementFindPath(cfg, "Scripts");
    XmlCDataToRecord(scripts->cdata.At(0), b);
    ASSERT_TRUE(XmlCDataFromRecord(&cdata, b.data(), b.size()));
    EXPECT_EQ(cdata.text, "if (1 < 2) { echo & }");

    // Raw bytes keep their zeros; positions travel with every item.
    const char raw[] = {'a', 0, 'b', 0, 0, 'c'};
    XmlText* bytes = XmlElementAddTextBytes(cfg, raw, sizeof raw, 1);
    bytes->position = 2;
    XmlText text;
    XmlTextItemToRecord(bytes, b);
    EXPECT_EQ(b.size(), 28u + sizeof raw);
    ASSERT_TRUE(XmlTextItemFromRecord(&text, b.data(), b.size()));
    EXPECT_EQ(text.kind, 1);
    EXPECT_EQ(XmlTextGetBytes(&text), std::string(raw, sizeof raw));
    EXPECT_EQ(text.position, 2u);
    XmlElementToRecord(cfg, b);
    ASSERT_TRUE(XmlElementFromRecord(&element, b.data(), b.size()));
    EXPECT_EQ(XmlElementCompare(&element, cfg), 0);
    EXPECT_EQ(element.texts.At(2)->position, 2u);
}

TEST(XmlBinary, RecordSizesAndRefusals) {
    XmlElement* empty = XmlElementCreate(nullptr, "<Abc/>");
    Bytes b;
    XmlElementToRecord(empty, b);
    ASSERT_EQ(b.size(), 20u + 3u);
    EXPECT_EQ(Word(b, 12), 7u);
    XmlElementFree(empty);

    XmlElement* e = XmlElementCreate(nullptr, "<keep a=\"1\"/>");
    b.push_back(0); // one byte more than the record says
    EXPECT_FALSE(XmlElementFromRecord(e, b.data(), b.size()));
    EXPECT_EQ(XmlElementGetVariableCount(e), 0u); // a refused element is left cleared
    b.pop_back();
    EXPECT_TRUE(XmlElementFromRecord(e, b.data(), b.size()));
    for (size_t word : {0u, 4u, 8u}) {
        Bytes bad = b;
        SetWord(bad, word, 9);
        EXPECT_FALSE(XmlElementFromRecord(e, bad.data(), bad.size())) << word;
    }
    Bytes longName = b;
    SetWord(longName, 16, 4); // the name claims more than the payload holds
    EXPECT_FALSE(XmlElementFromRecord(e, longName.data(), longName.size()));
    XmlElementFree(e);

    XmlVariable v;
    v.name = "keep";
    XmlVariableToRecord(&v, b);
    b.resize(b.size() - 1);
    SetWord(b, 12, Word(b, 12) - 1);
    EXPECT_FALSE(XmlVariableFromRecord(&v, b.data(), b.size()));
    EXPECT_EQ(v.name, "keep"); // left as it was
    EXPECT_FALSE(XmlDocumentFromRecord(nullptr, b.data(), b.size()));
    EXPECT_FALSE(XmlHeaderFromRecord(nullptr, nullptr, 0));
}

TEST(XmlBinary, NestingIsBoundedByTheReadersLimit) {
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
    EXPECT_LT(depth, kXmlMaxDepth);
    EXPECT_GT(depth, kXmlMaxDepth - 5);
}

TEST(XmlBinary, TruncatedAndMutatedRecordsFailCleanly) {
    XmlDocument source;
    XmlDocumentOpenText(&source, kEverything);
    Bytes record;
    XmlDocumentToRecord(&source, record);
    std::mt19937 random(24);
    const size_t before = CommittedBytes();
    int accepted = 0;
    for (int i = 0; i < 5000; ++i) {
        Bytes input = record;
        if (i < 1000) {
            input.resize(random() % record.size()); // every truncation is refused
        } else {
            for (int m = 1 + random() % 4; m-- > 0;) {
                const size_t at = random() % input.size();
                switch (random() % 4) {
                    case 0: input[at] = static_cast<uint8_t>(random()); break;
                    case 1: // a length word claiming nearly everything
                        if (at + 4 <= input.size())
                            SetWord(input, at & ~size_t(3), 0xFFFFFFF0u - random() % 64);
                        break;
                    case 2: input.erase(input.begin() + at); break;
                    default: input.insert(input.begin() + at, static_cast<uint8_t>(random())); break;
                }
            }
        }
        XmlDocument target;
        XmlDocumentOpenText(&target, "<?xml ?><t/>");
        const bool ok = XmlDocumentFromRecord(&target, input.data(), input.size());
        if (i < 1000) {
            EXPECT_FALSE(ok) << input.size();
        }
        if (ok) ++accepted;
        ASSERT_TRUE(XmlDocumentIsValid(&target));
        XmlElement element;
        if (input.size() > 16) XmlElementFromRecord(&element, input.data() + 16, input.size() - 16);
        XmlElementExportText(&element, 1, 1, 0, nullptr);
        DocumentText(&target);
    }
    EXPECT_GT(accepted, 0); // mutated texts and positions are still records
    EXPECT_LT(CommittedBytes() - before, size_t(64) << 20);
}

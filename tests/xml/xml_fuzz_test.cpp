#include <gtest/gtest.h>

#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_writer.h"

#include <random>
#include <string>

namespace {

const char kSeedDocument[] =
    "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n"
    "<!-- settings -->\r\n"
    "<Cfg version=\"3\">\r\n"
    "\t<Options1 Default_Nick=\"guest\" Quit=\"&lt;bye&gt; &amp; &quot;x&quot; &apos;\" "
    "Euro=\"&#x20AC;&#65;\"/>\r\n"
    "\t<Options3>\r\n"
    "\t\t<Notifications Hilite_words=\"me\" Inactive_beep=\"\"/>\r\n"
    "\t</Options3>\r\n"
    "\t<Scripts>\r\n"
    "\t\t<Script name=\"a\">\r\n"
    "\t\t\t<![CDATA[if (1 < 2) { echo ]] > done }]]>\r\n"
    "\t\t</Script>\r\n"
    "\t\t<!-- between -->\r\n"
    "\t\t<Script name=\"b\"/>\r\n"
    "\t</Scripts>\r\n"
    "\t<Blob "
    "v=\"AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4__OTo7PD0+P0BBQkNE\"/"
    ">\r\n"
    "\t<Text>\r\n"
    "\t\tsome text &amp; more\r\n"
    "\t</Text>\r\n"
    "</Cfg>\r\n"
    "<!-- end -->\r\n";

const char* const kSnippets[] = {"<",    ">",         "/>",    "</",         "\"", "=",    "<!--",
                                 "-->",  "<![CDATA[", "]]>",   "<?",         "?>", "&",    "&#",
                                 "&#x",  ";",         "<a>",   "</a>",       "\0", "\xFF", "<?xml ?>",
                                 "\r\n", "\t",        "&amp;", "<b c=\"d\">"};

std::string Mutate(const std::string& text, std::mt19937& random) {
    std::string s = text;
    int edits = 1 + static_cast<int>(random() % 8);
    for (int e = 0; e < edits; ++e) {
        size_t at = s.empty() ? 0 : random() % (s.size() + 1);
        switch (random() % 6) {
            case 0:
                if (!s.empty() && at < s.size()) s[at] = static_cast<char>(random());
                break;
            case 1: {
                const char* snippet = kSnippets[random() % (sizeof kSnippets / sizeof *kSnippets)];
                s.insert(at, snippet, *snippet ? strlen(snippet) : 1);
                break;
            }
            case 2: s.erase(at, random() % 40); break;
            case 3: {
                size_t from = s.empty() ? 0 : random() % s.size();
                s.insert(at, s.substr(from, random() % 200));
                break;
            }
            case 4: s.resize(at); break;
            default:
                if (!s.empty() && at < s.size()) s[at] = "<>\"/=&!?-[]"[random() % 11];
                break;
        }
    }
    return s;
}

} // namespace

TEST(XmlFuzz, RandomMutationsLoadWriteAndReload) {
    std::mt19937 random(20260101u);
    int declared = 0, invented = 0, broken = 0;
    for (int round = 0; round < 4000; ++round) {
        std::string text = Mutate(kSeedDocument, random);
        XmlDocument d;
        XmlDocumentOpen(&d, text.c_str(), 1, nullptr);
        ASSERT_NE(d.root, nullptr) << round;
        ASSERT_TRUE(XmlDocumentIsValid(&d)) << round;
        ASSERT_TRUE(d.state >= 0 && d.state <= 2) << round;
        (d.state == 0 ? declared : d.state == 1 ? invented : broken)++;

        // Whatever was read can be written, read again and used.
        std::string written = XmlElementExportText(d.root, 1, 1, 0, d.header);
        XmlDocument again;
        XmlDocumentOpen(&again, written.c_str(), 1, nullptr);
        ASSERT_TRUE(XmlDocumentIsValid(&again)) << round;
        XmlDocument copy;
        XmlDocumentCopy(&copy, &again);
        XmlElementMerge(copy.root, d.root, 1);
        char out[64];
        XmlGetValueByPath(&again, "Options1", "Quit", out, sizeof out - 1);
        XmlSetValueByPath(&again, "Options1", "Quit", out);
    }
    // The mutations reach every load state.
    EXPECT_GT(declared, 0);
    EXPECT_GT(invented, 0);
    EXPECT_GT(broken, 0);
}

#include <gtest/gtest.h>

#include "tests/xml/xml_test_files.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_query.h"
#include "xml/xml_unload.h"

#include <string>
#include <vector>

namespace {

class XmlQuery : public testing::Test {
protected:
    XmlQuery() {
        XmlDocumentOpenText(&doc_,
                            "<?xml ?><root><Special_Scripts>"
                            "<Script name=\"Greet\" port=\"10\"/>"
                            "<Script name=\"other\" port=\"9\"><Inner name=\"greet\"/><Inner2/></Script>"
                            "<Server name=\"x\" port=\"abc\">hello</Server>"
                            "<server name=\"y\" port=\"012\"/>"
                            "</Special_Scripts></root>");
        scripts_ = XmlElementFindPath(doc_.root, "Special_Scripts");
    }
    std::vector<std::string> Names(const char* expression, uint32_t depth) {
        std::vector<XmlElement*> found;
        uint32_t n = XmlElementQuery(scripts_, expression, &found, depth);
        EXPECT_EQ(n, found.size());
        std::vector<std::string> names;
        for (XmlElement* e : found) names.push_back(XmlElementGetNameString(e));
        return names;
    }

    XmlDocument doc_;
    XmlElement* scripts_ = nullptr;
};

using List = std::vector<std::string>;

} // namespace

TEST_F(XmlQuery, AttributePatternsIgnoreCase) {
    EXPECT_EQ(Names("name == \"greet\"", 1), List{"Script"});
    EXPECT_EQ(Names("name == \"nobody\"", 1), List{});
    EXPECT_EQ(Names("name == \"greet\"", 2), (List{"Script", "Inner"}));
    EXPECT_EQ(Names("name != \"*\"", 1), List{});
    EXPECT_EQ(Names("name == \"*\"", 1).size(), 4u);
}

TEST_F(XmlQuery, NamesPathsAndTexts) {
    EXPECT_EQ(Names("? == \"Serv*\"", 1), (List{"Server", "server"}));
    EXPECT_EQ(Names("~0 == \"hel?o\"", 1), List{"Server"});
    EXPECT_EQ(Names("! == \"Special_Scripts\\Script\\Inner*\"", 0xFFFFFFFFu), (List{"Inner", "Inner2"}));
}

TEST_F(XmlQuery, NumbersAndSeveralConditions) {
    EXPECT_EQ(Names("port >= 10", 1), (List{"Script", "server"}));
    EXPECT_EQ(Names("port < 10", 1), List{"Script"});
    EXPECT_EQ(Names("port >= 9 name == \"other\"", 1), List{"Script"});
    EXPECT_EQ(Names("port == 0", 1), List{});
}

TEST_F(XmlQuery, CandidateOrderDepthAndMissingPaths) {
    EXPECT_EQ(Names("x", 2), (List{"Script", "Inner", "Inner2", "Script", "Server", "server"}));
    EXPECT_EQ(Names("x", 0), List{});
    std::vector<XmlElement*> found;
    EXPECT_EQ(XmlDocumentQueryPath(&doc_, "Special_Scripts", "name == \"y\"", &found, 1), 1u);
    EXPECT_EQ(XmlDocumentQueryPath(&doc_, "Missing", "name == \"y\"", &found, 1), 0u);
}

TEST(XmlWildcard, Matching) {
    EXPECT_TRUE(XmlWildcardMatch("", "*", false));
    EXPECT_TRUE(XmlWildcardMatch("", "", false));
    EXPECT_FALSE(XmlWildcardMatch("a", "", false));
    EXPECT_TRUE(XmlWildcardMatch("abc", "A*C", false));
    EXPECT_FALSE(XmlWildcardMatch("abc", "A*C", true));
    EXPECT_TRUE(XmlWildcardMatch("aXbXc", "*X*c", true));
    EXPECT_FALSE(XmlWildcardMatch("ab", "ab?", false));
    EXPECT_TRUE(XmlWildcardMatch("ab", "ab**", false));
}

namespace {

// A settings list with numbers, texts, non-ASCII names and nesting three deep.
const char kList[] = "<?xml ?><root><List>"
                     "<Server name=\"Alpha\" port=\"6667\" group=\"10\">first</Server>"
                     "<Server name=\"beta\" port=\"abc\"><Net name=\"inner\" port=\"7000\"/>"
                     "<Net name=\"Other\" port=\"0x1\"/></Server>"
                     "<Script name=\"Greet\" port=\"010\"/>"
                     "<script name=\"\303\244b\" port=\"-5\"><deep><deeper name=\"x\"/></deep></script>"
                     "</List></root>";

// Each match by its name attribute, or by its element name when it has none.
std::string Labels(XmlElement* list, const char* expression, uint32_t depth) {
    std::vector<XmlElement*> found;
    const uint32_t n = XmlElementQuery(list, expression, &found, depth);
    if (n == kXmlNotFound) return found.empty() ? "malformed" : "malformed but filled";
    std::string labels;
    for (XmlElement* e : found) {
        XmlVariable* name = XmlElementFindVariable(e, "name");
        labels += (labels.empty() ? "" : ",") +
                  (name ? XmlVariableGetValueString(name) : XmlElementGetNameString(e));
    }
    return n == found.size() ? labels : "count differs";
}

struct QueryCase {
    const char* expression;
    uint32_t depth;
    const char* expected;
};

const QueryCase kCases[] = {
    {"name == \"alpha\"", 1, "Alpha"},
    {"name != \"alpha\"", 1, "beta,Greet,\303\244b"},
    {"name == \"\303\204B\"", 1, ""}, // only ASCII letters fold
    {"name == \"\303\244B\"", 1, "\303\244b"},
    {"? == \"serv*\"", 1, "Alpha,beta"},
    {"? == \"S?RIPT\"", 1, "Greet,\303\244b"},
    {"! == \"List\\Server\\Net\"", 0xFFFFFFFFu, "inner,Other"},
    {"~0 == \"fir*\"", 1, "Alpha"},
    {"~0 == \"*\"", 1, "Alpha,beta,Greet,\303\244b"},
    {"~1 == \"first\"", 1, ""},
    {"~0 != \"*\"", 1, ""},
    {"port == 6667", 1, "Alpha"},
    {"port != 6667", 1, "Greet,\303\244b"},
    {"port >= 10", 1, "Alpha,Greet"},
    {"port <= 10", 1, "Greet,\303\244b"},
    {"port < 0", 1, "\303\244b"},
    {"port > 6666", 0xFFFFFFFFu, "Alpha,inner"},
    {"port == 0", 0xFFFFFFFFu, "Other"},
    {"missing == 0", 1, ""},
    {"group >= 10 name == \"Alpha\"", 1, "Alpha"},
    {"port >= 10 name == \"beta\"", 1, ""},
    {"name == \"a*\" port <= 10", 1, ""},
    {"name >= \"zzz\"", 1, "Alpha,beta,Greet,\303\244b"},
    {"everything", 2, "Alpha,inner,Other,beta,Greet,deep,\303\244b"},
    {"", 0xFFFFFFFFu, "Alpha,inner,Other,beta,Greet,x,deep,\303\244b"},
    {"name == \"Alpha\"", 0, ""},
    // Malformed: nothing is selected and the count says so.
    {"name ==", 1, "malformed"},
    {"name == ", 1, "malformed"},
    {"name = \"Alpha\"", 1, "malformed"},
    {"name == \"Alpha", 1, "malformed"},
    {"name == \"Alpha\"x", 1, "malformed"},
    {"name  == 1", 1, "malformed"},
    {"name == 1 ", 1, "malformed"},
    {" name == 1", 1, "malformed"},
    {"name == 1 port", 1, "malformed"},
    {"name == 1 port >=", 1, "malformed"},
    {"== 1", 1, "malformed"},
};

} // namespace

TEST(XmlQueryLanguage, ExpressionTable) {
    XmlDocument doc;
    XmlDocumentOpenText(&doc, kList);
    XmlElement* list = XmlElementFindPath(doc.root, "List");
    for (const QueryCase& c : kCases)
        EXPECT_EQ(Labels(list, c.expression, c.depth), c.expected) << c.expression;
    EXPECT_EQ(XmlElementQuery(list, nullptr, nullptr, 1), kXmlNotFound);
}

TEST(XmlQueryLanguage, UnloadedChildrenAreNoCandidates) {
    TempFolder folder;
    CurrentFolder here(folder.Path());
    XmlDocument doc;
    XmlDocumentOpenText(&doc, kList);
    XmlElement* list = XmlElementFindPath(doc.root, "List");
    ASSERT_EQ(XmlElementUnloadChild(list, 1), 1);
    EXPECT_EQ(Labels(list, "x", 0xFFFFFFFFu), "Alpha,Greet,x,deep,\303\244b");
    EXPECT_EQ(Labels(list, "port >= 0", 1), "Alpha,Greet");
    EXPECT_EQ(XmlElementGetChild(list, 1), nullptr); // a query never reloads
}

#include <gtest/gtest.h>

#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_query.h"

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

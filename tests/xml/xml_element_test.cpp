#include <gtest/gtest.h>

#include "xml/xml_element.h"

TEST(XmlElement, Placeholder) { EXPECT_TRUE(true); }

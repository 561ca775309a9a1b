#include "app/catalog.h"

#include <gtest/gtest.h>

#include <stdexcept>

using basCommon::GetCatalogString;

TEST(Catalog, MessagesEndWithCrLfAndTextsFrom500OnHaveNoLineBreak) {
    for (int32_t id : {101, 116, 301, 302, 310, 333, 342, 344, 348}) {
        EXPECT_TRUE(GetCatalogString(id).ends_with("\r\n")) << id;
    }
    for (int32_t id : {500, 501, 1002, 1003, 1111}) {
        EXPECT_EQ(GetCatalogString(id).find_first_of("\r\n"), std::string::npos) << id;
    }
}

TEST(Catalog, UnknownIdentifierIsAProgrammingError) {
    EXPECT_THROW(GetCatalogString(20), std::out_of_range);
    std::string text = "unchanged";
    EXPECT_FALSE(basCommon::LookupCatalogText(21, text));
    EXPECT_EQ(text, "unchanged");
    EXPECT_TRUE(basCommon::LookupCatalogText(1100, text));
    EXPECT_EQ(text, "ID");
}

#include "app/catalog.h"

#include <gtest/gtest.h>

#include <stdexcept>

using basCommon::GetCatalogString;

TEST(Catalog, ErrorAndReportTextsEndWithCrLf) {
    EXPECT_EQ(GetCatalogString(101), "Invalid execution of stallscan.\r\n");
    EXPECT_EQ(GetCatalogString(101), "Invalid execution of stallscan.\r\n");  // from the cache
    for (int32_t id : {101, 116, 301, 302, 310, 333, 342, 344, 348}) {
        const std::string text = GetCatalogString(id);
        ASSERT_GE(text.size(), 2u) << id;
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << id;
    }
}

TEST(Catalog, TextsWithInnerLineBreaks) {
    EXPECT_EQ(GetCatalogString(301),
              "stallscan [server_name:][job_id] ...\r\nstallscan -h\r\nstallscan -V\r\n");
    EXPECT_EQ(GetCatalogString(302), "\r\nServer: %1\r\n");
    EXPECT_EQ(GetCatalogString(344),
              "Warning: Document format \"%1\" is not a native format for printer \"%2\".\r\n"
              "Make sure that the appropriate translation filter is defined.\r\n");
}

TEST(Catalog, TextsFrom500OnHaveNoLineBreak) {
    EXPECT_EQ(GetCatalogString(500), "Server \"%1\" is not responding.");
    EXPECT_EQ(GetCatalogString(501), "Job status: %1");
    EXPECT_EQ(GetCatalogString(1002), "\\bin\\kvls.exe");
    EXPECT_EQ(GetCatalogString(1003), "Log files (*.log)|*.log|All files (*.*)|*.*|");
    for (int32_t id : {1111, 1114, 1115, 1116}) {
        EXPECT_EQ(GetCatalogString(id), " ") << id;
    }
    EXPECT_EQ(GetCatalogString(msg::KwConnectingToPrinter), "connecting-to-printer");
    EXPECT_EQ(GetCatalogString(msg::KwAlphanumeric), "alphanumeric");
}

TEST(Catalog, UnknownIdentifierIsAProgrammingError) {
    EXPECT_THROW(GetCatalogString(20), std::out_of_range);
    std::string text = "unchanged";
    EXPECT_FALSE(basCommon::LookupCatalogText(21, text));
    EXPECT_EQ(text, "unchanged");
    EXPECT_TRUE(basCommon::LookupCatalogText(1100, text));
    EXPECT_EQ(text, "ID");
}

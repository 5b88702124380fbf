#include "CatalogText.h"
#include "ServerTypes.h"

#include <gtest/gtest.h>

using namespace korvex;
using namespace korvex::server;

TEST(CatalogText, LiteralsLoseCastsParenthesesAndKeepTheirSign)
{
    EXPECT_EQ(literalOf("'abc'::character varying")->text, "abc");
    EXPECT_TRUE(literalOf("'it''s'::text")->quoted);
    EXPECT_EQ(literalOf("'it''s'::text")->text, "it's");
    EXPECT_EQ(literalOf("(- 12.5)")->text, "-12.5");
    EXPECT_EQ(literalOf("'-1'::integer")->text, "-1");
    EXPECT_EQ(literalOf("0::numeric(10,2)")->text, "0");
    EXPECT_FALSE(literalOf("now()"));
    EXPECT_FALSE(literalOf("nextval('t_id_seq'::regclass)"));
    EXPECT_FALSE(literalOf("1 + 2"));
    EXPECT_FALSE(literalOf("CURRENT_TIMESTAMP"));
}

TEST(CatalogText, RangesOfOneColumnAndNothingElse)
{
    auto r = rangeOf("((qty >= 1) AND (qty <= 99))", "qty");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->minimum->text, "1");
    EXPECT_EQ(r->maximum->text, "99");
    r = rangeOf("\"Unit Price\" BETWEEN 0.5 AND 10", "Unit Price");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->minimum->text, "0.5");
    EXPECT_EQ(r->maximum->text, "10");
    r = rangeOf("(price >= (0)::numeric)", "price");
    ASSERT_TRUE(r && r->minimum && !r->maximum);
    r = rangeOf("100 >= qty", "qty"); // written the other way round: an upper bound
    ASSERT_TRUE(r && r->maximum && !r->minimum);
    EXPECT_FALSE(rangeOf("qty > 0", "qty"));
    EXPECT_FALSE(rangeOf("qty >= 1 OR qty <= 9", "qty"));
    EXPECT_FALSE(rangeOf("(qty + 1) >= 2", "qty"));
    EXPECT_FALSE(rangeOf("length(name) <= 5", "name"));
}

TEST(CatalogText, NamesAreQuotedOnlyWhereNeeded)
{
    EXPECT_EQ(quotedName("orders", true), "orders");
    EXPECT_EQ(quotedName("Orders", true), "\"Orders\"");
    EXPECT_EQ(quotedName("Orders", false), "Orders");
    EXPECT_EQ(quotedName("order", false), "\"order\"");
    EXPECT_EQ(quotedName("say \"hi\"", false), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(quotedName(QString::fromUtf8("größe"), true), QString::fromUtf8("\"größe\""));
}

TEST(ServerTypes, LiteralsBecomeEngineValuesOnlyWhereTheyFit)
{
    const FieldDefinition small = fieldFor("s", parseServerType("smallint"), "smallint", false);
    EXPECT_TRUE(engineValue(small, {"-32768", false}));
    EXPECT_FALSE(engineValue(small, {"40000", false}));
    const FieldDefinition name = fieldFor("n", parseServerType("character varying(3)"), "", false);
    EXPECT_TRUE(engineValue(name, {"abc", true}));
    EXPECT_FALSE(engineValue(name, {"abcd", true}));
    const FieldDefinition price = fieldFor("p", parseServerType("numeric(6,2)"), "", false);
    ASSERT_TRUE(engineValue(price, {"12.50", false}));
    double v = 0;
    ASSERT_TRUE(BcdToFloat(std::span<const std::byte, EngineBcd::Size>(engineValue(price, {"-12.5", false})->data(),
                                                                       EngineBcd::Size),
                           v));
    EXPECT_DOUBLE_EQ(v, -12.5);
    EXPECT_FALSE(engineValue(price, {"1.234", false})); // more decimals than the field keeps
    const FieldDefinition stamp = fieldFor("t", parseServerType("timestamp(0) without time zone"), "", false);
    EXPECT_EQ(stamp.type, FieldType::DateTime);
    EXPECT_TRUE(engineValue(stamp, {"2024-02-29 10:30:00", true}));
    EXPECT_FALSE(engineValue(stamp, {"2024-02-29 10:30:00+01", true}));
}

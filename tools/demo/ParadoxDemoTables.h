#pragma once

// The Paradox part of the demo database: a small order-entry example of three keyed
// tables. Everything the maker writes about them is stated here once: fields, validity
// checks, secondary indexes, referential-integrity links and rows. Values are written as
// a user would type them (dates as YYYY-MM-DD, times as HH:MM:SS, logicals as true or
// false); the writer turns them into the field's stored encoding.

#include <string>
#include <vector>

namespace korvex::demo {

// Paradox field type codes.
namespace pdx {
inline constexpr int Alpha = 0x01;
inline constexpr int Date = 0x02;
inline constexpr int Short = 0x03;
inline constexpr int Long = 0x04;
inline constexpr int Money = 0x05;
inline constexpr int Number = 0x06;
inline constexpr int Logical = 0x09;
inline constexpr int Memo = 0x0C;
inline constexpr int Time = 0x14;
inline constexpr int Timestamp = 0x15;
inline constexpr int AutoInc = 0x16;
inline constexpr int Bcd = 0x17;
} // namespace pdx

struct DemoField {
    std::string name;
    int type;
    int size; // record bytes; for BCD the number of decimals (the record takes 17 bytes)
};

// The checks of one field. An empty text means "not set".
struct DemoCheck {
    std::string field;
    bool required = false;
    std::string minimum;
    std::string maximum;
    std::string defaultValue;
    std::string picture;
};

// A secondary index. Without a name it is a single-field, case-sensitive, ascending index
// kept in an .Xnn file (nn: the field's number in hexadecimal) and named after its field;
// any other index is named and kept in an .XGn file.
struct DemoIndex {
    std::string name;
    std::vector<std::string> fields;
    bool unique = false;
    bool descending = false;
    bool caseInsensitive = false;
};

// A link from this (dependent) table to a master table; the dependent's link fields
// must have a secondary index, as Paradox creates one with the link.
struct DemoLink {
    std::string name;
    std::vector<std::string> fields;
    std::string masterFile;
    std::vector<std::string> masterFields;
    bool cascade; // update rule: cascade, else restrict
};

struct DemoTable {
    std::string file;
    int keyFields; // the first keyFields fields form the primary key
    std::vector<DemoField> fields;
    std::vector<DemoCheck> checks;
    std::vector<DemoIndex> indexes;
    std::vector<DemoLink> links;
    std::vector<std::vector<std::string>> rows; // one text per field; empty: blank
    std::string blobFile;                       // the .MB file for memo fields, empty without memo fields
};

inline std::vector<DemoTable> paradoxDemoTables()
{
    using namespace pdx;
    DemoTable customer{
        "CUSTOMER.DB",
        1,
        {{"CustNo", Long, 4},
         {"Name", Alpha, 40},
         {"City", Alpha, 30},
         {"Country", Alpha, 2},
         {"Phone", Alpha, 20},
         {"Since", Date, 4},
         {"CreditLimit", Money, 8},
         {"Active", Logical, 1},
         {"Notes", Memo, 20}},
        {{"CustNo", true, "1000", "99999", "", ""},
         {"Name", true, "", "", "", ""},
         {"City", false, "", "", "Springfield", ""},
         {"Country", false, "", "", "US", "&&"},
         {"Phone", false, "", "", "", "(###) ###-####"},
         {"Since", false, "1990-01-01", "", "2026-01-15", ""},
         {"CreditLimit", false, "0", "50000", "1000", ""},
         {"Active", false, "", "", "true", ""}},
        {{"", {"Name"}}, {"ByPlace", {"Country", "City"}, false, false, true}},
        {},
        {{"1001", "Harbour Supplies", "Portsmouth", "GB", "(023) 555-0101", "1998-03-12", "25000", "true",
          "Pays by invoice."},
         {"1002", "Miller & Sons", "Springfield", "US", "(217) 555-0199", "2003-07-01", "12000", "true", ""},
         {"1003", "Nordlicht Handel", "Hamburg", "DE", "(040) 555-0123", "2011-11-30", "8000", "false",
          "Closed at the end of 2025."},
         {"1004", "Atlas Tools", "Springfield", "US", "(217) 555-0142", "2026-01-15", "1000", "true", ""}},
        "CUSTOMER.MB",
    };

    DemoTable orders{
        "ORDERS.DB",
        1,
        {{"OrderNo", Long, 4},
         {"CustNo", Long, 4},
         {"OrderDate", Date, 4},
         {"ShipBy", Time, 4},
         {"Entered", Timestamp, 8},
         {"Discount", Bcd, 2},
         {"Total", Money, 8},
         {"Paid", Logical, 1},
         {"Status", Alpha, 1}},
        {{"OrderNo", true, "1", "", "", ""},
         {"CustNo", true, "", "", "", ""},
         {"OrderDate", true, "2000-01-01", "2099-12-31", "", ""},
         {"ShipBy", false, "08:00:00", "18:00:00", "12:00:00", ""},
         {"Entered", false, "2000-01-01 00:00:00", "", "2026-01-15 09:30:00", ""},
         {"Discount", false, "0", "25.5", "", ""},
         {"Total", false, "0", "", "", ""},
         {"Paid", false, "", "", "false", ""},
         {"Status", false, "", "", "N", "{N,P,S,C}"}},
        {{"", {"CustNo"}}, {"NewestFirst", {"OrderDate"}, false, true, false}},
        {{"OrderCustomer", {"CustNo"}, "CUSTOMER.DB", {"CustNo"}, true}},
        {{"5001", "1001", "2025-11-03", "09:15:00", "2025-11-03 08:42:10", "0", "1240.5", "true", "S"},
         {"5002", "1002", "2025-12-19", "14:00:00", "2025-12-19 13:05:00", "5.5", "318.75", "true", "P"},
         {"5003", "1001", "2026-01-08", "10:30:00", "2026-01-08 10:01:30", "2", "89.9", "false", "N"},
         {"5004", "1004", "2026-01-15", "16:45:00", "2026-01-15 09:30:00", "0", "15.2", "false", "N"}},
        "",
    };

    DemoTable items{
        "ITEMS.DB",
        1,
        {{"ItemId", AutoInc, 4},
         {"OrderNo", Long, 4},
         {"PartNo", Alpha, 7},
         {"Qty", Short, 2},
         {"Price", Money, 8},
         {"Weight", Number, 8}},
        {{"OrderNo", true, "", "", "", ""},
         {"PartNo", true, "", "", "", "&&-####"},
         {"Qty", false, "1", "999", "1", ""},
         {"Price", false, "0.01", "", "", ""},
         {"Weight", false, "0", "1000.5", "0.25", ""}},
        {{"", {"OrderNo"}}, {"OrderPart", {"OrderNo", "PartNo"}, true, false, false}},
        {{"ItemOrder", {"OrderNo"}, "ORDERS.DB", {"OrderNo"}, false}},
        {{"1", "5001", "HX-1001", "10", "99.5", "2.5"},
         {"2", "5001", "HX-2040", "5", "49.1", "0.75"},
         {"3", "5002", "MS-0007", "25", "12.75", "0.1"},
         {"4", "5003", "HX-1001", "1", "89.9", "2.5"},
         {"5", "5004", "AT-0300", "2", "7.6", "1.2"}},
        "",
    };

    return {customer, orders, items};
}

} // namespace korvex::demo

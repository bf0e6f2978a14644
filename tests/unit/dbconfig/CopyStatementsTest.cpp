// The texts the database copy writes: each column value by its ADO type and the target kind,
// and the batches executed on the new database (SQL Server's 200 statements with identity
// insert, one multi-row statement for the other kinds).
#include "dbconfig/CopyValueFormat.h"
#include "dbconfig/InsertBatch.h"
#include "platform/ado/ComError.h"
#include "platform/ado/Field.h"

#include <gtest/gtest.h>

using namespace dbconfig;
using namespace platform::ado;

namespace {

Field integer(int type, std::int64_t value) {
    Field field("C", type);
    field.SetInteger(value);
    return field;
}

Field text(int type, const std::string& value) {
    Field field("C", type);
    field.SetText(value.data(), value.size());
    return field;
}

Field real(int type, double value) {
    Field field("C", type);
    field.SetReal(value);
    return field;
}

std::string formatted(const Field& field, int kind) {
    std::string out;
    AppendCopyValue(out, field, kind);
    return out;
}

std::vector<std::string> rows(int count) {
    std::vector<std::string> values;
    for (int i = 1; i <= count; ++i) {
        values.push_back(std::to_string(i) + ",'P" + std::to_string(i) + "'");
    }
    return values;
}

// Feeds the rows through a batch as the copy does and returns every text it executes.
std::vector<std::string> executed(InsertBatch& batch, const std::vector<std::string>& values) {
    std::vector<std::string> texts;
    for (const std::string& value : values) {
        batch.BeginRow() += value;
        if (batch.EndRow()) {
            texts.push_back(batch.Take());
        }
    }
    if (!batch.Empty()) {
        texts.push_back(batch.Take());
    }
    return texts;
}

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t found = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++found;
    }
    return found;
}

} // namespace

TEST(CopyValueFormat, EachTypeIsWrittenAsItsKindExpects) {
    struct Case {
        const char* what;
        Field field;
        int kind;
        const char* expected;
    };
    Field null("C", adInteger);
    const Case cases[] = {
        {"small integer", integer(adSmallInt, -7), 1, "-7"},
        {"integer", integer(adInteger, 2147483647), 3, "2147483647"},
        {"unsigned integer", integer(adUnsignedInt, 4294967295LL), 1, "4294967295"},
        {"64-bit size", integer(adBigInt, 5000000000LL), 3, "5000000000"},
        {"negative 64-bit", integer(adBigInt, -5000000000LL), 1, "-5000000000"},
        {"unsigned 64-bit", text(adUnsignedBigInt, "18446744073709551615"), 2, "18446744073709551615"},
        {"boolean true", integer(adBoolean, -1), 1, "1"},
        {"double", real(adDouble, 2.5), 1, "2.500000"},
        {"decimal as text", text(adNumeric, "12.25"), 3, "12.250000"},
        {"date into SQLite", text(adDate, "2024-02-29 23:59:58"), 1, "'2024-02-29 23:59:58'"},
        {"timestamp into MariaDB", text(adDBTimeStamp, "2003-01-02 03:04:05"), 3, "'2003-01-02 03:04:05'"},
        {"date that is no date", text(adDate, "yesterday"), 2, "'Invalid DateTime'"},
        {"file time", integer(adFileTime, 116444736000000000LL + 10000000LL * 86400), 1,
         "'1970-01-02 00:00:00'"},
        {"apostrophe", text(adVarWChar, "Q3'S DATA"), 1, "'Q3''S DATA'"},
        {"backslash into SQLite", text(adVarWChar, "C:\\A"), 1, "'C:\\A'"},
        {"backslash into MySQL", text(adVarWChar, "C:\\A"), 3, "'C:\\\\A'"},
        {"both into MySQL", text(adLongVarWChar, "it's\\%_x"), 3, "'it''s\\\\%_x'"},
        {"non-ASCII", text(adVarChar, "Grüße/日本"), 3, "'Grüße/日本'"},
        {"fixed-width text", text(adChar, "ABC"), 1, "'ABC'"},
        {"NULL", null, 3, "NULL"},
        {"binary has no text", text(adVarBinary, "xy"), 1, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatted(c.field, c.kind), c.expected) << c.what;
    }
}

TEST(CopyValueFormat, ValuesTheirTypeCannotHoldFail) {
    EXPECT_THROW(formatted(text(adInteger, "not a number"), 1), ComError);
    EXPECT_THROW(formatted(text(adBigInt, "12abc"), 3), ComError);
}

TEST(InsertBatch, SqlServerGetsTwoHundredStatementsPerExecutionWithIdentityInsert) {
    const std::string prefix = "SET IDENTITY_INSERT DirNames ON\r\n";
    const std::string suffix = "SET IDENTITY_INSERT DirNames OFF\r\n";
    const std::string head = "insert into DirNames (DirID,Path) Values (";
    {
        InsertBatch batch(2, "DirNames", {"DirID", "Path"}, true);
        EXPECT_EQ(batch.Head(), head);
        std::vector<std::string> texts = executed(batch, rows(200));
        ASSERT_EQ(texts.size(), 1u) << "one batch at the 200th row, nothing left at the end";
        EXPECT_EQ(texts[0].rfind(prefix + head + "1,'P1')\r\n" + head + "2,'P2')\r\n", 0), 0u);
        EXPECT_EQ(count(texts[0], head), 200u);
        EXPECT_TRUE(texts[0].ends_with(head + "200,'P200')\r\n" + suffix));
    }
    {
        InsertBatch batch(2, "DirNames", {"DirID", "Path"}, true);
        std::vector<std::string> texts = executed(batch, rows(201));
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(count(texts[0], head), 200u);
        EXPECT_EQ(texts[1], prefix + head + "201,'P201')\r\n" + suffix)
            << "the last row is a batch of its own, with prefix and suffix";
    }
    {
        // SizeData keeps its generated key: no identity insert around its statements.
        InsertBatch batch(2, "SizeData", {"DirID", "ScanID"}, false);
        std::vector<std::string> texts = executed(batch, {"1,2", "3,4"});
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0], "insert into SizeData (DirID,ScanID) Values (1,2)\r\n"
                            "insert into SizeData (DirID,ScanID) Values (3,4)\r\n");
    }
}

TEST(InsertBatch, OtherKindsGetOneStatementOfUpToTwoHundredRows) {
    for (int kind : {0, 1, 3}) {
        InsertBatch batch(kind, "Extensions", {"ExtensionID", "ExtensionText"}, true);
        std::vector<std::string> texts = executed(batch, rows(401));
        ASSERT_EQ(texts.size(), 3u) << kind;
        EXPECT_EQ(texts[0].rfind("insert into Extensions (ExtensionID,ExtensionText) Values "
                                 "(1,'P1'),(2,'P2'),",
                                 0),
                  0u);
        EXPECT_EQ(count(texts[0], "),("), 199u);
        EXPECT_EQ(count(texts[0], "SET IDENTITY_INSERT"), 0u);
        EXPECT_TRUE(texts[1].ends_with("(400,'P400')"));
        EXPECT_EQ(texts[2], "insert into Extensions (ExtensionID,ExtensionText) Values (401,'P401')");
    }
    // Long rows end a statement early, before a server's packet limit.
    InsertBatch batch(3, "DirNames", {"Path"}, true);
    std::string longRow = "'" + std::string(10000, 'x') + "'";
    std::vector<std::string> texts = executed(batch, std::vector<std::string>(120, longRow));
    ASSERT_GT(texts.size(), 2u);
    for (const std::string& text : texts) {
        EXPECT_LE(text.size(), InsertBatch::kMaxBatchBytes + longRow.size() + 64);
    }
}

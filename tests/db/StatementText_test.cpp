#include "db/ClientRights.h"
#include "db/StatementText.h"
#include "db/UnitSchema.h"

#include <gtest/gtest.h>

using StatementText::Lines;

namespace {

FieldList memoRow(const std::string& n, const std::string& sn, const std::string& text) {
    FieldList fields;
    SetMemoFields(fields);
    fields[0].Value = n;
    fields[1].Value = sn;
    fields[2].Value = "";
    fields[3].Value = "7";
    fields[4].Value = text;
    fields[5].Value = "";
    return fields;
}

} // namespace

TEST(QuoteNames, QuotesMixedCaseNamesOnlyWhereANameStarts) {
    using StatementText::QuoteNames;
    EXPECT_EQ(QuoteNames("Memo"), "\"Memo\"");
    EXPECT_EQ(QuoteNames("MEMO"), "MEMO");
    EXPECT_EQ(QuoteNames("N,SN,TEXT"), "N,SN,TEXT");
    EXPECT_EQ(QuoteNames("MYMEMO12"), "MYMEMO12");
    EXPECT_EQ(QuoteNames("N=5"), "N=5");
    EXPECT_EQ(QuoteNames("(SN <= 3) AND (DF = 0)"), "(SN <= 3) AND (DF = 0)");
    // Only the first word of the fragment and of each comma-separated part is a name.
    EXPECT_EQ(QuoteNames("DF=7,Text='a'"), "DF=7,\"Text\"='a'");
    EXPECT_EQ(QuoteNames("  n , sn"), "  \"n\" , \"sn\"");
    EXPECT_EQ(QuoteNames("N = x"), "N = x");
    EXPECT_EQ(QuoteNames(""), "");
}

TEST(QuoteNames, LeavesStringLiteralsAlone) {
    using StatementText::QuoteNames;
    EXPECT_EQ(QuoteNames("(DF = 0) AND (TEXT LIKE '%a, b%')"), "(DF = 0) AND (TEXT LIKE '%a, b%')");
    EXPECT_EQ(QuoteNames("TEXT='x, y=z',MN=3"), "TEXT='x, y=z',MN=3");
    // A doubled apostrophe stays inside the literal.
    EXPECT_EQ(QuoteNames("TEXT='it''s, ok',Memo=1"), "TEXT='it''s, ok',\"Memo\"=1");
    EXPECT_EQ(QuoteNames("'abc'"), "'abc'");
}

TEST(QuoteNames, UpperCasingSkipsTrailBytes) {
    // 0x83 0x61 is a katakana character whose trail byte is the letter a.
    const std::string name = "T\x83\x61";
    EXPECT_EQ(StatementText::QuoteNames(name), name);
    EXPECT_EQ(StatementText::UpperCaseNames("ab\x83\x61z"), "AB\x83\x61Z");
}

TEST(StatementText, RenderValueByKind) {
    using StatementText::RenderValue;
    EXPECT_EQ(RenderValue({"T", "", 4, 120, ""}), "NULL");
    EXPECT_EQ(RenderValue({"T", "", 4, 120, " a "}), "' a '");
    EXPECT_EQ(RenderValue({"T", "", 4, 120, "it's"}), "'it''s'");
    EXPECT_EQ(RenderValue({"T", "", 4, 120, "'); DELETE FROM X; --"}), "'''); DELETE FROM X; --'");
    EXPECT_EQ(RenderValue({"SN", "", 3, 0, ""}), "0");
    EXPECT_EQ(RenderValue({"SN", "", 3, 0, "   "}), "0");
    EXPECT_EQ(RenderValue({"SN", "", 3, 0, "1.875"}), "1.875");
    EXPECT_EQ(RenderValue({"N", "", 1, 0, " 12"}), " 12");
}

TEST(StatementText, CreateTableForTheMemoList) {
    FieldList fields;
    SetMemoFields(fields);
    const Lines expected = {"CREATE TABLE MYMEMO12 (", "   N INTEGER NOT NULL UNIQUE,",
                            "   SN DOUBLE PRECISION,", "   DF SMALLINT,",
                            "   MN SMALLINT,",         "   TEXT VARCHAR(120),",
                            "   FIND VARCHAR(240)",    "   );"};
    EXPECT_EQ(StatementText::CreateTable("MYMEMO12", 6, fields), expected);
    EXPECT_EQ(StatementText::Join(StatementText::CreateTable("T", 1, fields)),
              "CREATE TABLE T (\r\n   N INTEGER NOT NULL UNIQUE\r\n   );\r\n");
    fields[2].Kind = 2;
    fields[3].Kind = 99;
    EXPECT_EQ(StatementText::CreateTable("T", 4, fields)[3], "   DF FLOAT,");
    EXPECT_EQ(StatementText::CreateTable("T", 4, fields)[4], "   MN SMALLINT");
    // A count beyond the list is cut to the list.
    EXPECT_EQ(StatementText::CreateTable("T", 9, fields).size(), 8u);
}

TEST(StatementText, InsertAndUpdateFromFields) {
    const FieldList fields = memoRow("3", "1.875", "abc");
    const Lines insert = {
        "INSERT INTO ALMEMO (", "   N,", "   SN,",    "   DF,", "   MN,", "   TEXT,",  "   FIND", "   ) ",
        "   VALUES (",          "   3,", "   1.875,", "   0,",  "   7,",  "   'abc',", "   NULL", "   );"};
    EXPECT_EQ(StatementText::Insert("ALMEMO", 6, fields), insert);

    const Lines update = {"UPDATE ALMEMO SET ", "   N=3,",      "   SN=1.875,", "   DF=0,", "   MN=7,",
                          "   TEXT='abc',",     "   FIND=NULL", "   WHERE N=3", "   ;"};
    EXPECT_EQ(StatementText::UpdateRow("ALMEMO", 6, fields, "N=3"), update);
    EXPECT_EQ(StatementText::Join(StatementText::UpdateRow("ALMEMO", 1, fields, "")),
              "UPDATE ALMEMO SET \r\n   N=3\r\n   ;\r\n");
}

TEST(StatementText, UpdateSetDeleteAndSelects) {
    using StatementText::Join;
    EXPECT_EQ(Join(StatementText::UpdateSet("MYMEMO1", "DF=7", "N=12")),
              "UPDATE MYMEMO1 SET \r\n   DF=7\r\n   WHERE N=12\r\n   ;\r\n");
    EXPECT_EQ(Join(StatementText::UpdateSet("MYMEMO1", "DF=7", "")),
              "UPDATE MYMEMO1 SET \r\n   DF=7\r\n   ;\r\n");
    EXPECT_EQ(Join(StatementText::Delete("MYMEMO1", "N=12")), "DELETE FROM MYMEMO1 WHERE N=12 ;\r\n");
    EXPECT_EQ(Join(StatementText::Delete("MYMEMO1", "")), "DELETE FROM MYMEMO1 ;\r\n");
    EXPECT_EQ(Join(StatementText::SelectRow("MEMBER", "N=3")),
              "SELECT * \r\n   FROM MEMBER \r\n   WHERE N=3 \r\n   ;\r\n");
    EXPECT_EQ(Join(StatementText::SelectRow("MEMBER", "")), "SELECT * \r\n   FROM MEMBER \r\n   ;\r\n");
    EXPECT_EQ(Join(StatementText::SelectRows("N,SN,TEXT", "OGMEMO3", "(SN >= 2.5) AND (DF = 0)", "SN,N")),
              "SELECT N,SN,TEXT \r\n   FROM OGMEMO3 \r\n   WHERE (SN >= 2.5) AND (DF = 0) \r\n"
              "   ORDER BY SN,N \r\n   ;\r\n");
    EXPECT_EQ(Join(StatementText::SelectRows("*", "MEMBER", "", "N")),
              "SELECT * \r\n   FROM MEMBER \r\n   ORDER BY N \r\n   ;\r\n");
    EXPECT_EQ(Join(StatementText::SelectMax("CGMEMO2", "SN", "")),
              "SELECT MAX(SN) \r\n   FROM CGMEMO2 \r\n   ;\r\n");
    EXPECT_EQ(Join(StatementText::SelectMax("CGMEMO2", "N", "DF=0")),
              "SELECT MAX(N) \r\n   FROM CGMEMO2 \r\n   WHERE DF=0 \r\n   ;\r\n");
    EXPECT_EQ(
        Join(StatementText::TableNames()),
        "Select RDB$RELATION_NAME from RDB$RELATIONS  where RDB$VIEW_BLR is NULL and RDB$SYSTEM_FLAG = 0 "
        "ORDER BY RDB$RELATION_NAME\r\n");
}

TEST(StatementText, ChangeTriggerOfAMemoTable) {
    using StatementText::Join;
    EXPECT_EQ(Join(StatementText::CreateChangeTrigger("MYMEMO12")),
              "CREATE OR ALTER TRIGGER MYMEMO12_CHANGED FOR MYMEMO12\r\n"
              "   AFTER INSERT OR UPDATE OR DELETE\r\n"
              "   AS\r\n"
              "   BEGIN\r\n"
              "      POST_EVENT 'MYMEMO12';\r\n"
              "   END\r\n");
    EXPECT_EQ(
        Join(StatementText::DropChangeTrigger("ALMEMO")),
        "EXECUTE BLOCK AS\r\n"
        "   BEGIN\r\n"
        "      IF (EXISTS (SELECT * FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME = 'ALMEMO_CHANGED')) THEN\r\n"
        "         EXECUTE STATEMENT 'DROP TRIGGER ALMEMO_CHANGED';\r\n"
        "   END\r\n");
    // A mixed-case name is quoted where it is a name and matched exactly in the catalogue.
    EXPECT_EQ(StatementText::CreateChangeTrigger("myMemo")[0],
              "CREATE OR ALTER TRIGGER \"myMemo_CHANGED\" FOR \"myMemo\"");
    EXPECT_EQ(
        StatementText::DropChangeTrigger("myMemo")[2],
        "      IF (EXISTS (SELECT * FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME = 'myMemo_CHANGED')) THEN");
    EXPECT_EQ(StatementText::DropChangeTrigger("myMemo")[3],
              "         EXECUTE STATEMENT 'DROP TRIGGER \"myMemo_CHANGED\"';");
}

TEST(StatementText, NamesPassThroughQuoteNames) {
    FieldList fields = memoRow("1", "1", "");
    fields[4].Name = "Text";
    EXPECT_EQ(StatementText::CreateTable("myMemo", 6, fields)[0], "CREATE TABLE \"myMemo\" (");
    EXPECT_EQ(StatementText::CreateTable("myMemo", 6, fields)[5], "   \"Text\" VARCHAR(120),");
    EXPECT_EQ(StatementText::UpdateRow("T", 6, fields, "")[5], "   \"Text\"=NULL,");
}

TEST(StatementText, RowLimitsAndIndexes) {
    using StatementText::Join;
    EXPECT_EQ(Join(StatementText::SelectRows("*", "MYMEMO7", "(SN > 2.5) AND (DF = 0)", "SN,N", 101)),
              "SELECT * \r\n   FROM MYMEMO7 \r\n   WHERE (SN > 2.5) AND (DF = 0) \r\n"
              "   ORDER BY SN,N \r\n   ROWS 101 \r\n   ;\r\n");
    EXPECT_EQ(
        Join(StatementText::SelectRows("*", "ALMEMO", "(SN < 40) AND (DF = 0)", "SN DESC,N DESC", 16, 8)),
        "SELECT * \r\n   FROM ALMEMO \r\n   WHERE (SN < 40) AND (DF = 0) \r\n"
        "   ORDER BY SN DESC,N DESC \r\n   ROWS 9 TO 24 \r\n   ;\r\n");
    // No limit, no ROWS: a skip alone means nothing.
    EXPECT_EQ(StatementText::SelectRows("*", "MEMBER", "", "N", 0, 5),
              StatementText::SelectRows("*", "MEMBER", "", "N"));
    EXPECT_EQ(Join(StatementText::CreateIndex("IX_MYMEMO7_SN_N", "MYMEMO7", "SN,N", false)),
              "CREATE INDEX IX_MYMEMO7_SN_N ON MYMEMO7 (SN,N)\r\n   ;\r\n");
    EXPECT_EQ(Join(StatementText::CreateIndex("IX_ALMEMO_SN_N_DESC", "ALMEMO", "SN,N", true)),
              "CREATE DESCENDING INDEX IX_ALMEMO_SN_N_DESC ON ALMEMO (SN,N)\r\n   ;\r\n");
}

// The client login's name and password travel into statements between
// apostrophes or bare: only what the settings dialog takes as typed passes.
TEST(ClientRights, LoginNamesAndPasswordsAndTheirStatements) {
    using namespace ClientRights;
    for (const char* name : {"QBOOK", "office_2", "a", "A234567890123456789012345678901"})
        EXPECT_TRUE(IsLoginName(name)) << name;
    for (const char* name : {"", "2nd", "_x", "a-b", "a b", "A2345678901234567890123456789012", "sysdba",
                             "Public", "qbook2_client", "\"Q\"", "QBOOK;"})
        EXPECT_FALSE(IsLoginName(name)) << name;
    EXPECT_TRUE(IsLoginPassword("Ab3-x!~z"));
    EXPECT_TRUE(IsLoginPassword(std::string(64, 'x')));
    for (const std::string& password :
         {std::string(), std::string(65, 'x'), std::string("it's"), std::string("a\"b"), std::string("a b"),
          std::string("tab\t"), std::string("\x82\xa0")})
        EXPECT_FALSE(IsLoginPassword(password)) << password;

    EXPECT_EQ(CreateOrAlterUser("office", "Pw1"), Lines{"CREATE OR ALTER USER OFFICE PASSWORD 'Pw1'"});
    EXPECT_EQ(GrantRole("office"), Lines{"GRANT QBOOK2_CLIENT TO USER OFFICE"});
    EXPECT_EQ(GrantOn(Read, "MEMBER", RoleGrantee()), Lines{"GRANT SELECT ON MEMBER TO ROLE QBOOK2_CLIENT"});
    EXPECT_EQ(GrantOn(ReadWrite, "MYMEMO5", UserGrantee("office")),
              Lines{"GRANT SELECT, INSERT, UPDATE, DELETE ON MYMEMO5 TO USER OFFICE"});
    EXPECT_EQ(GrantOn("DU", "ALMEMO", RoleGrantee()),
              Lines{"GRANT UPDATE, DELETE ON ALMEMO TO ROLE QBOOK2_CLIENT"});
    EXPECT_EQ(GrantCreateTable(UserGrantee("office")), Lines{"GRANT CREATE TABLE TO USER OFFICE"});
}

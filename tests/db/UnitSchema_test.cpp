#include "app/Settings.h"
#include "db/DatabaseAdmin.h"
#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "platform/Platform.h"
#include "support/DatabaseTest.h"
#include "support/TestDatabase.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <cmath>
#include <gtest/gtest.h>
#include <optional>

namespace {

// The rows a read found, each as its right-trimmed values joined by blanks;
// {"failed"} when the read failed.
std::vector<std::string> readLines(TFormFBDB& db, const std::string& columns, const std::string& table,
                                   const std::string& where, const std::string& order = "") {
    const auto rows = db.ReadRows(ColumnsOf(columns), columns, table, where, order);
    if (!rows)
        return {"failed"};
    std::vector<std::string> out;
    for (const FieldList& row : *rows) {
        std::string line;
        for (const TableField& field : row)
            line += (line.empty() ? "" : " ") + field.Value.substr(0, field.Value.find_last_not_of(' ') + 1);
        out.push_back(line);
    }
    return out;
}

// The row of a memo table whose N is n; none when there is none (or the read failed).
std::optional<FieldList> memoLine(TFormFBDB& db, const std::string& table, int n) {
    FieldList shape;
    SetMemoFields(shape);
    const auto row = db.ReadRow(shape, table, "N=" + std::to_string(n));
    return row ? *row : std::nullopt;
}

FieldList groupRow(const std::string& ended, const std::vector<std::string>& participants) {
    FieldList row;
    SetGroupFields(row);
    row[1].Value = ended;
    for (size_t i = 0; i < participants.size(); ++i)
        row[6 + i].Value = participants[i];
    return row;
}

} // namespace

class SchemaTest : public DatabaseTest {};

TEST(Schema, MemoFieldListAndTableNames) {
    FieldList fields(2);
    fields[0].Value = "kept";
    SetMemoFields(fields);
    ASSERT_EQ(fields.size(), 6u);
    EXPECT_EQ(fields[0].Value, "kept");
    const std::vector<std::tuple<std::string, const char*, int, int>> expected = {
        {"N", "番号", 1, 0},          {"SN", "並替番号", 3, 0}, {"DF", "削除フラグ", 0, 0},
        {"MN", "登録メンバー", 0, 0}, {"TEXT", "文章", 4, 120}, {"FIND", "検索用", 4, 240}};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(fields[i].Name, std::get<0>(expected[i]));
        EXPECT_EQ(fields[i].Caption, Codec::sj(std::get<1>(expected[i])));
        EXPECT_EQ(fields[i].Kind, std::get<2>(expected[i]));
        EXPECT_EQ(fields[i].Size, std::get<3>(expected[i]));
    }
    EXPECT_EQ(MyMemoTable(12), "MYMEMO12");
    EXPECT_EQ(OgMemoTable(3), "OGMEMO3");
    EXPECT_EQ(CgMemoTable(40), "CGMEMO40");
    EXPECT_EQ(AlMemoTable(), "ALMEMO");
    for (const char* name : {"MYMEMO12", "OGMEMO3", "CGMEMO40", "ALMEMO"})
        EXPECT_TRUE(IsMemoTableName(name)) << name;
    for (const char* name : {"MYMEMO", "MYMEMO012", "MYMEMO1X", "ALMEMO1", "MEMBER", "mymemo1", "XYMEMO1"})
        EXPECT_FALSE(IsMemoTableName(name)) << name;

    FieldList group;
    SetGroupFields(group);
    ASSERT_EQ(group.size(), 21u);
    EXPECT_EQ(group[0].Name, "N");
    EXPECT_EQ(group[20].Name, "P15");
    FieldList member;
    SetMemberFields(member);
    ASSERT_EQ(member.size(), 3u);
    EXPECT_EQ(member[0].Name, "N");
}

TEST(Schema, WhoMayEditAndRead) {
    const FieldList running = groupRow("0", {"3", "", "12", "0"});
    const FieldList ended = groupRow("1", {"3", "", "12"});
    EXPECT_FALSE(GroupEnded(running));
    EXPECT_TRUE(GroupEnded(ended));
    EXPECT_TRUE(GroupEnded(groupRow("-1", {})));
    EXPECT_FALSE(GroupEnded(groupRow("", {})));

    EXPECT_TRUE(CanEditGroupPad(running, 12));
    EXPECT_TRUE(CanEditGroupPad(running, 3));
    EXPECT_FALSE(CanEditGroupPad(running, 4));
    EXPECT_FALSE(CanEditGroupPad(ended, 12));
    EXPECT_TRUE(CanReadClosedGroupPad(ended, 12));
    EXPECT_FALSE(CanReadClosedGroupPad(ended, 4));
    // Empty participants convert to 0, which names nobody.
    EXPECT_FALSE(GroupHasMember(running, 0));
    // The last slot counts; a short row reads as empty participants.
    std::vector<std::string> participants(15);
    participants[14] = "9";
    EXPECT_TRUE(GroupHasMember(groupRow("0", participants), 9));
    FieldList shortRow(7);
    shortRow[6].Value = "5";
    EXPECT_TRUE(GroupHasMember(shortRow, 5));
    EXPECT_FALSE(GroupHasMember(FieldList(2), 5));

    EXPECT_TRUE(CanEditOwnPad(7, 7));
    EXPECT_FALSE(CanEditOwnPad(7, 8));
    EXPECT_FALSE(CanEditOwnPad(0, 0));
}

TEST_F(SchemaTest, OpeningAMemoTableCreatesItOnFirstUse) {
    FieldList row;
    EXPECT_FALSE(db.ReadTableExists("MYMEMO7").value());
    EXPECT_EQ(OpenMemoTable(db, MyMemoTable(7), row), OpenMemoTableResult::Created);
    ASSERT_EQ(row.size(), 6u);
    EXPECT_EQ(row[5].Name, "FIND");
    EXPECT_EQ(OpenMemoTable(db, MyMemoTable(7), row), OpenMemoTableResult::Existing);
    EXPECT_TRUE(db.IsConnected());

    // Exactly the six columns, in order, with their types.
    EXPECT_EQ(readLines(db, "RDB$FIELD_NAME", "RDB$RELATION_FIELDS", "RDB$RELATION_NAME = 'MYMEMO7'",
                        "RDB$FIELD_POSITION"),
              (std::vector<std::string>{"N", "SN", "DF", "MN", "TEXT", "FIND"}));
    EXPECT_EQ(readLines(db, "N", "MYMEMO7", ""), std::vector<std::string>{});
    // With its change trigger.
    EXPECT_EQ(readLines(db, "RDB$TRIGGER_NAME", "RDB$TRIGGERS", "RDB$RELATION_NAME = 'MYMEMO7'"),
              std::vector<std::string>{"MYMEMO7_CHANGED"});
}

TEST_F(SchemaTest, AFailedCreationIsRetriedOnceThenDisconnects) {
    // Every read of the tick count moves a second on, so the 5 s wait passes at once.
    std::uint32_t now = 0;
    int ticks = 0;
    Platform::setTickSource([&] {
        ++ticks;
        return now += 1000;
    });
    FieldList row;
    EXPECT_EQ(OpenMemoTable(db, "BAD NAME", row), OpenMemoTableResult::Failed);
    EXPECT_GE(ticks, 5);
    EXPECT_FALSE(db.IsConnected());
    EXPECT_EQ(row.size(), 6u);
    // Without a listing of the tables nothing is tried, and nothing waited for.
    ticks = 0;
    EXPECT_EQ(OpenMemoTable(db, MyMemoTable(9), row), OpenMemoTableResult::Unlisted);
    Platform::setTickSource(nullptr);
    EXPECT_EQ(ticks, 0);
}

TEST_F(SchemaTest, ATableAnotherClientCreatedFirstOpensAsExisting) {
    // Just before our CREATE TABLE, a second connection creates the same table.
    const ScopedObject once =
        database->createObject("CREATE SEQUENCE FIRST_CREATE;", "DROP SEQUENCE FIRST_CREATE;");
    ASSERT_TRUE(once.ok());
    const ScopedObject trigger = database->createObject(
        "SET TERM ^ ; CREATE TRIGGER FIRST_CREATE BEFORE CREATE TABLE AS BEGIN "
        "IF (GEN_ID(FIRST_CREATE, 1) = 1) THEN EXECUTE STATEMENT 'CREATE TABLE ' || "
        "RDB$GET_CONTEXT('DDL_TRIGGER', 'OBJECT_NAME') || ' (N INTEGER)' WITH AUTONOMOUS TRANSACTION "
        "ON EXTERNAL DATA SOURCE '" +
            database->connectionString() + "' AS USER '" + database->user() + "' PASSWORD '" +
            database->password() + "'; END^ SET TERM ; ^",
        "DROP TRIGGER FIRST_CREATE;");
    ASSERT_TRUE(trigger.ok());
    ASSERT_TRUE(database->connect(db)); // database triggers are taken at the attachment
    int ticks = 0;
    Platform::setTickSource([&] { return static_cast<std::uint32_t>(++ticks * 1000); });
    FieldList row;
    const OpenMemoTableResult result = OpenMemoTable(db, MyMemoTable(8), row);
    Platform::setTickSource(nullptr);
    EXPECT_EQ(result, OpenMemoTableResult::Existing);
    EXPECT_EQ(ticks, 0); // at once, without the wait for a retry
    EXPECT_TRUE(db.IsConnected());
    // The table is the other client's: it is left as that client made it.
    EXPECT_EQ(readLines(db, "RDB$TRIGGER_NAME", "RDB$TRIGGERS", "RDB$RELATION_NAME = 'MYMEMO8'"),
              std::vector<std::string>{});
}

TEST_F(SchemaTest, MemoLinesFollowTheRowRules) {
    FieldList row;
    ASSERT_EQ(OpenMemoTable(db, AlMemoTable(), row), OpenMemoTableResult::Created);
    const std::string text = Codec::sj("最初の行 abc");
    std::int32_t n = 0;
    EXPECT_EQ(AppendSortNumber(db, AlMemoTable()).value(), 1.0);
    ASSERT_TRUE(InsertMemoLine(db, AlMemoTable(), row, AppendSortNumber(db, AlMemoTable()), text, 4, &n));
    EXPECT_EQ(n, 1);
    ASSERT_TRUE(InsertMemoLine(db, AlMemoTable(), row, AppendSortNumber(db, AlMemoTable()), "second", 5, &n));
    EXPECT_EQ(n, 2);
    ASSERT_TRUE(InsertMemoLine(db, AlMemoTable(), row, 1.5, "", 5, &n));
    EXPECT_EQ(n, 3);

    std::optional<FieldList> read = memoLine(db, AlMemoTable(), 1);
    ASSERT_TRUE(read);
    EXPECT_EQ((*read)[1].Value, "1");
    EXPECT_EQ((*read)[2].Value, "0");
    EXPECT_EQ((*read)[3].Value, "4");
    EXPECT_EQ((*read)[4].Value, text);
    EXPECT_EQ((*read)[5].Value, SearchKey(text));
    ASSERT_TRUE(read = memoLine(db, AlMemoTable(), 2));
    EXPECT_EQ((*read)[1].Value, "2");
    ASSERT_TRUE(read = memoLine(db, AlMemoTable(), 3));
    EXPECT_EQ((*read)[1].Value, "1.5");
    EXPECT_EQ((*read)[4].Value, "");

    // A change keeps N, SN and DF and takes the member, the text and its key.
    ASSERT_TRUE(ReadMemoLine(db, AlMemoTable(), row, 2).value());
    ASSERT_TRUE(ChangeMemoLine(db, AlMemoTable(), row, "changed", 9));
    ASSERT_TRUE(read = memoLine(db, AlMemoTable(), 2));
    EXPECT_EQ((*read)[1].Value, "2");
    EXPECT_EQ((*read)[2].Value, "0");
    EXPECT_EQ((*read)[3].Value, "9");
    EXPECT_EQ((*read)[4].Value, "changed");
    EXPECT_EQ((*read)[5].Value, SearchKey("changed"));
    EXPECT_FALSE(ReadMemoLine(db, AlMemoTable(), row, 99).value());

    // A line with text is flagged, a blank one removed; numbers are not reused.
    ASSERT_TRUE(DeleteMemoLine(db, AlMemoTable(), 2, "changed", 6));
    ASSERT_TRUE(read = memoLine(db, AlMemoTable(), 2));
    EXPECT_EQ((*read)[2].Value, "6");
    ASSERT_TRUE(DeleteMemoLine(db, AlMemoTable(), 3, Codec::sj(" 　"), 6));
    EXPECT_FALSE(memoLine(db, AlMemoTable(), 3));
    EXPECT_EQ(readLines(db, "N", AlMemoTable(), "DF = 0", "SN,N"), std::vector<std::string>{"1"});
    ASSERT_TRUE(InsertMemoLine(db, AlMemoTable(), row, AppendSortNumber(db, AlMemoTable()), "next", 4, &n));
    EXPECT_EQ(n, 3);
    ASSERT_TRUE(read = memoLine(db, AlMemoTable(), 3));
    EXPECT_EQ((*read)[1].Value, "3");
}

TEST(Schema, NumbersOfNewLinesStayInTheirColumnsRanges) {
    EXPECT_EQ(MidSortNumber(2, 3), 2.5);
    EXPECT_EQ(MidSortNumber(1.5e308, 1.7e308), 1.6e308);
    EXPECT_EQ(SortNumberStep(2, 4, 3), 0.5);
    EXPECT_EQ(SortNumberStep(-1.5e308, 1.5e308, 2), 1e308);
    EXPECT_TRUE(SortNumberFits(0.5, 1));
    EXPECT_TRUE(SortNumberFits(-0.5, 0)); // before a line that shows on no page either
    EXPECT_FALSE(SortNumberFits(0, 1));
    EXPECT_FALSE(SortNumberFits(HUGE_VAL, 1));
    EXPECT_TRUE(MemberNumberFits(32767));
    EXPECT_TRUE(MemberNumberFits(1));
    EXPECT_FALSE(MemberNumberFits(32768));
}

TEST_F(SchemaTest, ThePadIsFullAtTheLargestInteger) {
    FieldList row;
    ASSERT_NE(OpenMemoTable(db, "MYMEMO99", row), OpenMemoTableResult::Failed);
    ASSERT_TRUE(InsertMemoRow(db, "MYMEMO99", row, 2147483646, 1, "a", 4));
    std::int32_t n = 0;
    EXPECT_EQ(StoreNewMemoLine(
                  db, "MYMEMO99", row, n, [] { return 2.0; }, "b", 4),
              NewLineResult::Stored);
    EXPECT_EQ(n, 2147483647);
    n = 0;
    EXPECT_EQ(StoreNewMemoLine(
                  db, "MYMEMO99", row, n, [] { return 3.0; }, "c", 4),
              NewLineResult::PadFull);
    EXPECT_EQ(readLines(db, "N", "MYMEMO99", "", "N"),
              (std::vector<std::string>{"2147483646", "2147483647"}));
}

TEST_F(SchemaTest, RegistryRowsReadBackByPosition) {
    ASSERT_TRUE(database->createRegistry()) << database->db().LastError();
    ASSERT_TRUE(database->addMember(1, Codec::sj("山田"), "Pass"));
    ASSERT_TRUE(database->addMember(2, "Sato", "x"));
    EXPECT_FALSE(database->addMember(2, "Again", "y"));
    ASSERT_TRUE(
        database->addGroup("OGROUP", 3, false, Codec::sj("会議"), "outline", {1, 2}, 20240401, 20240430));
    ASSERT_TRUE(database->addGroup("CGROUP", 4, true, "closed", "", {}));

    EXPECT_EQ(readLines(db, "N,NAME,PASS", "MEMBER", "", "N"),
              (std::vector<std::string>{"1 " + Codec::sj("山田") + " Pass", "2 Sato x"}));

    const auto row = [&](const char* table, const char* where) {
        return db.ReadRow(FieldList(21), table, where).value().value();
    };
    FieldList group = row("OGROUP", "N=3");
    EXPECT_EQ(group[2].Value, "20240401");
    EXPECT_EQ(group[4].Value, Codec::sj("会議"));
    EXPECT_TRUE(CanEditGroupPad(group, 2));
    EXPECT_FALSE(CanEditGroupPad(group, 5));
    group = row("CGROUP", "N=4");
    EXPECT_TRUE(GroupEnded(group));
    EXPECT_EQ(ToIntOrZero(group[2].Value), 0);
    EXPECT_FALSE(CanReadClosedGroupPad(group, 1));
}

TEST_F(SchemaTest, DatabasesAreDialect3WithoutACharacterSet) {
    EXPECT_EQ(readLines(db, "MON$SQL_DIALECT,RDB$CHARACTER_SET_NAME", "MON$DATABASE, RDB$DATABASE", ""),
              std::vector<std::string>{"3 NONE"});

    std::string error;
    EXPECT_FALSE(DatabaseAdmin::CreateDatabase(database->connectionString(), database->user(),
                                               database->password(), &error));
    EXPECT_FALSE(error.empty());
    const std::string missing = database->locationPrefix() + "MISSING.FDB";
    EXPECT_FALSE(DatabaseAdmin::DropDatabase(missing, database->user(), database->password(), &error));
    EXPECT_FALSE(error.empty());
    const std::string extra = database->locationPrefix() + "EXTRA.FDB";
    ASSERT_TRUE(DatabaseAdmin::CreateDatabase(extra, database->user(), database->password(), &error))
        << error;
    EXPECT_TRUE(error.empty());
    EXPECT_TRUE(DatabaseAdmin::DropDatabase(extra, database->user(), database->password(), &error)) << error;
}

TEST_F(SchemaTest, FixturePointsTheSettingsAtItsDatabase) {
    database->useInSettings();
    EXPECT_EQ(Settings::ServerName, "localhost");
    EXPECT_EQ(Settings::ServerFolder, database->folder() + "/");
    EXPECT_EQ(Settings::DatabaseLocation, database->locationPrefix());
    TFormFBDB fromSettings;
    EXPECT_TRUE(fromSettings.Connect(Settings::DatabaseLocation, Settings::DatabaseFileName,
                                     Settings::DatabaseUser, Settings::DatabasePassword));
}

TEST(Schema, MemoTableNamesAndTheirIndexes) {
    for (const char* name : {"ALMEMO", "MYMEMO7", "OGMEMO12", "CGMEMO2147483647"})
        EXPECT_TRUE(IsMemoTableName(name)) << name;
    for (const char* name : {"MEMBER", "OGROUP", "MYMEMO", "MYMEMO7X", "ALMEMO1", "XMYMEMO7", "mymemo7"})
        EXPECT_FALSE(IsMemoTableName(name)) << name;
    const std::vector<MemoIndex> indexes = MemoIndexes("OGMEMO2147483647");
    ASSERT_EQ(indexes.size(), 3u);
    EXPECT_EQ(indexes[0].name, "IX_OGMEMO2147483647_SN_N");
    EXPECT_EQ(indexes[1].name, "IX_OGMEMO2147483647_SN_N_DESC");
    EXPECT_EQ(indexes[2].name, "IX_OGMEMO2147483647_N_DESC");
    // Firebird 3 names have at most 31 bytes, also for the largest group number.
    for (const MemoIndex& index : indexes)
        EXPECT_LE(index.name.size(), 31u) << index.name;
}

TEST_F(SchemaTest, OnlyATableTheClientCreatesGetsTheIndexes) {
    FieldList row;
    ASSERT_EQ(OpenMemoTable(db, MyMemoTable(20), row), OpenMemoTableResult::Created);
    // Index name, descending (1) or not, and the columns in order.
    EXPECT_EQ(
        readLines(db, "I.RDB$INDEX_NAME,COALESCE(I.RDB$INDEX_TYPE, 0),S.RDB$FIELD_NAME",
                  "RDB$INDICES I JOIN RDB$INDEX_SEGMENTS S ON S.RDB$INDEX_NAME = I.RDB$INDEX_NAME",
                  "I.RDB$RELATION_NAME = 'MYMEMO20' AND I.RDB$INDEX_NAME STARTING 'IX_'",
                  "I.RDB$INDEX_NAME,S.RDB$FIELD_POSITION"),
        (std::vector<std::string>{"IX_MYMEMO20_N_DESC 1 N", "IX_MYMEMO20_SN_N 0 SN", "IX_MYMEMO20_SN_N 0 N",
                                  "IX_MYMEMO20_SN_N_DESC 1 SN", "IX_MYMEMO20_SN_N_DESC 1 N"}));

    // A table that is there already is not the client's to change.
    ASSERT_TRUE(db.CreateTable(MyMemoTable(21), MemoColumns, row));
    EXPECT_EQ(OpenMemoTable(db, MyMemoTable(21), row), OpenMemoTableResult::Existing);
    EXPECT_FALSE(IndexExists(db, "IX_MYMEMO21_SN_N"));
    EXPECT_FALSE(IndexExists(db, "IX_MYMEMO21_SN_N_DESC"));
    EXPECT_TRUE(IndexExists(db, "IX_MYMEMO20_SN_N_DESC"));
}

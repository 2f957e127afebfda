#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "support/DatabaseTest.h"
#include "support/PrivateServer.h"
#include "support/TestDatabase.h"
#include "text/Codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <fcntl.h>
#include <iostream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

FieldList memoRow(const std::string& n, const std::string& sn, const std::string& df,
                  const std::string& text) {
    FieldList fields;
    SetMemoFields(fields);
    fields[0].Value = n;
    fields[1].Value = sn;
    fields[2].Value = df;
    fields[3].Value = "5";
    fields[4].Value = text;
    fields[5].Value = text;
    return fields;
}

std::vector<std::string> values(const FieldList& fields) {
    std::vector<std::string> out;
    for (const auto& field : fields)
        out.push_back(field.Value);
    return out;
}

FieldList filled(size_t size, const std::string& value) {
    FieldList fields(size);
    for (auto& field : fields)
        field.Value = value;
    return fields;
}

// The Values of each row a read found; none when it failed.
std::vector<std::vector<std::string>> rowValues(const ReadResult<std::vector<FieldList>>& rows) {
    std::vector<std::vector<std::string>> out;
    if (rows)
        for (const FieldList& row : *rows)
            out.push_back(values(row));
    return out;
}

// The first Value of each row a read found, one after the other; "failed" when it failed.
std::string firstValues(const ReadResult<std::vector<FieldList>>& rows) {
    if (!rows)
        return "failed";
    std::string out;
    for (const FieldList& row : *rows)
        out += row[0].Value;
    return out;
}

} // namespace

class FbdbTest : public DatabaseTest {
protected:
    // A fresh memo table of the given name holding the given rows.
    void makeMemoTable(const std::string& table, const std::vector<FieldList>& rows) {
        FieldList fields;
        SetMemoFields(fields);
        ASSERT_TRUE(db.CreateTable(table, 6, fields)) << db.LastError();
        for (const auto& row : rows)
            ASSERT_TRUE(db.InsertRow(table, 6, row)) << db.LastError();
    }

    // The rows of the table's columns (one FieldList entry each) in the order.
    ReadResult<std::vector<FieldList>> read(const std::string& columns, const std::string& table,
                                            const std::string& where = "", const std::string& order = "",
                                            int rowLimit = 0, int rowsSkipped = 0) {
        return db.ReadRows(ColumnsOf(columns), columns, table, where, order, rowLimit, rowsSkipped);
    }
    bool hasTable(const std::string& table) {
        const ReadResult<bool> found = db.ReadTableExists(table);
        return found && *found;
    }
    // The largest value of the column; "failed" when the read failed.
    std::string max(const std::string& table, const std::string& column, const std::string& where = "") {
        const auto largest = db.ReadMax(table, column, where);
        return largest ? *largest : "failed";
    }
};

TEST_F(FbdbTest, ConnectWithAnEmptyArgumentKeepsTheExistingConnection) {
    const std::string prefix = database->locationPrefix();
    EXPECT_FALSE(db.Connect(prefix, "QBOOK.FDB", "SYSDBA", ""));
    EXPECT_FALSE(db.Connect(prefix, "QBOOK.FDB", "", database->password()));
    EXPECT_FALSE(db.Connect(prefix, "", "SYSDBA", database->password()));
    EXPECT_FALSE(db.Connect("", "QBOOK.FDB", "SYSDBA", database->password()));
    EXPECT_TRUE(db.IsConnected());
    makeMemoTable("CONNKEEP", {});
    EXPECT_TRUE(hasTable("CONNKEEP"));
    // Connecting again replaces the connection.
    EXPECT_TRUE(database->connect(db));
    EXPECT_TRUE(hasTable("CONNKEEP"));
}

TEST_F(FbdbTest, FailedConnectLeavesTheModuleDetachedAndEveryCallFails) {
    makeMemoTable("DETACHED", {memoRow("1", "1", "0", "a")});
    ASSERT_EQ(firstValues(read("N", "DETACHED")), "1");

    const auto expectDetached = [&] {
        EXPECT_FALSE(db.IsConnected());
        FieldList fields = memoRow("2", "2", "0", "b");
        EXPECT_FALSE(db.CreateTable("OTHER", 6, fields));
        EXPECT_FALSE(db.InsertRow("DETACHED", 6, fields));
        EXPECT_FALSE(db.UpdateRow("DETACHED", 6, fields, "N=1"));
        EXPECT_FALSE(db.UpdateSet("DETACHED", "DF=1", "N=1"));
        EXPECT_FALSE(db.DeleteRows("DETACHED", "N=1"));
        EXPECT_FALSE(db.LastError().empty());
        // The reads say why.
        const auto rows = db.ReadRows(fields, "N", "DETACHED", "", "");
        ASSERT_FALSE(rows);
        EXPECT_EQ(rows.failure(), DbFailure::ConnectionLost);
        EXPECT_EQ(db.ReadRow(fields, "DETACHED", "N=1").failure(), DbFailure::ConnectionLost);
        EXPECT_EQ(db.ReadMax("DETACHED", "N", "").failure(), DbFailure::ConnectionLost);
        EXPECT_EQ(db.ReadTableNames().failure(), DbFailure::ConnectionLost);
    };

    EXPECT_FALSE(db.Connect(database->locationPrefix(), "QBOOK.FDB", "SYSDBA", "wrong-password"));
    EXPECT_FALSE(db.LastError().empty());
    expectDetached();

    ASSERT_TRUE(database->connect(db));
    EXPECT_FALSE(db.Connect("127.0.0.1/3999:" + database->folder() + "/", "QBOOK.FDB", "SYSDBA",
                            database->password()));
    expectDetached();
    // The next good Connect starts clean: the network failure does not let it go.
    ASSERT_TRUE(database->connect(db));
    EXPECT_EQ(firstValues(read("N", "DETACHED")), "1");
    EXPECT_EQ(max("DETACHED", "N"), "1");
    EXPECT_TRUE(db.IsConnected());

    ASSERT_TRUE(database->connect(db));
    EXPECT_FALSE(db.Connect(database->locationPrefix(), "MISSING.FDB", "SYSDBA", database->password()));
    expectDetached();

    db.Disconnect();
    db.Disconnect();
    expectDetached();
}

TEST_F(FbdbTest, ConnectingToAHostThatDoesNotAnswerEndsAtTheLimit) {
    // A listener whose queue is full: the kernel leaves further connection
    // requests unanswered, as a dead link does.
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(listen(listener, 0), 0);
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    std::vector<int> queued;
    for (int i = 0; i < 3; ++i) {
        queued.push_back(socket(AF_INET, SOCK_STREAM, 0));
        fcntl(queued.back(), F_SETFL, O_NONBLOCK);
        connect(queued.back(), reinterpret_cast<sockaddr*>(&address), length);
    }

    db.SetWaitLimit(std::chrono::milliseconds(1000));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(db.Connect("127.0.0.1/" + std::to_string(ntohs(address.sin_port)) + ":/nowhere/",
                            "QBOOK.FDB", "SYSDBA", database->password()));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000));
    EXPECT_FALSE(db.IsConnected());
    for (int socket : queued)
        close(socket);
    close(listener);
    EXPECT_TRUE(database->connect(db));
}

TEST_F(FbdbTest, InsertWritesNullZeroAndBareNumbersAndReadRowReadsThemBack) {
    makeMemoTable("RENDER", {});
    FieldList row = memoRow("1", "1.875", "", "");
    row[3].Value = "   ";
    ASSERT_TRUE(db.InsertRow("RENDER", 6, row));
    row = memoRow("2", "", "-3", "x");
    ASSERT_TRUE(db.InsertRow("RENDER", 6, row));

    const auto rowOf = [&](const FieldList& shape, const std::string& where) {
        const auto read = db.ReadRow(shape, "RENDER", where);
        return read && *read ? values(**read) : std::vector<std::string>{"none"};
    };
    EXPECT_EQ(rowOf(filled(6, "old"), "N=1"), (std::vector<std::string>{"1", "1.875", "0", "0", "", ""}));
    EXPECT_EQ(rowOf(filled(6, "old"), "N=2"), (std::vector<std::string>{"2", "0", "-3", "5", "x", "x"}));
    // Columns beyond the shape are dropped.
    EXPECT_EQ(rowOf(filled(2, "old"), "N=2"), (std::vector<std::string>{"2", "0"}));
}

TEST_F(FbdbTest, ValuesAreReadInTheirStandardTextForm) {
    FieldList fields(5);
    fields[0] = {"N", "", 1, 0, ""};
    fields[1] = {"F", "", 2, 0, ""};
    fields[2] = {"D", "", 3, 0, ""};
    fields[3] = {"S", "", 0, 0, ""};
    fields[4] = {"V", "", 4, 10, ""};
    ASSERT_TRUE(db.CreateTable("KINDS", 5, fields));
    const std::vector<std::vector<std::string>> rows = {
        {"1", "0.5", "0.1", "32767", "abc"},
        {"2", "0.0000019073486328125", "1.5E-6", "-32768", " a "},
        {"3", "", "123456789012345678", "", ""},
        {"4", "-2", "1E15", "0", "0"},
        {"5", "0.25", "0.00001", "1", "1234567890"}};
    for (const auto& row : rows) {
        for (size_t i = 0; i < row.size(); ++i)
            fields[i].Value = row[i];
        ASSERT_TRUE(db.InsertRow("KINDS", 5, fields)) << db.LastError();
    }
    EXPECT_EQ(rowValues(db.ReadRows(fields, "N,F,D,S,V", "KINDS", "", "N")),
              (std::vector<std::vector<std::string>>{{"1", "0.5", "0.1", "32767", "abc"},
                                                     {"2", "1.9073486328125E-6", "1.5E-6", "-32768", " a "},
                                                     {"3", "0", "1.2345678901234568E17", "0", ""},
                                                     {"4", "-2", "1E15", "0", "0"},
                                                     {"5", "0.25", "0.00001", "1", "1234567890"}}));

    // Types the module does not write itself still read as text: fixed-length
    // character data keeps the server's padding, scaled numbers their decimals.
    EXPECT_EQ(rowValues(read("CAST('ab' AS CHAR(5)),CAST(1.25 AS NUMERIC(9,2)),CAST(NULL AS INTEGER)",
                             "RDB$DATABASE")),
              (std::vector<std::vector<std::string>>{{"ab   ", "1.25", ""}}));
}

TEST_F(FbdbTest, TextBlobsAreReadWhole) {
    ASSERT_TRUE(
        database->runIsql("CREATE TABLE BLOBS (N INTEGER, T BLOB SUB_TYPE TEXT, B BLOB SUB_TYPE BINARY);"));
    std::string text;
    for (int i = 0; i < 100; ++i)
        text += Codec::sj("ダム表") + "abc";
    FieldList fields(3);
    fields[0] = {"N", "", 1, 0, "1"};
    fields[1] = {"T", "", 4, 0, text};
    fields[2] = {"B", "", 4, 0, "bin"};
    ASSERT_TRUE(db.InsertRow("BLOBS", 3, fields)) << db.LastError();
    fields[0].Value = "2";
    fields[1].Value.clear();
    ASSERT_TRUE(db.InsertRow("BLOBS", 3, fields)) << db.LastError();
    // 76 800 bytes: more than one segment.
    for (int i = 0; i < 7; ++i)
        ASSERT_TRUE(db.UpdateSet("BLOBS", "T=T||T", "N=1")) << db.LastError();
    std::string whole;
    for (int i = 0; i < 128; ++i)
        whole += text;

    EXPECT_EQ(rowValues(db.ReadRows(fields, "*", "BLOBS", "", "N")),
              (std::vector<std::vector<std::string>>{{"1", whole, "bin"}, {"2", "", "bin"}}));
    const auto one = db.ReadRow(fields, "BLOBS", "N=1");
    ASSERT_TRUE(one && *one) << db.LastError();
    EXPECT_EQ((**one)[1].Value, whole);
}

TEST_F(FbdbTest, ReadRowsFetchesAtMostItsLimit) {
    makeMemoTable("LIMITED",
                  {memoRow("1", "3", "0", "c"), memoRow("2", "1", "0", "a"), memoRow("3", "2", "7", "gone"),
                   memoRow("4", "2", "0", "b"), memoRow("5", "4", "0", "d")});
    const auto texts = [&](const std::string& order, int rowLimit, int rowsSkipped = 0) {
        const auto rows = read("TEXT", "LIMITED", "DF = 0", order, rowLimit, rowsSkipped);
        return firstValues(rows);
    };
    EXPECT_EQ(texts("SN,N", 3), "abc");
    EXPECT_EQ(texts("SN DESC,N DESC", 2), "dc");
    EXPECT_EQ(texts("SN,N", 2, 2), "cd");
    // A limit beyond the rows there are, and a skip beyond them.
    EXPECT_EQ(texts("SN,N", 10, 3), "d");
    EXPECT_EQ(texts("SN,N", 10, 4), "");

    EXPECT_TRUE(db.CreateIndex("IX_LIMITED", "LIMITED", "SN,N", false)) << db.LastError();
    EXPECT_TRUE(db.CreateIndex("IX_LIMITED_DESC", "LIMITED", "SN,N", true)) << db.LastError();
    EXPECT_FALSE(db.CreateIndex("IX_LIMITED", "LIMITED", "SN,N", false));
    EXPECT_EQ(texts("SN DESC,N DESC", 3, 1), "cba");
}

TEST_F(FbdbTest, UpdateDeleteAndMax) {
    EXPECT_FALSE(hasTable("CHANGES"));
    makeMemoTable("CHANGES", {});
    EXPECT_EQ(max("CHANGES", "N"), "");
    EXPECT_EQ(max("CHANGES", "SN"), "");
    for (int n = 1; n <= 4; ++n)
        ASSERT_TRUE(
            db.InsertRow("CHANGES", 6, memoRow(std::to_string(n), std::to_string(n) + ".5", "0", "t")));
    EXPECT_EQ(max("CHANGES", "N"), "4");
    EXPECT_EQ(max("CHANGES", "SN", "N < 3"), "2.5");

    // All six columns are written, the key included.
    FieldList row = memoRow("10", "0.75", "0", "new");
    ASSERT_TRUE(db.UpdateRow("CHANGES", 6, row, "N=4"));
    FieldList shape;
    SetMemoFields(shape);
    EXPECT_FALSE(db.ReadRow(shape, "CHANGES", "N=4").value());
    EXPECT_EQ(values(db.ReadRow(shape, "CHANGES", "N=10").value().value()), values(row));

    ASSERT_TRUE(db.UpdateSet("CHANGES", "DF=7", "N=10"));
    EXPECT_EQ(firstValues(read("DF", "CHANGES", "N=10")), "7");
    ASSERT_TRUE(db.UpdateSet("CHANGES", "MN=9", ""));
    EXPECT_EQ(firstValues(read("MN", "CHANGES")), "9999");

    ASSERT_TRUE(db.DeleteRows("CHANGES", "N=1"));
    EXPECT_EQ(firstValues(read("N", "CHANGES", "", "N")), "2310");
    // A statement the server refuses is a plain false.
    EXPECT_FALSE(db.DeleteRows("CHANGES", "NOSUCHCOLUMN=1"));
    EXPECT_FALSE(db.UpdateSet("CHANGES", "NOSUCHCOLUMN=1", ""));
    ASSERT_TRUE(db.DeleteRows("CHANGES", ""));
    EXPECT_TRUE(db.LastError().empty());
    EXPECT_EQ(firstValues(read("N", "CHANGES")), "");
    EXPECT_EQ(max("CHANGES", "N"), "");
}

TEST_F(FbdbTest, DuplicateKeyFailsCleanlyAndTheNextOperationWorks) {
    makeMemoTable("DUPS", {memoRow("1", "1", "0", "first")});
    EXPECT_FALSE(db.InsertRow("DUPS", 6, memoRow("1", "2", "0", "second")));
    EXPECT_NE(db.LastError().find("UNIQUE"), std::string::npos) << db.LastError();
    ASSERT_TRUE(db.InsertRow("DUPS", 6, memoRow("2", "2", "0", "second")));
    EXPECT_EQ(firstValues(read("TEXT", "DUPS", "", "N")), "firstsecond");
    // Creating an existing table fails the same way.
    FieldList memo;
    SetMemoFields(memo);
    EXPECT_FALSE(db.CreateTable("DUPS", 6, memo));
    EXPECT_EQ(max("DUPS", "N"), "2");
}

TEST_F(FbdbTest, AConnectionTheServerEndedIsLetGo) {
    makeMemoTable("ENDED", {memoRow("1", "1", "0", "first")});
    ASSERT_TRUE(
        database->runIsql("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION;"));
    const auto lost = read("N", "ENDED");
    ASSERT_FALSE(lost);
    EXPECT_EQ(lost.failure(), DbFailure::ConnectionLost);
    EXPECT_FALSE(db.IsConnected());
    ASSERT_TRUE(database->connect(db));
    EXPECT_EQ(firstValues(read("N", "ENDED")), "1");
    // An ordinary statement error keeps the connection.
    EXPECT_EQ(read("N", "NO_SUCH_TABLE").failure(), DbFailure::Other);
    EXPECT_TRUE(db.IsConnected());
}

TEST_F(FbdbTest, ReadsTellNothingFoundFromFailed) {
    makeMemoTable("OUTCOMES", {memoRow("1", "1.5", "0", "a"), memoRow("2", "0.5", "0", "b")});
    makeMemoTable("NOTHING", {});
    FieldList shape;
    SetMemoFields(shape);
    shape[5].Value = "kept";

    const auto rows = db.ReadRows(shape, "N,TEXT", "OUTCOMES", "DF = 0", "SN,N");
    ASSERT_TRUE(rows) << db.LastError();
    ASSERT_EQ(rows->size(), 2u);
    EXPECT_EQ(values((*rows)[0]), (std::vector<std::string>{"2", "b", "", "", "", "kept"}));
    EXPECT_EQ((*rows)[1][0].Value + (*rows)[1][1].Value, "1a");
    EXPECT_EQ((*rows)[1][0].Name, "N");
    EXPECT_EQ(db.ReadRows(shape, "N", "OUTCOMES", "DF = 0", "SN,N", 1, 1)->front()[0].Value, "1");
    // A result wider than the shape fills only the shape.
    EXPECT_EQ(rowValues(db.ReadRows(filled(1, "x"), "N,SN,TEXT", "OUTCOMES", "", "N")),
              (std::vector<std::vector<std::string>>{{"1"}, {"2"}}));
    const auto none = db.ReadRows(shape, "N", "NOTHING", "", "");
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->empty());
    const auto refused = db.ReadRows(shape, "N", "NO_SUCH_TABLE", "", "");
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.failure(), DbFailure::Other);
    EXPECT_EQ(read("N", "OUTCOMES", "NOSUCHCOLUMN = 1").failure(), DbFailure::Other);

    const auto row = db.ReadRow(shape, "OUTCOMES", "N=1");
    ASSERT_TRUE(row && *row);
    EXPECT_EQ((**row)[4].Value, "a");
    const auto noRow = db.ReadRow(shape, "OUTCOMES", "N=9");
    ASSERT_TRUE(noRow);
    EXPECT_FALSE(*noRow);
    EXPECT_EQ(db.ReadRow(shape, "OUTCOMES", "NOSUCHCOLUMN=1").failure(), DbFailure::Other);

    EXPECT_EQ(db.ReadMax("OUTCOMES", "SN", "").value(), "1.5");
    const auto empty = db.ReadMax("NOTHING", "N", "");
    ASSERT_TRUE(empty);
    EXPECT_EQ(*empty, "");
    EXPECT_FALSE(db.ReadMax("NO_SUCH_TABLE", "N", ""));

    // Table names right-trimmed, compared without regard to letter case.
    const auto names = db.ReadTableNames();
    ASSERT_TRUE(names);
    EXPECT_NE(std::find(names->begin(), names->end(), "OUTCOMES"), names->end());
    for (const auto& name : *names)
        EXPECT_NE(name.back(), ' ');
    EXPECT_TRUE(HasTableName(*names, "outcomes"));
    EXPECT_TRUE(HasTableName(*names, "OutComes"));
    EXPECT_FALSE(HasTableName(*names, "OUTCOME"));
    EXPECT_FALSE(HasTableName(*names, ""));
    // An ordinary failure keeps the connection.
    EXPECT_TRUE(db.IsConnected());
}

TEST_F(FbdbTest, Cp932TextRoundTripsByteForByte) {
    FieldList fields(2);
    fields[0] = {"N", "", 1, 0, ""};
    fields[1] = {"T", "", 4, 400, ""};
    ASSERT_TRUE(db.CreateTable("CP932", 2, fields));
    // Every lead byte with every trail byte (0x40-0x7E, 0x80-0xFC), one lead byte per row.
    std::vector<std::string> texts;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead > 0x9F && lead < 0xE0)
            continue;
        std::string text;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F)
                continue;
            text += static_cast<char>(lead);
            text += static_cast<char>(trail);
        }
        texts.push_back(text);
    }
    std::string katakana;
    for (int byte = 0xA1; byte <= 0xDF; ++byte)
        katakana += static_cast<char>(byte);
    texts.push_back(katakana + " \\~|`" + katakana);
    for (size_t i = 0; i < texts.size(); ++i) {
        fields[0].Value = std::to_string(i + 1);
        fields[1].Value = texts[i];
        ASSERT_TRUE(db.InsertRow("CP932", 2, fields)) << i << " " << db.LastError();
    }
    const auto rows = read("T", "CP932", "", "N");
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), texts.size());
    for (size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ((*rows)[i][0].Value, texts[i]) << "row " << i + 1;
    // Updates and conditions carry the bytes too.
    const std::string kanji = "\x8A\xBF\x8E\x9A\x83\x5C\x95\x5C"; // ends with trail bytes 0x5C
    fields[0].Value = "1";
    fields[1].Value = kanji;
    ASSERT_TRUE(db.UpdateRow("CP932", 2, fields, "N=1"));
    EXPECT_EQ(firstValues(read("N", "CP932", "T = '" + kanji + "'")), "1");
}

TEST_F(FbdbTest, LiteralsInConditionsAreNotTakenForNames) {
    makeMemoTable("LITERAL", {memoRow("1", "1", "0", "x a, b y"), memoRow("2", "2", "0", "a b"),
                              memoRow("3", "3", "4", "a, b")});
    EXPECT_EQ(firstValues(read("N", "LITERAL", "(DF = 0) AND (TEXT LIKE '%a, b%')", "SN,N")), "1");
    ASSERT_TRUE(db.UpdateSet("LITERAL", "TEXT='p, q=r',MN=8", "TEXT = 'a b'"));
    EXPECT_EQ(rowValues(read("TEXT,MN", "LITERAL", "N=2")),
              (std::vector<std::vector<std::string>>{{"p, q=r", "8"}}));
}

TEST_F(FbdbTest, ApostrophesInValuesStayInsideTheirLiteral) {
    makeMemoTable("QUOTES", {memoRow("1", "1", "0", "keep")});
    FieldList row = memoRow("2", "2", "0", "it's");
    row[5].Value = "x'); DELETE FROM QUOTES; --";
    ASSERT_TRUE(db.InsertRow("QUOTES", 6, row)) << db.LastError();
    row[0].Value = "3";
    row[4].Value = "'";
    row[5].Value = "''";
    ASSERT_TRUE(db.InsertRow("QUOTES", 6, row)) << db.LastError();

    EXPECT_EQ(rowValues(read("TEXT,FIND", "QUOTES", "", "N")),
              (std::vector<std::vector<std::string>>{
                  {"keep", "keep"}, {"it's", "x'); DELETE FROM QUOTES; --"}, {"'", "''"}}));

    FieldList shape;
    SetMemoFields(shape);
    FieldList third = db.ReadRow(shape, "QUOTES", "N=3").value().value();
    third[4].Value = "O'Neil";
    ASSERT_TRUE(db.UpdateRow("QUOTES", 6, third, "N=3"));
    EXPECT_EQ(firstValues(read("TEXT", "QUOTES", "N=3")), "O'Neil");
}

TEST_F(FbdbTest, EveryReadSeesWhatOtherConnectionsCommitted) {
    makeMemoTable("SHARED", {memoRow("1", "1", "0", "one")});
    TFormFBDB other;
    ASSERT_TRUE(database->connect(other));

    ASSERT_EQ(firstValues(read("N", "SHARED")), "1");
    EXPECT_EQ(max("SHARED", "N"), "1");
    ASSERT_TRUE(other.InsertRow("SHARED", 6, memoRow("2", "2", "0", "two")));
    EXPECT_EQ(firstValues(read("N", "SHARED", "", "N")), "12");
    EXPECT_EQ(max("SHARED", "N"), "2");

    // The other way round.
    ASSERT_TRUE(db.UpdateSet("SHARED", "DF=3", "N=1"));
    ASSERT_TRUE(db.DeleteRows("SHARED", "N=2"));
    EXPECT_EQ(firstValues(other.ReadRows(FieldList(1), "N", "SHARED", "DF = 0", "")), "");

    // Tables created by one connection are seen by the other.
    FieldList memo;
    SetMemoFields(memo);
    ASSERT_TRUE(other.CreateTable("LATER", 6, memo));
    EXPECT_TRUE(hasTable("LATER"));
    EXPECT_TRUE(db.InsertRow("LATER", 6, memoRow("1", "1", "0", "x")));
}

TEST_F(FbdbTest, LargeResultIsFetchedWhole) {
    makeMemoTable("BIG", {});
    std::string text;
    for (int i = 0; i < 60; ++i)
        text += "\x82\xA0"; // 60 full-width characters, 120 bytes
    for (int n = 1; n <= 50; ++n)
        ASSERT_TRUE(db.InsertRow("BIG", 6, memoRow(std::to_string(n), std::to_string(n), "0", text)));

    FieldList fields;
    SetMemoFields(fields);
    const auto start = std::chrono::steady_clock::now();
    const auto rows = db.ReadRows(fields, "A.N,A.SN,A.DF,A.MN,A.TEXT,A.FIND", "BIG A, BIG B, BIG C",
                                  "(A.DF = 0) AND (B.N <= 40)", "");
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    ASSERT_TRUE(rows) << db.LastError();
    ASSERT_EQ(rows->size(), size_t(50 * 40 * 50));
    RecordProperty("fetch_ms", static_cast<int>(elapsed.count()));
    std::cout << "[ fetched " << rows->size() << " rows in " << elapsed.count() << " ms ]\n";
    for (const FieldList& row : {rows->front(), rows->back()}) {
        EXPECT_FALSE(row[0].Value.empty());
        EXPECT_EQ(row[4].Value, text);
        EXPECT_EQ(row[5].Value, text);
    }
}

// Failures that the shared server must not be put through: a login without
// rights, a server that stops, one that hangs (SIGSTOP). The server is the
// suite's own.
class FbdbServerFailureTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server = new PrivateServer;
        if (!server->ok())
            return;
        database = new TestDatabase("db-failures", server->host());
        FieldList fields;
        SetMemoFields(fields);
        if (database->ok() && database->db().CreateTable("FAILS", MemoColumns, fields))
            plainUser = database->runIsql("CREATE OR ALTER USER QBPLAIN PASSWORD 'plainpw';");
    }
    static void TearDownTestSuite() {
        delete database;
        database = nullptr;
        delete server;
        server = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(server->ok()) << "no private server (scripts/private-firebird.sh)";
        ASSERT_TRUE(database->ok()) << database->error();
        ASSERT_TRUE(plainUser);
        ASSERT_TRUE(database->connect(db)) << db.LastError();
    }
    void TearDown() override {
        server->thaw();
        server->start();
    }

    template <typename Call> static long long millisecondsOf(Call call) {
        const auto start = std::chrono::steady_clock::now();
        call();
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
            .count();
    }

    static PrivateServer* server;
    static TestDatabase* database;
    static bool plainUser;
    TFormFBDB db;
};

PrivateServer* FbdbServerFailureTest::server = nullptr;
TestDatabase* FbdbServerFailureTest::database = nullptr;
bool FbdbServerFailureTest::plainUser = false;

TEST_F(FbdbServerFailureTest, AReadTheLoginHasNoRightsForIsRefused) {
    TFormFBDB plain;
    ASSERT_TRUE(plain.Connect(database->locationPrefix(), database->fileName(), "QBPLAIN", "plainpw"))
        << plain.LastError();
    const auto rows = plain.ReadRows(FieldList(1), "N", "FAILS", "", "");
    ASSERT_FALSE(rows);
    EXPECT_EQ(rows.failure(), DbFailure::NoPermission);
    EXPECT_EQ(plain.ReadMax("FAILS", "N", "").failure(), DbFailure::NoPermission);
    EXPECT_TRUE(plain.IsConnected());
    // The catalogue is everybody's to read.
    EXPECT_TRUE(plain.ReadTableNames());
    plain.Disconnect();
}

TEST_F(FbdbServerFailureTest, AStoppedServerIsALostConnectionUntilItIsBack) {
    ASSERT_TRUE(server->stop());
    const auto rows = db.ReadRows(FieldList(1), "N", "FAILS", "", "");
    ASSERT_FALSE(rows);
    EXPECT_EQ(rows.failure(), DbFailure::ConnectionLost);
    EXPECT_FALSE(db.IsConnected());
    EXPECT_FALSE(database->connect(db));
    ASSERT_TRUE(server->start());
    ASSERT_TRUE(database->connect(db)) << db.LastError();
    EXPECT_TRUE(db.ReadRows(FieldList(1), "N", "FAILS", "", ""));
}

TEST_F(FbdbServerFailureTest, NoCallWaitsForAFrozenServerPastTheLimit) {
    constexpr std::chrono::milliseconds Limit(1000);
    constexpr long long Bound = Limit.count() + 1000;
    db.SetWaitLimit(Limit);
    // The connection has an event link too.
    db.Subscribe("FAILS");
    FieldList row;
    SetMemoFields(row);

    ASSERT_TRUE(server->freeze());
    ReadResult<std::vector<FieldList>> rows(DbFailure::Other);
    const long long readMs = millisecondsOf([&] { rows = db.ReadRows(row, "*", "FAILS", "", ""); });
    std::cout << "[ read against the frozen server returned after " << readMs << " ms, limit "
              << Limit.count() << " ms ]\n";
    EXPECT_LT(readMs, Bound);
    EXPECT_EQ(rows.failure(), DbFailure::ConnectionLost);
    EXPECT_FALSE(db.IsConnected());
    bool connected = true;
    EXPECT_LT(millisecondsOf([&] { connected = database->connect(db); }), Bound);
    EXPECT_FALSE(connected);

    // A write, and the end of a connection, meet the frozen server the same way.
    ASSERT_TRUE(server->thaw());
    ASSERT_TRUE(database->connect(db)) << db.LastError();
    ASSERT_TRUE(server->freeze());
    bool stored = true;
    EXPECT_LT(millisecondsOf([&] { stored = InsertMemoRow(db, "FAILS", row, 1, 1.0, "x", 7); }), Bound);
    EXPECT_FALSE(stored);
    ASSERT_TRUE(server->thaw());
    ASSERT_TRUE(database->connect(db)) << db.LastError();
    ASSERT_TRUE(server->freeze());
    EXPECT_LT(millisecondsOf([&] { db.Disconnect(); }), Bound);

    // Once the server answers again, so does the module.
    ASSERT_TRUE(server->thaw());
    ASSERT_TRUE(database->connect(db)) << db.LastError();
    EXPECT_TRUE(InsertMemoRow(db, "FAILS", row, 1, 1.0, "after", 7)) << db.LastError();
    EXPECT_EQ(db.ReadMax("FAILS", "N", "").value(), "1");
    db.Unsubscribe("FAILS");
}

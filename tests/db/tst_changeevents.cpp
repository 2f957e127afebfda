// The data-access module's live tables against a real server: which commits
// it reports, and how its subscriptions follow the connection.

#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "support/TestDatabase.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <QTest>

#include <algorithm>
#include <memory>

class TestChangeEvents : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestDatabase> database;
    TFormFBDB db;    // the listening client
    TFormFBDB other; // another client, writing
    std::vector<std::string> reports;
    int nextN = 1;

    void insertInto(const std::string& table) {
        FieldList row;
        QVERIFY2(InsertMemoRow(other, table, row, nextN, nextN, "line", 2), other.LastError().c_str());
        ++nextN;
    }

    // The reports after the quiet time that any late one would need to arrive.
    std::vector<std::string> settledReports() {
        QTest::qWait(300);
        return reports;
    }

    void endEveryConnection() {
        QVERIFY(
            database->runIsql("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION;"));
    }

    using Names = std::vector<std::string>;

private slots:
    void initTestCase() {
        database = std::make_unique<TestDatabase>("changeevents");
        QVERIFY2(database->ok(), database->error().c_str());
        QVERIFY(database->connect(db));
        QVERIFY(database->connect(other));
        FieldList fields;
        SetMemoFields(fields);
        QVERIFY(CreateMemoTable(other, "MYMEMO1", fields));
        QVERIFY(CreateMemoTable(other, "MYMEMO2", fields));
        // As a copy of the program that knows nothing of events makes it.
        QVERIFY(other.CreateTable("MYMEMO3", MemoColumns, fields));
        connect(&db, &TFormFBDB::TableChanged, this,
                [this](const std::string& table) { reports.push_back(table); });
    }

    void init() {
        QVERIFY(database->connect(db));
        QVERIFY(database->connect(other));
        settledReports();
        reports.clear();
    }

    void cleanupTestCase() {
        db.Disconnect();
        other.Disconnect();
    }

    void reportsEachCommittedChangeOfASubscribedTable() {
        db.Subscribe("MYMEMO1");
        db.Subscribe("MYMEMO3");
        QCOMPARE(settledReports(), Names{}); // subscribing is no change
        insertInto("MYMEMO1");
        QTRY_COMPARE_WITH_TIMEOUT(reports, Names{"MYMEMO1"}, 1000);
        QVERIFY(other.UpdateSet("MYMEMO1", "DF=2", "N=1"));
        QTRY_COMPARE_WITH_TIMEOUT(reports.size(), size_t(2), 1000);
        QVERIFY(other.DeleteRows("MYMEMO1", ""));
        QTRY_COMPARE_WITH_TIMEOUT(reports.size(), size_t(3), 1000);
        // Neither a table that is not subscribed nor one without the trigger reports.
        insertInto("MYMEMO2");
        insertInto("MYMEMO3");
        QCOMPARE(settledReports(), (Names{"MYMEMO1", "MYMEMO1", "MYMEMO1"}));

        db.Unsubscribe("MYMEMO1");
        db.Unsubscribe("MYMEMO3");
        insertInto("MYMEMO1");
        QCOMPARE(settledReports().size(), size_t(3));
    }

    void manyTablesAreHeardThroughSeveralRequests() {
        FieldList fields;
        SetMemoFields(fields);
        Names tables;
        for (int group = 1; group <= 2 * 15 + 2; ++group) {
            tables.push_back(OgMemoTable(group));
            QVERIFY(CreateMemoTable(other, tables.back(), fields));
        }
        db.Subscribe(tables);
        QVERIFY(db.Listening());
        QCOMPARE(settledReports(), Names{});
        for (const size_t i : {0, 14, 15, 31})
            insertInto(tables[i]);
        QTRY_COMPARE_WITH_TIMEOUT(reports.size(), size_t(4), 2000);
        std::sort(reports.begin(), reports.end());
        QCOMPARE(settledReports(), (Names{tables[0], tables[14], tables[15], tables[31]}));
        db.Unsubscribe(tables);
        QVERIFY(!db.Listening());
    }

    void subscriptionsAreCounted() {
        db.Subscribe("MYMEMO2");
        db.Subscribe("MYMEMO2");
        db.Unsubscribe("MYMEMO2");
        insertInto("MYMEMO2");
        QTRY_COMPARE_WITH_TIMEOUT(reports, Names{"MYMEMO2"}, 1000);
        db.Unsubscribe("MYMEMO2");
        insertInto("MYMEMO2");
        QCOMPARE(settledReports(), Names{"MYMEMO2"});
    }

    void subscriptionsFollowTheConnection() {
        db.Subscribe("MYMEMO1");
        // Another screen's Connect replaces the connection: nothing missed, nothing to report.
        QVERIFY(database->connect(db));
        QCOMPARE(settledReports(), Names{});
        insertInto("MYMEMO1");
        QTRY_COMPARE_WITH_TIMEOUT(reports.size(), size_t(1), 1000);

        // Disconnected, the module hears nothing; connected again, it reports
        // that changes may have been missed, and hears again.
        db.Disconnect();
        insertInto("MYMEMO1");
        QCOMPARE(settledReports().size(), size_t(1));
        QVERIFY(database->connect(db));
        QTRY_COMPARE_WITH_TIMEOUT(reports.size(), size_t(2), 1000);
        insertInto("MYMEMO1");
        QTRY_COMPARE_WITH_TIMEOUT(reports.size(), size_t(3), 1000);

        // The server ends the connection: a ping, no statement, finds it
        // gone and lets it go; the reconnect subscribes again.
        const std::uint64_t statements = db.StatementCount();
        QVERIFY(db.Ping());
        endEveryConnection();
        QVERIFY(!db.Ping());
        QVERIFY(!db.IsConnected());
        QVERIFY(!db.Listening());
        QCOMPARE(db.StatementCount(), statements);
        QCOMPARE(db.ReadRows(FieldList(1), "*", "MYMEMO1", "", "").failure(), DbFailure::ConnectionLost);
        QVERIFY(database->connect(other));
        QVERIFY(database->connect(db));
        QTRY_COMPARE_WITH_TIMEOUT(reports.size(), size_t(4), 1000);
        insertInto("MYMEMO1");
        QTRY_COMPARE_WITH_TIMEOUT(reports.size(), size_t(5), 1000);
        QCOMPARE(settledReports().size(), size_t(5));
        db.Unsubscribe("MYMEMO1");
    }

    void theTriggerIsMadeAgainHarmlesslyAndRemoved() {
        db.Subscribe("MYMEMO3");
        const auto removed = qScopeGuard([this] { other.DropChangeTrigger("MYMEMO3"); });
        QVERIFY(other.AddChangeTrigger("MYMEMO3"));
        QVERIFY(other.AddChangeTrigger("MYMEMO3"));
        insertInto("MYMEMO3");
        QTRY_COMPARE_WITH_TIMEOUT(reports, Names{"MYMEMO3"}, 1000);
        QVERIFY(other.DropChangeTrigger("MYMEMO3"));
        QVERIFY(other.DropChangeTrigger("MYMEMO3"));
        insertInto("MYMEMO3");
        QCOMPARE(settledReports(), Names{"MYMEMO3"});
        db.Unsubscribe("MYMEMO3");
    }
};

QTEST_MAIN(TestChangeEvents)

#include "tst_changeevents.moc"

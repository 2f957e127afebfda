// The database server stops and starts again while two pads are open, one of
// them with a line typed but not entered. The server is one of the test's own
// (scripts/private-firebird.sh) on a port of its own: the shared server that
// other suites use is never touched.

#include "app/Forms.h"
#include "app/Settings.h"
#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "memo/Unit2.h"
#include "memo/Unit8.h"
#include "platform/Platform.h"
#include "support/PrivateServer.h"
#include "support/TestDatabase.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <memory>

namespace {

// Longest time any one action may take while the server is away. The client
// library's connection timeout is far longer; a refused connection must not
// come anywhere near it.
constexpr qint64 ActionLimitMs = 10000;
constexpr int Restarts = 3;

} // namespace

class TestServerRestart : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<PrivateServer> server;
    std::unique_ptr<TestDatabase> database;
    TForm2* own = nullptr;
    TForm8* shared = nullptr;
    std::vector<std::string> stored; // every line a screen reported stored

    qint64 longestMs = 0;

    // Runs one action and checks it came back in time.
    template <typename Action> void timed(const char* what, Action action) {
        QElapsedTimer clock;
        clock.start();
        action();
        longestMs = std::max(longestMs, clock.elapsed());
        QVERIFY2(clock.elapsed() < ActionLimitMs, what);
    }

    void enter(TMemoScreen* screen, const std::string& text) {
        screen->ButtonDClick();
        screen->Edit1->setText(Codec::toQString(text));
        screen->RegisterLine();
    }

    std::vector<std::string> padTexts(const std::string& table) {
        TFormFBDB db;
        std::vector<std::string> texts;
        if (!database->connect(db))
            return texts;
        for (const FieldList& row : ReadMemoRows(db, table, "DF = 0", "SN,N"))
            texts.push_back(row[MemoText].Value);
        db.Disconnect();
        return texts;
    }

private slots:
    void initTestCase() {
        server = std::make_unique<PrivateServer>();
        QVERIFY2(server->ok(), "no private Firebird server could be started (scripts/private-firebird.sh)");
        database = std::make_unique<TestDatabase>("serverrestart", server->host());
        QVERIFY2(database->ok(), database->error().c_str());
        Platform::setScripted(true);
        database->useInSettings();
        Settings::MemberNumber = 7;
        Settings::MemberName = "Tester";
        Settings::RowsPerPage = 20;
        Settings::RefreshSeconds = 1;
        CreateForms();
        own = forms().Form2;
        shared = forms().Form8;
        own->show();
        shared->show();
        QVERIFY(own->Ready && shared->Ready);
    }

    void cleanupTestCase() {
        if (own) {
            own->hide();
            shared->hide();
            forms().FormFBDB->Disconnect();
        }
        // The database goes before its server.
        database.reset();
        server.reset();
    }

    void padsSurviveRestarts() {
        for (int restart = 1; restart <= Restarts; ++restart) {
            const std::string before = "before restart " + std::to_string(restart);
            enter(own, before);
            QCOMPARE(own->StatusText(), Codec::sj("登録出来ました"));
            stored.push_back(before);
            // Typed on the shared pad, not entered.
            shared->ButtonDClick();
            const std::string typed = Codec::sj("入力途中の行 ") + std::to_string(restart);
            shared->Edit1->setText(Codec::toQString(typed));

            QVERIFY(server->stop());
            // Both pads refresh against the stopped server: no crash, no hang.
            timed("refresh while the server is stopped", [&] { own->ButtonKClick(); });
            QElapsedTimer ticks;
            ticks.start();
            QTest::qWait(2500); // timer ticks of both pads
            QVERIFY2(ticks.elapsed() < 2500 + ActionLimitMs, "timer ticks while the server is stopped");
            const std::string during = "during restart " + std::to_string(restart);
            timed("Enter while the server is stopped", [&] { enter(own, during); });
            QCOMPARE(own->StatusText(), Codec::sj("登録出来ませんでした。再度行ってみて下さい"));
            QCOMPARE(Codec::fromQString(own->Edit1->text()), during);
            QCOMPARE(Codec::fromQString(shared->Edit1->text()), typed);

            QVERIFY(server->start());
            // The next refresh reconnects and shows the pad again.
            timed("refresh after the restart", [&] { own->ButtonKClick(); });
            QVERIFY(own->Ready);
            QCOMPARE(own->Cell(2, own->RowCount() - 2), stored.back());
            // Enter again stores what could not be stored.
            timed("Enter again after the restart", [&] { own->RegisterLine(); });
            QCOMPARE(own->StatusText(), Codec::sj("登録出来ました"));
            stored.push_back(during);
            // The typed line is still in the shared pad's entry field, and Enter stores it.
            QCOMPARE(Codec::fromQString(shared->Edit1->text()), typed);
            timed("Enter on the other pad after the restart", [&] { shared->RegisterLine(); });
            QCOMPARE(shared->StatusText(), Codec::sj("登録出来ました"));

            QCOMPARE(padTexts(MyMemoTable(7)), stored);
            QCOMPARE(padTexts(AlMemoTable()).size(), size_t(restart));
            QCOMPARE(padTexts(AlMemoTable()).back(), typed);
        }
        qInfo("restarts survived: %d, longest refresh or Enter while stopped or just after: %lld ms",
              Restarts, static_cast<long long>(longestMs));
    }
};

QTEST_MAIN(TestServerRestart)
#include "tst_serverrestart.moc"

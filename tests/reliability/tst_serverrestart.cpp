// The database server stops and starts again, hangs, and refuses a login while
// pads are open, one of them with a line typed but not entered. The server is
// one of the test's own (scripts/private-firebird.sh) on a port of its own:
// the shared server that other suites use is never touched.

#include "app/Forms.h"
#include "app/Settings.h"
#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "editor/UnitEditor.h"
#include "memo/Unit2.h"
#include "memo/Unit8.h"
#include "platform/Platform.h"
#include "support/MemoScreenFixture.h"
#include "support/PrivateServer.h"
#include "text/Codec.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {

// Longest time any one action may take while the server is away: the wait
// limit and a second. Stopped, the server refuses at once.
constexpr qint64 StoppedLimitMs = TFormFBDB::DefaultWaitLimit.count() + 1000;
constexpr int Restarts = 3;

std::string sj(const char* utf8) {
    return Codec::sj(utf8);
}

// The longest stretches for which the event loop did not run, while it runs.
class BlockWatch : public QObject {
public:
    BlockWatch() {
        clock_.start();
        connect(&probe_, &QTimer::timeout, this, [this] {
            const qint64 now = clock_.elapsed();
            if (now - last_ > 300)
                blocks_.push_back(now - last_);
            last_ = now;
        });
        probe_.start(20);
    }
    const std::vector<qint64>& blocks() const { return blocks_; }

private:
    QElapsedTimer clock_;
    QTimer probe_;
    qint64 last_ = 0;
    std::vector<qint64> blocks_;
};

} // namespace

class TestServerRestart : public QObject, private MemoScreenFixture {
    Q_OBJECT

private:
    std::unique_ptr<PrivateServer> server;
    TForm2* own = nullptr;
    TForm8* shared = nullptr;
    std::vector<std::string> stored; // every line a screen reported stored

    qint64 longestMs = 0;

    // Runs one action and checks it came back in time.
    template <typename Action>
    qint64 timed(const char* what, Action action, qint64 limitMs = StoppedLimitMs) {
        QElapsedTimer clock;
        clock.start();
        action();
        longestMs = std::max(longestMs, clock.elapsed());
        [&] { QVERIFY2(clock.elapsed() < limitMs, what); }();
        return clock.elapsed();
    }

    void typeLast(TMemoScreen* screen, const std::string& text) {
        screen->ButtonD->click();
        screen->Edit1->setText(Codec::toQString(text));
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

    static std::string lost() { return sj("サーバーに接続出来ません"); }

private slots:
    void initTestCase() {
        // Ports of its own: while this server is stopped, a suite that starts
        // a server of its own (here or in another checkout) must not take its port.
        server = std::make_unique<PrivateServer>("restart", 3111, 3130);
        QVERIFY2(server->ok(), "no private Firebird server could be started (scripts/private-firebird.sh)");
        QVERIFY(setUpMemoSuite("serverrestart", server->host()));
        Settings::RowsPerPage = 20;
        Settings::RefreshSeconds = 1;
        own = forms().Form2;
        shared = forms().Form8;
        own->show();
        shared->show();
        QVERIFY(own->Ready() && shared->Ready());
    }

    void init() { Platform::takeMessages(); }

    void cleanupTestCase() {
        tearDownMemoSuite();
        // The database goes before its server.
        database.reset();
        server.reset();
    }

    void padsSurviveRestarts() {
        for (int restart = 1; restart <= Restarts; ++restart) {
            const std::string before = "before restart " + std::to_string(restart);
            typeLast(own, before);
            QTest::keyClick(own->Edit1, Qt::Key_Return);
            QCOMPARE(own->StatusText(), sj("登録出来ました"));
            stored.push_back(before);
            const std::vector<std::string> page = shownTexts(own);
            // Typed on the shared pad, not entered.
            const std::string typed = sj("入力途中の行 ") + std::to_string(restart);
            typeLast(shared, typed);

            QVERIFY(server->stop());
            // The pads keep their pages and say why, the refresh by hand too.
            timed("refresh while the server is stopped", [&] { own->ButtonK->click(); });
            QCOMPARE(shownTexts(own), page);
            QVERIFY(own->ReadFailureMark().starts_with(sj("◆") + lost()));
            QCOMPARE(own->StatusText(), sj("めもを更新出来ませんでした（") + lost() + sj("）"));
            BlockWatch ticks;
            QTest::qWait(2500); // timer ticks of both pads
            for (const qint64 block : ticks.blocks())
                QVERIFY2(block < StoppedLimitMs, "a timer tick while the server is stopped");
            QVERIFY(shared->ReadFailureMark().starts_with(sj("◆") + lost()));
            const std::string during = "during restart " + std::to_string(restart);
            timed("Enter while the server is stopped", [&] {
                typeLast(own, during);
                QTest::keyClick(own->Edit1, Qt::Key_Return);
            });
            QCOMPARE(own->StatusText(),
                     sj("登録出来ませんでした。再度行ってみて下さい（") + lost() + sj("）"));
            QCOMPARE(entry(own), during);
            QCOMPARE(entry(shared), typed);
            QCOMPARE(shownTexts(own), page);

            QVERIFY(server->start());
            // The next refresh connects again, shows the pad and clears the mark.
            timed("refresh after the restart", [&] { own->ButtonK->click(); });
            QVERIFY(own->ReadFailureMark().empty());
            QCOMPARE(own->Cell(2, own->RowCount() - 2), stored.back());
            // Enter again stores what could not be stored.
            timed("Enter again after the restart", [&] { QTest::keyClick(own->Edit1, Qt::Key_Return); });
            QCOMPARE(own->StatusText(), sj("登録出来ました"));
            stored.push_back(during);
            // The typed line is still in the shared pad's entry field, and Enter stores it.
            QCOMPARE(entry(shared), typed);
            timed("Enter on the other pad after the restart",
                  [&] { QTest::keyClick(shared->Edit1, Qt::Key_Return); });
            QCOMPARE(shared->StatusText(), sj("登録出来ました"));
            QVERIFY(shared->ReadFailureMark().empty());

            QCOMPARE(padTexts(MyMemoTable(7)), stored);
            QCOMPARE(padTexts(AlMemoTable()).size(), size_t(restart));
            QCOMPARE(padTexts(AlMemoTable()).back(), typed);
        }
        qInfo("restarts survived: %d, longest refresh or Enter while stopped or just after: %lld ms",
              Restarts, static_cast<long long>(longestMs));
    }

    // Every action that reads says that it could not, and changes nothing:
    // new lines before the first row of a page need the line before it.
    void actionsSayWhatTheyCouldNotRead() {
        shared->hide();
        QVERIFY(database->connect(other)); // its connection ended with the restarts
        // Three pages and more: the page before the last is neither the first nor the last.
        for (int n = 1; n <= 60; ++n)
            addLine(MyMemoTable(7), 100 + n, 100 + n);
        own->ButtonD->click();
        own->ButtonB->click();
        const std::vector<std::string> page = shownTexts(own);
        const std::vector<FieldList> before = rows(MyMemoTable(7));
        QVERIFY(server->stop());
        const auto restart = qScopeGuard([this] { QVERIFY(server->start()); });

        clickRow(own, 0);
        QTest::keyClick(own->SG1, Qt::Key_Insert);
        QCOMPARE(own->StatusText(),
                 sj("１行挿入出来ませんでした。再度行ってみて下さい（") + lost() + sj("）"));
        Platform::setClipboardText("pasted\n");
        own->ButtonI->click();
        QCOMPARE(own->StatusText(),
                 sj("ペーストした1行を登録出来ませんでした。再度行ってみて下さい（") + lost() + sj("）"));
        for (QPushButton* button : {own->ButtonA, own->ButtonB, own->ButtonD}) {
            button->click();
            QCOMPARE(own->StatusText(), sj("ページを移動出来ませんでした（") + lost() + sj("）"));
        }
        find(own, "line", false, true);
        QCOMPARE(own->StatusText(), sj("検索できませんでした（") + lost() + sj("）"));
        jump(own, QStringLiteral("101"));
        QCOMPARE(own->StatusText(), sj("指示された登録番号へジャンプ出来ませんでした（") + lost() + sj("）"));
        own->ButtonH->click();
        QCOMPARE(own->StatusText(), sj("めもを簡易エディタへ渡せませんでした（") + lost() + sj("）"));
        QVERIFY(!forms().FormEditor->isVisible());
        Platform::setNextAnswer(Platform::Answer::Yes);
        QTest::keyClick(own->SG1, Qt::Key_Delete);
        QCOMPARE(own->StatusText(),
                 sj("現在行の削除が出来ませんでした。再度行ってみて下さい（") + lost() + sj("）"));
        QCOMPARE(shownTexts(own), page);

        QVERIFY(server->start());
        own->ButtonK->click();
        QVERIFY(own->ReadFailureMark().empty());
        QVERIFY(database->connect(other));
        QCOMPARE(rows(MyMemoTable(7)).size(), before.size());
        shared->show();
    }

    // A hung server (SIGSTOP): an action waits for it at most the wait limit
    // and a second; what follows it at once, such as clicks made meanwhile,
    // does not wait again; and the refresh tries again ever more rarely, not
    // on every tick.
    void aHungServerHoldsTheWindowOnlyAsLongAsTheLimit() {
        TFormFBDB& db = *forms().FormFBDB;
        constexpr std::chrono::milliseconds Limit(1000);
        db.SetWaitLimit(Limit);
        const auto restored = qScopeGuard([&] {
            server->thaw();
            db.SetWaitLimit(TFormFBDB::DefaultWaitLimit);
        });
        own->ButtonK->click();
        const std::vector<std::string> page = shownTexts(own);
        QVERIFY(server->freeze());
        const qint64 bound = Limit.count() + 1000;
        const qint64 first = timed(
            "a refresh by hand", [&] { own->ButtonK->click(); }, bound);
        const qint64 next = timed(
            "the next page", [&] { own->ButtonD->click(); }, bound);
        QVERIFY2(next < 100, "the action right after waited again");
        timed(
            "Enter",
            [&] {
                typeLast(own, "while hung");
                QTest::keyClick(own->Edit1, Qt::Key_Return);
            },
            bound);
        QCOMPARE(own->StatusText(), sj("登録出来ませんでした。再度行ってみて下さい（") + lost() + sj("）"));
        QCOMPARE(shownTexts(own), page);

        // Ticks every second for 12 s, the member away: a few tries, not twelve.
        BlockWatch watch;
        QTest::qWait(12000);
        for (const qint64 block : watch.blocks())
            QVERIFY2(block < bound, "a refresh held the window past the limit");
        QVERIFY2(watch.blocks().size() <= 3, std::to_string(watch.blocks().size()).c_str());
        QVERIFY(own->ReadFailureMark().starts_with(sj("◆") + lost()));
        qInfo("hung server, wait limit %lld ms: first action %lld ms, the next %lld ms; in 12 s of ticks the "
              "window was held %zu times",
              static_cast<long long>(Limit.count()), static_cast<long long>(first),
              static_cast<long long>(next), watch.blocks().size());

        QVERIFY(server->thaw());
        QTest::qWait(4000); // past the pause after the last try that met the hung server
        own->ButtonK->click();
        QVERIFY(own->ReadFailureMark().empty());
    }

    // A login without rights on the pads: told, not shown an empty pad.
    void aLoginWithoutRightsIsToldSo() {
        QVERIFY(database->runIsql("CREATE OR ALTER USER QBPLAIN PASSWORD 'plainpw';"));
        const std::string user = Settings::DatabaseUser;
        const std::string password = Settings::DatabasePassword;
        Settings::DatabaseUser = "QBPLAIN";
        Settings::DatabasePassword = "plainpw";
        const auto restored = qScopeGuard([&] {
            Settings::DatabaseUser = user;
            Settings::DatabasePassword = password;
            reopen(own);
        });
        own->hide();
        own->show();
        QVERIFY(own->Ready());
        const std::string refused = sj("読み込みを拒否されました");
        QCOMPARE(own->ReadFailureMark(), sj("◆") + refused + sj("（めもを読み込めませんでした）◆"));
        QCOMPARE(own->RowCount(), 1);
        find(own, "line", false, true);
        QCOMPARE(own->StatusText(), sj("検索できませんでした（") + refused + sj("）"));
        enter(own, "refused");
        QCOMPARE(own->StatusText(),
                 sj("登録出来ませんでした。再度行ってみて下さい（データベースに拒否されました）"));
        QVERIFY(Platform::takeMessages().empty());
    }
};

QTEST_MAIN(TestServerRestart)
#include "tst_serverrestart.moc"

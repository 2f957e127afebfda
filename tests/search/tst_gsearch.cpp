// The global search against a real server: which pads are searched and in
// what order, what counts as a hit, the Escape key, a closed connection and
// the limit of the result area.

#include "app/Forms.h"
#include "app/Settings.h"
#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "platform/Platform.h"
#include "search/UnitGSearch.h"
#include "support/PrivateServer.h"
#include "support/TestDatabase.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QWindow>
#include <functional>
#include <memory>

namespace {

std::string sj(const char* utf8) {
    return Codec::sj(utf8);
}

std::vector<std::string> sjLines(std::initializer_list<const char*> lines) {
    std::vector<std::string> out;
    for (const char* line : lines)
        out.push_back(sj(line));
    return out;
}

} // namespace

class TestGSearch : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestDatabase> database;
    TFormGSearch* window = nullptr;

    void addLine(const std::string& table, int n, const std::string& text) {
        FieldList fields;
        QVERIFY(InsertMemoRow(database->db(), table, fields, n, n, text, 2));
    }

    // Lines numbered from 1 in the given order.
    void addLines(const std::string& table, std::initializer_list<const char*> texts) {
        int n = 0;
        for (const char* text : texts)
            addLine(table, ++n, sj(text));
    }

    void makePad(const std::string& table) {
        FieldList fields;
        SetMemoFields(fields);
        QVERIFY(database->db().CreateTable(table, MemoColumns, fields));
    }

    void search(const char* keyword) {
        window->Edit1->setText(QString::fromUtf8(keyword));
        QTest::keyClick(window->Edit1, Qt::Key_Return);
    }

    std::vector<std::string> results() const {
        std::vector<std::string> lines;
        for (const QString& line : window->RichEdit1->toPlainText().split(QLatin1Char('\n')))
            lines.push_back(Codec::fromQString(line));
        return lines;
    }

    // The heading of the pad and its result lines.
    std::vector<std::string> pad(const char* label) const {
        const std::vector<std::string> lines = results();
        const std::string heading = sj("「") + sj(label) + sj("」検索結果数：");
        const std::string row = sj("　【");
        std::vector<std::string> out;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].rfind(heading, 0) != 0)
                continue;
            out.push_back(lines[i]);
            while (++i < lines.size() && lines[i].rfind(row, 0) == 0)
                out.push_back(lines[i]);
            break;
        }
        return out;
    }

    // Escape counts as held from the given poll on.
    int polls = 0;
    void escapeFromPoll(int first) {
        polls = 0;
        Platform::setEscapeKeySource([this, first] { return ++polls >= first; });
    }

    const std::vector<std::string> kaigishitsu = sjLines({
        "「まいめも」検索結果数：2行",
        "　【番号:1】カイギシツＡを予約",
        "　【番号:3】ｶｲｷﾞｼﾂBの鍵",
        "「まいめも「2:花子」」検索結果数：0行",
        "　",
        "「オープングループめも「1:企画－新製品の企画」」検索結果数：1行",
        "　【番号:1】第２カイギシツ",
        "「オープングループめも「2:営業－終了した営業」」検索結果数：1行",
        "　【番号:1】かいぎしつ清掃",
        "　",
        "「クローズグループめも「1:人事－十五番目の参加者」」検索結果数：1行",
        "　【番号:1】カイギシツ会議",
        "　",
        "「全メンバーめも」検索結果数：1行",
        "　【番号:2】全員カイギシツへ",
    });

private slots:
    void initTestCase() {
        Platform::setScripted(true);
        database = std::make_unique<TestDatabase>("gsearch");
        QVERIFY2(database->ok(), database->error().c_str());
        database->useInSettings();
        QVERIFY(database->createRegistry());
        QVERIFY(database->addMember(1, sj("自分"), "p"));
        QVERIFY(database->addMember(2, sj("花子"), "p"));
        QVERIFY(database->addMember(3, sj("太郎"), "p")); // has no pad yet
        // Group 0 is no usable number: its pad is never searched, even where the table exists.
        // The groups are stored out of their number order, which the search lists them in.
        QVERIFY(database->addGroup("OGROUP", 2, true, sj("営業"), sj("終了した営業"), {2, 3}));
        QVERIFY(database->addGroup("OGROUP", 0, false, sj("ゼロ"), sj("番号なし"), {1}));
        QVERIFY(database->addGroup("OGROUP", 1, false, sj("企画"), sj("新製品の企画"), {1, 2}));
        QVERIFY(database->addGroup("CGROUP", 2, false, sj("経理"), sj("参加していない"), {2, 3}));
        QVERIFY(database->addGroup("CGROUP", 1, true, sj("人事"), sj("十五番目の参加者"),
                                   {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 1}));
        for (const char* table :
             {"MYMEMO1", "MYMEMO2", "OGMEMO0", "OGMEMO1", "OGMEMO2", "CGMEMO1", "CGMEMO2", "ALMEMO"})
            makePad(table);
        addLines("MYMEMO1", {"カイギシツＡを予約", "昼食", "ｶｲｷﾞｼﾂBの鍵", "カイギシツ削除済"});
        QVERIFY(database->db().UpdateSet("MYMEMO1", "DF=1", "N=4"));
        addLines("MYMEMO2", {"値引き50%OFF", "値引き50XOFF", "A_B", "AXB", "アムール", "ダム湖"});
        addLines("OGMEMO0", {"カイギシツ"});
        addLines("OGMEMO1", {"第２カイギシツ"});
        addLines("OGMEMO2", {"かいぎしつ清掃"});
        addLines("CGMEMO1", {"カイギシツ会議"});
        addLines("CGMEMO2", {"カイギシツ"});
        addLines("ALMEMO", {"無関係", "全員カイギシツへ"});

        Settings::MemberNumber = 1;
        Settings::MemberName = sj("自分");
        CreateForms();
        window = forms().FormGSearch;
        window->show();
        QVERIFY(window->Ready);
        QCOMPARE(window->StatusText(), sj("参照可能なめもから全検索します。[Esc]:中断"));
    }

    void init() { Platform::takeMessages(); }
    void cleanup() { Platform::setEscapeKeySource(nullptr); }

    void cleanupTestCase() {
        window->hide();
        forms().FormFBDB->Disconnect();
        DestroyForms();
    }

    void findsTheKeywordInEveryReadablePadInOrder() {
        search("かいぎしつ");
        QCOMPARE(results(), kaigishitsu);
        QCOMPARE(window->StatusText(), sj("検索終了しました。参照可能なめもから全検索します。[Esc]:中断"));
        QVERIFY(Platform::takeMessages().empty());
        // The search creates no table for the member who has none.
        QVERIFY(!database->db().ReadTableExists("MYMEMO3").value());
    }

    void keepsOnlyCharacterWiseHitsAndWildcardsAsLiterals() {
        // ダ is 83 5F, and 5F is "_" to the database's LIKE: アム is a byte-wise hit.
        search("ダム");
        QCOMPARE(pad("まいめも「2:花子」"),
                 sjLines({"「まいめも「2:花子」」検索結果数：1行", "　【番号:6】ダム湖"}));
        search("50%");
        QCOMPARE(pad("まいめも「2:花子」"),
                 sjLines({"「まいめも「2:花子」」検索結果数：1行", "　【番号:1】値引き50%OFF"}));
        search("a_b");
        QCOMPARE(pad("まいめも「2:花子」"),
                 sjLines({"「まいめも「2:花子」」検索結果数：1行", "　【番号:3】A_B"}));
        QCOMPARE(pad("まいめも"), sjLines({"「まいめも」検索結果数：0行"}));
    }

    void controlCharactersNeitherSplitNorForgeResultLines() {
        // Written by another program: a member name that would put a result
        // line of its own making under the heading, and a line holding a
        // carriage return with its line feed and a NUL byte.
        addLine("MYMEMO2", 50, "QQ\r\na");
        QVERIFY(database->runIsql("UPDATE MEMBER SET NAME = 'X' || ASCII_CHAR(10) || '[9]forged' WHERE N = 2;"
                                  "UPDATE MYMEMO2 SET TEXT = TEXT || ASCII_CHAR(0) || 'end' WHERE N = 50;"));
        search("qq");
        QCOMPARE(pad("まいめも「2:X [9]forged」"),
                 sjLines({"「まいめも「2:X [9]forged」」検索結果数：1行", "　【番号:50】QQ  a end"}));
        QCOMPARE(results().size(), size_t(10));
        QVERIFY(database->db().UpdateSet("MEMBER", "NAME='" + sj("花子") + "'", "N=2"));
        QVERIFY(database->db().DeleteRows("MYMEMO2", "N=50"));
    }

    void escapeStopsBeforeTheNextRow() {
        // Polls: before the own pad, before its first row, before its second row.
        escapeFromPoll(3);
        search("かいぎしつ");
        QCOMPARE(results(), sjLines({"「まいめも」検索結果数：2行", "　【番号:1】カイギシツＡを予約"}));
        QCOMPARE(window->StatusText(), sj("[Esc]キーを押しましたので検索を中断しました"));
    }

    void escapeStopsASearchWithoutHits() {
        escapeFromPoll(2);
        search("みつからない");
        QCOMPARE(results(), sjLines({"「まいめも」検索結果数：0行"}));
        QCOMPARE(window->StatusText(), sj("[Esc]キーを押しましたので検索を中断しました"));
    }

    void escapeIsSeenAsTheApplicationsOwnKeyEvent() {
        // No key state is asked for (this platform tells none): the press
        // waits among the window's events while the search runs.
        QCoreApplication::postEvent(window->windowHandle(),
                                    new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        search("かいぎしつ");
        QCOMPARE(window->StatusText(), sj("[Esc]キーを押しましたので検索を中断しました"));
        QVERIFY(window->RichEdit1->toPlainText().isEmpty());
        search("かいぎしつ");
        QCOMPARE(results(), kaigishitsu);
    }

    void refusesWithoutSettingsOrKeyword() {
        // Every search makes the checks of the show again.
        Settings::MemberName = sj("　");
        search("かいぎしつ");
        QCOMPARE(Platform::takeMessages(), sjLines({"最初に使用者登録を行って下さい。"}));
        window->hide();
        window->show();
        QVERIFY(!window->Ready);
        search("かいぎしつ");
        QCOMPARE(Platform::takeMessages(),
                 sjLines({"最初に使用者登録を行って下さい。", "この画面を一旦閉じて設定を確認して下さい"}));
        window->hide();
        Settings::MemberName = sj("自分");
        window->show();
        QVERIFY(window->Ready);
        search(" 　 ");
        QCOMPARE(Platform::takeMessages(), sjLines({"検索キーワードを入力して下さい"}));
    }

    void resultsPastTheLimitAreCut() {
        // About 31 000 lines of 131 characters fill the area; 32 000 match.
        const std::string text = "CUT" + std::string(117, 'x');
        addLine("MYMEMO2", 100, text);
        // The server copies the line (a client such as isql would not keep its bytes).
        QVERIFY(database->runIsql(
            "SET TERM ^ ;\nEXECUTE BLOCK AS DECLARE I INTEGER = 101; BEGIN WHILE (I < 32100) DO BEGIN "
            "INSERT INTO MYMEMO2 SELECT :I, :I, DF, MN, TEXT, FIND FROM MYMEMO2 WHERE N = 100; I = I + 1; "
            "END END^\nSET TERM ; ^"));
        const std::string cutLine = sj("検索結果が多過ぎますので、ここで打ち切りました");
        const qsizetype cutChars = Codec::toQString(cutLine).size();
        const auto resultLine = [&](std::size_t n, const std::string& lineText) {
            return sj("　【番号:") + std::to_string(n) + sj("】") + lineText;
        };
        // The room left before the cut line, and the line that did not fit there.
        const auto roomAndNext = [&] {
            const std::vector<std::string> lines = results();
            const std::size_t next = 100 + lines.size() - 3;
            return std::pair{TFormGSearch::ResultLimit -
                                 (window->RichEdit1->toPlainText().size() - cutChars - 1),
                             Codec::toQString(resultLine(next, text)).size()};
        };
        search("cut");
        // The first line is made shorter, so that the room left would take the
        // next line but not that line and the cut line: a cut line written
        // without its room kept would then pass the limit.
        const auto [room, next] = roomAndNext();
        if (room < next + 1) {
            QVERIFY(database->db().DeleteRows("MYMEMO2", "N=100"));
            addLine("MYMEMO2", 100, text.substr(0, text.size() - static_cast<std::size_t>(next + 1 - room)));
            search("cut");
        }
        const QString all = window->RichEdit1->toPlainText();
        QVERIFY(all.size() <= TFormGSearch::ResultLimit);
        const auto [roomNow, nextNow] = roomAndNext();
        QVERIFY(roomNow >= nextNow + 1);
        QVERIFY(all.size() > TFormGSearch::ResultLimit - 200);
        const std::vector<std::string> lines = results();
        QCOMPARE(lines[1], sj("「まいめも「2:花子」」検索結果数：32000行"));
        QCOMPARE(lines[lines.size() - 2], resultLine(100 + lines.size() - 4, text));
        QCOMPARE(lines.back(), cutLine);
        QCOMPARE(window->StatusText(), sj("検索終了しました。参照可能なめもから全検索します。[Esc]:中断"));
    }
    void searchesAfterTheConnectionWasClosed() {
        // The settings dialog closes the shared connection when it closes.
        forms().FormFBDB->Disconnect();
        search("かいぎしつ");
        QCOMPARE(results(), kaigishitsu);

        // An administrator ends the attachment (as a server restart would).
        QVERIFY(
            database->runIsql("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION;"));
        search("かいぎしつ");
        QCOMPARE(results(), kaigishitsu);
        QVERIFY(Platform::takeMessages().empty());

        // Settings that no longer connect are reported as the show reports them.
        Settings::DatabasePassword = "wrong";
        forms().FormFBDB->Disconnect();
        search("ダム");
        QCOMPARE(Platform::takeMessages(),
                 sjLines({"データベース接続エラーです。データベースの設定を確認して下さい。"}));
        QVERIFY(Settings::DatabaseLocation.empty());
        QCOMPARE(results(), kaigishitsu);
        database->useInSettings();
    }

    void aServerLostDuringTheSearchLeavesItIncomplete() {
        // Twelve members' pads with one hit each, on a server of the test's own.
        PrivateServer server;
        QVERIFY2(server.ok(), "no private server (scripts/private-firebird.sh)");
        TestDatabase other("gsearch-lost", server.host());
        QVERIFY2(other.ok(), other.error().c_str());
        QVERIFY(other.createRegistry());
        FieldList fields;
        SetMemoFields(fields);
        for (int n = 1; n <= 12; ++n) {
            QVERIFY(other.addMember(n, "M" + std::to_string(n), "p"));
            QVERIFY(other.db().CreateTable(MyMemoTable(n), MemoColumns, fields));
            QVERIFY(InsertMemoRow(other.db(), MyMemoTable(n), fields, 1, 1, sj("会議"), n));
        }
        other.db().Disconnect();
        other.useInSettings();
        window->hide();
        window->show();
        QVERIFY(window->Ready);
        TFormFBDB& db = *forms().FormFBDB;
        db.SetWaitLimit(std::chrono::milliseconds(1000));

        const std::string lost = sj("」読み込めませんでした（サーバーに接続出来ません）");
        const std::pair<const char*, std::function<bool()>> failures[] = {
            {"stopped", [&] { return server.stop(); }}, {"frozen", [&] { return server.freeze(); }}};
        for (const auto& [what, fail] : failures) {
            // Polls: before each pad and before its one hit. The server goes
            // just before the fourth pad is read.
            int polls = 0;
            bool failed = false;
            QElapsedTimer clock;
            qint64 scriptMs = 0;
            Platform::setEscapeKeySource([&, fail = fail] {
                if (++polls == 7) {
                    const qint64 before = clock.elapsed();
                    failed = fail();
                    scriptMs = clock.elapsed() - before;
                }
                return false;
            });
            clock.start();
            search("会議");
            const qint64 searchMs = clock.elapsed() - scriptMs;
            QVERIFY2(failed, what);
            const std::vector<std::string> lines = results();
            QCOMPARE(lines[0], sj("「まいめも」検索結果数：1行"));
            QCOMPARE(lines[4], sj("「まいめも「3:M3」」検索結果数：1行"));
            QCOMPARE(lines[6], sj("「まいめも「4:M4」") + lost);
            QCOMPARE(lines[14], sj("「まいめも「12:M12」") + lost);
            QCOMPARE(lines.size(), size_t(18)); // and the three separator lines
            QCOMPARE(window->StatusText(),
                     sj("検索終了しましたが、9件読み込めませんでした。検索結果は不完全です。"));
            // Only the read that met the server waited for it, within the limit.
            QVERIFY2(searchMs < 1000 + 1000, what);

            Platform::setEscapeKeySource(nullptr);
            server.thaw();
            QVERIFY(server.start());
            search("会議");
            QCOMPARE(results().size(), size_t(2 * 12 + 3));
            QCOMPARE(window->StatusText(),
                     sj("検索終了しました。参照可能なめもから全検索します。[Esc]:中断"));
        }
        db.SetWaitLimit(TFormFBDB::DefaultWaitLimit);
        db.Disconnect();
        database->useInSettings();
    }
};

QTEST_MAIN(TestGSearch)
#include "tst_gsearch.moc"

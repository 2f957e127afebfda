// The own pad and the all-members pad against a real server: paging, refresh,
// line entry, insert, delete, copy and paste.

#include "app/Forms.h"
#include "app/Settings.h"
#include "app/Unit1.h"
#include "db/UnitSchema.h"
#include "editor/UnitEditor.h"
#include "memo/Unit2.h"
#include "memo/Unit8.h"
#include "platform/Platform.h"
#include "search/UnitGSearch.h"
#include "support/MemoScreenFixture.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <cstring>
#include <iostream>
#include <memory>
#include <thread>

namespace {

// The own pad that several client processes open at once.
constexpr std::int32_t NewPadMember = 41;
// Makes the test program such a client (see OpenNewPad).
constexpr const char* OpenNewPadArgument = "--open-new-pad";

struct Line {
    int n;
    std::string sn;
    int df;
    std::string text;
    std::string find;
};

} // namespace

class TestMemoScreen : public QObject, private MemoScreenFixture {
    Q_OBJECT

private:
    TForm2* screen = nullptr;

    std::string table() const { return MyMemoTable(Settings::MemberNumber); }

    // Every row of the pad, deleted ones included, in display order.
    std::vector<Line> lines(const std::string& name) {
        std::vector<Line> out;
        for (const FieldList& row : rows(name))
            out.push_back({ToIntOrZero(row[MemoN].Value), row[MemoSN].Value, ToIntOrZero(row[MemoDF].Value),
                           row[MemoText].Value, row[MemoFind].Value});
        return out;
    }

    void addLine(int n, double sn, const std::string& text) {
        MemoScreenFixture::addLine(table(), n, sn, text);
    }

    std::string status() const { return screen->StatusText(); }
    std::string entry() const { return MemoScreenFixture::entry(screen); }
    void typeEntry(const std::string& text) { enter(screen, text); }
    void openScreen() { reopen(screen); }
    void runSql(const std::string& sql) { QVERIFY2(database->runIsql(sql), sql.c_str()); }

    // Another client takes the number of the which-th insert into the pad just
    // before it is stored, or with which 0 that of every insert of the screen's
    // member (a generator and a trigger, removed by the guards).
    std::pair<ScopedObject, ScopedObject> numberTakenAtInsert(const std::string& name, int which) {
        const std::string counter = name + "_" + table();
        const std::string when =
            which > 0 ? "GEN_ID(" + counter + ", 1) = " + std::to_string(which) : std::string("NEW.MN <> 2");
        return {
            database->createObject("CREATE GENERATOR " + counter + ";", "DROP GENERATOR " + counter + ";"),
            database->createObject(
                "SET TERM ^ ; CREATE TRIGGER " + counter + " FOR " + table() +
                    " BEFORE INSERT AS BEGIN IF (" + when +
                    ") THEN IN AUTONOMOUS TRANSACTION DO INSERT INTO " + table() +
                    " (N, SN, DF, MN, TEXT) VALUES (NEW.N, 99, 0, 2, 'other'); END^ SET TERM ; ^",
                "DROP TRIGGER " + counter + ";")};
    }

    // The global search and the editor, opened from the all-members pad while
    // the launcher shows it modally: neither is modal, each belongs to the pad,
    // and keys coming from the window system reach them and the pad alike.
    void typeBesideTheModalPad(TForm8* pad) {
        QTest::mouseClick(pad->ButtonJ, Qt::LeftButton);
        QTest::mouseClick(pad->ButtonH, Qt::LeftButton);
        TFormGSearch* search = forms().FormGSearch;
        TFormEditor* editor = forms().FormEditor;
        for (QWidget* window : std::initializer_list<QWidget*>{search, editor}) {
            QVERIFY(window->isVisible());
            QVERIFY(!window->isModal());
            QCOMPARE(window->windowHandle()->transientParent(), pad->windowHandle());
        }
        search->Edit1->clear();
        search->Edit1->setFocus();
        QTest::keyClick(search->windowHandle(), 'k');
        QCOMPARE(search->Edit1->text(), QStringLiteral("k"));
        editor->RichEdit1->clear();
        QTest::keyClick(editor->windowHandle(), 'e');
        QCOMPARE(editor->RichEdit1->toPlainText(), QStringLiteral("e"));
        pad->Edit1->setFocus();
        QTest::keyClick(pad->windowHandle(), 'p');
        QVERIFY(pad->Edit1->text().endsWith(QLatin1Char('p')));
    }

private slots:
    void initTestCase() {
        QVERIFY(setUpMemoSuite("memoscreen"));
        screen = forms().Form2;
    }

    void init() {
        Settings::MemberNumber = 7;
        Settings::MemberName = "Tester";
        Settings::RowsPerPage = 5;
        Settings::RefreshSeconds = 30;
        Platform::takeMessages();
    }

    void cleanup() {
        screen->hide();
        forms().Form8->hide();
        // Start every case from an empty own pad.
        if (exists(table()))
            other.DeleteRows(table(), "");
    }

    void cleanupTestCase() { tearDownMemoSuite(); }

    void refusesToOpenWithoutSettingsOrMember() {
        const std::string location = Settings::DatabaseLocation;
        Settings::DatabaseLocation = " ";
        screen->show();
        QCOMPARE(Platform::takeMessages(),
                 std::vector<std::string>{Codec::sj("最初にデータベースの設定を行って下さい。")});
        QVERIFY(!screen->Ready());
        screen->hide();
        Settings::DatabaseLocation = location;
        Settings::MemberName = Codec::sj("　");
        screen->show();
        QCOMPARE(Platform::takeMessages(),
                 std::vector<std::string>{Codec::sj("最初に使用者登録を行って下さい。")});
        QVERIFY(!screen->Ready());
    }

    void firstOpenCreatesTheTable() {
        Settings::MemberNumber = 31;
        QVERIFY(!exists("MYMEMO31"));
        openScreen();
        QVERIFY(exists("MYMEMO31"));
        QCOMPARE(screen->TableName(), std::string("MYMEMO31"));
        QCOMPARE(screen->RowCount(), 1);
        QVERIFY(screen->Timer1->isActive());
        QCOMPARE(screen->Timer1->interval(), 30000);
        QVERIFY(Platform::takeMessages().empty());
    }

    void closingDuringTheCreationWaitEndsItQuietly() {
        Settings::MemberNumber = 32;
        const ScopedObject refusal =
            database->createObject("CREATE EXCEPTION NO_CREATE 'no';", "DROP EXCEPTION NO_CREATE;");
        QVERIFY(refusal.ok());
        const ScopedObject trigger = database->createObject(
            "SET TERM ^ ; CREATE TRIGGER NO_CREATE BEFORE CREATE TABLE AS BEGIN EXCEPTION NO_CREATE; END^ "
            "SET TERM ; ^",
            "DROP TRIGGER NO_CREATE;");
        QVERIFY(trigger.ok());
        QTimer::singleShot(0, screen, [this] { screen->close(); });
        QElapsedTimer clock;
        clock.start();
        screen->show(); // the creation fails, and the screen is closed during the wait
        QVERIFY(clock.elapsed() < 4000);
        QCoreApplication::processEvents(); // the close follows the show
        QVERIFY(!screen->windowHandle()->isVisible());
        QVERIFY(!screen->Ready());
        QVERIFY(!screen->Timer1->isActive());
        QVERIFY(Platform::takeMessages().empty());
    }

    // A table that cannot be created is tried twice, five seconds apart,
    // and then the member is told.
    void aTableThatCannotBeCreatedIsTriedOnceMore() {
        Settings::MemberNumber = 33;
        const ScopedObject log =
            database->createObject("CREATE TABLE CREATES (NAME VARCHAR(63));", "DROP TABLE CREATES;");
        const ScopedObject refusal =
            database->createObject("CREATE EXCEPTION NO_CREATES 'no';", "DROP EXCEPTION NO_CREATES;");
        const ScopedObject trigger =
            database->createObject("SET TERM ^ ; CREATE TRIGGER NO_CREATES BEFORE CREATE TABLE AS BEGIN IN "
                                   "AUTONOMOUS TRANSACTION DO "
                                   "INSERT INTO CREATES VALUES (RDB$GET_CONTEXT('DDL_TRIGGER', "
                                   "'OBJECT_NAME')); EXCEPTION NO_CREATES; "
                                   "END^ SET TERM ; ^",
                                   "DROP TRIGGER NO_CREATES;");
        QVERIFY(log.ok() && refusal.ok() && trigger.ok());
        QElapsedTimer clock;
        clock.start();
        screen->show();
        const qint64 waited = clock.elapsed();
        QCOMPARE(Platform::takeMessages(),
                 std::vector<std::string>{Codec::sj("テーブル作成が出来ませんでした。確認して下さい。")});
        QVERIFY(!screen->Ready());
        QVERIFY2(waited >= 5000 && waited < 9000, std::to_string(waited).c_str()); // one wait of 5 s
        const ReadResult<std::vector<FieldList>> creates =
            other.ReadRows(FieldList(1), "NAME", "CREATES", "", "");
        QCOMPARE(creates.value().size(), size_t(2));
        QCOMPARE(creates.value()[1][0].Value, table());
    }

    void severalClientsOpenANewPadAtOnce() {
        Settings::MemberNumber = NewPadMember;
        QVERIFY(!exists(table()));
        std::vector<std::unique_ptr<QProcess>> clients;
        for (int i = 0; i < 8; ++i) {
            clients.push_back(std::make_unique<QProcess>());
            clients.back()->start(QCoreApplication::applicationFilePath(),
                                  {QString::fromLatin1(OpenNewPadArgument), QStringLiteral("-platform"),
                                   QStringLiteral("offscreen")});
        }
        for (auto& client : clients)
            QVERIFY(client->waitForReadyRead(30000)); // set up and waiting
        // Everybody shows the pad at the same moment, a little from now.
        const qint64 start = QDateTime::currentMSecsSinceEpoch() + 300;
        const std::string go = Settings::DatabaseLocation + "\n" + Settings::DatabaseUser + "\n" +
                               Settings::DatabasePassword + "\n" + std::to_string(start) + "\n";
        for (auto& client : clients)
            client->write(go.data(), static_cast<qint64>(go.size()));
        for (auto& client : clients)
            client->waitForBytesWritten(5000);
        QByteArray failures;
        for (auto& client : clients)
            if (!client->waitForFinished(30000) || client->exitCode() != 0)
                failures += client->readAll();
        QVERIFY2(failures.isEmpty(), failures.constData());
        QVERIFY(exists(table()));
    }

    void pagingWithFiveLinesPerPage() {
        openScreen();
        addLines(table(), 5);
        screen->ButtonK->click();
        QCOMPARE(screen->RowCount(), 6); // five lines and the append row
        QCOMPARE(screen->SG1->columnWidth(0), 1);
        QCOMPARE(screen->SG1->columnWidth(1), 1);
        QVERIFY(screen->Cell(0, 5).empty());

        addLines(table(), 1, 6);
        screen->ButtonK->click();
        QCOMPARE(screen->RowCount(), 5);
        screen->ButtonC->click(); // next page starts with the old page's last line
        QCOMPARE(screen->Cell(2, 0), std::string("line5"));
        QCOMPARE(screen->RowCount(), 3);
        QVERIFY(screen->Cell(0, 2).empty());
        QCOMPARE(screen->CurrentRow(), 0);

        const std::vector<int> page = shownNumbers(screen);
        screen->ButtonC->click(); // the page already ends with the append row
        QCOMPARE(shownNumbers(screen), page);

        screen->ButtonB->click();
        QCOMPARE(screen->Cell(2, 0), std::string("line1"));

        screen->ButtonD->click();
        QCOMPARE(screen->Cell(2, 0), std::string("line2"));
        QCOMPARE(screen->CurrentRow(), screen->RowCount() - 1);
        QVERIFY(screen->Cell(0, screen->CurrentRow()).empty());

        screen->ButtonA->click();
        QCOMPARE(screen->Cell(2, 0), std::string("line1"));
        QCOMPARE(screen->CurrentRow(), 0);
        QCOMPARE(entry(), std::string("line1"));

        // Deleted last lines take no place on the last page.
        QVERIFY(other.UpdateSet(table(), "DF=2", "N > 4"));
        screen->ButtonD->click();
        QCOMPARE(screen->RowCount(), 5);
        QCOMPARE(screen->Cell(2, 0), std::string("line1"));
    }

    void previousPageEndsWithTheOldFirstLine() {
        openScreen();
        addLines(table(), 12);
        screen->ButtonK->click();
        screen->ButtonC->click();
        screen->ButtonC->click();
        QCOMPARE(screen->Cell(2, 0), std::string("line9"));
        screen->ButtonB->click();
        QCOMPARE(screen->RowCount(), 5);
        QCOMPARE(screen->Cell(2, 0), std::string("line5"));
        QCOMPARE(screen->Cell(2, 4), std::string("line9"));
        QCOMPARE(screen->CurrentRow(), 4);
    }

    void refreshKeepsSelectionAndStatus() {
        openScreen();
        addLines(table(), 4);
        screen->ButtonK->click();
        clickRow(screen, 2); // line3
        screen->SetStatus("before");
        other.UpdateSet(table(), "DF=2", "N=3"); // another member deletes it
        screen->Timer1Timer();
        QCOMPARE(status(), std::string("before"));
        QCOMPARE(screen->Cell(2, screen->CurrentRow()), std::string("line4"));

        clickRow(screen, screen->RowCount() - 1); // append row
        addLines(table(), 1, 5);
        screen->Timer1Timer();
        QCOMPARE(screen->CurrentRow(), screen->RowCount() - 1);
        QVERIFY(screen->Cell(0, screen->CurrentRow()).empty());
        QVERIFY(screen->Timer1->isActive());
    }

    void controlCharactersInALineShowAsSpaces() {
        openScreen();
        FieldList fields;
        // Written by another program: a line feed and a carriage return with its line feed.
        QVERIFY(InsertMemoRow(other, table(), fields, 1, 1, "one\ntwo\r\nthree", 2));
        screen->ButtonK->click();
        QCOMPARE(screen->SG1->item(0, 2)->text(), QStringLiteral("one two  three"));
        QCOMPARE(screen->Cell(2, 0), std::string("one\ntwo\r\nthree"));
    }

    void lettersInTheGridMoveNothing() {
        openScreen();
        addLines(table(), 3);
        screen->ButtonK->click();
        clickRow(screen, 1);
        QTest::keyClicks(screen->SG1, QStringLiteral("l"));
        QCOMPARE(screen->CurrentRow(), 1);
        QCOMPARE(entry(), std::string("line2"));
    }

    void refreshNeverThrowsAwayTyping() {
        openScreen();
        addLines(table(), 2);
        screen->ButtonK->click();
        screen->Edit1->setFocus();
        QTest::keyClicks(screen->Edit1, QStringLiteral("typing"));
        QVERIFY(!screen->Timer1->isActive()); // typing stops the refresh
        screen->Timer1Timer();
        QCOMPARE(entry(), std::string("typing"));
        QTest::keyClick(screen->Edit1, Qt::Key_Escape);
        QCOMPARE(entry(), screen->Cell(2, screen->CurrentRow()));
    }

    void enterAddsAndChangesLines() {
        openScreen();
        clickRow(screen, 0);
        typeEntry("");
        QVERIFY(lines(table()).empty()); // Enter on an empty append row adds nothing

        typeEntry(Codec::sj("最初の行 abc"));
        auto all = lines(table());
        QCOMPARE(all.size(), size_t(1));
        QCOMPARE(all[0].n, 1);
        QCOMPARE(all[0].sn, std::string("1"));
        QCOMPARE(all[0].find, SearchKey(Codec::sj("最初の行 abc")));
        QCOMPARE(status(), Codec::sj("登録出来ました"));
        QCOMPARE(screen->Cell(2, screen->CurrentRow() - 1), Codec::sj("最初の行 abc"));
        QVERIFY(screen->Timer1->isActive());

        typeEntry("second");
        QCOMPARE(lines(table()).back().n, 2);
        QCOMPARE(lines(table()).back().sn, std::string("2"));

        // A line changed to the text of its own sort number is still stored.
        clickRow(screen, 0);
        typeEntry("1");
        QCOMPARE(lines(table())[0].text, std::string("1"));
        QCOMPARE(lines(table()).size(), size_t(2));

        // A character with two code page 932 forms (NEC and IBM) is left as stored.
        const std::string nec = "\xED\x40";
        other.UpdateSet(table(), "TEXT='" + nec + "'", "N=2");
        screen->ButtonK->click();
        clickRow(screen, 1);
        QTest::keyClick(screen->Edit1, Qt::Key_Return);
        QCOMPARE(lines(table())[1].text, nec);
        QCOMPARE(lines(table())[1].find, SearchKey("second"));
    }

    void entryFieldHoldsAtMost120Bytes() {
        openScreen();
        screen->Edit1->clear();
        for (int i = 0; i < 61; ++i) // あ, two bytes each
            QTest::sendKeyEvent(QTest::Click, screen->Edit1, Qt::Key_unknown, QString(QChar(0x3042)),
                                Qt::NoModifier);
        QCOMPARE(entry().size(), size_t(120));
        screen->Edit1->clear();
        QTest::keyClicks(screen->Edit1, QString(121, QLatin1Char('a')));
        QCOMPARE(entry(), std::string(120, 'a'));

        // A paste that would pass the limit is cut to what fits, never inside a character.
        const auto paste = [this](const QString& before, int cursor, const std::string& pasted) {
            screen->Edit1->setText(before);
            screen->Edit1->setCursorPosition(cursor);
            Platform::setClipboardText(pasted);
            screen->Edit1->paste();
            return entry();
        };
        QCOMPARE(paste(QString(), 0, std::string(130, 'p')), std::string(120, 'p'));
        QCOMPARE(paste(QString(50, QLatin1Char('a')), 50, std::string(100, 'p')),
                 std::string(50, 'a') + std::string(70, 'p'));
        QCOMPARE(paste(QStringLiteral("xy"), 1, std::string(130, 'p')), "x" + std::string(118, 'p') + "y");
        QCOMPARE(paste(QString(117, QLatin1Char('a')), 117, Codec::sj("あいう")),
                 std::string(117, 'a') + Codec::sj("あ"));
    }

    void quotesAndCharactersCp932CannotHoldAreRefused() {
        openScreen();
        typeEntry("it's");
        QCOMPARE(status(), Codec::sj("文字「'」「\"」を使用しないで下さい"));
        QVERIFY(lines(table()).empty());

        // Typed as keys or committed by an input method: the line stays in the
        // field, and the status names the character that cannot be stored.
        struct Case {
            const char* text;
            bool inputMethod;
            const char* status;
        };
        for (const Case& c :
             {Case{"caf\u00e9", false, "文字「\u00e9」（U+00E9）を使用しないで下さい"},
              Case{"\u00a9 2024", true, "文字「\u00a9」（U+00A9）を使用しないで下さい"},
              Case{"笑顔\U0001F600", true, "文字「\U0001F600」（U+1F600）を使用しないで下さい"},
              Case{"\uD55C\uAE00", false, "文字「\uD55C」（U+D55C）を使用しないで下さい"}}) {
            const QString text = QString::fromUtf8(c.text);
            screen->Edit1->clear();
            if (c.inputMethod) {
                QInputMethodEvent commit;
                commit.setCommitString(text);
                QApplication::sendEvent(screen->Edit1, &commit);
            } else {
                for (const QChar character : text)
                    QTest::sendKeyEvent(QTest::Click, screen->Edit1, Qt::Key_unknown, QString(character),
                                        Qt::NoModifier);
            }
            QTest::keyClick(screen->Edit1, Qt::Key_Return);
            QCOMPARE(screen->StatusBar1->findChild<QLabel*>(QStringLiteral("StatusText"))->text(),
                     QString::fromUtf8(c.status));
            QCOMPARE(screen->Edit1->text(), text);
            QVERIFY(lines(table()).empty());
        }
    }

    void aRaceForTheSameNumberIsRetried() {
        openScreen();
        addLines(table(), 1);
        screen->ButtonK->click();
        clickRow(screen, screen->RowCount() - 1);
        {
            // Another client wins the race for the next number once: the line
            // takes a number after it, and its place at the end.
            const auto race = numberTakenAtInsert("RACE", 1);
            QVERIFY(race.first.ok() && race.second.ok());
            typeEntry("mine");
            QCOMPARE(status(), Codec::sj("登録出来ました"));
            QCOMPARE(lines(table()).size(), size_t(3));
            QCOMPARE(lines(table()).back().text, std::string("mine"));
            QVERIFY(lines(table()).back().n > 2);
        }
        // Others take every number: the tries end, and the text waits in the field.
        const auto races = numberTakenAtInsert("RACES", 0);
        QVERIFY(races.first.ok() && races.second.ok());
        typeEntry("later");
        QCOMPARE(status(), Codec::sj("登録出来ませんでした。再度行ってみて下さい"));
        QCOMPARE(entry(), std::string("later"));
        QCOMPARE(lines(table()).size(), size_t(3 + NewLineAttempts));
    }

    void insertTakesTheMidpoint() {
        openScreen();
        addLines(table(), 3);
        screen->ButtonK->click();
        clickRow(screen, 0);
        QTest::keyClick(screen->SG1, Qt::Key_Insert);
        QCOMPARE(status(), Codec::sj("１行挿入出来ました"));
        auto all = lines(table());
        QCOMPARE(all[0].sn, std::string("0.5"));
        QCOMPARE(all[0].n, 4);
        QVERIFY(all[0].text.empty());
        QCOMPARE(screen->CurrentRow(), 0);
        typeEntry("filled"); // Enter on the new blank line changes it
        all = lines(table());
        QCOMPARE(all.size(), size_t(4));
        QCOMPARE(all[0].text, std::string("filled"));

        clickRow(screen, 3); // line3, after line2
        QTest::keyClick(screen->SG1, Qt::Key_Insert);
        QCOMPARE(lines(table())[3].sn, std::string("2.5"));

        clickRow(screen, screen->RowCount() - 1);
        QTest::keyClick(screen->SG1, Qt::Key_Insert);
        QCOMPARE(status(), Codec::sj("そのまま めも入力を行って下さい"));
    }

    void insertOnRowZeroOfTheSecondPage() {
        openScreen();
        addLines(table(), 7);
        screen->ButtonK->click();
        screen->ButtonC->click(); // starts with line5, after line4
        QTest::keyClick(screen->SG1, Qt::Key_Insert);
        QCOMPARE(screen->Cell(0, 0), std::string("4.5"));
        QCOMPARE(screen->Cell(2, 1), std::string("line5"));
    }

    // The line before the page cannot be read (a value of it fails): no new
    // line goes before the page's first row at a guessed place.
    void nothingGoesBeforeThePageWhenTheLineBeforeCannotBeRead() {
        openScreen();
        addLines(table(), 4);
        runSql("ALTER TABLE " + table() + " ADD FAILS COMPUTED BY (CASE WHEN N = 1 THEN 1 / 0 ELSE 0 END);");
        const auto dropped = qScopeGuard([this] { runSql("ALTER TABLE " + table() + " DROP FAILS;"); });
        jump(screen, QStringLiteral("2"));
        QCOMPARE(screen->Cell(2, 0), std::string("line2"));
        QTest::keyClick(screen->SG1, Qt::Key_Insert);
        QCOMPARE(status(), Codec::sj("１行挿入出来ませんでした。再度行ってみて下さい"));
        Platform::setClipboardText("pasted");
        screen->ButtonI->click();
        QCOMPARE(status(), Codec::sj("ペーストした1行を登録出来ませんでした。再度行ってみて下さい"));
        QCOMPARE(other.ReadRows(FieldList(1), "N", table(), "", "").value().size(), size_t(4));
        QCOMPARE(screen->Cell(2, 0), std::string("line2"));
    }

    void insertBetweenSortNumbersThatNeedSeventeenDigits() {
        openScreen();
        addLines(table(), 2);
        QVERIFY(other.UpdateSet(table(), "SN=1-POWER(2,-50)", "N=1"));
        QVERIFY(other.UpdateSet(table(), "SN=1", "N=2"));
        screen->ButtonK->click();
        clickRow(screen, 1);
        QTest::keyClick(screen->SG1, Qt::Key_Insert);
        QCOMPARE(screen->Cell(2, 2), std::string("line2"));
        QVERIFY(ToFloatOrZero(lines(table())[1].sn) == 1.0 - 0x1p-51);
    }

    void deleteMarksTextLinesAndRemovesBlankOnes() {
        openScreen();
        addLines(table(), 2);
        screen->ButtonK->click();
        clickRow(screen, 0);
        Platform::setNextAnswer(Platform::Answer::No);
        QTest::keyClick(screen->SG1, Qt::Key_Delete);
        QCOMPARE(lines(table())[0].df, 0);

        Platform::setNextAnswer(Platform::Answer::Yes);
        QTest::keyClick(screen->SG1, Qt::Key_Delete, Qt::ShiftModifier);
        QCOMPARE(Platform::takeMessages().back(), Codec::sj("現在行を削除します。よろしいですか？"));
        QCOMPARE(lines(table())[0].df, 7);
        QCOMPARE(status(), Codec::sj("現在行の削除を行いました"));
        QCOMPARE(screen->Cell(2, 0), std::string("line2"));
        // The field shows the line now selected; Enter brings nothing back.
        QCOMPARE(entry(), std::string("line2"));
        QTest::keyClick(screen->Edit1, Qt::Key_Return);
        QCOMPARE(lines(table()).size(), size_t(2));

        clickRow(screen, 0);
        typeEntry("   ");
        Platform::setNextAnswer(Platform::Answer::Yes);
        clickRow(screen, 0);
        QTest::keyClick(screen->SG1, Qt::Key_Delete);
        QCOMPARE(lines(table()).size(), size_t(1)); // only the marked line1 is left
        QCOMPARE(screen->RowCount(), 1);
        QCOMPARE(entry(), std::string());

        // On the append row there is nothing to delete: no question, no report.
        Platform::takeMessages();
        screen->SetStatus("before");
        QTest::keyClick(screen->SG1, Qt::Key_Delete);
        QVERIFY(Platform::takeMessages().empty());
        QCOMPARE(status(), std::string("before"));

        // A statement that fails is reported as a failure.
        addLines(table(), 1, 10);
        screen->ButtonK->click();
        clickRow(screen, 0);
        const ScopedObject refusal =
            database->createObject("CREATE EXCEPTION NO_DELETE 'no';", "DROP EXCEPTION NO_DELETE;");
        QVERIFY(refusal.ok());
        const ScopedObject trigger =
            database->createObject("SET TERM ^ ; CREATE TRIGGER NO_UPDATE_" + table() + " FOR " + table() +
                                       " BEFORE UPDATE AS BEGIN EXCEPTION NO_DELETE; END^ SET TERM ; ^",
                                   "DROP TRIGGER NO_UPDATE_" + table() + ";");
        QVERIFY(trigger.ok());
        Platform::setNextAnswer(Platform::Answer::Yes);
        QTest::keyClick(screen->SG1, Qt::Key_Delete);
        QCOMPARE(status(), Codec::sj("現在行の削除が出来ませんでした。再度行ってみて下さい"));
    }

    void copyPutsOneLineOnTheClipboard() {
        openScreen();
        addLines(table(), 1);
        screen->ButtonK->click();
        clickRow(screen, 0);
        QTest::keyClick(screen->SG1, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(Platform::clipboardText(), std::string("line1"));
        QCOMPARE(status(), Codec::sj("１行コピーを行いました"));
        clickRow(screen, 1); // the append row is blank
        QTest::keyClick(screen->SG1, Qt::Key_C);
        QCOMPARE(Platform::clipboardText(), Codec::sj("　"));
    }

    void pasteSpreadsLinesEvenly() {
        openScreen();
        addLine(1, 2, "x");
        addLine(2, 4, "x");
        screen->ButtonK->click();
        clickRow(screen, 1); // SN 4, after SN 2
        Platform::setClipboardText("a'b\r\nc\"d\r\n\te\r\n");
        QTest::keyClick(screen->SG1, Qt::Key_V);
        auto all = lines(table());
        QCOMPARE(all.size(), size_t(5));
        QCOMPARE(all[1].sn, std::string("2.5"));
        QCOMPARE(all[2].sn, std::string("3"));
        QCOMPARE(all[3].sn, std::string("3.5"));
        QCOMPARE(all[1].text, std::string("ab"));
        QCOMPARE(all[2].text, std::string("cd"));
        QCOMPARE(all[3].text, std::string("e"));
        QCOMPARE(all[1].n, 3);
        QCOMPARE(all[3].n, 5);
        QCOMPARE(status(), Codec::sj("クリップボードからペーストを行いました"));
        QCOMPARE(entry(), std::string("ab"));

        // At the end, cut to 120 bytes without splitting a two-byte character.
        clickRow(screen, screen->RowCount() - 1);
        const std::string longLine(130, 'z');
        const std::string split = std::string(119, 'y') + Codec::sj("あ");
        Platform::setClipboardText(longLine + "\n" + split);
        screen->ButtonI->click();
        all = lines(table());
        QCOMPARE(all[5].sn, std::string("5"));
        QCOMPARE(all[5].text, std::string(120, 'z'));
        QCOMPARE(all[6].sn, std::string("6"));
        QCOMPARE(all[6].text, std::string(119, 'y'));

        // What code page 932 cannot hold is stored as "?"; the status says in how many lines.
        QGuiApplication::clipboard()->setText(QString::fromUtf8("caf\u00e9 \u00a9\nplain\n\U0001F600\n"));
        screen->ButtonI->click();
        all = lines(table());
        QCOMPARE(all.size(), size_t(10));
        QCOMPARE(all[7].text, std::string("caf? ?"));
        QCOMPARE(all[8].text, std::string("plain"));
        QCOMPARE(all[9].text, std::string("?"));
        QCOMPARE(
            status(),
            Codec::sj(
                "クリップボードからペーストを行いました（2行の使用出来ない文字を「?」に置き換えました）"));
    }

    void pasteRetriesANumberTakenMeanwhile() {
        openScreen();
        clickRow(screen, 0);
        const auto race = numberTakenAtInsert("PASTE", 2);
        QVERIFY(race.first.ok() && race.second.ok());
        Platform::setClipboardText("one\ntwo\nthree\n");
        screen->ButtonI->click();
        std::vector<std::string> texts;
        for (const Line& line : lines(table()))
            texts.push_back(line.text);
        QCOMPARE(texts, (std::vector<std::string>{"one", "two", "three", "other"}));
        QCOMPARE(status(), Codec::sj("クリップボードからペーストを行いました"));
    }

    void pasteSaysHowManyLinesCouldNotBeStored() {
        openScreen();
        const ScopedObject refusal =
            database->createObject("CREATE EXCEPTION NO_PASTE 'no';", "DROP EXCEPTION NO_PASTE;");
        QVERIFY(refusal.ok());
        const ScopedObject trigger = database->createObject(
            "SET TERM ^ ; CREATE TRIGGER NO_PASTE_" + table() + " FOR " + table() +
                " BEFORE INSERT AS BEGIN IF (NEW.TEXT = 'bad') THEN EXCEPTION NO_PASTE; END^ SET TERM ; ^",
            "DROP TRIGGER NO_PASTE_" + table() + ";");
        QVERIFY(trigger.ok());
        // Pasting again would store the good lines twice: the status gives no such advice.
        Platform::setClipboardText("good\nbad\nfine");
        screen->ButtonI->click();
        QCOMPARE(lines(table()).size(), size_t(2));
        QCOMPARE(status(),
                 Codec::sj("ペーストした3行のうち2行を登録しました。残りの1行は登録出来ませんでした"));
        // Where nothing was stored, trying again is the advice.
        Platform::setClipboardText("bad\nbad");
        screen->ButtonI->click();
        QCOMPARE(lines(table()).size(), size_t(2));
        QCOMPARE(status(), Codec::sj("ペーストした2行を登録出来ませんでした。再度行ってみて下さい"));
    }

    void theLargestNumberEndsThePad() {
        openScreen();
        addLine(2147483646, 1, "line1");
        screen->ButtonK->click();
        // A paste takes the last number; there is none for the rest.
        clickRow(screen, screen->RowCount() - 1);
        Platform::setClipboardText("p1\np2\np3");
        screen->ButtonI->click();
        QCOMPARE(status(),
                 Codec::sj("ペーストした3行のうち1行を登録しました。めもの登録番号が上限に達したため、残りの2"
                           "行は登録出来ません"));
        QCOMPARE(lines(table()).back().n, 2147483647);
        // Enter and Insert store nothing more, and say why.
        const std::string full = Codec::sj("めもの登録番号が上限に達したため、これ以上行を登録出来ません");
        typeEntry("more");
        QCOMPARE(status(), full);
        QCOMPARE(entry(), std::string("more"));
        clickRow(screen, 0);
        QTest::keyClick(screen->SG1, Qt::Key_Insert);
        QCOMPARE(status(), full);
        QCOMPARE(lines(table()).size(), size_t(2));
    }

    void sortNumbersOfNewLinesStayInRange() {
        openScreen();
        addLine(1, 1.5e308, "a");
        addLine(2, 1.7e308, "b");
        screen->ButtonK->click();
        // Halfway between two sort numbers whose sum passes the largest double.
        clickRow(screen, 1);
        QTest::keyClick(screen->SG1, Qt::Key_Insert);
        QCOMPARE(status(), Codec::sj("１行挿入出来ました"));
        QCOMPARE(screen->Cell(1, 1), std::string("3"));
        QCOMPARE(ToFloatOrZero(screen->Cell(0, 1)), 1.6e308);
        // Between a line at -1, shown after a jump, and one at 1, a new line
        // would take 0 and show on no page.
        addLine(4, -1, "below");
        QVERIFY(other.UpdateSet(table(), "SN=1", "N=1"));
        jump(screen, QStringLiteral("4"));
        QCOMPARE(screen->Cell(2, 0), std::string("below"));
        clickRow(screen, 1);
        const std::string noRoom = Codec::sj("この位置にはこれ以上行を挿入出来ません");
        QTest::keyClick(screen->SG1, Qt::Key_Insert);
        QCOMPARE(status(), noRoom);
        Platform::setClipboardText("x");
        screen->ButtonI->click();
        QCOMPARE(status(), noRoom);
        QCOMPARE(lines(table()).size(), size_t(4));
    }

    void memberNumbersPastTheColumnChangeNothing() {
        Settings::MemberNumber = 32768;
        openScreen();
        addLines(table(), 1);
        screen->ButtonK->click();
        const std::string refusal =
            Codec::sj("メンバー番号32768ではめもを変更出来ません（メンバー番号は32767までです）");
        clickRow(screen, 1);
        typeEntry("mine");
        QCOMPARE(status(), refusal);
        QCOMPARE(entry(), std::string("mine"));
        clickRow(screen, 0);
        typeEntry("changed");
        QCOMPARE(status(), refusal);
        screen->SetStatus({});
        QTest::keyClick(screen->SG1, Qt::Key_Insert);
        QCOMPARE(status(), refusal);
        screen->SetStatus({});
        QTest::keyClick(screen->SG1, Qt::Key_Delete);
        QVERIFY(Platform::takeMessages().empty());
        QCOMPARE(status(), refusal);
        screen->SetStatus({});
        Platform::setClipboardText("p");
        screen->ButtonI->click();
        QCOMPARE(status(), refusal);
        QCOMPARE(lines(table()).size(), size_t(1));
        QCOMPARE(lines(table())[0].text, std::string("line1"));
        QCOMPARE(lines(table())[0].df, 0);
    }

    void reconnectsWhenAnotherWindowClosedTheConnection() {
        openScreen();
        addLines(table(), 2);
        forms().FormFBDB->Disconnect();
        screen->Timer1Timer();
        QCOMPARE(screen->RowCount(), 3);
        QCOMPARE(screen->Cell(2, 1), std::string("line2"));
    }

    void refreshSurvivesAConnectionTheServerEnded() {
        openScreen();
        addLines(table(), 2);
        // An administrator ends every other attachment (as a server restart would).
        runSql("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION;");
        screen->Timer1Timer();
        QCOMPARE(screen->RowCount(), 3);
        QCOMPARE(screen->Cell(2, 1), std::string("line2"));
        QVERIFY(other.Connect(Settings::DatabaseLocation, Settings::DatabaseFileName, Settings::DatabaseUser,
                              Settings::DatabasePassword));
    }

    void editorReceivesTheWholePad() {
        openScreen();
        addLines(table(), 7);
        other.UpdateSet(table(), "DF=7", "N=2");
        other.UpdateSet(table(), "TEXT=NULL", "N=3");
        screen->ButtonH->click();
        const QString text = forms().FormEditor->RichEdit1->toPlainText();
        QCOMPARE(text, QStringLiteral("line1\n \nline4\nline5\nline6\nline7"));
        forms().FormEditor->hide();
    }

    void allMembersPadUsesItsOwnTable() {
        TForm8* pad = forms().Form8;
        pad->show();
        QVERIFY(pad->Ready());
        QCOMPARE(pad->TableName(), std::string("ALMEMO"));
        enter(pad, "hello all");
        QCOMPARE(lines("ALMEMO").back().text, std::string("hello all"));
        pad->hide();
    }

    void launcherOpensTheAllMembersPadModally() {
        bool seen = false;
        QTimer::singleShot(0, this, [&] {
            seen = QApplication::activeModalWidget() == forms().Form8 && forms().Form8->Ready();
            forms().Form8->close();
        });
        forms().Form1->Button4Click();
        QVERIFY(seen);
        QVERIFY(!forms().Form8->isVisible());
        QVERIFY(!forms().Form8->Timer1->isActive());
    }

    void windowsOpenedFromTheModalPadTakeInputBesideIt() {
        TForm8* pad = forms().Form8;
        QTimer::singleShot(0, this, [this, pad] {
            QCOMPARE(QApplication::activeModalWidget(), pad);
            typeBesideTheModalPad(pad);
            forms().FormGSearch->hide();
            forms().FormEditor->hide();
            pad->close();
        });
        forms().Form1->Button4Click();
        QVERIFY(!pad->isVisible());

        // Opened from a pad that is not modal, they belong to no window.
        openScreen();
        screen->ButtonH->click();
        QVERIFY(!forms().FormEditor->isModal());
        QCOMPARE(forms().FormEditor->windowHandle()->transientParent(), nullptr);
        forms().FormEditor->hide();
    }
};

// One client opening a new pad: sets up, says so on its output, reads the
// settings and the moment to start from its input, shows the own pad of
// NewPadMember then, and ends with 0 when the pad is shown without a message.
int OpenNewPad(int argc, char** argv) {
    QApplication app(argc, argv);
    Platform::setScripted(true);
    CreateForms();
    std::cout << "ready" << std::endl;
    std::string start;
    std::getline(std::cin, Settings::DatabaseLocation);
    std::getline(std::cin, Settings::DatabaseUser);
    std::getline(std::cin, Settings::DatabasePassword);
    std::getline(std::cin, start);
    Settings::ServerName = BeforeColon(Settings::DatabaseLocation);
    Settings::ServerFolder = AfterColon(Settings::DatabaseLocation);
    Settings::MemberNumber = NewPadMember;
    Settings::MemberName = "Client";
    std::this_thread::sleep_until(
        std::chrono::system_clock::time_point(std::chrono::milliseconds(std::stoll(start))));
    forms().Form2->show();
    const std::vector<std::string> messages = Platform::takeMessages();
    std::cout << Codec::toUtf8(forms().Form2->StatusText()) << std::endl;
    for (const std::string& message : messages)
        std::cout << Codec::toUtf8(message) << std::endl;
    return forms().Form2->Ready() && messages.empty() ? 0 : 1;
}

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], OpenNewPadArgument) == 0)
        return OpenNewPad(argc, argv);
    QApplication app(argc, argv);
    TestMemoScreen test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_memoscreen.moc"

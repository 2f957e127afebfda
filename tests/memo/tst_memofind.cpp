// Find, find next and jump to a number on the memo screens, and the group pads.

#include "app/Forms.h"
#include "app/Settings.h"
#include "db/UnitSchema.h"
#include "memo/Unit2.h"
#include "memo/Unit4.h"
#include "memo/Unit6.h"
#include "memo/UnitSearch.h"
#include "platform/Platform.h"
#include "support/MemoScreenFixture.h"
#include "text/Codec.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

class TestMemoFind : public QObject, private MemoScreenFixture {
    Q_OBJECT

private:
    TForm2* screen = nullptr;
    const std::string table = MyMemoTable(1);

    void addLine(int n, const std::string& text, int df = 0) {
        MemoScreenFixture::addLine(table, n, n, text, df);
    }
    void find(const std::string& keyword, bool useFindColumn, bool down) {
        MemoScreenFixture::find(screen, keyword, useFindColumn, down);
    }
    void jump(const QString& number) { MemoScreenFixture::jump(screen, number); }
    std::string status() const { return screen->StatusText(); }
    std::string firstText() const { return screen->Cell(2, 0); }

private slots:
    void initTestCase() {
        QVERIFY(setUpMemoSuite("memofind"));
        Settings::MemberNumber = 1;
        Settings::MemberName = "Finder";
        screen = forms().Form2;
        screen->show();
        addLine(1, "alpha");
        addLine(2, Codec::sj("ＡＢＣの行"));
        addLine(3, Codec::sj("カタカナ"));
        addLine(4, "beta, gamma");
        addLine(5, "removed abc", 1);
        addLine(6, "abc again");
        addLine(7, "omega");
        screen->ButtonK->click();
    }

    void init() {
        Platform::takeMessages();
        screen->ButtonA->click();
    }

    void cleanupTestCase() { tearDownMemoSuite(); }

    void findsThroughTheSearchKey() {
        find("abc", true, true);
        QCOMPARE(firstText(), Codec::sj("ＡＢＣの行"));
        QCOMPARE(screen->CurrentRow(), 0);
        QCOMPARE(entry(screen), Codec::sj("ＡＢＣの行"));
        QCOMPARE(status(), Codec::sj("検索できました"));

        // Find next walks from hit to hit, skipping deleted lines, and stops at the end.
        screen->ButtonF->click();
        QCOMPARE(firstText(), std::string("abc again"));
        screen->ButtonF->click();
        QCOMPARE(status(), Codec::sj("検索できませんでした"));
        QCOMPARE(firstText(), std::string("abc again"));

        screen->ButtonA->click();
        find(Codec::sj("かたかな"), true, true); // hiragana finds katakana
        QCOMPARE(firstText(), Codec::sj("カタカナ"));
    }

    void findsTheTextAsTypedAndUpwards() {
        find("abc", false, true);
        QCOMPARE(firstText(), std::string("abc again"));
        // A comma followed by lower-case letters stays inside its literal.
        screen->ButtonA->click();
        find("beta, gam", false, true);
        QCOMPARE(firstText(), std::string("beta, gamma"));

        screen->ButtonD->click();
        clickRow(screen, screen->RowCount() - 1);
        find("abc", true, false); // the nearer of two hits above
        QCOMPARE(firstText(), std::string("abc again"));
        find("alpha", false, false);
        QCOMPARE(firstText(), std::string("alpha"));
        find("alpha", false, false); // nothing above the first line
        QCOMPARE(status(), Codec::sj("検索できませんでした"));
    }

    void onlyTrueHitsAreFound() {
        // ダ ends with the byte 0x5F, "_" to LIKE, so ダム matches アム byte-wise;
        // ャ (0x83 0x83) lies across the two characters of ＜ア (0x81 0x83 0x83 0x41).
        const char* const texts[] = {"ダム", "アム", "＜ア", "ダムの湖", "ャ"};
        for (int i = 0; i < 5; ++i)
            addLine(21 + i, Codec::sj(texts[i]));
        for (const bool useFindColumn : {true, false}) {
            screen->ButtonA->click();
            find(Codec::sj("ダム"), useFindColumn, true);
            QCOMPARE(firstText(), Codec::sj("ダム"));
            screen->ButtonF->click(); // walks on past アム
            QCOMPARE(firstText(), Codec::sj("ダムの湖"));
            find(Codec::sj("ダム"), useFindColumn, false);
            QCOMPARE(firstText(), Codec::sj("ダム"));
            find(Codec::sj("ャ"), useFindColumn, true);
            QCOMPARE(firstText(), Codec::sj("ャ"));
        }
        // The one-byte wildcards typed by the user keep their meaning.
        screen->ButtonA->click();
        find("om_g%", false, true);
        QCOMPARE(firstText(), std::string("omega"));
        QVERIFY(other.DeleteRows(table, "N > 20"));
    }

    void cancelRepeatsAndEmptyKeywordClears() {
        find("omega", false, true);
        QCOMPARE(firstText(), std::string("omega"));
        screen->ButtonA->click();
        cancelFind(screen);
        QCOMPARE(firstText(), std::string("omega"));

        screen->ButtonA->click();
        find("", false, true);
        screen->ButtonF->click(); // nothing to find any more
        QCOMPARE(firstText(), std::string("alpha"));
    }

    void quotesAreRefusedByTheDialog() {
        whenModal([](QWidget*) {
            forms().FormSearch->Edit1->setText(QStringLiteral("it's"));
            forms().FormSearch->Button1->click();
            QVERIFY(forms().FormSearch->isVisible());
            forms().FormSearch->Button2->click();
        });
        screen->ButtonE->click();
        QCOMPARE(Platform::takeMessages(),
                 std::vector<std::string>{Codec::sj("文字「'」「\"」を使用しないで下さい")});
    }

    void eachScreenKeepsItsOwnFindSettings() {
        find("omega", true, false);
        whenModal([](QWidget*) {
            QCOMPARE(forms().FormSearch->Edit1->text(), QStringLiteral("omega"));
            QVERIFY(!forms().FormSearch->CheckBox1->isChecked());
            QVERIFY(forms().FormSearch->RadioUp->isChecked());
            forms().FormSearch->Button2->click();
        });
        screen->ButtonE->click();
    }

    void jumpsToARegistrationNumber() {
        jump(QStringLiteral("6"));
        QCOMPARE(firstText(), std::string("abc again"));
        QCOMPARE(screen->SG1->columnWidth(1), 48);
        QTest::qWait(50);
        QVERIFY(!screen->SG1->horizontalScrollBar()->isVisible());
        QCOMPARE(status(), Codec::sj("指示された登録番号へジャンプしました"));
        screen->ButtonK->click();
        QCOMPARE(screen->SG1->columnWidth(1), 1);

        jump(QStringLiteral("5")); // deleted: the page starts with the next live line
        QCOMPARE(firstText(), std::string("abc again"));

        screen->ButtonA->click();
        jump(QStringLiteral("99"));
        QCOMPARE(status(), Codec::sj("指示された登録番号は見つかりませんでした"));
        QCOMPARE(firstText(), std::string("alpha"));
        jump(QStringLiteral("6a"));
        QCOMPARE(status(), Codec::sj("指示された登録番号は見つかりませんでした"));
    }

    void newLinesAfterAJumpOrAFindGoBeforeTheHit() {
        for (int n = 11; n <= 13; ++n)
            MemoScreenFixture::addLine(table, n, 99990 + n, "far" + std::to_string(n));
        jump(QStringLiteral("12")); // SN 100002
        QCOMPARE(firstText(), std::string("far12"));
        QTest::keyClick(screen->SG1, Qt::Key_Insert);
        QCOMPARE(screen->Cell(0, 0), std::string("100001.5"));
        QCOMPARE(screen->Cell(2, 1), std::string("far12"));

        screen->ButtonA->click();
        find("omega", false, true); // SN 7, after SN 6
        Platform::setClipboardText("pasted");
        screen->ButtonI->click();
        QCOMPARE(firstText(), std::string("pasted"));
        QCOMPARE(screen->Cell(0, 0), std::string("6.5"));
        QVERIFY(other.DeleteRows(table, "N > 10"));
    }

    void groupPadsOpenTheirOwnTables() {
        TForm4* group = forms().Form4;
        const std::string name = Settings::MemberName;
        Settings::MemberName.clear();
        Settings::OpenGroupEditNumber = 12;
        find("omega", false, true);
        group->show();
        QVERIFY(group->Ready());
        // Pads side by side keep their own page, find settings and timer.
        QVERIFY(group->FindKeyword().empty());
        QCOMPARE(screen->FindKeyword(), std::string("omega"));
        QCOMPARE(firstText(), std::string("omega"));
        QCOMPARE(group->RowCount(), 1);
        QVERIFY(screen->Timer1->isActive() && group->Timer1->isActive());
        QCOMPARE(group->TableName(), std::string("OGMEMO12"));
        QVERIFY(exists("OGMEMO12"));
        QVERIFY(Platform::takeMessages().empty());
        QCOMPARE(group->LabelA1->text(), QString::fromUtf8("グループ名："));
        group->hide();

        TForm6* closed = forms().Form6;
        Settings::ClosedGroupEditNumber = 0;
        closed->show();
        QCOMPARE(Platform::takeMessages(),
                 std::vector<std::string>{Codec::sj("最初に使用者登録を行って下さい。")});
        closed->hide();
        Settings::MemberName = name;
    }
};

QTEST_MAIN(TestMemoFind)
#include "tst_memofind.moc"

// The scratch editor against a real server: the hand-off of a pad, save and
// open, the questions, the menu's edit commands and the find dialog.

#include "app/Forms.h"
#include "app/Settings.h"
#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "editor/FindDialog.h"
#include "editor/UnitEditor.h"
#include "memo/Unit2.h"
#include "platform/Platform.h"
#include "support/FileSizeLimit.h"
#include "support/TestDatabase.h"
#include "text/Codec.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <memory>

class TestEditor : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestDatabase> database;
    TFormFBDB other; // a second client that writes the pad
    QTemporaryDir folder;

    TFormEditor* editor() const { return forms().FormEditor; }
    std::string text() const { return Codec::fromQString(editor()->RichEdit1->toPlainText()); }
    void setText(const std::string& sjis) { editor()->RichEdit1->setPlainText(Codec::toQString(sjis)); }
    QString shown() const { return editor()->RichEdit1->toPlainText(); }
    std::string path(const char* name) const {
        return Codec::fromQString(folder.filePath(QString::fromLatin1(name)));
    }
    std::string caption() const { return Codec::fromQString(editor()->windowTitle()); }
    static std::string fileBytes(const std::string& file) {
        QFile in(Codec::toQString(file));
        if (!in.open(QIODevice::ReadOnly))
            return "(missing)";
        const QByteArray data = in.readAll();
        return std::string(data.constData(), static_cast<size_t>(data.size()));
    }
    static void writeBytes(const std::string& file, const std::string& bytes) {
        QFile out(Codec::toQString(file));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }
    void select(int start, int end) {
        QTextCursor cursor = editor()->RichEdit1->textCursor();
        cursor.setPosition(start);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        editor()->RichEdit1->setTextCursor(cursor);
    }
    std::pair<int, int> selection() const {
        const QTextCursor cursor = editor()->RichEdit1->textCursor();
        return {cursor.selectionStart(), cursor.selectionEnd()};
    }
    void save(const std::string& file) {
        Platform::setNextFileName(file);
        editor()->MnuFileSaveClick();
    }
    void open(const std::string& file) {
        Platform::setNextFileName(file);
        editor()->MnuFileOpenClick();
    }

private slots:
    void initTestCase() {
        Platform::setScripted(true);
        QVERIFY(folder.isValid());
        database = std::make_unique<TestDatabase>("editor");
        QVERIFY2(database->ok(), database->error().c_str());
        database->useInSettings();
        Settings::MemberNumber = 7;
        Settings::MemberName = "Tester";
        CreateForms();
        QVERIFY(database->connect(other));
    }

    void init() {
        editor()->show();
        Platform::takeMessages();
    }

    void cleanup() {
        editor()->hide();
        editor()->FindDialog1->hide();
    }

    void cleanupTestCase() {
        other.Disconnect();
        forms().FormFBDB->Disconnect();
    }

    void theStatusTextCutByTheWindowShowsWholeAsAToolTip() {
        auto* label = editor()->StatusBar1->findChild<QLabel*>();
        QVERIFY(label);
        const QString whole = Codec::toQString(
            Codec::sj("クリップボードへのコピー用画面です。この画面で記述した内容はデータベースに保存"
                      "されません。※この内容は自動更新されません。"));
        QCOMPARE(label->toolTip(), whole);
        editor()->resize(491, 357);
        QTRY_VERIFY(label->text().endsWith(QChar(0x2026)));
        QVERIFY(whole.startsWith(label->text().chopped(1)));
        editor()->resize(1200, 357);
        QTRY_COMPARE(label->text(), whole);
        editor()->resize(491, 357);
    }

    void padGoesThroughSaveAndOpenUnchanged() {
        TForm2* pad = forms().Form2;
        pad->show();
        QVERIFY(pad->Ready());
        // 表, ソ and 能 end in the byte "\"; the blank line arrives as one space, the deleted one not at all.
        const std::string lines[] = {Codec::sj("表示とソフト、能力"),
                                     "{braces} back\\slash",
                                     Codec::sj("ｶﾀｶﾅ"),
                                     Codec::sj("　"),
                                     "deleted",
                                     "last"};
        FieldList row;
        for (int i = 0; i < 6; ++i)
            QVERIFY(InsertMemoRow(other, "MYMEMO7", row, i + 1, i + 1, lines[i], 7));
        QVERIFY(other.UpdateSet("MYMEMO7", "DF=7", "N=5"));
        editor()->hide();
        pad->ButtonHClick();
        const std::string handed = lines[0] + "\n" + lines[1] + "\n" + lines[2] + "\n \nlast";
        QCOMPARE(text(), handed);
        QCOMPARE(caption(), Codec::sj("エディタ"));

        // A text file holds the lines in code page 932; an RTF document is read back by its content.
        save(path("pad.txt"));
        QCOMPARE(fileBytes(path("pad.txt")),
                 lines[0] + "\r\n" + lines[1] + "\r\n" + lines[2] + "\r\n \r\nlast");
        const std::string file = path("pad.rtf");
        save(file);
        QCOMPARE(Platform::takeMessages(), std::vector<std::string>{});
        QCOMPARE(fileBytes(file).substr(0, 6), std::string("{\\rtf1"));
        QCOMPARE(editor()->CurrentFile, file);
        QCOMPARE(caption(), Codec::sj("エディタ－") + file);

        // A second hand-off while the window is shown keeps the file in the caption.
        QVERIFY(other.UpdateSet("MYMEMO7", "TEXT='changed'", "N=6"));
        pad->ButtonHClick();
        QCOMPARE(text(), lines[0] + "\n" + lines[1] + "\n" + lines[2] + "\n \nchanged");
        QCOMPARE(caption(), Codec::sj("エディタ－") + file);

        open(file);
        QCOMPARE(text(), handed);
        QCOMPARE(Platform::lastFileDialogRequest().folder, Codec::fromQString(folder.path()));
        QCOMPARE(Platform::lastFileDialogRequest().proposedName, std::string("pad.rtf"));
        QCOMPARE(editor()->RichEdit1->textCursor().position(), 0);
        pad->hide();

        // Any other file is code page 932 text, unless it is UTF-8 (with a byte order mark or not).
        const std::string plain = path("plain.txt");
        writeBytes(plain, Codec::sj("一行目\r\n二行目"));
        open(plain);
        QCOMPARE(text(), Codec::sj("一行目\n二行目"));
        QCOMPARE(caption(), Codec::sj("エディタ－") + plain);
        const std::string utf8 = "UTF-8 の行\r\né © \xF0\x9F\x98\x80 가 这 ¥〜\r\n";
        for (const std::string& bytes : {utf8, "\xEF\xBB\xBF" + utf8}) {
            writeBytes(plain, bytes);
            open(plain);
            QCOMPARE(shown(), QString::fromUtf8("UTF-8 の行\né © \xF0\x9F\x98\x80 가 这 ¥〜\n"));
        }

        open(path("missing.txt"));
        QCOMPARE(Platform::takeMessages(),
                 std::vector<std::string>{Codec::sj("指定したファイルは読み込み出来ませんでした")});
        QCOMPARE(text(), std::string());
        QCOMPARE(caption(), Codec::sj("エディタ"));
    }

    void opensDocumentsOfOtherProgramsWithTheirFormatting() {
        open(std::string(QBOOK2_TEST_DATA_DIR) + "/libreoffice-formatted.rtf");
        QCOMPARE(text(), Codec::sj("plain 太字 bold 斜体 下線\n赤い文字 大きい"));
        QTextCursor cursor(editor()->RichEdit1->document());
        cursor.setPosition(8); // inside 太字
        QCOMPARE(cursor.charFormat().fontWeight(), int(QFont::Bold));
        cursor.setPosition(3);
        QCOMPARE(cursor.charFormat().fontWeight(), int(QFont::Normal));
        // A pad handed over then does not take the format the caret stood in.
        cursor.setPosition(8);
        editor()->RichEdit1->setTextCursor(cursor);
        forms().Form2->show();
        forms().Form2->ButtonHClick();
        forms().Form2->hide();
        cursor = QTextCursor(editor()->RichEdit1->document());
        cursor.setPosition(2);
        QCOMPARE(cursor.charFormat().fontWeight(), int(QFont::Normal));

        // Font sizes that would make the text taller than the text area can lay out are left out.
        std::string huge = "{\\rtf1\\fs3276 ";
        for (int i = 0; i < 5000; ++i)
            huge += "x\\par ";
        writeBytes(path("huge.rtf"), huge + "}");
        open(path("huge.rtf"));
        QCOMPARE(editor()->RichEdit1->document()->blockCount(), 5000);
        cursor = QTextCursor(editor()->RichEdit1->document()->findBlockByNumber(0));
        cursor.movePosition(QTextCursor::Right);
        QCOMPARE(cursor.charFormat().fontPointSize(), 1638.0);
        cursor = QTextCursor(editor()->RichEdit1->document()->findBlockByNumber(4999));
        cursor.movePosition(QTextCursor::Right);
        QCOMPARE(cursor.charFormat().fontPointSize(), 0.0);
        QVERIFY(editor()->RichEdit1->document()->size().height() < 8'000'000);
    }

    void failedSaveKeepsTheOldFile() {
        const std::string file = path("old.txt");
        writeBytes(file, "old contents");
        setText(std::string(20000, 'x'));
        {
            const FileSizeLimit fullDisk(4096);
            save(file);
        }
        QCOMPARE(Platform::takeMessages(), std::vector<std::string>{Codec::sj("保存出来ませんでした")});
        QCOMPARE(fileBytes(file), std::string("old contents"));
        QCOMPARE(
            QDir(folder.path()).entryList({QStringLiteral("old.txt*")}, QDir::Files | QDir::Hidden).size(),
            1);
        QCOMPARE(caption(), Codec::sj("エディタ"));
        QVERIFY(editor()->CurrentFile.empty());

        save(path("no-such-folder/new.txt"));
        QCOMPARE(Platform::takeMessages(), std::vector<std::string>{Codec::sj("保存出来ませんでした")});
        QCOMPARE(text(), std::string(20000, 'x'));
    }

    void findGoesForwardsIgnoringCaseWithoutWrapping() {
        setText("Alpha beta\nALPHA gamma\nalpha");
        // Find next with an empty find text asks for one.
        editor()->FindDialog1->Edit1->clear();
        QTest::keyClick(editor()->RichEdit1, Qt::Key_F3);
        QVERIFY(editor()->FindDialog1->isVisible());
        editor()->FindDialog1->Edit1->setText(QStringLiteral("alpha"));
        select(0, 0);
        editor()->FindDialog1Find();
        QCOMPARE(selection(), std::make_pair(0, 5));
        editor()->FindDialog1Find();
        QCOMPARE(selection(), std::make_pair(11, 16));
        QTest::keyClick(editor()->RichEdit1, Qt::Key_F3);
        QCOMPARE(selection(), std::make_pair(23, 28));
        editor()->FindDialog1Find();
        QCOMPARE(selection(), std::make_pair(23, 28));
        QCOMPARE(Platform::takeMessages(),
                 std::vector<std::string>{Codec::sj("文章の最後まで検索し終わりました。")});
    }

    void charactersOutsideCp932KeptInRtfAndAskedForInText() {
        // Typed through the input method as well as set.
        editor()->RichEdit1->setPlainText(QString::fromUtf8("é © ¥〜 这\n"));
        editor()->RichEdit1->moveCursor(QTextCursor::End);
        QInputMethodEvent commit;
        commit.setCommitString(QString::fromUtf8("가\xF0\x9F\x98\x80"));
        QCoreApplication::sendEvent(editor()->RichEdit1, &commit);
        const QString typed = QString::fromUtf8("é © ¥〜 这\n가\xF0\x9F\x98\x80");
        QCOMPARE(shown(), typed);

        const std::string rtf = path("outside.rtf");
        save(rtf);
        QCOMPARE(Platform::takeMessages(), std::vector<std::string>{});
        QVERIFY(fileBytes(rtf).find("\\u-10179?\\u-8704?") != std::string::npos);
        editor()->RichEdit1->clear();
        open(rtf);
        QCOMPARE(shown(), typed);

        // A text file cannot hold them: asked first; No writes nothing.
        const std::string txt = path("outside.txt");
        const std::string question =
            Codec::sj("Shift-JISで表せない文字を「?」に置き換えて保存します。よろしいですか？");
        Platform::setNextAnswer(Platform::Answer::No);
        save(txt);
        QCOMPARE(Platform::takeMessages(), std::vector<std::string>{question});
        QCOMPARE(fileBytes(txt), std::string("(missing)"));
        QCOMPARE(editor()->CurrentFile, rtf);
        Platform::setNextAnswer(Platform::Answer::Yes);
        save(txt);
        QCOMPARE(Platform::takeMessages(), std::vector<std::string>{question});
        QCOMPARE(fileBytes(txt), "? ? \\" + Codec::sj("～ ?\r\n??"));
        QCOMPARE(editor()->CurrentFile, txt);
    }

    void deleteRemovesTheSelectionOrTheNextCharacter() {
        editor()->RichEdit1->setPlainText(QString::fromUtf8("ab\nc\xF0\x9F\x98\x80"
                                                            "d"));
        select(1, 1);
        QTest::keyClick(editor()->RichEdit1, Qt::Key_Delete);
        QCOMPARE(shown(), QString::fromUtf8("a\nc\xF0\x9F\x98\x80"
                                            "d"));
        // At the end of a line, the line end; a character beyond U+FFFF whole.
        QTest::keyClick(editor()->RichEdit1, Qt::Key_Delete);
        QTest::keyClick(editor()->RichEdit1, Qt::Key_Right);
        QTest::keyClick(editor()->RichEdit1, Qt::Key_Delete);
        QCOMPARE(shown(), QStringLiteral("acd"));
        select(0, 2);
        QTest::keyClick(editor()->RichEdit1, Qt::Key_Delete);
        QCOMPARE(shown(), QStringLiteral("d"));
        QTest::keyClick(editor()->RichEdit1, Qt::Key_End);
        QTest::keyClick(editor()->RichEdit1, Qt::Key_Delete);
        QCOMPARE(shown(), QStringLiteral("d"));
        QTest::keyClick(editor()->RichEdit1, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(shown(), QStringLiteral("acd"));
    }

    // 4 096 000 characters, and not one more, from every side.
    void textStopsAtTheLimit() {
        const qsizetype limit = TFormEditor::MaxCharacters;
        const std::string cut = Codec::sj("4096000文字または300000行を超える部分は読み込み出来ませんでした");

        // The hand-off takes the beginning of the line that is cut, and asks for no line after it.
        int given = 0;
        editor()->TakeLines([&](QString& next) {
            next = QString(120, QLatin1Char('x'));
            return ++given <= 50'000;
        });
        QCOMPARE(editor()->RichEdit1->length(), limit);
        QCOMPARE(given, int((limit - 120) / 121 + 2));
        QVERIFY(Platform::takeMessages().empty());
        QCoreApplication::processEvents();
        QCOMPARE(Platform::takeMessages(), std::vector<std::string>{cut});

        // Files, plain text and RTF, cut inside a line.
        const std::string row(98, 'y');
        std::string txt, rtf = "{\\rtf1 ";
        for (int i = 0; i < 42'000; ++i) {
            txt += row + "\r\n";
            rtf += row + "\\par ";
        }
        writeBytes(path("long.txt"), txt);
        writeBytes(path("long.rtf"), rtf + "}");
        const QString expected =
            QStringList(42'000, QString(98, QLatin1Char('y'))).join(QLatin1Char('\n')).left(limit);
        for (const char* name : {"long.txt", "long.rtf"}) {
            open(path(name));
            QCOMPARE(shown(), expected);
            QCOMPARE(Platform::takeMessages(), std::vector<std::string>{cut});
        }

        // Typing, the input method and pasting fill what room is left and no more.
        const std::string full = Codec::sj("4096000文字または300000行を超える部分は入力出来ませんでした");
        QStringList lines(limit / 100, QString(99, QLatin1Char('x')));
        lines.last().chop(2);
        editor()->RichEdit1->setPlainText(lines.join(QLatin1Char('\n')));
        editor()->RichEdit1->moveCursor(QTextCursor::End);
        QTest::keyClicks(editor()->RichEdit1, QStringLiteral("ab"));
        QCOMPARE(editor()->RichEdit1->length(), limit - 1);
        QVERIFY(Platform::takeMessages().empty());
        QInputMethodEvent commit;
        commit.setCommitString(QString::fromUtf8("\xF0\x9F\x98\x80"));
        QCoreApplication::sendEvent(editor()->RichEdit1, &commit);
        QCOMPARE(editor()->RichEdit1->length(), limit - 1);
        Platform::setClipboardText("cde");
        editor()->MnuEditPaste1Click();
        QVERIFY(shown().endsWith(QStringLiteral("xabc")));
        QCOMPARE(editor()->RichEdit1->length(), limit);
        QTest::keyClick(editor()->RichEdit1, Qt::Key_Return);
        QCOMPARE(editor()->RichEdit1->length(), limit);
        QCoreApplication::processEvents();
        QCOMPARE(Platform::takeMessages(), std::vector<std::string>(3, full));
        // Replacing a selection needs no room beyond it.
        select(int(limit) - 1, int(limit));
        QTest::keyClicks(editor()->RichEdit1, QStringLiteral("Z"));
        QVERIFY(shown().endsWith(QStringLiteral("xabZ")));
        QCoreApplication::processEvents();
        QVERIFY(Platform::takeMessages().empty());

        // The line limit, made small: pasted and typed line ends beyond it are left out.
        LimitedTextEdit small(100, 2);
        QSignalSpy reached(&small, &LimitedTextEdit::limitReached);
        small.setPlainText(QStringLiteral("ab"));
        small.moveCursor(QTextCursor::End);
        Platform::setClipboardText("c\r\nd\r\ne");
        small.paste();
        QTest::keyClick(&small, Qt::Key_Return);
        QCOMPARE(small.toPlainText(), QStringLiteral("abc\nd"));
        QCOMPARE(reached.count(), 2);
    }

    void closeAndNewAskFirst() {
        setText("kept");
        save(path("kept.txt"));
        editor()->FindDialog1->show();
        Platform::setNextAnswer(Platform::Answer::No);
        editor()->MnuFileNewClick();
        Platform::setNextAnswer(Platform::Answer::No);
        QVERIFY(!editor()->close());
        QVERIFY(editor()->isVisible());
        QCOMPARE(caption(), Codec::sj("エディタ－") + path("kept.txt"));
        QCOMPARE(text(), std::string("kept"));
        QCOMPARE(Platform::takeMessages(),
                 (std::vector<std::string>{Codec::sj("新規状態にします。よろしいですか？"),
                                           Codec::sj("この画面を閉じます。よろしいですか？")}));

        Platform::setNextAnswer(Platform::Answer::Yes);
        QVERIFY(editor()->close());
        QVERIFY(!editor()->FindDialog1->isVisible());
        // Shown again, the window has no file but still its text.
        editor()->show();
        QCOMPARE(caption(), Codec::sj("エディタ"));
        QCOMPARE(text(), std::string("kept"));

        Platform::setNextAnswer(Platform::Answer::Yes);
        editor()->MnuFileNewClick();
        QCOMPARE(text(), std::string());
    }
};

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"

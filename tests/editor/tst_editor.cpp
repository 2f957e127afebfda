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

        const std::string file = path("pad.txt");
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
        QCOMPARE(Platform::lastFileDialogRequest().proposedName, std::string("pad.txt"));
        QCOMPARE(editor()->RichEdit1->textCursor().position(), 0);
        pad->hide();

        // Any other file is code page 932 text.
        const std::string plain = path("plain.txt");
        writeBytes(plain, Codec::sj("一行目\r\n二行目"));
        open(plain);
        QCOMPARE(text(), Codec::sj("一行目\n二行目"));
        QCOMPARE(caption(), Codec::sj("エディタ－") + plain);

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

    void deleteKeyNeedsASelection() {
        setText("abc");
        select(0, 0);
        QTest::keyClick(editor()->RichEdit1, Qt::Key_Delete);
        QCOMPARE(text(), std::string("abc"));
        select(1, 2);
        QTest::keyClick(editor()->RichEdit1, Qt::Key_Delete);
        QCOMPARE(text(), std::string("ac"));
        QTest::keyClick(editor()->RichEdit1, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(text(), std::string("abc"));
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

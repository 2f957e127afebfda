// Hostile texts through every text input: the entry field, the clipboard
// paste, the find keyword, the number field, the settings dialog's fields, the
// global search keyword and the registry names of qbook2-admin. For each: no statement breaks, the text
// is refused, cut or kept byte for byte as promised, and no other row changes.

#include "AdminCommand.h"
#include "HostileTexts.h"

#include "app/Forms.h"
#include "app/Settings.h"
#include "app/SettingsFiles.h"
#include "app/UnitSet.h"
#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "memo/MemoScreen.h"
#include "memo/Unit2.h"
#include "memo/UnitNo.h"
#include "memo/UnitSearch.h"
#include "platform/Platform.h"
#include "search/UnitGSearch.h"
#include "support/MemoScreenFixture.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTest>
#include <sstream>

Q_DECLARE_METATYPE(std::string)

namespace {

struct Row {
    int n, df, mn;
    std::string sn, text, find;
    bool operator==(const Row&) const = default;
};

// What a line edit holds after the text was typed into it character by character.
std::string Typed(QLineEdit* edit, const std::string& text) {
    edit->clear();
    for (const QChar c : Codec::toQString(text))
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
    return Codec::fromQString(edit->text());
}

// Clipboard lines as the paste splits them.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            lines.push_back(line);
            line.clear();
        } else {
            line += text[i];
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

} // namespace

class TestHostileInput : public QObject, private MemoScreenFixture {
    Q_OBJECT

private:
    TForm2* screen = nullptr;

    std::string table() const { return MyMemoTable(7); }

    std::vector<Row> rows() {
        std::vector<Row> out;
        for (const FieldList& row : MemoScreenFixture::rows(table(), "", "N"))
            out.push_back({ToIntOrZero(row[MemoN].Value), ToIntOrZero(row[MemoDF].Value),
                           ToIntOrZero(row[MemoMN].Value), row[MemoSN].Value, row[MemoText].Value,
                           row[MemoFind].Value});
        return out;
    }

    // The rows added since before; the rows of before must be there unchanged.
    std::vector<Row> added(const std::vector<Row>& before) {
        std::vector<Row> after = rows();
        if (after.size() < before.size() || !std::equal(before.begin(), before.end(), after.begin())) {
            QTest::qFail("a row that was there before changed", __FILE__, __LINE__);
            return {};
        }
        return std::vector<Row>(after.begin() + static_cast<long>(before.size()), after.end());
    }

    // A line holding the text as its only line after the first three, for a
    // find; removed when the guard goes, also when the data row failed.
    [[nodiscard]] auto lineToFind(const std::string& text) {
        addLine(table(), 1000, 1.5, text);
        return qScopeGuard([this] { QVERIFY(other.DeleteRows(table(), "N=1000")); });
    }

    static void addHostileRows() {
        QTest::addColumn<std::string>("text");
        for (const HostileText& hostile : HostileTexts())
            QTest::newRow(hostile.name) << hostile.bytes;
    }

private slots:
    void initTestCase() {
        QVERIFY(setUpMemoSuite("hostileinput"));
        QVERIFY(database->createRegistry());
        Settings::RowsPerPage = 100;
        screen = forms().Form2;
        screen->show();
        QVERIFY(screen->Ready());
        addLines(table(), 3);
        screen->ButtonK->click();
    }

    void cleanupTestCase() { tearDownMemoSuite(); }

    void init() { Platform::takeMessages(); }

    void entryField_data() { addHostileRows(); }
    void entryField() {
        QFETCH(std::string, text);
        const std::vector<Row> before = rows();
        screen->ButtonD->click();
        const std::string field = Typed(screen->Edit1, text);
        QVERIFY(field.size() <= 120);
        QTest::keyClick(screen->Edit1, Qt::Key_Return);
        const std::vector<Row> fresh = added(before);
        if (field.empty()) {
            QVERIFY(fresh.empty());
        } else if (ContainsQuote(field)) {
            QCOMPARE(screen->StatusText(), Codec::sj(QuoteRefusalText));
            QVERIFY(fresh.empty());
        } else if (!Codec::firstUnheldChar(screen->Edit1->text()).isEmpty()) {
            // Invalid bytes show as U+FFFD, which code page 932 cannot hold.
            QVERIFY(screen->StatusText().starts_with(Codec::sj("文字「")));
            QVERIFY(fresh.empty());
        } else {
            QCOMPARE(screen->StatusText(), Codec::sj("登録出来ました"));
            QCOMPARE(fresh.size(), size_t(1));
            QCOMPARE(fresh[0].text, field);
            QCOMPARE(fresh[0].find, SearchKey(field));
            QCOMPARE(fresh[0].mn, 7);
        }
    }

    void paste_data() { addHostileRows(); }
    void paste() {
        QFETCH(std::string, text);
        const std::vector<Row> before = rows();
        Platform::setClipboardText(text);
        std::vector<std::string> expected;
        for (const std::string& line : Lines(Platform::clipboardText()))
            expected.push_back(CopyChars(RemoveQuotes(line), 1, 120).text);
        screen->ButtonD->click();
        screen->ButtonI->click();
        const std::vector<Row> fresh = added(before);
        QCOMPARE(fresh.size(), expected.size());
        for (size_t i = 0; i < fresh.size(); ++i) {
            QCOMPARE(fresh[i].text, expected[i]);
            QCOMPARE(fresh[i].find, SearchKey(expected[i]));
        }
        if (!expected.empty())
            QVERIFY(screen->StatusText().starts_with(Codec::sj("クリップボードからペーストを行いました")));
    }

    void findKeyword_data() { addHostileRows(); }
    void findKeyword() {
        QFETCH(std::string, text);
        // The dialog's field has no length limit and holds what code page 932 can show.
        const std::string keyword = Codec::fromQString(Codec::toQString(text));
        const bool storable = !keyword.empty() && !ContainsQuote(keyword) && keyword.size() < 120;
        const auto line = lineToFind(storable ? "x" + keyword : "line1000");
        screen->ButtonK->click();
        const std::vector<Row> before = rows();
        for (const bool useFindColumn : {false, true}) {
            // No keyword of an earlier row: one the dialog refuses finds nothing.
            find(screen, "", false, true);
            screen->ButtonA->click();
            whenModal([&](QWidget*) {
                TFormSearch* dialog = forms().FormSearch;
                dialog->Edit1->setText(Codec::toQString(text));
                dialog->CheckBox1->setChecked(!useFindColumn);
                dialog->RadioDown->setChecked(true);
                dialog->Button1->click();
                if (dialog->isVisible())
                    dialog->Button2->click();
            });
            screen->ButtonE->click();
            if (ContainsQuote(keyword)) {
                QCOMPARE(Platform::takeMessages(), std::vector<std::string>{Codec::sj(QuoteRefusalText)});
                QVERIFY(screen->FindKeyword().empty());
                QCOMPARE(screen->Cell(2, 0), std::string("line1"));
            } else if (storable) {
                QCOMPARE(screen->StatusText(), Codec::sj("検索できました"));
                QCOMPARE(screen->Cell(2, 0), "x" + keyword);
            }
        }
        QVERIFY(added(before).empty());
    }

    void globalSearchKeyword_data() { addHostileRows(); }
    void globalSearchKeyword() {
        QFETCH(std::string, text);
        TFormGSearch* search = forms().FormGSearch;
        search->show();
        QVERIFY(search->Ready);
        const std::string field = Typed(search->Edit1, text);
        // The search folds quote characters into their full-width forms, so a
        // line holding any of the keyword's characters can be found.
        const bool findable = !RemoveSpaces(field).empty() && field.size() < 120;
        const auto line = lineToFind(findable ? "x" + field : "line1000");
        const std::vector<Row> before = rows();
        search->Button1Click();
        if (RemoveSpaces(field).empty()) {
            QCOMPARE(Platform::takeMessages(),
                     std::vector<std::string>{Codec::sj("検索キーワードを入力して下さい")});
        } else {
            QCOMPARE(search->StatusText(),
                     Codec::sj("検索終了しました。参照可能なめもから全検索します。[Esc]:中断"));
            const std::string results = Codec::fromQString(search->RichEdit1->toPlainText());
            if (findable)
                QVERIFY(results.find(Codec::sj("　【番号:1000】x") + field) != std::string::npos);
        }
        QVERIFY(added(before).empty());
        search->close();
    }

    void numberField_data() {
        addHostileRows();
        for (const char* text : {"2", " 3", "$2", "1;", "1--", "2/*", "99999999", "-1"})
            QTest::newRow(text) << std::string(text);
    }
    void numberField() {
        QFETCH(std::string, text);
        const std::vector<Row> before = rows();
        std::string field;
        whenModal([&](QWidget*) {
            TFormNo* dialog = forms().FormNo;
            field = Typed(dialog->Edit1, text);
            dialog->Button1->click();
        });
        screen->ButtonG->click();
        QVERIFY(Codec::toQString(field).size() <= 8);
        const int n = ToIntOrZero(field);
        const bool exists = n >= 1 && n <= 3;
        QCOMPARE(screen->StatusText(), Codec::sj(exists ? "指示された登録番号へジャンプしました"
                                                        : "指示された登録番号は見つかりませんでした"));
        if (exists)
            QCOMPARE(screen->Cell(2, 0), "line" + std::to_string(n));
        QVERIFY(added(before).empty());
    }

    void settingsFields_data() { addHostileRows(); }
    void settingsFields() {
        QFETCH(std::string, text);
        const std::vector<Row> before = rows();
        const std::string folder = Settings::ServerFolder;
        TFormSet* dialog = forms().FormSet;
        dialog->show();
        // The server stays reachable, so that every other value meets the server.
        dialog->Edit1->setText(QStringLiteral("localhost"));
        const std::string typed = Codec::fromQString(Codec::toQString(text));
        for (QLineEdit* edit :
             {dialog->Edit2, dialog->Edit3, dialog->Edit4, dialog->Edit5, dialog->Edit6, dialog->Edit7})
            edit->setText(Codec::toQString(text));
        dialog->Button2Click();
        QCOMPARE(Settings::ServerFolder, typed);
        QCOMPARE(Settings::DatabaseUser, typed);
        QCOMPARE(Settings::DatabasePassword, typed);
        QVERIFY(Settings::DatabaseLocation.empty());
        dialog->Button4Click();
        dialog->close();
        QVERIFY(Settings::RefreshSeconds >= 1 && Settings::RefreshSeconds <= 99999);
        QVERIFY(Settings::RowsPerPage >= 5 && Settings::RowsPerPage <= 10000);
        QCOMPARE(Settings::MemberNumber, 7);
        // What the dialog took reads back from the settings file as it was.
        const std::string file = database->folder() + "/qbook2db.dat";
        QVERIFY(SettingsFiles::WriteDbSettings(file));
        Settings::ServerFolder.clear();
        Settings::DatabasePassword.clear();
        QVERIFY(SettingsFiles::ReadDbSettings(file));
        QCOMPARE(Settings::ServerFolder, typed);
        QCOMPARE(Settings::DatabasePassword, typed);
        QVERIFY(added(before).empty());
        database->useInSettings();
        Settings::ServerFolder = folder;
        Settings::MemberName = "Tester";
        Settings::RowsPerPage = 100;
    }

    void registryNames_data() { addHostileRows(); }
    void registryNames() {
        QFETCH(std::string, text);
        static int number = 100;
        ++number;
        const std::string utf8 = Codec::toUtf8(text);
        FieldList members;
        SetMemberFields(members);
        const auto memberRows = [&] {
            const auto rows = other.ReadRows(members, "*", "MEMBER", "", "N");
            return rows ? static_cast<int>(rows->size()) : -1;
        };
        const int membersBefore = memberRows();
        std::ostringstream out, err;
        const int status = RunAdmin({"--folder", database->folder() + "/", "--password", database->password(),
                                     "member-add", std::to_string(number), utf8, "pass"},
                                    out, err);
        if (status == kAdminOk) {
            const auto member = other.ReadRow(members, "MEMBER", "N=" + std::to_string(number));
            QVERIFY(member && *member);
            QCOMPARE((**member)[1].Value, Codec::fromUtf8(utf8));
            QVERIFY(!ContainsQuote((**member)[1].Value));
        } else {
            QCOMPARE(status, kAdminFailed);
            // Refused before any statement, with the reason.
            const std::string why = err.str();
            QVERIFY2(why.find("must not") != std::string::npos || why.find("too long") != std::string::npos ||
                         why.find("cannot store") != std::string::npos,
                     why.c_str());
            QCOMPARE(memberRows(), membersBefore);
        }
        std::ostringstream groupOut, groupErr;
        const int groupStatus =
            RunAdmin({"--folder", database->folder() + "/", "--password", database->password(), "group-add",
                      "open", std::to_string(number), "group", "--outline", utf8},
                     groupOut, groupErr);
        QVERIFY2(groupStatus == kAdminOk || groupErr.str().find("must not") != std::string::npos ||
                     groupErr.str().find("too long") != std::string::npos ||
                     groupErr.str().find("cannot store") != std::string::npos,
                 groupErr.str().c_str());
        if (groupStatus == kAdminOk) {
            FieldList shape;
            SetGroupFields(shape);
            const auto group = other.ReadRow(shape, "OGROUP", "N=" + std::to_string(number));
            QVERIFY(group && *group);
            QCOMPARE((**group)[5].Value, Codec::fromUtf8(utf8));
        }
    }
};

QTEST_MAIN(TestHostileInput)
#include "tst_hostileinput.moc"

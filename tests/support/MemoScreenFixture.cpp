#include "support/MemoScreenFixture.h"

#include "app/Forms.h"
#include "app/Settings.h"
#include "db/UnitSchema.h"
#include "memo/MemoScreen.h"
#include "memo/Unit2.h"
#include "memo/Unit3.h"
#include "memo/Unit4.h"
#include "memo/Unit5.h"
#include "memo/Unit6.h"
#include "memo/Unit7.h"
#include "memo/Unit8.h"
#include "memo/UnitNo.h"
#include "memo/UnitSearch.h"
#include "platform/Platform.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QApplication>
#include <QCheckBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

bool MemoScreenFixture::setUpMemoSuite(const std::string& suite, const std::string& server) {
    Platform::setScripted(true);
    database = std::make_unique<TestDatabase>(suite, server);
    if (!database->ok()) {
        qWarning("%s", database->error().c_str());
        return false;
    }
    database->useInSettings();
    Settings::MemberNumber = 7;
    Settings::MemberName = "Tester";
    Settings::RowsPerPage = 5;
    Settings::RefreshSeconds = 30;
    CreateForms();
    return database->connect(other);
}

void MemoScreenFixture::tearDownMemoSuite() {
    const Forms& f = forms();
    for (QWidget* screen :
         std::initializer_list<QWidget*>{f.Form2, f.Form3, f.Form4, f.Form5, f.Form6, f.Form7, f.Form8})
        if (screen)
            screen->hide();
    other.Disconnect();
    if (f.FormFBDB)
        f.FormFBDB->Disconnect();
    if (database)
        database->db().Disconnect();
}

void MemoScreenFixture::reopen(TMemoScreen* screen) {
    screen->hide();
    screen->show();
    QVERIFY(screen->Ready());
}

void MemoScreenFixture::addLine(const std::string& table, int n, double sn, const std::string& text, int df) {
    FieldList fields;
    QVERIFY2(InsertMemoRow(other, table, fields, n, sn, text.empty() ? "line" + std::to_string(n) : text, 2),
             other.LastError().c_str());
    if (df != 0)
        QVERIFY(other.UpdateSet(table, "DF=" + std::to_string(df), "N=" + std::to_string(n)));
}

void MemoScreenFixture::addLines(const std::string& table, int count, int first) {
    for (int n = first; n < first + count; ++n)
        addLine(table, n, n);
}

bool MemoScreenFixture::exists(const std::string& table) {
    return other.ReadTableExists(table).value();
}

std::vector<FieldList> MemoScreenFixture::rows(const std::string& table, const std::string& where,
                                               const std::string& order) {
    return ReadMemoRows(other, table, where, order);
}

void MemoScreenFixture::whenModal(const std::function<void(QWidget*)>& action) {
    QTimer::singleShot(0, qApp, [action] {
        QWidget* dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        action(dialog);
    });
}

void MemoScreenFixture::find(TMemoScreen* screen, const std::string& keyword, bool useFindColumn, bool down) {
    whenModal([=](QWidget*) {
        TFormSearch* dialog = forms().FormSearch;
        dialog->Edit1->setText(Codec::toQString(keyword));
        dialog->CheckBox1->setChecked(!useFindColumn);
        (down ? dialog->RadioDown : dialog->RadioUp)->setChecked(true);
        dialog->Button1->click();
    });
    screen->ButtonE->click();
}

void MemoScreenFixture::cancelFind(TMemoScreen* screen) {
    whenModal([](QWidget*) { forms().FormSearch->Button2->click(); });
    screen->ButtonE->click();
}

void MemoScreenFixture::jump(TMemoScreen* screen, const QString& number) {
    whenModal([=](QWidget*) {
        QCOMPARE(forms().FormNo->Edit1->text(), QStringLiteral("1"));
        forms().FormNo->Edit1->setText(number);
        forms().FormNo->Button1->click();
    });
    screen->ButtonG->click();
}

void MemoScreenFixture::clickRow(TMemoScreen* screen, int row) {
    QTableWidgetItem* item = screen->SG1->item(row, 2);
    QVERIFY(item);
    screen->SG1->scrollToItem(item);
    QTest::mouseClick(screen->SG1->viewport(), Qt::LeftButton, {},
                      screen->SG1->visualItemRect(item).center());
    QCOMPARE(screen->CurrentRow(), row);
}

void MemoScreenFixture::commit(QWidget* field, const QString& text) {
    QInputMethodEvent composing(text, {});
    QApplication::sendEvent(field, &composing);
    QInputMethodEvent committed;
    committed.setCommitString(text);
    QApplication::sendEvent(field, &committed);
}

void MemoScreenFixture::enter(TMemoScreen* screen, const std::string& text) {
    QTest::keyClick(screen->Edit1, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(screen->Edit1, Qt::Key_Backspace);
    if (!text.empty())
        commit(screen->Edit1, Codec::toQString(text));
    QTest::keyClick(screen->Edit1, Qt::Key_Return);
}

std::string MemoScreenFixture::entry(const TMemoScreen* screen) {
    return Codec::fromQString(screen->Edit1->text());
}

std::vector<int> MemoScreenFixture::shownNumbers(const TMemoScreen* screen) {
    std::vector<int> numbers;
    for (int row = 0; row < screen->RowCount(); ++row)
        numbers.push_back(ToIntOrZero(screen->Cell(1, row)));
    return numbers;
}

std::vector<std::string> MemoScreenFixture::shownTexts(const TMemoScreen* screen) {
    std::vector<std::string> texts;
    for (int row = 0; row < screen->RowCount(); ++row)
        texts.push_back(screen->Cell(2, row));
    return texts;
}

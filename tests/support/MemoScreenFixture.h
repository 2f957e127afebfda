#pragma once

#include "db/TableField.h"
#include "db/UnitFBDB.h"
#include "support/TestDatabase.h"

#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;
class TMemoScreen;

// What the memo-screen tests share: a database of the suite's own that the
// current settings name, the program's windows, and a second client, another
// member, who writes lines and reads back what is stored; and the member's
// ways with a screen: keys, clicks, typing and the two dialogs.
class MemoScreenFixture {
protected:
    // For initTestCase: message boxes scripted, the suite's database (on the
    // given server, else the test server) in the settings, member 7 "Tester"
    // identified, 5 lines a page and a refresh every 30 s, the windows made
    // and the other client connected. False when any of it failed.
    bool setUpMemoSuite(const std::string& suite, const std::string& server = {});
    // For cleanupTestCase: hides the memo screens, ends the connections.
    void tearDownMemoSuite();

    // Hides the screen if shown and shows it again, as a member reopening it.
    static void reopen(TMemoScreen* screen);

    // A line of the other member (2): number, sort number, "line<n>" unless
    // given, deleted by member df unless 0.
    void addLine(const std::string& table, int n, double sn, const std::string& text = {}, int df = 0);
    // Lines with number and sort number first..first+count-1.
    void addLines(const std::string& table, int count, int first = 1);
    // Whether the database has the table, as the other member lists them.
    bool exists(const std::string& table);
    // The rows as the other member reads them (memo field lists), all or where.
    std::vector<FieldList> rows(const std::string& table, const std::string& where = {},
                                const std::string& order = "SN,N");

    // Runs action on the next modal window once it is up.
    static void whenModal(const std::function<void(QWidget*)>& action);
    // Find with the dialog: useFindColumn, through the search key (the box
    // "大文字小文字を区別する" clear); down, towards later lines.
    static void find(TMemoScreen* screen, const std::string& keyword, bool useFindColumn, bool down);
    // Cancels the find dialog.
    static void cancelFind(TMemoScreen* screen);
    // Jump with the number dialog to what is typed there.
    static void jump(TMemoScreen* screen, const QString& number);
    // Clicks the grid row.
    static void clickRow(TMemoScreen* screen, int row);
    // Clears the entry field with keys, commits text through the input method
    // (code page 932) and presses Enter.
    static void enter(TMemoScreen* screen, const std::string& text);
    // Text as an input method sends it: composed, then committed.
    static void commit(QWidget* field, const QString& text);

    static std::string entry(const TMemoScreen* screen);
    // The registration numbers of the grid's rows, 0 for the append row.
    static std::vector<int> shownNumbers(const TMemoScreen* screen);
    // The texts of the grid's rows.
    static std::vector<std::string> shownTexts(const TMemoScreen* screen);

    std::unique_ptr<TestDatabase> database;
    TFormFBDB other;
};

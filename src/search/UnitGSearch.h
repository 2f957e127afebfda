#pragma once

#include "db/ReadResult.h"
#include "db/TableField.h"
#include "search/ResultLines.h"

#include <QWidget>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class TFormFBDB;

// The global search: finds a keyword in every pad the member may read and
// lists the matching lines pad by pad, each pad under a heading with its
// count. The search runs to its end without handing control back to the user
// interface; only the Escape key, polled before each pad and each result
// line, stops it. A pad or a list of pads that cannot be read gets a line
// saying so in place of its results, and the search then ends saying that
// its results are incomplete.
class TFormGSearch : public QWidget {
    Q_OBJECT
public:
    explicit TFormGSearch(QWidget* parent = nullptr);

    // The result area holds at most this many characters.
    static constexpr qsizetype ResultLimit = 4096000;

    // Controls, named as the designer named them.
    QWidget* Panel1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* Button1 = nullptr;
    // Never shown: the list of the other members during a search.
    QComboBox* ComboBox1 = nullptr;
    QPlainTextEdit* RichEdit1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;

    // Set by a show whose checks and connection succeeded.
    bool Ready = false;
    // The memo table being searched and the field list of the table being read.
    std::string TableName;
    FieldList Fields;

    void FormShow();
    void FormClose();
    void Button1Click();
    // Searches TableName for the key and writes its heading and lines (or the
    // line saying that it could not be read); false when the Escape key
    // interrupted it.
    bool SearchPad(const std::string& label, const std::string& key);

    // The status text (code page 932), repainted at once.
    void SetStatus(const std::string& text);
    std::string StatusText() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool CheckAndConnect(bool freshConnection);
    ReadResult<std::unordered_set<std::string>> ReadTableNames();
    // The items of the other members, also into ComboBox1.
    ReadResult<std::vector<std::string>> ReadMembers();
    // The items of the group rows of table that the member may read.
    ReadResult<std::vector<std::string>> ReadGroups(const std::string& table,
                                                    bool (*mayRead)(const FieldList&, std::int32_t));
    // The line in place of the results of the pad (or list of pads) under
    // label that could not be read, and one more for the final status.
    void AppendUnread(const std::string& label, DbFailure failure);
    void ShowResults();

    QLabel* StatusLabel = nullptr;
    TFormFBDB* Db = nullptr;
    ResultLines Results;
    // Pads and lists of pads the running search could not read.
    int Unread = 0;
};

#pragma once

#include "db/ReadResult.h"
#include "db/TableField.h"
#include "memo/MemoPageModel.h"

#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTableWidget;
class QTimer;
class TFormFBDB;

// The refusal of a text with a quote character, in the entry field and the find dialog.
inline constexpr const char* QuoteRefusalText = "文字「'」「\"」を使用しないで下さい";

// What the member may do on a memo screen. The editable pads change the pad
// through the entry field, the grid keys and the paste button; the viewers
// only page, find and copy: their entry field is read-only, their paste
// button disabled, and CanChangePad() stops every change of the pad.
struct MemoAccess {
    bool changesPad;
    // Typing in the entry field stops the refresh, leaving the field or moving
    // from it with the arrow and page keys starts it again.
    bool fieldPausesRefresh;
    const char* gridHint; // status texts, UTF-8 literals
    const char* entryHint;
};

extern const MemoAccess EditAccess;       // the four editable pads
extern const MemoAccess MemberViewAccess; // another member's pad, read only
extern const MemoAccess GroupViewAccess;  // a group pad, read only

// What distinguishes one memo screen from another: caption, default size,
// header, the table it opens and the test made when it is shown.
struct MemoScreenConfig {
    const char* caption; // UTF-8 literal, as the system shows it
    int width;           // default outer size
    int height;
    const MemoAccess* access;
    bool groupHeader;           // the taller top bar with LabelA1..LabelA3
    std::string (*tableName)(); // the memo table, from the current settings
    bool (*showTest)();         // after the database settings test
};

// The memo screen shared by the editable pads and the read-only viewers: one
// pad shown a page at a time, refreshed by a timer, edited through the entry
// field and the grid keys. The paging itself is the page model's; the screen
// keeps the grid, the keys and what the member is told.
//
// A read that fails leaves the page as it was and says so: an action in the
// status text, and every failed page read with a mark in the status bar,
// until a page is read again. A screen without a connection connects again when the
// member acts, and from its refresh only as ReconnectPacing allows.
class TMemoScreen : public QWidget {
    Q_OBJECT
public:
    TMemoScreen(const MemoScreenConfig& config, QWidget* parent = nullptr);

    const MemoScreenConfig& config() const { return Config; }

    // Shows the screen for the pad the current settings name now. A screen
    // that is already shown with another pad, or that failed to open one,
    // runs its close and show steps again, so that its header and its lines
    // never disagree; one that shows this pad only comes to the front.
    void ShowPad();

    // Controls, named as the designer named them.
    QWidget* TopBar = nullptr;
    QPushButton* ButtonA = nullptr;
    QPushButton* ButtonB = nullptr;
    QPushButton* ButtonC = nullptr;
    QPushButton* ButtonD = nullptr;
    QPushButton* ButtonE = nullptr;
    QPushButton* ButtonF = nullptr;
    QPushButton* ButtonG = nullptr;
    QPushButton* ButtonH = nullptr;
    QPushButton* ButtonI = nullptr;
    QPushButton* ButtonJ = nullptr;
    QPushButton* ButtonK = nullptr;
    QLabel* LabelA1 = nullptr;
    QLabel* LabelA2 = nullptr;
    QLabel* LabelA3 = nullptr;
    QTableWidget* SG1 = nullptr;
    QWidget* BottomBar = nullptr;
    QLineEdit* Edit1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QTimer* Timer1 = nullptr;

    // Page state. Ready: the connection succeeded and the pad is open; while
    // it is false the screen neither reads nor writes.
    const std::string& TableName() const { return Page.TableName(); }
    double PageStart() const { return Page.PageStart(); }
    bool Ready() const { return Page.Ready(); }
    const std::string& FindKeyword() const { return Page.Find().keyword; }
    // While the grid is rebuilt: a row selected then is not the member's choice.
    bool PageLoading() const { return Loading; }

    // Handlers.
    void FormShow();
    void FormClose();
    void FormResize();
    void ButtonAClick();
    void ButtonBClick();
    void ButtonCClick();
    void ButtonDClick();
    void ButtonEClick();
    void ButtonFClick();
    void ButtonGClick();
    void ButtonHClick();
    void ButtonIClick();
    void ButtonJClick();
    void ButtonKClick();
    void Timer1Timer();
    void SG1Enter();
    void SG1SelectCell(int row);
    void Edit1Enter();
    void Edit1Exit();

    // Makes line n (deleted or not) the first of the page and says so; false
    // when there is no line n or it could not be read.
    bool JumpToNumber(std::int32_t n);

    // Cell text (code page 932) of the grid; "" outside the grid.
    std::string Cell(int column, int row) const;
    int CurrentRow() const;
    int RowCount() const;
    // Makes row the current row; unless Loading, its text goes to the entry field.
    void SelectRow(int row);
    // The status text (code page 932), repainted at once.
    void SetStatus(const std::string& text);
    std::string StatusText() const;
    // The mark in the status bar while the page shown could not be read again
    // (code page 932); empty once a page was read.
    std::string ReadFailureMark() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Outcome = std::optional<DbFailure>; // a failure, or nothing when the call went well

    bool OpenMemoTable();
    // Rebuilds the grid from the lines after PageStart, keeping the selection
    // on the same line where it can; when the page cannot be read the grid
    // stays as it was and the mark says why.
    Outcome LoadPage();
    // The same for the page after pageStart, which becomes PageStart once
    // read; for the member, or for a refresh (see CallDb).
    Outcome LoadPageAt(double pageStart, bool memberAsked = true);
    void ShowPage(const MemoPage& page);
    void RegisterLine();
    void InsertLine();
    void DeleteLine();
    void CopyLine();
    void FindFromCurrentRow();
    // Whether the pad may be changed now: the pad is open and the screen is
    // not one of the viewers. Every change of the pad starts with this test.
    bool CanChangePad() const;
    // The paging actions; each says in the status when the page could not move.
    Outcome FirstPage();
    Outcome PreviousPage();
    Outcome NextPage();
    Outcome LastPage();
    bool StaysOnFirstPage();
    // The page that starts where the model's read says.
    Outcome LoadPageFrom(ReadResult<double> (MemoPageModel::*where)(TFormFBDB&) const);
    // Ends a page move: the new page's first or last row selected, or the failure said.
    Outcome EndPageMove(Outcome failure, bool lastRow);

    // One call to the database, for the member (memberAsked) or for a
    // refresh: connected first when there is no connection, as the pacing
    // allows (a refused try fails at once as a lost connection). A read
    // (retryRead) that finds its connection ended by the server at once is
    // read again on a fresh one; a write never is, since it may have been
    // done. call returns its failure, or nothing.
    Outcome CallDb(bool memberAsked, bool retryRead, const std::function<Outcome()>& call);
    template <typename T> static Outcome FailureOf(const ReadResult<T>& result) {
        return result ? Outcome() : Outcome(result.failure());
    }
    // A read through CallDb: what it read, or why it failed, also when it
    // could not be tried for want of a connection.
    template <typename Read> auto ReadDb(bool memberAsked, Read read) -> decltype(read()) {
        decltype(read()) result = DbFailure::ConnectionLost;
        CallDb(memberAsked, true, [&] {
            result = read();
            return FailureOf(result);
        });
        return result;
    }
    // The failure of a write that returned false (or of a row helper that
    // writes and reads).
    Outcome ModuleFailure() const;
    bool Connect(bool memberAsked);
    // What an action says when a call failed: base (UTF-8), with the reason
    // when the server cannot be reached or refused the read or, for a change,
    // the change (any other failure, such as a statement the server rejects,
    // is said by base alone).
    void SayFailure(const char* base, Outcome failure, bool change = false);
    // That reason (code page 932); empty for any other failure.
    static std::string FailureReason(Outcome failure, bool change);
    void ShowReadFailureMark(DbFailure failure);
    void ClearReadFailureMark();

    bool SG1KeyDown(int key);
    bool Edit1KeyDown(int key);
    void Refresh(const std::string& busyText, bool memberAsked);
    void RestartTimer();
    // Starts the timer again with its interval unchanged.
    void ResumeTimer();
    // Live refresh: while the pad is shown, the screen listens for its
    // table's changes and refreshes as the timer does, soon after a change,
    // whenever the timer runs (not during an action, nor while the member
    // types); a change meanwhile waits until the timer runs again.
    void StartLiveUpdates();
    void StopLiveUpdates();
    void OnTableChanged(const std::string& table);
    void ScheduleLiveRefresh();
    void LiveRefresh();
    // A status text that may hold characters code page 932 cannot.
    void ShowStatus(const QString& text);
    void ShowGridHint();
    void ShowEntryHint();
    void HoldRefreshWhileTyping();
    void ResumeRefreshAfterTyping();
    // Whether the member's number can be stored in a line; otherwise says so in the status.
    bool MemberNumberWritable();
    bool StillShowing() const;
    // The sort number of the line before grid row `row`, between which and
    // the row new lines go; for row 0 read from the pad.
    ReadResult<double> SortNumberBeforeRow(int row);
    // Where the page starts after new lines went before row, before being
    // the sort number of the line before them.
    double PageStartWith(int row, double before) const;
    void SetCell(int column, int row, const std::string& text);
    std::string EntryText() const;
    void SetEntryText(const std::string& text);
    // Puts the row's text into the entry field and remembers the row's line as
    // the one that Enter registers.
    void TakeEntryFrom(int row);
    void LayOut();

    // Sort numbers closer than this count as equal.
    static constexpr double Tolerance = MemoPageModel::Tolerance;
    // The bytes of a line.
    static constexpr int MaxLineBytes = 120;
    // The shortest time between two refreshes for changes of the pad.
    static constexpr std::uint32_t LiveRefreshGap = 300;

    // The registration number (cell 1 text, empty for the append row) and the
    // text of the line the entry field was last filled from.
    std::string EntryLineNumber;
    std::string EntryLineText;

    MemoScreenConfig Config;
    MemoPageModel Page;
    // The memo field list: every line written is built in it, and a line
    // about to be changed is read into it. Filled when the pad opens, released
    // when the screen closes.
    FieldList RowBuffer;
    bool Loading = false; // the grid is being rebuilt: a row selection copies no text
    QLabel* StatusLabel = nullptr;
    QLabel* FailureMark = nullptr;
    std::string LastReadTime; // of the page shown, "hh:mm:ss"; empty when none was read
    TFormFBDB* Db = nullptr;
    bool InFormShow = false;
    bool ClosePending = false; // closed during FormShow: the close follows it
    QTimer* LiveTimer = nullptr;
    std::string LiveTable;      // the table subscribed to, while shown
    bool ChangePending = false; // a change arrived that no page load has shown yet
    std::uint32_t LastLiveRefresh = 0;
};

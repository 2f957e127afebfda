#pragma once

#include "db/TableField.h"

#include <QWidget>
#include <cstdint>
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
// field and the grid keys.
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

    // Page state.
    std::string TableName;
    FieldList RowBuffer;
    double PageStart = 0.0;
    int PageLines = 0;
    bool Ready = false;
    bool Loading = false;
    std::string FindKeyword;
    int UseFindColumn = 0;
    int SearchDown = 1;

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

    bool OpenMemoTable();
    void LoadPage();
    void RegisterLine();
    void InsertLine();
    void DeleteLine();
    void CopyLine();
    void FindFromCurrentRow();
    // Makes line n (deleted or not) the first of the page; false when there is no line n.
    bool JumpToNumber(std::int32_t n);
    // Whether the pad may be changed now: the pad is open and the screen is
    // not one of the viewers. Every change of the pad starts with this test.
    bool CanChangePad() const;

    // Cell text (code page 932) of the grid; "" outside the grid.
    std::string Cell(int column, int row) const;
    int CurrentRow() const;
    int RowCount() const;
    // Makes row the current row; unless Loading, its text goes to the entry field.
    void SelectRow(int row);
    // The status text (code page 932), repainted at once.
    void SetStatus(const std::string& text);
    std::string StatusText() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool SG1KeyDown(int key);
    bool Edit1KeyDown(int key);
    void Refresh(const std::string& busyText);
    void StepBackToPageStart(int steps);
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
    bool EnsureConnected();
    bool StillShowing() const;
    double SortNumberBeforeRow(int row);
    void SetCell(int column, int row, const std::string& text);
    std::string EntryText() const;
    void SetEntryText(const std::string& text);
    // Puts the row's text into the entry field and remembers the row's line as
    // the one that Enter registers.
    void TakeEntryFrom(int row);
    void LayOut();

    // Sort numbers closer than this count as equal.
    static constexpr double Tolerance = 1e-10;
    // The shortest time between two refreshes for changes of the pad.
    static constexpr std::uint32_t LiveRefreshGap = 300;
    // The order of the lines on a page, and the same order backwards for the
    // reads that step back from a sort number.
    static constexpr const char* PageOrder = "SN,N";
    static constexpr const char* BackwardOrder = "SN DESC,N DESC";

    // The registration number (cell 1 text, empty for the append row) and the
    // text of the line the entry field was last filled from.
    std::string EntryLineNumber;
    std::string EntryLineText;

    MemoScreenConfig Config;
    QLabel* StatusLabel = nullptr;
    TFormFBDB* Db = nullptr;
    bool InFormShow = false;
    bool ClosePending = false; // closed during FormShow: the close follows it
    QTimer* LiveTimer = nullptr;
    std::string LiveTable;      // the table subscribed to, while shown
    bool ChangePending = false; // a change arrived that no page load has shown yet
    std::uint32_t LastLiveRefresh = 0;
};

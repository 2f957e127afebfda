#pragma once

#include "editor/LimitedTextEdit.h"

#include <QWidget>
#include <functional>
#include <string>

class FindDialog;
class QAction;
class QMenuBar;
class QStatusBar;

// The scratch editor that takes a whole pad for the clipboard or a file.
// Nothing written here goes back to the database.
class TFormEditor : public QWidget {
    Q_OBJECT
public:
    explicit TFormEditor(QWidget* parent = nullptr);

    // The most characters the text area holds (UTF-16 units, a line end one),
    // and the most lines. The text area's layout breaks down once the text is
    // taller than some 8 million pixels (about 440 000 lines of its font), and
    // every line costs it some microseconds and a hundred bytes.
    static constexpr qsizetype MaxCharacters = 4'096'000;
    static constexpr qsizetype MaxLines = 300'000;

    QMenuBar* MainMenu1 = nullptr;
    QAction* MnuFileNew = nullptr;
    QAction* MnuFileOpen = nullptr;
    QAction* MnuFileSave = nullptr;
    QAction* MnuFileClose = nullptr;
    QAction* MnuEditUndo = nullptr;
    QAction* MnuEditCut = nullptr;
    QAction* MnuEditCopy = nullptr;
    QAction* MnuEditPaste1 = nullptr;
    QAction* MnuEditDelete = nullptr;
    QAction* MnuEditFind = nullptr;
    QAction* MnuEditFindNext = nullptr;
    QAction* MnuEditSelectAll = nullptr;
    LimitedTextEdit* RichEdit1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    FindDialog* FindDialog1 = nullptr;

    // Full path (code page 932) of the file last opened or saved; empty when none.
    std::string CurrentFile;

    void FormShow();
    bool FormCloseQuery();
    void FormClose();
    void MnuFileNewClick();
    void MnuFileOpenClick();
    void MnuFileSaveClick();
    void MnuFileCloseClick();
    void MnuEditUndoClick();
    void MnuEditCutClick();
    void MnuEditCopyClick();
    void MnuEditPaste1Click();
    void MnuEditDeleteClick();
    void MnuEditFindClick();
    void MnuEditFindNextClick();
    void MnuEditSelectAllClick();
    void FindDialog1Find();

    // The hand-off from a memo screen: the lines nextLine gives (false when
    // there is none left) replace the text, as many as the limits leave room
    // for. A cut is reported once the hand-off's own event is over.
    void TakeLines(const std::function<bool(QString& line)>& nextLine);

    // Asked before the program ends: while the window shows changes not
    // saved, it comes to the front and asks its closing question. False
    // keeps the program running.
    bool QuitQuery();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetCurrentFile(const std::string& path);
    bool LoadFile(const std::string& path, bool& truncated);
    void CaretToStart();
    void SayLater(const char* message);

    QList<QAction*> MenuShortcuts;
};

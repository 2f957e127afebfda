#pragma once

#include <QWidget>
#include <string>

class FindDialog;
class QAction;
class QMenuBar;
class QStatusBar;
class QTextEdit;

// The scratch editor that takes a whole pad for the clipboard or a file.
// Nothing written here goes back to the database.
class TFormEditor : public QWidget {
    Q_OBJECT
public:
    explicit TFormEditor(QWidget* parent = nullptr);

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
    QTextEdit* RichEdit1 = nullptr;
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

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetCurrentFile(const std::string& path);
    bool LoadFile(const std::string& path);
    void CaretToStart();

    QList<QAction*> MenuShortcuts;
};

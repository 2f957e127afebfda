#include "editor/UnitEditor.h"

#include "app/WindowStyle.h"
#include "editor/FindDialog.h"
#include "editor/RtfDocument.h"
#include "platform/Platform.h"
#include "text/Codec.h"

#include <QCloseEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QSaveFile>
#include <QStatusBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {

const char* const FileFilter = "Text File(*.txt)|*.txt|All Files(*.*)|*.*";
const char* const StatusText =
    "クリップボードへのコピー用画面です。この画面で記述した内容はデータベースに保存"
    "されません。※この内容は自動更新されません。";

struct MenuItem {
    QAction* TFormEditor::*action; // nullptr: a separator
    const char* caption;
    QKeyCombination shortcut;
    void (TFormEditor::*click)();
};

const MenuItem FileMenu[] = {
    {&TFormEditor::MnuFileNew, "新規(&N)", Qt::CTRL | Qt::Key_N, &TFormEditor::MnuFileNewClick},
    {&TFormEditor::MnuFileOpen, "開く(&O)...", Qt::CTRL | Qt::Key_O, &TFormEditor::MnuFileOpenClick},
    {&TFormEditor::MnuFileSave, "名前を付けて保存(&S)...", Qt::CTRL | Qt::Key_S,
     &TFormEditor::MnuFileSaveClick},
    {nullptr, nullptr, {}, nullptr},
    {&TFormEditor::MnuFileClose, "閉じる(&C)", {}, &TFormEditor::MnuFileCloseClick},
};

const MenuItem EditMenu[] = {
    {&TFormEditor::MnuEditUndo, "元に戻す(&U)", Qt::CTRL | Qt::Key_Z, &TFormEditor::MnuEditUndoClick},
    {nullptr, nullptr, {}, nullptr},
    {&TFormEditor::MnuEditCut, "切り取り(&T)", Qt::CTRL | Qt::Key_X, &TFormEditor::MnuEditCutClick},
    {&TFormEditor::MnuEditCopy, "コピー(&C)", Qt::CTRL | Qt::Key_C, &TFormEditor::MnuEditCopyClick},
    {&TFormEditor::MnuEditPaste1, "貼り付け(&P)", Qt::CTRL | Qt::Key_V, &TFormEditor::MnuEditPaste1Click},
    {&TFormEditor::MnuEditDelete, "削除(&L)", QKeyCombination(Qt::Key_Delete),
     &TFormEditor::MnuEditDeleteClick},
    {nullptr, nullptr, {}, nullptr},
    {&TFormEditor::MnuEditFind, "検索(&F)", Qt::CTRL | Qt::Key_F, &TFormEditor::MnuEditFindClick},
    {&TFormEditor::MnuEditFindNext, "次を検索(&N)", QKeyCombination(Qt::Key_F3),
     &TFormEditor::MnuEditFindNextClick},
    {nullptr, nullptr, {}, nullptr},
    {&TFormEditor::MnuEditSelectAll, "すべて選択(&A)", Qt::CTRL | Qt::Key_A,
     &TFormEditor::MnuEditSelectAllClick},
};

std::string FolderPart(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string NamePart(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Fills the text area with the document's paragraphs and their formatting;
// what the document leaves open keeps the text area's own font.
void ShowRtf(QTextEdit* edit, const RtfDocument& document) {
    QTextDocument* text = edit->document();
    text->clear();
    // Loading is not a change the user could undo.
    text->setUndoRedoEnabled(false);
    QTextCursor cursor(text);
    cursor.beginEditBlock();
    for (size_t i = 0; i < document.paragraphs.size(); ++i) {
        if (i > 0)
            cursor.insertBlock();
        for (const RtfRun& run : document.paragraphs[i]) {
            QTextCharFormat format;
            format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
            format.setFontItalic(run.italic);
            format.setFontUnderline(run.underline);
            if (run.halfPoints > 0)
                format.setFontPointSize(run.halfPoints / 2.0);
            if (run.colour)
                format.setForeground(QColor(run.colour->red, run.colour->green, run.colour->blue));
            cursor.insertText(QString::fromUtf8(run.text.data(), static_cast<qsizetype>(run.text.size())),
                              format);
        }
    }
    cursor.endEditBlock();
    text->setUndoRedoEnabled(true);
}

} // namespace

TFormEditor::TFormEditor(QWidget* parent) : QWidget(parent) {
    setWindowTitle(WindowStyle::text("エディタ"));
    setFont(WindowStyle::gothicFont(13));

    MainMenu1 = new QMenuBar(this);
    const auto addMenu = [this](const char* title, const auto& items) {
        QMenu* menu = MainMenu1->addMenu(WindowStyle::text(title));
        for (const MenuItem& item : items) {
            if (!item.action) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(WindowStyle::text(item.caption));
            if (item.shortcut != QKeyCombination()) {
                action->setShortcut(QKeySequence(item.shortcut));
                MenuShortcuts.append(action);
            }
            connect(action, &QAction::triggered, this, item.click);
            this->*item.action = action;
        }
    };
    addMenu("ファイル(&F)", FileMenu);
    addMenu("編集(&E)", EditMenu);

    RichEdit1 = new QTextEdit(this);
    RichEdit1->setLineWrapMode(QTextEdit::NoWrap);
    RichEdit1->setAcceptRichText(true);
    // Every edit command is in the menu, which decides what Delete does.
    RichEdit1->setContextMenuPolicy(Qt::NoContextMenu);
    RichEdit1->installEventFilter(this);
    // Emptied, the text area starts again in its own font: a pad handed over
    // after a formatted file does not take the format the caret stood in.
    connect(RichEdit1, &QTextEdit::textChanged, this, [this] {
        if (RichEdit1->document()->isEmpty())
            RichEdit1->setCurrentCharFormat(QTextCharFormat());
    });

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setFixedHeight(19);
    WindowStyle::setBackground(StatusBar1, QColor(192, 220, 192));
    auto* status = new QLabel(WindowStyle::text(StatusText), StatusBar1);
    // The fixed text is longer than the window is wide; it is cut, not the window widened.
    status->setMinimumWidth(1);
    StatusBar1->addWidget(status, 1);

    FindDialog1 = new FindDialog(this);
    connect(FindDialog1, &FindDialog::find, this, &TFormEditor::FindDialog1Find);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(MainMenu1);
    layout->addWidget(RichEdit1);
    layout->addWidget(StatusBar1);
    resize(491, 357);
}

void TFormEditor::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFormEditor::closeEvent(QCloseEvent* event) {
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    QWidget::closeEvent(event);
}

// A menu shortcut pressed in the text area runs the menu item; the text area
// never sees the key (so Delete without a selection deletes nothing).
bool TFormEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched != RichEdit1 ||
        (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress))
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const QKeySequence pressed(QKeyCombination(key->modifiers() & ~Qt::KeypadModifier, Qt::Key(key->key())));
    for (QAction* action : std::as_const(MenuShortcuts)) {
        if (action->shortcut() != pressed)
            continue;
        // Taking the override keeps the shortcut map out; the key press then comes here.
        event->accept();
        if (event->type() == QEvent::KeyPress)
            action->trigger();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TFormEditor::FormShow() {
    SetCurrentFile({});
    RichEdit1->setFocus();
    CaretToStart();
}

bool TFormEditor::FormCloseQuery() {
    return Platform::askYesNo(this, Codec::sj("この画面を閉じます。よろしいですか？")) ==
           Platform::Answer::Yes;
}

void TFormEditor::FormClose() {
    FindDialog1->close();
}

void TFormEditor::SetCurrentFile(const std::string& path) {
    CurrentFile = path;
    setWindowTitle(path.empty() ? WindowStyle::text("エディタ")
                                : Codec::toQString(Codec::sj("エディタ－") + path));
}

void TFormEditor::CaretToStart() {
    QTextCursor cursor = RichEdit1->textCursor();
    cursor.setPosition(0);
    RichEdit1->setTextCursor(cursor);
}

// ---- File menu --------------------------------------------------------------------------------

void TFormEditor::MnuFileNewClick() {
    if (Platform::askYesNo(this, Codec::sj("新規状態にします。よろしいですか？")) != Platform::Answer::Yes)
        return;
    RichEdit1->clear();
    SetCurrentFile({});
}

void TFormEditor::MnuFileOpenClick() {
    const std::string path = Platform::chooseOpenFile(this, FolderPart(CurrentFile), NamePart(CurrentFile),
                                                      Platform::nameFilter(FileFilter));
    if (path.empty())
        return;
    if (!LoadFile(path)) {
        RichEdit1->clear();
        Platform::showMessage(this, Codec::sj("指定したファイルは読み込み出来ませんでした"));
        SetCurrentFile({});
        return;
    }
    CaretToStart();
    SetCurrentFile(path);
}

bool TFormEditor::LoadFile(const std::string& path) {
    QFile file(Codec::toQString(path));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    const std::string bytes(data.constData(), static_cast<size_t>(data.size()));
    if (IsRtf(bytes))
        ShowRtf(RichEdit1, ReadRtf(bytes));
    else
        RichEdit1->setPlainText(Codec::toQString(bytes));
    return true;
}

// The document goes to a temporary file beside the target, which replaces the
// target only when it is complete: a failed save leaves an existing file as it was.
void TFormEditor::MnuFileSaveClick() {
    const std::string path =
        Platform::chooseSaveFile(this, FolderPart(CurrentFile), NamePart(CurrentFile),
                                 Platform::nameFilter(FileFilter), QStringLiteral("txt"));
    if (path.empty())
        return;
    const QByteArray utf8 = RichEdit1->toPlainText().toUtf8();
    const std::string rtf = WriteRtf(std::string(utf8.constData(), static_cast<size_t>(utf8.size())));
    QSaveFile file(Codec::toQString(path));
    const bool saved =
        file.open(QIODevice::WriteOnly) &&
        file.write(rtf.data(), static_cast<qint64>(rtf.size())) == static_cast<qint64>(rtf.size()) &&
        file.commit();
    if (!saved) {
        Platform::showMessage(this, Codec::sj("保存出来ませんでした"));
        return;
    }
    SetCurrentFile(path);
}

void TFormEditor::MnuFileCloseClick() {
    close();
}

// ---- Edit menu --------------------------------------------------------------------------------

void TFormEditor::MnuEditUndoClick() {
    RichEdit1->undo();
}

void TFormEditor::MnuEditCutClick() {
    RichEdit1->cut();
}

void TFormEditor::MnuEditCopyClick() {
    RichEdit1->copy();
}

void TFormEditor::MnuEditPaste1Click() {
    RichEdit1->paste();
}

void TFormEditor::MnuEditDeleteClick() {
    QTextCursor cursor = RichEdit1->textCursor();
    if (!cursor.hasSelection())
        return;
    cursor.removeSelectedText();
    RichEdit1->setTextCursor(cursor);
}

void TFormEditor::MnuEditFindClick() {
    FindDialog1->show();
    FindDialog1->raise();
    FindDialog1->activateWindow();
}

// Without a find text there is nothing to look for: the dialog opens to take one.
void TFormEditor::MnuEditFindNextClick() {
    if (FindDialog1->FindText().empty())
        MnuEditFindClick();
    else
        FindDialog1Find();
}

void TFormEditor::MnuEditSelectAllClick() {
    RichEdit1->selectAll();
}

// Forwards from the end of the selection to the end of the text, ignoring the
// case of letters; it does not wrap to the beginning.
void TFormEditor::FindDialog1Find() {
    const QString key = Codec::toQString(FindDialog1->FindText());
    const QTextCursor found = RichEdit1->document()->find(key, RichEdit1->textCursor().selectionEnd());
    if (key.isEmpty() || found.isNull()) {
        QWidget* owner = FindDialog1->isVisible() ? static_cast<QWidget*>(FindDialog1) : this;
        Platform::showMessage(owner, Codec::sj("文章の最後まで検索し終わりました。"));
        return;
    }
    RichEdit1->setFocus();
    RichEdit1->setTextCursor(found);
    RichEdit1->ensureCursorVisible();
}

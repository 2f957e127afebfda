#include "editor/UnitEditor.h"

#include "app/WindowStyle.h"
#include "editor/FindDialog.h"
#include "editor/LimitedTextEdit.h"
#include "editor/RtfDocument.h"
#include "editor/TextFile.h"
#include "platform/Platform.h"
#include "text/Codec.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QSaveFile>
#include <QStatusBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <map>
#include <vector>

namespace {

const char* const SaveFilter = "RTF File(*.rtf)|*.rtf|Text File(*.txt)|*.txt";
const char* const OpenFilter = "RTF File(*.rtf)|*.rtf|Text File(*.txt)|*.txt|All Files(*.*)|*.*";
const char* const TextCutOnReading = "4096000文字または300000行を超える部分は読み込み出来ませんでした";
const char* const TextCutOnInput = "4096000文字または300000行を超える部分は入力出来ませんでした";
const char* const ReplaceQuestion = "Shift-JISで表せない文字を「?」に置き換えて保存します。よろしいですか？";
// Of a larger file only the beginning is read: no text area would hold more.
constexpr qint64 MaxFileBytes = 256 * 1024 * 1024;
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

// The status bar's fixed text, longer than the window is wide at its design
// size: where it is cut it ends in "…", and it shows whole as its tool tip.
class StatusTextLabel : public QLabel {
public:
    StatusTextLabel(const QString& text, QWidget* parent) : QLabel(parent), Whole(text) {
        setToolTip(text);
        // The window is not widened for it.
        setMinimumWidth(1);
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        setText(fontMetrics().elidedText(Whole, Qt::ElideRight, contentsRect().width()));
    }

private:
    QString Whole;
};

// A saved file takes the format its name's extension names; a name with
// another extension the type chosen in the dialog (the first: RTF).
bool SavesAsRtf(const std::string& path, int chosenType) {
    const QString suffix = QFileInfo(Codec::toQString(path)).suffix().toLower();
    if (suffix == QStringLiteral("rtf"))
        return true;
    if (suffix == QStringLiteral("txt"))
        return false;
    return chosenType == 0;
}

// Fills the text area with the document's paragraphs and their formatting;
// what the document leaves open keeps the text area's own font. The text goes
// in as a whole and the formats onto it after: inserted paragraph by
// paragraph, a million lines would take minutes. The text area's layout
// breaks down (it lays the text out again and again) once the text is taller
// than some 8 million pixels: font sizes that would make it so are left out.
void ShowRtf(QTextEdit* edit, const RtfDocument& document) {
    constexpr qreal MaxHeight = 7'000'000;
    struct Formatted {
        int start;
        int length;
        const RtfRun* run;
        bool sized;
    };
    const qreal plainLine = QFontMetricsF(edit->font()).lineSpacing();
    std::map<int, qreal> lineHeights;
    const auto lineHeight = [&](int halfPoints) {
        const auto known = lineHeights.find(halfPoints);
        if (known != lineHeights.end())
            return known->second;
        QFont font = edit->font();
        font.setPointSizeF(halfPoints / 2.0);
        return lineHeights[halfPoints] = QFontMetricsF(font).lineSpacing();
    };
    qreal spareHeight = MaxHeight - plainLine * static_cast<qreal>(document.paragraphs.size());
    QString text;
    std::vector<Formatted> formatted;
    for (size_t i = 0; i < document.paragraphs.size(); ++i) {
        if (i > 0)
            text += QLatin1Char('\n');
        qreal line = plainLine;
        for (const RtfRun& run : document.paragraphs[i])
            if (run.halfPoints > 0)
                line = std::max(line, lineHeight(run.halfPoints));
        const bool sized = line - plainLine <= spareHeight;
        if (sized)
            spareHeight -= line - plainLine;
        for (const RtfRun& run : document.paragraphs[i]) {
            const qsizetype start = text.size();
            text += QString::fromUtf8(run.text.data(), static_cast<qsizetype>(run.text.size()));
            if (run.bold || run.italic || run.underline || run.halfPoints > 0 || run.colour)
                formatted.push_back(
                    {static_cast<int>(start), static_cast<int>(text.size() - start), &run, sized});
        }
    }
    edit->setPlainText(text);
    QTextDocument* shown = edit->document();
    // Loading is not a change the user could undo.
    shown->setUndoRedoEnabled(false);
    QTextCursor cursor(shown);
    cursor.beginEditBlock();
    for (const Formatted& part : formatted) {
        QTextCharFormat format;
        format.setFontWeight(part.run->bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(part.run->italic);
        format.setFontUnderline(part.run->underline);
        if (part.run->halfPoints > 0 && part.sized)
            format.setFontPointSize(part.run->halfPoints / 2.0);
        if (part.run->colour)
            format.setForeground(
                QColor(part.run->colour->red, part.run->colour->green, part.run->colour->blue));
        cursor.setPosition(part.start);
        cursor.setPosition(part.start + part.length, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(format);
    }
    cursor.endEditBlock();
    shown->setUndoRedoEnabled(true);
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

    RichEdit1 = new LimitedTextEdit(MaxCharacters, MaxLines, this);
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
    // Said once the input's own event is over.
    connect(RichEdit1, &LimitedTextEdit::limitReached, this, [this] { SayLater(TextCutOnInput); });

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setFixedHeight(19);
    WindowStyle::setBackground(StatusBar1, QColor(192, 220, 192));
    StatusBar1->addWidget(new StatusTextLabel(WindowStyle::text(StatusText), StatusBar1), 1);

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
// never sees the key.
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

bool TFormEditor::QuitQuery() {
    if (!isVisible() || !RichEdit1->document()->isModified())
        return true;
    raise();
    activateWindow();
    return FormCloseQuery();
}

void TFormEditor::TakeLines(const std::function<bool(QString& line)>& nextLine) {
    QString text;
    bool truncated = false;
    qsizetype lines = 0;
    for (QString line; nextLine(line); ++lines) {
        const QString separator = lines == 0 ? QString() : QStringLiteral("\n");
        const qsizetype room = MaxCharacters - text.size() - separator.size();
        if (lines == MaxLines || line.size() > room) {
            truncated = true;
            if (lines < MaxLines && room > 0)
                text += separator + FitText(line, room);
            break;
        }
        text += separator + line;
    }
    RichEdit1->setPlainText(text);
    RichEdit1->document()->setModified(false);
    if (truncated)
        SayLater(TextCutOnReading);
}

void TFormEditor::SayLater(const char* message) {
    QMetaObject::invokeMethod(
        this, [this, message] { Platform::showMessage(this, Codec::sj(message)); }, Qt::QueuedConnection);
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
    RichEdit1->document()->setModified(false);
    SetCurrentFile({});
}

void TFormEditor::MnuFileOpenClick() {
    const std::string path = Platform::chooseOpenFile(this, FolderPart(CurrentFile), NamePart(CurrentFile),
                                                      Platform::nameFilter(OpenFilter));
    if (path.empty())
        return;
    bool truncated = false;
    if (!LoadFile(path, truncated)) {
        RichEdit1->clear();
        RichEdit1->document()->setModified(false);
        Platform::showMessage(this, Codec::sj("指定したファイルは読み込み出来ませんでした"));
        SetCurrentFile({});
        return;
    }
    CaretToStart();
    SetCurrentFile(path);
    if (truncated)
        Platform::showMessage(this, Codec::sj(TextCutOnReading));
}

// A document in Rich Text Format is read as such, whatever the file's name;
// any other file as plain text.
bool TFormEditor::LoadFile(const std::string& path, bool& truncated) {
    QFile file(Codec::toQString(path));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray data = file.size() > MaxFileBytes ? file.read(MaxFileBytes) : file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    const bool whole = file.atEnd();
    const std::string_view bytes(data.constData(), static_cast<size_t>(data.size()));
    // The file's bytes go before the text area takes the text.
    if (IsRtf(bytes)) {
        const RtfDocument document =
            ReadRtf(bytes, static_cast<size_t>(MaxCharacters), static_cast<size_t>(MaxLines));
        data.clear();
        ShowRtf(RichEdit1, document);
        truncated = document.truncated || !whole;
    } else {
        const PlainText text = ReadPlainText(bytes, MaxCharacters, MaxLines);
        data.clear();
        RichEdit1->setPlainText(text.text);
        truncated = text.truncated || !whole;
    }
    RichEdit1->document()->setModified(false);
    return true;
}

// The document goes to a temporary file beside the target, which replaces the
// target only when it is complete: a failed save leaves an existing file as it was.
// An RTF document keeps every character; a text file in code page 932 cannot,
// and asks before it replaces any.
void TFormEditor::MnuFileSaveClick() {
    int chosenType = 0;
    const std::string path =
        Platform::chooseSaveFile(this, FolderPart(CurrentFile), NamePart(CurrentFile),
                                 Platform::nameFilter(SaveFilter), QStringLiteral("rtf"), &chosenType);
    if (path.empty())
        return;
    const QString text = RichEdit1->toPlainText();
    std::string bytes;
    if (SavesAsRtf(path, chosenType)) {
        const QByteArray utf8 = text.toUtf8();
        bytes = WriteRtf(std::string(utf8.constData(), static_cast<size_t>(utf8.size())));
    } else {
        bool replaced = false;
        bytes = WritePlainText(text, replaced);
        if (replaced && Platform::askYesNo(this, Codec::sj(ReplaceQuestion)) != Platform::Answer::Yes)
            return;
    }
    QSaveFile file(Codec::toQString(path));
    const bool saved =
        file.open(QIODevice::WriteOnly) &&
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size()) &&
        file.commit();
    if (!saved) {
        Platform::showMessage(this, Codec::sj("保存出来ませんでした"));
        return;
    }
    RichEdit1->document()->setModified(false);
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

// Without a selection, the character after the caret (at the end of a line,
// the line end).
void TFormEditor::MnuEditDeleteClick() {
    QTextCursor cursor = RichEdit1->textCursor();
    cursor.deleteChar();
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

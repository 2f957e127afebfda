#include "platform/Platform.h"

#include "platform/Waiting.h"
#include "platform/X11Keyboard.h"
#include "text/Codec.h"

#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <deque>

namespace {

struct Script {
    bool scripted = false;
    std::deque<Platform::Answer> answers;
    std::deque<std::string> fileNames;
    Platform::FileDialogRequest lastFileDialog;
    std::vector<std::string> messages;
    std::function<bool()> escapeSource;
    std::vector<QRect> screenAreas;
};

Script& script() {
    static Script s;
    return s;
}

QString title() {
    return QGuiApplication::applicationDisplayName();
}

// Room a window frame takes beside its title: the icon and the buttons.
constexpr int TitleBarButtonsWidth = 120;

// A message box as wide as its title needs: the program's name is longer than
// many a message, and a window manager shortens a title that does not fit.
void fitTitle(QMessageBox& box) {
    QFont font = box.font();
    font.setBold(true);
    const int width = QFontMetrics(font).horizontalAdvance(box.windowTitle()) + TitleBarButtonsWidth;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(width, 0), grid->rowCount(), 0, 1, grid->columnCount());
}

// Whether the folder a path names a file in exists.
bool folderExists(const QString& path) {
    return QFileInfo(QFileInfo(path).path()).isDir();
}

// A file dialog that, when asked to, confirms a name only in an existing folder.
class FileDialog : public QFileDialog {
public:
    FileDialog(QWidget* parent, bool folderMustExist)
        : QFileDialog(parent), FolderMustExist(folderMustExist) {}

    void accept() override {
        const QStringList files = selectedFiles();
        if (FolderMustExist && !files.isEmpty() && !folderExists(files.first()))
            return;
        QFileDialog::accept();
    }

private:
    bool FolderMustExist;
};

// Watches the events that run while a long action asks for the Escape key:
// notes the key's press and keeps all input from the windows.
class EscapeWatch : public QObject {
public:
    bool Pressed = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
                Pressed = true;
            return true;
        case QEvent::ShortcutOverride:
            // Taken as the focus widget's own key: no shortcut runs for it.
            event->accept();
            return true;
        case QEvent::Shortcut:
            return true;
        case QEvent::Close:
            if (!event->spontaneous())
                return false;
            event->ignore();
            return true;
        default:
            return dynamic_cast<QInputEvent*>(event) != nullptr;
        }
    }
};

// The patterns of a name filter "Description (*.a *.b)".
QStringList filterPatterns(const QString& filter) {
    const qsizetype open = filter.lastIndexOf(QLatin1Char('('));
    if (open < 0 || !filter.endsWith(QLatin1Char(')')))
        return {};
    return filter.mid(open + 1, filter.size() - open - 2).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// The first filter that shows a file of this name; -1 when none does.
int filterShowing(const QStringList& filters, const QString& name) {
    for (qsizetype i = 0; i < filters.size(); ++i)
        for (const QString& pattern : filterPatterns(filters[i]))
            if (QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern),
                                   QRegularExpression::CaseInsensitiveOption)
                    .match(name)
                    .hasMatch())
                return static_cast<int>(i);
    return -1;
}

// "ext" of a filter whose first pattern is "*.ext"; empty otherwise.
QString filterExtension(const QString& filter) {
    const QStringList patterns = filterPatterns(filter);
    if (patterns.isEmpty() || !patterns.first().startsWith(QStringLiteral("*.")))
        return {};
    const QString extension = patterns.first().mid(2);
    return extension.contains(QLatin1Char('*')) ? QString() : extension;
}

std::string chooseFile(QWidget* parent, bool save, const std::string& folder, const std::string& proposedName,
                       const QString& filter, const QString& defaultSuffix, bool fileMustExist,
                       int* chosenFilter = nullptr) {
    Script& s = script();
    s.lastFileDialog = {folder, proposedName};
    const bool folderMustExist = !save && !fileMustExist;
    const QStringList filters = filter.isEmpty() ? QStringList() : filter.split(QStringLiteral(";;"));
    if (s.scripted) {
        if (s.fileNames.empty())
            return {};
        std::string name = s.fileNames.front();
        s.fileNames.pop_front();
        // A name the dialog would not confirm ends it as a cancel would.
        if (folderMustExist && !folderExists(Codec::toQString(name)))
            return {};
        // The filter the name's extension chooses, as in the dialog.
        if (chosenFilter)
            *chosenFilter = std::max(filterShowing(filters, QFileInfo(Codec::toQString(name)).fileName()), 0);
        return name;
    }
    FileDialog dialog(parent, folderMustExist);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save || !fileMustExist ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (!folder.empty())
        dialog.setDirectory(Codec::toQString(folder));
    const QString proposed = Codec::toQString(proposedName);
    dialog.selectFile(proposed);
    if (!save && !fileMustExist && !proposed.isEmpty()) {
        // Entering a folder empties the name field; the made-up name comes
        // back, so that the folder can be confirmed at once.
        QObject::connect(&dialog, &QFileDialog::directoryEntered, &dialog,
                         [&dialog, proposed] { dialog.selectFile(proposed); });
    }
    if (!defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(defaultSuffix);
    if (!filters.isEmpty()) {
        // The descriptions already name their patterns.
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        dialog.setNameFilters(filters);
        // Choosing a filter in a save dialog gives the name that filter's
        // extension; the proposed name chooses its own filter and keeps it.
        const auto useExtension = [&dialog, defaultSuffix](const QString& chosen) {
            const QString extension = filterExtension(chosen);
            dialog.setDefaultSuffix(extension.isEmpty() ? defaultSuffix : extension);
        };
        if (save)
            QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, useExtension);
        const int shown = filterShowing(filters, proposed);
        if (shown >= 0) {
            dialog.selectNameFilter(filters[shown]);
            dialog.selectFile(proposed);
        }
        if (save)
            useExtension(dialog.selectedNameFilter());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    if (chosenFilter)
        *chosenFilter = std::max(static_cast<int>(filters.indexOf(dialog.selectedNameFilter())), 0);
    return Codec::fromQString(dialog.selectedFiles().first());
}

} // namespace

namespace Platform {

void showMessage(QWidget* parent, const std::string& text) {
    Script& s = script();
    s.messages.push_back(text);
    if (s.scripted) {
        if (!s.answers.empty())
            s.answers.pop_front();
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, title(), Codec::toQString(text), QMessageBox::Ok, parent);
    fitTitle(box);
    box.exec();
}

Answer askYesNo(QWidget* parent, const std::string& text) {
    Script& s = script();
    s.messages.push_back(text);
    if (s.scripted) {
        if (s.answers.empty())
            return Answer::No;
        Answer a = s.answers.front();
        s.answers.pop_front();
        return a == Answer::Yes ? Answer::Yes : Answer::No;
    }
    QMessageBox box(QMessageBox::Question, title(), Codec::toQString(text),
                    QMessageBox::Yes | QMessageBox::No, parent);
    // Japanese button texts: no Qt translation is loaded.
    box.button(QMessageBox::Yes)->setText(QString::fromUtf8("はい(&Y)"));
    box.button(QMessageBox::No)->setText(QString::fromUtf8("いいえ(&N)"));
    fitTitle(box);
    return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

std::string chooseOpenFile(QWidget* parent, const std::string& folder, const std::string& proposedName,
                           const QString& filter, bool fileMustExist) {
    return chooseFile(parent, false, folder, proposedName, filter, QString(), fileMustExist);
}

std::string chooseSaveFile(QWidget* parent, const std::string& folder, const std::string& proposedName,
                           const QString& filter, const QString& defaultSuffix, int* chosenFilter) {
    return chooseFile(parent, true, folder, proposedName, filter, defaultSuffix, false, chosenFilter);
}

QString nameFilter(const char* pairs) {
    const QStringList parts = QString::fromLatin1(pairs).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns)
            if (pattern == QStringLiteral("*.*"))
                pattern = QStringLiteral("*");
        filters.append(parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')'));
    }
    return filters.join(QStringLiteral(";;"));
}

std::string clipboardText() {
    return Codec::fromQString(clipboardString());
}

QString clipboardString() {
    return QGuiApplication::clipboard()->text();
}

void setClipboardText(const std::string& text) {
    QGuiApplication::clipboard()->setText(Codec::toQString(text));
}

bool escapePressed() {
    Script& s = script();
    if (s.escapeSource)
        return s.escapeSource();
    EscapeWatch watch;
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->installEventFilter(&watch);
        QCoreApplication::processEvents();
        app->removeEventFilter(&watch);
    }
    return watch.Pressed || X11Keyboard::escapeDown();
}

std::vector<QRect> screenAreas() {
    Script& s = script();
    if (!s.screenAreas.empty())
        return s.screenAreas;
    std::vector<QRect> areas;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary)
        areas.push_back(primary->availableGeometry());
    for (QScreen* screen : QGuiApplication::screens())
        if (screen != primary)
            areas.push_back(screen->availableGeometry());
    return areas;
}

std::vector<std::string> takeMessages() {
    std::vector<std::string> out;
    out.swap(script().messages);
    return out;
}

void setScripted(bool scripted) {
    Script& s = script();
    s.scripted = scripted;
    s.answers.clear();
    s.fileNames.clear();
}

void setNextAnswer(Answer answer) {
    script().answers.push_back(answer);
}

void setNextFileName(const std::string& path) {
    script().fileNames.push_back(path);
}

FileDialogRequest lastFileDialogRequest() {
    return script().lastFileDialog;
}

void setEscapeKeySource(std::function<bool()> source) {
    script().escapeSource = std::move(source);
}

void setScreenAreas(std::vector<QRect> areas) {
    script().screenAreas = std::move(areas);
}

} // namespace Platform

bool EscPressed() {
    return Platform::escapePressed();
}

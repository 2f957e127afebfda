#pragma once

#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QWidget;

// The program's only door to the operating system's services: message boxes,
// file dialogs, the clipboard, the Escape key, the tick count and the
// executable's path. Tests script the answers through the setters below.
// The tick count, the wait for events, the termination signals and the
// executable's path need no user interface (qbook2system, Process.cpp); the
// rest is the user interface's (qbook2platform, Platform.cpp).
namespace Platform {

enum class Answer { Ok, Yes, No };

// A modal message box with one OK button. The text is code page 932.
void showMessage(QWidget* parent, const std::string& text);

// A modal Yes/No question; returns Answer::Yes or Answer::No.
Answer askYesNo(QWidget* parent, const std::string& text);

// A file-open dialog starting in folder with proposedName; empty when cancelled.
// Paths are code page 932. With fileMustExist false a name that does not exist
// is accepted too, so that a folder can be chosen by confirming a made-up name;
// the folder itself must exist.
std::string chooseOpenFile(QWidget* parent, const std::string& folder, const std::string& proposedName,
                           const QString& filter = QString(), bool fileMustExist = true);
// A filter whose first pattern is "*.ext" makes "ext" the default extension
// while it is chosen, and the proposed name's extension chooses the filter
// the dialog starts with. chosenFilter, when given, receives the index of the
// filter chosen at the end.
std::string chooseSaveFile(QWidget* parent, const std::string& folder, const std::string& proposedName,
                           const QString& filter = QString(), const QString& defaultSuffix = QString(),
                           int* chosenFilter = nullptr);

// A file dialog filter written as "description|patterns|description|patterns"
// (patterns separated by ";") in the name filter syntax of chooseOpenFile and
// chooseSaveFile. "*.*" stands for every file, as it does on Windows.
QString nameFilter(const char* pairs);

// Plain text of the clipboard in code page 932.
std::string clipboardText();
// The same text as the toolkit holds it, before it becomes code page 932.
QString clipboardString();
void setClipboardText(const std::string& text);

// Whether the Escape key is down at this moment or has been pressed since the
// user-interface events were last processed. A long action that asks runs
// the pending events: the key's press is seen as the application's own key
// event on every platform (X11 also tells whether the key is held). Any other
// input meanwhile, and closing a window from its frame, reaches no window,
// since the action leaves no room for another one.
bool escapePressed();

// Milliseconds since an arbitrary start, wrapping at 2^32.
std::uint32_t tickCount();

// Processes the pending user-interface events; when there are none, sleeps
// until the next one arrives or ms milliseconds have passed. A scripted tick
// count (setTickSource) is a clock of its own: then only the pending events
// are processed, without sleeping.
void waitForEvents(std::uint32_t ms);

// Makes SIGINT and SIGTERM end the process at once. The Firebird client
// library otherwise takes over both (when they are left at their defaults)
// to shut its connections down, and the process would then not end.
void keepTerminationSignals();

// Full path of the running executable (code page 932).
std::string executablePath();

// The areas of the screens that windows may take (without task bars and
// docks), the primary screen's first; empty without screens.
std::vector<QRect> screenAreas();

// ---- Test hooks -----------------------------------------------------------

// Message boxes shown so far (their texts), oldest first; cleared by takeMessages().
std::vector<std::string> takeMessages();

// When scripted, the next message box or question is not shown: the answer is
// taken from the queue (OK boxes just record their text).
void setScripted(bool scripted);
void setNextAnswer(Answer answer);
void setNextFileName(const std::string& path);

// The folder and proposed name of the last file dialog asked for (also when scripted).
struct FileDialogRequest {
    std::string folder;
    std::string proposedName;
};
FileDialogRequest lastFileDialogRequest();

// Replaces the Escape-key answer and the tick count (nullptr restores the real ones).
void setEscapeKeySource(std::function<bool()> source);
void setTickSource(std::function<std::uint32_t()> source);

// Replaces the executable path (empty restores the real one).
void setExecutablePath(const std::string& path);

// Replaces the screens' areas (empty restores the real ones).
void setScreenAreas(std::vector<QRect> areas);

} // namespace Platform

#pragma once

#include <QObject>
#include <QSystemTrayIcon>
#include <string>

class QMenu;
class QWidget;
class UnreadCounts;

// The unread counts in the desktop's system tray, where it has one: an icon
// with the total, and a short notice when another member writes to a pad that
// no screen shows; a click on the notice opens that pad. The icon's menu
// lists the pads with unread lines (each opens its pad), turns the notices on
// and off (kept with the seen marks) and brings the launcher to the front, as
// a click on the icon does. Without a tray nothing of this exists.
class UnreadTray : public QObject {
    Q_OBJECT
public:
    UnreadTray(QWidget* launcher, UnreadCounts* counts);

private:
    // The text of the notice for lines added to the pad (code page 932).
    static std::string NoticeText(const std::string& padLabel, int added);
    // Opens the pad as its chooser does (PadOpener), after the current event.
    void OpenSoon(const std::string& table);
    void Update();
    void Notice(const std::string& table, int added);
    void FillMenu();
    void ShowLauncher();

    QWidget* Launcher;
    UnreadCounts* Counts;
    QSystemTrayIcon* Tray = nullptr; // null where the desktop has no system tray
    QMenu* TrayMenu = nullptr;
    std::string Noticed; // the pad of the last notice, which a click on the notice opens
};

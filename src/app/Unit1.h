#pragma once

#include <QWidget>
#include <string>

class QLabel;
class QPushButton;
class UnreadBadges;
class UnreadCounts;
class UnreadTray;

// The launcher and main window: six oval buttons leading to the choosers, the
// all-members pad and the settings dialog. Showing it loads the settings
// files and places every window; closing it saves them and ends the program.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* Button5 = nullptr;
    QPushButton* Button6 = nullptr;

    // What other members wrote that the member has not seen: counted from
    // the first showing on, beside the buttons and in the system tray.
    UnreadCounts* Counts = nullptr;
    UnreadBadges* Badges = nullptr;
    UnreadTray* Tray = nullptr;

    // Applies the layout file's window values to the windows and its member
    // lines to the current settings.
    void LoadLayout(const std::string& path);
    void LoadDbSettings(const std::string& path);
    // Writes the windows as they are now and the current settings.
    void SaveLayout(const std::string& path);
    void SaveDbSettings(const std::string& path);

    void FormShow();
    void FormClose();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();

signals:
    // After FormClose: the program is to end (main leaves its event loop).
    void ProgramEnded();

public:
    void setVisible(bool visible) override;

protected:
    void closeEvent(QCloseEvent* event) override;
};

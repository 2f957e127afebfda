#pragma once

#include "db/ReadResult.h"
#include "db/TableField.h"

#include <QWidget>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The database settings and user check dialog: edits and tests the connection
// settings, identifies the user as one of the registered members by password
// and edits the refresh interval and the page size. It changes only the
// current settings in memory; the launcher saves them at the end of the run.
class TFormSet : public QWidget {
    Q_OBJECT
public:
    explicit TFormSet(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label11 = nullptr;
    QLineEdit* Edit1 = nullptr; // server name or address
    QLineEdit* Edit2 = nullptr; // server folder
    QLineEdit* Edit3 = nullptr; // database user
    QLineEdit* Edit4 = nullptr; // database password
    QLineEdit* Edit5 = nullptr; // member password
    QLineEdit* Edit6 = nullptr; // refresh seconds
    QLineEdit* Edit7 = nullptr; // memo lines per page
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;
    QComboBox* ComboBox1 = nullptr;

    void FormShow();
    void FormClose();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void ClearMemberList();
    // Reads the member list; when MEMBER cannot be read, says so and keeps why.
    void FillMemberList();
    // The selected member item as read from the database, or nullptr.
    const std::string* SelectedMember() const;

    // The member list in code page 932, item for item as ComboBox1 shows it;
    // the user check reads the member's number and name from here, so that
    // the name reaches MemberName byte for byte.
    std::vector<std::string> MemberItems;
    // Why the list is empty when it could not be read.
    std::optional<DbFailure> MemberListFailure;
    FieldList RowBuffer;
};

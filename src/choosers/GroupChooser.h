#pragma once

#include "choosers/Chooser.h"

#include <cstdint>

class QComboBox;
class QLabel;
class QPushButton;
class TMemoScreen;

// What sets the open and the closed group chooser apart.
struct GroupChooserConfig {
    const char* caption; // UTF-8 literals, as the system shows them
    const char* editCaption;
    const char* viewCaption;
    const char* table; // the registry table, OGROUP or CGROUP
    // Whether the member may read the group's pad (editing is the same rule
    // for both: a participant while the group runs).
    bool (*mayRead)(const FieldList& groupRow, std::int32_t memberNumber);
    std::int32_t* editNumber; // the current settings that receive the chosen group
    std::int32_t* viewNumber;
    TMemoScreen* (*editScreen)();
    TMemoScreen* (*viewScreen)();
};

// A group chooser: the groups the member may edit in one list, those the
// member may only read in the other; a button hands the selected group to its
// memo screen, with the group's header.
class TGroupChooser : public TChooser {
    Q_OBJECT
public:
    TGroupChooser(const GroupChooserConfig& config, QWidget* parent);

    QPushButton* Button1 = nullptr; // edit the group selected in ComboBox1
    QLabel* Label1 = nullptr;
    QComboBox* ComboBox1 = nullptr; // the groups to edit
    QPushButton* Button2 = nullptr; // read the group selected in ComboBox2
    QLabel* Label2 = nullptr;
    QComboBox* ComboBox2 = nullptr; // the groups to read
    QPushButton* Button3 = nullptr; // close

    void FormShow() override;
    void Button1Click();
    void Button2Click();
    void Button3Click();

    // How a group's pad is opened: in the editable screen, in the viewer, or
    // in the editable screen while the member may edit it and else in the viewer.
    enum class Access { Edit, Read, AsAllowed };
    // The hand-off of a group: a fresh read of its row, which must give the
    // right asked for; the header labels of the screen, the group number
    // into the current settings, the screen shown and the chooser closed.
    // Nothing happens when the group is gone or the right is not there.
    void OpenGroup(std::int32_t group, Access access);

private:
    // The hand-off of the group selected in list.
    void OpenSelected(QComboBox* list, const char* emptyMessage, bool edit);

    GroupChooserConfig Config;
};

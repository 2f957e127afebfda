#pragma once

#include "db/TableField.h"

#include <QPushButton>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <initializer_list>

class QComboBox;
class QLabel;
class TMemoScreen;

// What the three choosers share: the fixed rounded window with its oval
// buttons and drop-down lists, the reading of a registry table and the
// hand-off to the memo screen chosen.
class TChooser : public QWidget {
    Q_OBJECT
public:
    TChooser(const char* caption, int clientWidth, int clientHeight, QWidget* parent);

    virtual void FormShow() = 0;
    // Empties the row buffer.
    void FormClose();

    // The rows of the registry table are read into this buffer; only the
    // Values are used.
    FieldList RowBuffer;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    // An oval button (shaped on every showing) whose click runs click.
    template <typename Chooser>
    QPushButton* AddButton(const char* caption, const QRect& geometry, void (Chooser::*click)()) {
        QPushButton* button = AddButton(caption, geometry);
        connect(button, &QPushButton::clicked, static_cast<Chooser*>(this), click);
        return button;
    }
    QLabel* AddLabel(const char* caption, const QRect& geometry);
    // A drop-down list to select from, without typing or input method.
    QComboBox* AddList(const QRect& geometry);

    // The window's rounded region and the oval buttons.
    void ShapeWindow();
    // Tab order through the controls in the order given.
    void SetTabChain(std::initializer_list<QWidget*> controls);
    // Reads the rows of the registry table in N order into RowBuffer (made
    // columns entries long), calling row after each. A table that cannot be
    // read is said in a message box, naming the list (what, a UTF-8 literal):
    // false.
    bool ReadRegistry(const char* table, int columns, const char* what, const std::function<void()>& row);
    // The number before the first colon of the list's selected item (0 when
    // nothing is selected).
    static std::int32_t SelectedNumber(const QComboBox* list);
    // Shows the memo screen for the pad just chosen, then closes the chooser.
    void HandOver(TMemoScreen* screen);

private:
    QPushButton* AddButton(const char* caption, const QRect& geometry);
};

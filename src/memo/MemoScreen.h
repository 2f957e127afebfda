#pragma once

#include <QWidget>
#include <string>

class QLabel;

// What distinguishes one memo screen from another: caption, default size,
// header, the table it opens and the test made when it is shown.
struct MemoScreenConfig {
    const char* caption; // UTF-8 literal, as the system shows it
    int width;           // default outer size
    int height;
    bool readOnly;              // viewers: no entry, insert, delete or paste
    bool groupHeader;           // the taller top bar with LabelA1..LabelA3
    std::string (*tableName)(); // the memo table, from the current settings
    bool (*showTest)();         // after the database settings test
};

// The memo screen shared by the editable pads and the read-only viewers.
class TMemoScreen : public QWidget {
    Q_OBJECT
public:
    TMemoScreen(const MemoScreenConfig& config, QWidget* parent = nullptr);

    const MemoScreenConfig& config() const { return Config; }

    QLabel* LabelA1 = nullptr;
    QLabel* LabelA2 = nullptr;
    QLabel* LabelA3 = nullptr;

private:
    MemoScreenConfig Config;
};

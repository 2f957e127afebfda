#include "memo/MemoScreen.h"

#include "text/Codec.h"

#include <QLabel>

TMemoScreen::TMemoScreen(const MemoScreenConfig& config, QWidget* parent) : QWidget(parent), Config(config) {
    setWindowTitle(QString::fromUtf8(config.caption));
    resize(config.width, config.height);
    if (config.groupHeader) {
        LabelA1 = new QLabel(QString::fromUtf8("グループ名："), this);
        LabelA1->move(8, 2);
        LabelA2 = new QLabel(QString::fromUtf8("期間："), this);
        LabelA2->move(392, 2);
        LabelA3 = new QLabel(QString::fromUtf8("概略："), this);
        LabelA3->move(8, 20);
    }
}

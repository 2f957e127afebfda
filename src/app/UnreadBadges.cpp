#include "app/UnreadBadges.h"

#include "app/UnreadCounts.h"
#include "app/WindowStyle.h"
#include "text/Codec.h"

#include <QLabel>
#include <QPushButton>

namespace {

constexpr int BadgeWidth = 30;
constexpr int BadgeHeight = 15;

int index(PadKind kind) {
    return static_cast<int>(kind);
}

} // namespace

UnreadBadges::UnreadBadges(QWidget* launcher, UnreadCounts* counts) : QObject(launcher), Counts(counts) {
    for (QLabel*& label : Labels) {
        label = new QLabel(launcher);
        label->setAlignment(Qt::AlignCenter);
        label->setFont(WindowStyle::gothicFont(11));
        label->setFixedSize(BadgeWidth, BadgeHeight);
        label->hide();
    }
    connect(counts, &UnreadCounts::Changed, this, &UnreadBadges::Update);
}

void UnreadBadges::Place(PadKind kind, const QPushButton* button) {
    QLabel* label = Labels[index(kind)];
    label->setObjectName(button->objectName() + QStringLiteral("Unread"));
    label->move(button->geometry().right() - BadgeWidth + 4, button->geometry().top() - 3);
    label->raise();
}

QLabel* UnreadBadges::Badge(PadKind kind) const {
    return Labels[index(kind)];
}

void UnreadBadges::Update() {
    const auto failure = Counts->Failure();
    for (const PadKind kind :
         {PadKind::Member, PadKind::OpenGroup, PadKind::ClosedGroup, PadKind::AllMembers}) {
        QLabel* label = Labels[index(kind)];
        const int count = Counts->Total(kind);
        if (!Counts->Active() || (!failure && count == 0)) {
            label->hide();
            continue;
        }
        if (failure) {
            label->setText(QStringLiteral("?"));
            label->setStyleSheet(
                QStringLiteral("QLabel { background: #8a8a8a; color: white; border-radius: 7px; }"));
            label->setToolTip(Codec::toQString(UnreadFailureText(*failure)));
        } else {
            label->setText(ShownUnreadCount(count));
            label->setStyleSheet(QStringLiteral(
                "QLabel { background: #d9363e; color: white; border-radius: 7px; font-weight: bold; }"));
            label->setToolTip(
                Codec::toQString(Codec::sj("未読") + std::to_string(count) +
                                 Codec::sj("行（他のメンバーが書いた、まだ表示していない行）")));
        }
        label->show();
    }
}

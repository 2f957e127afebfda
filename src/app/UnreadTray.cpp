#include "app/UnreadTray.h"

#include "app/PadOpener.h"
#include "app/UnreadCounts.h"
#include "app/WindowStyle.h"
#include "text/Codec.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

namespace {

// Notices stay this long unless clicked.
constexpr int NoticeMs = 8000;

// The launcher's icon with the total in a red disc at its lower right.
QIcon iconWithTotal(const QIcon& base, int total) {
    QPixmap pixmap = base.pixmap(32, 32);
    if (total <= 0)
        return QIcon(pixmap);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF disc(12, 12, 20, 20);
    painter.setBrush(QColor(217, 54, 62));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(disc);
    QFont font = WindowStyle::gothicFont(total > 99 ? 9 : 13);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(disc, Qt::AlignCenter, ShownUnreadCount(total));
    return QIcon(pixmap);
}

} // namespace

UnreadTray::UnreadTray(QWidget* launcher, UnreadCounts* counts)
    : QObject(launcher), Launcher(launcher), Counts(counts) {
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    Tray = new QSystemTrayIcon(launcher->windowIcon(), this);
    TrayMenu = new QMenu(launcher);
    connect(TrayMenu, &QMenu::aboutToShow, this, &UnreadTray::FillMenu);
    FillMenu();
    Tray->setContextMenu(TrayMenu);
    connect(Tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            ShowLauncher();
    });
    connect(Tray, &QSystemTrayIcon::messageClicked, this, [this] { OpenSoon(Noticed); });
    connect(counts, &UnreadCounts::Changed, this, &UnreadTray::Update);
    connect(counts, &UnreadCounts::NewLines, this, &UnreadTray::Notice);
}

std::string UnreadTray::NoticeText(const std::string& padLabel, int added) {
    return padLabel + Codec::sj("に新しい行が") + std::to_string(added) + Codec::sj("行あります");
}

void UnreadTray::Update() {
    if (!Counts->Active()) {
        Tray->hide();
        return;
    }
    const int total = Counts->Total();
    Tray->setIcon(iconWithTotal(Launcher->windowIcon(), Counts->Failure() ? 0 : total));
    std::string tip = Codec::sj("キューブック／各PC用ツール　");
    if (const auto failure = Counts->Failure())
        tip += UnreadFailureText(*failure);
    else
        tip += Codec::sj("未読") + std::to_string(total) + Codec::sj("行");
    Tray->setToolTip(Codec::toDisplayLine(tip));
    Tray->show();
}

void UnreadTray::Notice(const std::string& table, int added) {
    const UnreadCounts::Pad* pad = Counts->Find(table);
    if (!pad || !Counts->NoticesOn())
        return;
    Noticed = table;
    Tray->showMessage(WindowStyle::text("キューブック／各PC用ツール"),
                      Codec::toDisplayLine(NoticeText(pad->pad.label, added)), QSystemTrayIcon::Information,
                      NoticeMs);
}

void UnreadTray::OpenSoon(const std::string& table) {
    // Not inside the tray's own signal: the all-members pad is modal.
    QTimer::singleShot(0, this, [this, table] {
        if (const UnreadCounts::Pad* pad = Counts->Find(table))
            OpenReadablePad(pad->pad);
    });
}

void UnreadTray::FillMenu() {
    TrayMenu->clear();
    for (const UnreadCounts::Pad& pad : Counts->Pads()) {
        if (pad.count <= 0)
            continue;
        const std::string table = pad.pad.table;
        // An ampersand in a name is no access key.
        QString text = Codec::toDisplayLine(pad.pad.label + Codec::sj("　未読") + std::to_string(pad.count) +
                                            Codec::sj("行"));
        TrayMenu->addAction(text.replace(QLatin1Char('&'), QStringLiteral("&&")), this,
                            [this, table] { OpenSoon(table); });
    }
    if (!TrayMenu->isEmpty())
        TrayMenu->addSeparator();
    QAction* notices = TrayMenu->addAction(WindowStyle::text("新しい行を通知する(&N)"));
    notices->setCheckable(true);
    notices->setChecked(Counts->NoticesOn());
    connect(notices, &QAction::toggled, Counts, &UnreadCounts::SetNoticesOn);
    TrayMenu->addAction(WindowStyle::text("キューブック／各PC用ツールを表示(&S)"), this,
                        &UnreadTray::ShowLauncher);
}

void UnreadTray::ShowLauncher() {
    Launcher->setWindowState(Launcher->windowState() & ~Qt::WindowMinimized);
    Launcher->show();
    Launcher->raise();
    Launcher->activateWindow();
}

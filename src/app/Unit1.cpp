#include "app/Unit1.h"

#include "app/Forms.h"
#include "app/Settings.h"
#include "app/SettingsFiles.h"
#include "app/ShowModal.h"
#include "app/UnitSet.h"
#include "app/WindowPlacement.h"
#include "app/WindowStyle.h"
#include "choosers/Unit1a.h"
#include "choosers/Unit1b.h"
#include "choosers/Unit1c.h"
#include "db/UnitFBDB.h"
#include "editor/UnitEditor.h"
#include "memo/Unit2.h"
#include "memo/Unit3.h"
#include "memo/Unit4.h"
#include "memo/Unit5.h"
#include "memo/Unit6.h"
#include "memo/Unit7.h"
#include "memo/Unit8.h"
#include "platform/WindowShape.h"
#include "search/UnitGSearch.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <vector>

namespace {

const QColor LauncherColour(204, 233, 247);
const QColor TitleColour(166, 202, 240);

struct LayoutEntry {
    QWidget* window;
    bool sized; // Width and Height follow Left and Top
};

// The windows of the layout file in file order.
std::vector<LayoutEntry> layoutEntries() {
    Forms& f = forms();
    return {{f.Form1, false}, {f.Form1a, false},  {f.Form1b, false},    {f.Form1c, false},    {f.Form2, true},
            {f.Form3, true},  {f.Form4, true},    {f.Form5, true},      {f.Form6, true},      {f.Form7, true},
            {f.Form8, true},  {f.FormSet, false}, {f.FormEditor, true}, {f.FormGSearch, true}};
}

SettingsFiles::LayoutValues currentValues(const std::vector<LayoutEntry>& entries) {
    SettingsFiles::LayoutValues values{};
    size_t i = 0;
    for (const LayoutEntry& entry : entries) {
        if (!WindowPlacement::isPlaced(entry.window)) {
            for (int n = entry.sized ? 4 : 2; n > 0; --n)
                values[i++] = SettingsFiles::UnplacedWindow;
            continue;
        }
        const QPoint position = WindowPlacement::outerPosition(entry.window);
        values[i++] = position.x();
        values[i++] = position.y();
        if (entry.sized) {
            const QSize size = WindowPlacement::outerSize(entry.window);
            values[i++] = size.width();
            values[i++] = size.height();
        }
    }
    return values;
}

QIcon launcherIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(TitleColour);
    painter.setPen(QPen(QColor(40, 80, 140), 2));
    painter.drawRoundedRect(QRectF(2, 2, 28, 28), 8, 8);
    painter.setFont(WindowStyle::gothicFont(18));
    painter.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, QStringLiteral("Q"));
    return QIcon(pixmap);
}

} // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(WindowStyle::text("キューブック／各PC用ツール"));
    setWindowIcon(launcherIcon());
    WindowStyle::setFixedFrame(this, 352, 222);
    WindowStyle::setBackground(this, LauncherColour);
    setFont(WindowStyle::gothicFont(13));
    move(193, 109);

    Label1 = new QLabel(WindowStyle::text("キューブック／各PC用ツール"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(0, 0, 352, 19);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setFont(WindowStyle::gothicFont(19));
    WindowStyle::setBackground(Label1, TitleColour);

    struct ButtonLayout {
        QPushButton** button;
        int left, top;
        const char* caption;
        void (TForm1::*click)();
    };
    const ButtonLayout layouts[] = {
        {&Button1, 24, 32, "まいめも(&1)", &TForm1::Button1Click},
        {&Button2, 24, 96, "オープングループ(&2)", &TForm1::Button2Click},
        {&Button3, 24, 160, "クローズグループ(&3)", &TForm1::Button3Click},
        {&Button4, 184, 32, "全メンバーめも(&4)", &TForm1::Button4Click},
        {&Button5, 184, 96, "設　定(&5)", &TForm1::Button5Click},
        {&Button6, 184, 160, "終　了(&X)", &TForm1::Button6Click},
    };
    QWidget* previous = nullptr;
    int number = 1;
    for (const ButtonLayout& layout : layouts) {
        auto* button = new QPushButton(WindowStyle::text(layout.caption), this);
        button->setObjectName(QStringLiteral("Button%1").arg(number++));
        button->setGeometry(layout.left, layout.top, 145, 49);
        button->setFocusPolicy(Qt::StrongFocus);
        WindowStyle::pressOnEnter(button);
        connect(button, &QPushButton::clicked, this, layout.click);
        if (previous)
            setTabOrder(previous, button);
        previous = button;
        *layout.button = button;
    }
}

// The layout is loaded before the launcher goes on screen: a window moved
// while it is being mapped is placed by its client area rather than its frame,
// and would creep by the height of the title bar from run to run.
void TForm1::setVisible(bool visible) {
    if (visible && !isVisible())
        FormShow();
    QWidget::setVisible(visible);
}

// The scratch editor's text exists nowhere else: changes not saved there
// are not dropped without its question.
void TForm1::closeEvent(QCloseEvent* event) {
    if (!forms().FormEditor->QuitQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
    emit ProgramEnded();
}

void TForm1::FormShow() {
    WindowShape::setRoundedRegion(this);
    for (int i = 1; i <= 6; ++i)
        if (auto* button = findChild<QPushButton*>(QStringLiteral("Button%1").arg(i)))
            WindowShape::setOvalRegion(button);
    for (const LayoutEntry& entry : layoutEntries())
        WindowPlacement::track(entry.window);
    Settings::SetStartValues();
    Settings::ComputePaths();
    LoadLayout(Settings::LayoutFilePath);
    LoadDbSettings(Settings::DbSettingsFilePath);
    Button1->setFocus();
}

void TForm1::FormClose() {
    forms().FormFBDB->Disconnect();
    SaveLayout(Settings::LayoutFilePath);
    SaveDbSettings(Settings::DbSettingsFilePath);
}

void TForm1::LoadLayout(const std::string& path) {
    const std::vector<LayoutEntry> entries = layoutEntries();
    // Windows keep what they have for lines the file does not give.
    SettingsFiles::LayoutValues values = currentValues(entries);
    if (!SettingsFiles::ReadLayout(path, values))
        return;
    size_t i = 0;
    for (const LayoutEntry& entry : entries) {
        const bool placed =
            values[i] != SettingsFiles::UnplacedWindow && values[i + 1] != SettingsFiles::UnplacedWindow;
        if (placed && entry.sized)
            WindowPlacement::place(entry.window, values[i], values[i + 1], values[i + 2], values[i + 3]);
        else if (placed)
            WindowPlacement::place(entry.window, values[i], values[i + 1]);
        i += entry.sized ? 4 : 2;
    }
}

void TForm1::LoadDbSettings(const std::string& path) {
    SettingsFiles::ReadDbSettings(path);
}

void TForm1::SaveLayout(const std::string& path) {
    SettingsFiles::WriteLayout(path, currentValues(layoutEntries()));
}

void TForm1::SaveDbSettings(const std::string& path) {
    SettingsFiles::WriteDbSettings(path);
}

void TForm1::Button1Click() {
    ShowModal(forms().Form1a);
}

void TForm1::Button2Click() {
    ShowModal(forms().Form1b);
}

void TForm1::Button3Click() {
    ShowModal(forms().Form1c);
}

void TForm1::Button4Click() {
    ShowModal(forms().Form8);
}

void TForm1::Button5Click() {
    ShowModal(forms().FormSet);
}

void TForm1::Button6Click() {
    close();
}

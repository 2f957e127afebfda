#include "memo/LineWriters.h"

#include "app/Forms.h"
#include "app/ReadFailureText.h"
#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "memo/MemoScreen.h"
#include "memo/ReconnectPacing.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QEvent>
#include <QHelpEvent>
#include <QTableWidget>
#include <QToolTip>
#include <map>

namespace {

// Where a text cell keeps its line's MN.
constexpr int WriterRole = Qt::UserRole + 25;

std::function<std::optional<std::string>(std::int32_t)>& nameLookup() {
    static std::function<std::optional<std::string>(std::int32_t)> lookup;
    return lookup;
}

// MEMBER as last read, for the members the lookup does not know.
struct MemberList {
    std::map<std::int32_t, std::string> names;
    std::optional<DbFailure> failure;
    bool read = false;
};

MemberList& memberList() {
    static MemberList list;
    return list;
}

const MemberList& readMemberList() {
    MemberList& list = memberList();
    if (list.read)
        return list;
    list.read = true;
    list.names.clear();
    FieldList shape;
    SetMemberFields(shape);
    // Another window may have closed the shared connection meanwhile. A tip
    // is no action of the member's: after a server that answered nothing it
    // waits as a refresh does.
    TFormFBDB& db = *forms().FormFBDB;
    if (!ConnectPaced(db, false)) {
        list.failure = DbFailure::ConnectionLost;
        return list;
    }
    const auto start = ReconnectPacing::Clock::now();
    const ReadResult<std::vector<FieldList>> rows = db.ReadRows(shape, "*", "MEMBER", "", "N");
    ReconnectPacing::shared().called(start, rows ? std::nullopt : std::optional(rows.failure()),
                                     db.WaitLimit());
    if (!rows) {
        list.failure = rows.failure();
        return list;
    }
    list.failure.reset();
    for (const FieldList& row : *rows)
        list.names[ToIntOrZero(row[0].Value)] = row[1].Value;
    return list;
}

// Each showing of a memo screen reads MEMBER again when a name is missing.
class ShowWatch : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show)
            memberList().read = false;
        return QObject::eventFilter(watched, event);
    }
};

// Shows the tip of the row under the pointer, and of the row selected.
class TipShower : public QObject {
public:
    explicit TipShower(TMemoScreen* screen) : QObject(screen), Screen(screen) {}

    // At the pointer, or below the row.
    void Show(int row, std::optional<QPoint> at = std::nullopt) {
        QTableWidget* grid = Screen->SG1;
        const std::string tip = row >= 0 ? LineWriters::TipText(*Screen, row) : std::string();
        QTableWidgetItem* cell = grid->item(row, 2);
        if (tip.empty() || !cell) {
            QToolTip::hideText();
            return;
        }
        const QRect rect = grid->visualItemRect(cell);
        QToolTip::showText(at.value_or(grid->viewport()->mapToGlobal(rect.bottomLeft())),
                           LineWriters::TipMarkup(tip), grid->viewport(), rect);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ToolTip)
            return QObject::eventFilter(watched, event);
        const auto* help = static_cast<QHelpEvent*>(event);
        Show(Screen->SG1->rowAt(help->pos().y()), help->globalPos());
        return true;
    }

private:
    TMemoScreen* Screen;
};

} // namespace

namespace LineWriters {

void Mark(QTableWidgetItem* textCell, const std::string& memberNumber) {
    if (textCell)
        textCell->setData(WriterRole,
                          QByteArray(memberNumber.data(), static_cast<qsizetype>(memberNumber.size())));
}

std::string TipText(const TMemoScreen& screen, int row) {
    if (screen.Cell(1, row).empty())
        return {};
    const QTableWidgetItem* cell = screen.SG1->item(row, 2);
    const QByteArray mark = cell ? cell->data(WriterRole).toByteArray() : QByteArray();
    const std::string value(mark.constData(), static_cast<size_t>(mark.size()));
    FieldList fields;
    SetMemoFields(fields);
    const std::string heading = fields[MemoMN].Caption + Codec::sj("：");
    const std::int32_t member = ToIntOrZero(value);
    if (member == 0)
        return heading + Codec::sj("不明");
    const std::string number = std::to_string(member);
    std::optional<std::string> name = nameLookup() ? nameLookup()(member) : std::nullopt;
    if (!name) {
        const MemberList& list = readMemberList();
        if (list.failure)
            return heading + number + Codec::sj("（名前を読み込めませんでした：") +
                   ReadFailureReason(*list.failure) + Codec::sj("）");
        if (const auto found = list.names.find(member); found != list.names.end())
            name = found->second;
    }
    return heading + number + (name ? ":" + *name : std::string());
}

QString TipMarkup(const std::string& tip) {
    // A tool tip that looks like markup is shown as markup; a name is shown as written.
    return QStringLiteral("<p style='white-space:pre'>") + Codec::toDisplayLine(tip).toHtmlEscaped() +
           QStringLiteral("</p>");
}

void Attach(TMemoScreen* screen) {
    auto* shower = new TipShower(screen);
    screen->SG1->viewport()->installEventFilter(shower);
    screen->installEventFilter(new ShowWatch(screen));
    QObject::connect(screen->SG1, &QTableWidget::currentCellChanged, shower,
                     [screen, shower](int row, int, int previousRow, int) {
                         // Not for the selection a page load restores.
                         if (row >= 0 && row != previousRow && !screen->PageLoading() &&
                             screen->isActiveWindow())
                             shower->Show(row);
                     });
}

void SetNameLookup(std::function<std::optional<std::string>(std::int32_t)> lookup) {
    nameLookup() = std::move(lookup);
}

} // namespace LineWriters

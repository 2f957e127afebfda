#include "app/UnreadViews.h"

#include "app/Forms.h"
#include "app/Unit1.h"
#include "app/UnreadCounts.h"
#include "choosers/ListCounts.h"
#include "choosers/Unit1a.h"
#include "choosers/Unit1b.h"
#include "choosers/Unit1c.h"
#include "db/UnitSchema.h"
#include "memo/LineWriters.h"
#include "memo/MemoScreen.h"
#include "memo/Unit2.h"
#include "memo/Unit3.h"
#include "memo/Unit4.h"
#include "memo/Unit5.h"
#include "memo/Unit6.h"
#include "memo/Unit7.h"
#include "memo/Unit8.h"
#include "text/Func_.h"

#include <QAbstractItemModel>
#include <QEvent>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>
#include <vector>

namespace {

// Tells the counts what one memo screen shows: after each page load the
// largest registration number on the page, and when it is hidden, that the
// pad is no longer shown.
class ScreenWatch : public QObject {
public:
    ScreenWatch(TMemoScreen* screen, UnreadCounts* counts) : QObject(screen), Screen(screen), Counts(counts) {
        // A page load changes many cells; the page is looked at once it is done.
        PageLoaded = new QTimer(this);
        PageLoaded->setSingleShot(true);
        PageLoaded->setInterval(0);
        connect(PageLoaded, &QTimer::timeout, this, &ScreenWatch::Report);
        QAbstractItemModel* model = screen->SG1->model();
        const auto soon = [this] { PageLoaded->start(); };
        connect(model, &QAbstractItemModel::dataChanged, this, soon);
        connect(model, &QAbstractItemModel::rowsInserted, this, soon);
        connect(model, &QAbstractItemModel::rowsRemoved, this, soon);
        screen->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide && !Screen->TableName().empty())
            Counts->PadHidden(Screen->TableName());
        return QObject::eventFilter(watched, event);
    }

private:
    void Report() {
        if (!Screen->isVisible() || !Screen->Ready())
            return;
        std::int32_t largest = 0;
        for (int row = 0; row < Screen->RowCount(); ++row)
            largest = std::max(largest, ToIntOrZero(Screen->Cell(1, row)));
        Counts->PadShown(Screen->TableName(), largest);
    }

    TMemoScreen* Screen;
    UnreadCounts* Counts;
    QTimer* PageLoaded;
};

} // namespace

void AttachUnreadViews(Forms& f) {
    UnreadCounts* counts = f.Form1->Counts;
    const std::vector<TMemoScreen*> screens{f.Form2, f.Form3, f.Form4, f.Form5, f.Form6, f.Form7, f.Form8};
    for (TMemoScreen* screen : screens) {
        new ScreenWatch(screen, counts);
        LineWriters::Attach(screen);
    }
    counts->SetShownTest([screens](const std::string& table) {
        return std::any_of(screens.begin(), screens.end(), [&table](const TMemoScreen* screen) {
            return screen->isVisible() && screen->Ready() && screen->TableName() == table;
        });
    });
    LineWriters::SetNameLookup([](std::int32_t member) -> std::optional<std::string> {
        if (!forms().Form1)
            return std::nullopt;
        return forms().Form1->Counts->MemberName(member);
    });
    ListCounts::Attach(f.Form1a->ComboBox1, MyMemoTable, counts);
    ListCounts::Attach(f.Form1b->ComboBox1, OgMemoTable, counts);
    ListCounts::Attach(f.Form1b->ComboBox2, OgMemoTable, counts);
    ListCounts::Attach(f.Form1c->ComboBox1, CgMemoTable, counts);
    ListCounts::Attach(f.Form1c->ComboBox2, CgMemoTable, counts);
}

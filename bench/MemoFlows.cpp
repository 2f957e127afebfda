// The memo screen's user-level flows on pads of 1 000 to 1 000 000 lines,
// each against a floor: a direct fbclient client sending the same statements
// (built by the same statement builder) and doing the little the flow must do
// between them, without any window. Also the memory of a client showing the
// largest pad against one showing the smallest.

#include "MemoFlows.h"

#include "app/Forms.h"
#include "app/Settings.h"
#include "db/StatementText.h"
#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "memo/Unit2.h"
#include "memo/UnitSearch.h"
#include "text/CharMatch.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>

namespace Bench {

namespace {

constexpr int PageLines = 100;
constexpr int FirstFindBatch = 8;
constexpr double Tolerance = 1e-10;
constexpr int Repetitions = 31;

struct Pad {
    int lines;
    int member; // the pad is MYMEMO + member
};
const Pad Pads[] = {{1000, 1}, {10000, 2}, {100000, 3}, {1000000, 4}};

const char* const FindWord = "会議室の予約";

// 1000000 as "1 000 000".
std::string padSize(int lines) {
    const std::string digits = std::to_string(lines);
    std::string grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += ' ';
        grouped += digits[i];
    }
    return grouped;
}

void useDatabase(const std::string& folder) {
    Settings::ServerName = "localhost";
    Settings::ServerFolder = folder + "/";
    Settings::DatabaseLocation = "localhost:" + folder + "/";
    Settings::DatabaseUser = user();
    Settings::DatabasePassword = password();
    Settings::MemberName = "bench";
    Settings::RowsPerPage = PageLines;
    // No timer tick during a measurement.
    Settings::RefreshSeconds = 99999;
}

// What the memo screen does on the server, done directly.
class FloorScreen {
public:
    FloorScreen(Floor& floor, std::string table) : floor(floor), table(std::move(table)) {}

    // The page after start; returns the count that decides on the append row.
    size_t page(double start) {
        return floor.select(
            StatementText::Join(StatementText::SelectRows(
                "*", table, "(SN > " + FloatToText(start) + ") AND (DF = 0)", "SN,N", PageLines + 1)),
            SIZE_MAX, rows);
    }

    double previousStart(double start) {
        const int count = static_cast<int>(floor.select(
            StatementText::Join(StatementText::SelectRows(
                "*", table, "(SN < " + FloatToText(start) + ") AND (DF = 0)", "SN DESC,N DESC", PageLines)),
            SIZE_MAX, rows));
        return stepBack(count, std::min(count == 0 ? 2 : count + 1, PageLines - 1) - 1);
    }

    double lastStart() {
        const int count = static_cast<int>(
            floor.select(StatementText::Join(StatementText::SelectRows("*", table, "(SN > 0.0) AND (DF = 0)",
                                                                       "SN DESC,N DESC", PageLines + 1)),
                         SIZE_MAX, rows));
        return stepBack(count, std::min(count, PageLines));
    }

    // The nearest true hit after x, in growing batches; -1 when there is none.
    double findDown(double x, const std::string& word) {
        const std::string condition =
            "(SN > " + FloatToText(x) + ") AND (DF = 0) AND (TEXT LIKE '%" + word + "%') ";
        for (int batch = FirstFindBatch, skipped = 0;; skipped += batch, batch *= 2) {
            const size_t count = floor.select(
                StatementText::Join(StatementText::SelectRows("*", table, condition, "SN,N", batch, skipped)),
                SIZE_MAX, rows);
            for (const auto& row : rows)
                if (LikeContainsChars(row[MemoText], word))
                    return ToFloatOrZero(row[MemoSN]) - Tolerance;
            if (count < static_cast<size_t>(batch))
                return -1;
        }
    }

    double numberStart(int n) {
        floor.select(StatementText::Join(StatementText::SelectRow(table, "N=" + std::to_string(n))), 1, rows);
        return ToFloatOrZero(rows.at(0)[MemoSN]) - Tolerance;
    }

    bool tableExists() { return floorTableExists(floor, table); }

private:
    double stepBack(int count, int steps) const {
        if (steps >= count)
            return 0.0;
        return ToFloatOrZero(rows[static_cast<size_t>(steps)][MemoSN]);
    }

    Floor& floor;
    std::string table;
    Rows rows;
};

// Runs the flows of one pad; returns the median of the refresh of the first page.
double padFlows(const Pad& pad, const std::string& database, Floor& floor, TForm2* screen,
                std::vector<Outcome>& outcomes) {
    Settings::MemberNumber = pad.member;
    const std::string table = MyMemoTable(pad.member);
    FloorScreen direct(floor, table);
    const std::string size = padSize(pad.lines) + " lines: ";
    const auto disagree = [&](const char* flow, double module, double expected) {
        if (module != expected)
            std::fprintf(stderr, "qbook2-bench: %s on %s: page start %.17g, the floor's %.17g\n", flow,
                         table.c_str(), module, expected);
    };
    const auto record = [&](Outcome outcome) { outcomes.push_back(outcome); };

    record(measure(
        size + "show", Repetitions, [&] { screen->show(); },
        [&] {
            floor.detach();
            floor.attach(database, user(), password());
            direct.tableExists();
            direct.page(0.0);
        },
        [&] { screen->hide(); }));
    if (!screen->Ready() || screen->RowCount() != PageLines)
        std::fprintf(stderr, "qbook2-bench: %s shows %d rows\n", table.c_str(), screen->RowCount());

    const auto toFirstPage = [&] { screen->ButtonAClick(); };
    const int middle = pad.lines / 2 + 1;
    const auto toMiddle = [&] { screen->JumpToNumber(middle); };
    toMiddle();
    const double middleStart = screen->PageStart();
    const double nextStart = ToFloatOrZero(screen->Cell(0, screen->RowCount() - 2));

    toFirstPage();
    const Outcome firstRefresh = measure(
        size + "refresh on the first page", Repetitions, [&] { screen->ButtonKClick(); },
        [&] { direct.page(0.0); }, toFirstPage);
    record(firstRefresh);
    record(measure(
        size + "refresh on a middle page", Repetitions, [&] { screen->ButtonKClick(); },
        [&] { direct.page(middleStart); }, toMiddle));
    record(measure(
        size + "first page", Repetitions, [&] { screen->ButtonAClick(); }, [&] { direct.page(0.0); },
        toMiddle));
    record(measure(
        size + "previous page", Repetitions, [&] { screen->ButtonBClick(); },
        [&] { direct.page(direct.previousStart(middleStart)); }, toMiddle));
    disagree("previous page", screen->PageStart(), direct.previousStart(middleStart));
    record(measure(
        size + "next page", Repetitions, [&] { screen->ButtonCClick(); }, [&] { direct.page(nextStart); },
        toMiddle));
    record(measure(
        size + "last page", Repetitions, [&] { screen->ButtonDClick(); },
        [&] { direct.page(direct.lastStart()); }, toFirstPage));
    disagree("last page", screen->PageStart(), direct.lastStart());

    const std::string word = Codec::sj(FindWord);
    // The keyword as typed, downwards: set through the find dialog, as the member does.
    QTimer::singleShot(0, [&word] {
        TFormSearch* dialog = forms().FormSearch;
        dialog->Edit1->setText(Codec::toQString(word));
        dialog->CheckBox1->setChecked(true);
        dialog->RadioDown->setChecked(true);
        dialog->Button1->click();
    });
    screen->ButtonEClick();
    record(measure(
        size + "find next", Repetitions, [&] { screen->ButtonFClick(); },
        [&] { direct.page(direct.findDown(1.0, word)); }, toFirstPage));
    disagree("find next", screen->PageStart(), direct.findDown(1.0, word));
    record(measure(
        size + "jump to a number", Repetitions, [&] { screen->JumpToNumber(middle); },
        [&] { direct.page(direct.numberStart(middle)); }, toFirstPage));
    disagree("jump", screen->PageStart(), direct.numberStart(middle));
    screen->hide();
    return firstRefresh.module;
}

long statusKilobytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.compare(0, prefix.size(), prefix) == 0)
            return std::stol(line.substr(prefix.size()));
    return -1;
}

// The resident memory (kB) of a fresh client process showing the pad of member.
long shownPadMemory(const std::string& folder, int member) {
    Child child;
    if (!child.start("/proc/self/exe", {ShowPadArgument, folder, std::to_string(member)}))
        return -1;
    std::string output;
    return child.finish(&output) ? std::stol(output) : -1;
}

} // namespace

int ShowPadForMemory(const std::string& folder, int member) {
    useDatabase(folder);
    Settings::MemberNumber = member;
    CreateForms();
    TForm2* screen = forms().Form2;
    screen->show();
    QApplication::processEvents();
    const bool shown = screen->Ready() && screen->RowCount() > 1;
    std::printf("%ld\n", statusKilobytes("VmRSS"));
    std::fflush(stdout);
    screen->hide();
    forms().FormFBDB->Disconnect();
    DestroyForms();
    return shown ? 0 : 1;
}

int RunMemoFlows(const std::string& folder, std::vector<Goal>& goals) {
    const std::string database = "localhost:" + folder + "/" + Settings::DatabaseFileName;
    Floor floor;
    floor.attach(database, user(), password());
    TFormFBDB setup;
    if (!setup.Connect("localhost:" + folder + "/", Settings::DatabaseFileName, user(), password())) {
        std::fprintf(stderr, "qbook2-bench: cannot connect: %s\n", setup.LastError().c_str());
        return 1;
    }
    const std::string match = Codec::sj(FindWord) + Codec::sj("を確認して下さい。");
    for (const Pad& pad : Pads) {
        std::printf("filling a pad of %s lines...\n", padSize(pad.lines).c_str());
        std::fflush(stdout);
        const auto start = std::chrono::steady_clock::now();
        // Every 50th line holds the word that find next looks for.
        fillPad(floor, MyMemoTable(pad.member), pad.lines, match, 50);
        AddMemoIndexes(setup, MyMemoTable(pad.member));
        std::printf("  %.1f s\n",
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    setup.Disconnect();

    useDatabase(folder);
    CreateForms();
    TForm2* screen = forms().Form2;
    std::vector<Outcome> outcomes;
    std::vector<double> firstRefresh;
    printHeader();
    for (const Pad& pad : Pads)
        firstRefresh.push_back(padFlows(pad, database, floor, screen, outcomes));
    forms().FormFBDB->Disconnect();
    DestroyForms();
    floor.detach();

    double worst = 0;
    std::string worstName;
    for (const Outcome& outcome : outcomes)
        if (outcome.paired > worst) {
            worst = outcome.paired;
            worstName = outcome.name;
        }
    goals.push_back({"refresh of the first page, 1 000 000 / 1 000 lines",
                     firstRefresh.back() / firstRefresh.front(), 2.0});
    goals.push_back({"worst memo-screen flow / its floor (" + worstName + ")", worst, 1.2});

    const long small = shownPadMemory(folder, Pads[0].member);
    const long large = shownPadMemory(folder, std::end(Pads)[-1].member);
    if (small < 0 || large < 0) {
        std::fprintf(stderr, "qbook2-bench: the memory of a shown pad could not be measured\n");
        return 1;
    }
    std::printf("\nresident memory after showing the pad: 1 000 lines %.1f MB, 1 000 000 lines %.1f MB\n",
                small / 1024.0, large / 1024.0);
    goals.push_back(
        {"memory after showing 1 000 000 lines - 1 000 lines (MB)", (large - small) / 1024.0, 5.0});
    return 0;
}

} // namespace Bench

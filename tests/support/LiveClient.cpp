#include "support/LiveClient.h"

#include "app/Forms.h"
#include "app/PadOpener.h"
#include "app/Settings.h"
#include "app/Unit1.h"
#include "app/UnreadCounts.h"
#include "db/UnitFBDB.h"
#include "memo/MemoScreen.h"
#include "memo/Unit2.h"
#include "memo/Unit3.h"
#include "memo/Unit4.h"
#include "memo/Unit5.h"
#include "memo/Unit6.h"
#include "memo/Unit7.h"
#include "memo/Unit8.h"
#include "platform/Platform.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSocketNotifier>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <unistd.h>

namespace LiveClient {

namespace {

// Lines of the standard input, read without a buffer of its own so that a
// socket notifier can wait for the next ones.
class InputLines {
public:
    // The next whole line, if one has arrived; reads what is there without waiting.
    bool next(std::string& line) {
        for (;;) {
            const size_t end = buffer_.find('\n');
            if (end != std::string::npos) {
                line = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                return true;
            }
            if (!fill(false))
                return false;
        }
    }
    // The next whole line, waiting for it; false at the end of the input.
    bool wait(std::string& line) {
        while (!next(line))
            if (!fill(true))
                return false;
        return true;
    }
    bool ended() const { return ended_; }

private:
    bool fill(bool block) {
        if (!block) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(0, &readable);
            timeval none{0, 0};
            if (::select(1, &readable, nullptr, nullptr, &none) <= 0)
                return false;
        }
        char chunk[4096];
        const ssize_t n = ::read(0, chunk, sizeof chunk);
        if (n <= 0) {
            ended_ = true;
            return false;
        }
        buffer_.append(chunk, static_cast<size_t>(n));
        return true;
    }

    std::string buffer_;
    bool ended_ = false;
};

// The grid's lines (the append row left out), joined by tabs, which no code
// page 932 text of a line holds.
std::string GridText(const TMemoScreen& pad) {
    std::string text;
    for (int row = 0; row < pad.RowCount(); ++row) {
        if (pad.Cell(0, row).empty())
            continue;
        if (!text.empty())
            text += '\t';
        text += pad.Cell(2, row);
    }
    return text;
}

// Hands each command that arrives on the input to handle; "quit", or the
// end of the input (the driving program is gone), ends the event loop.
void TakeCommands(QSocketNotifier& commands, InputLines& input, QObject* context,
                  const std::function<void(const std::string&)>& handle) {
    QObject::connect(&commands, &QSocketNotifier::activated, context, [&input, handle] {
        std::string command;
        while (input.next(command)) {
            if (command == "quit")
                QCoreApplication::quit();
            else
                handle(command);
        }
        if (input.ended())
            QCoreApplication::quit();
    });
}

std::vector<std::string> SplitAt(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = std::min(text.find(separator, start), text.size());
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

} // namespace

std::int64_t Now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool Holds(const std::vector<std::string>& lines, const std::string& text) {
    return std::find(lines.begin(), lines.end(), text) != lines.end();
}

int Run(int argc, char** argv) {
    QApplication app(argc, argv);
    Platform::setScripted(true);
    CreateForms();
    InputLines input;
    std::string refreshSeconds;
    if (!input.wait(Settings::DatabaseLocation) || !input.wait(Settings::DatabaseUser) ||
        !input.wait(Settings::DatabasePassword) || !input.wait(refreshSeconds))
        return 2;
    Settings::ServerName = BeforeColon(Settings::DatabaseLocation);
    Settings::ServerFolder = AfterColon(Settings::DatabaseLocation);
    Settings::MemberNumber = 2;
    Settings::MemberName = "Client";
    Settings::RefreshSeconds = ToIntOrZero(refreshSeconds);
    Settings::RowsPerPage = 50;

    TMemoScreen* pad = forms().Form8;
    std::string reported;
    const auto report = [pad, &reported] {
        const std::string text = GridText(*pad);
        if (text == reported)
            return;
        reported = text;
        std::cout << "grid " << Now() << " " << text << std::endl;
    };
    // A page load changes many cells; the report follows once it is done.
    const auto reportSoon = [pad, report] { QTimer::singleShot(0, pad, report); };
    QAbstractItemModel* model = pad->SG1->model();
    QObject::connect(model, &QAbstractItemModel::dataChanged, pad, reportSoon);
    QObject::connect(model, &QAbstractItemModel::rowsInserted, pad, reportSoon);
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, pad, reportSoon);
    QObject::connect(pad->Timer1, &QTimer::timeout, pad, [] { std::cout << "tick " << Now() << std::endl; });

    pad->show();
    if (!pad->Ready()) {
        for (const std::string& message : Platform::takeMessages())
            std::cerr << Codec::toUtf8(message) << std::endl;
        return 1;
    }
    std::cout << "ready" << std::endl;
    report();

    QSocketNotifier commands(0, QSocketNotifier::Read);
    TakeCommands(commands, input, pad, [&](const std::string& command) {
        if (command == "statements") {
            std::cout << "statements " << Now() << " " << forms().FormFBDB->StatementCount() << std::endl;
        } else if (command.rfind("enter ", 0) == 0) {
            pad->SelectRow(pad->RowCount() - 1);
            pad->Edit1->setText(QString::fromStdString(command.substr(6)));
            QTest::keyClick(pad->Edit1, Qt::Key_Return);
        }
    });
    const int status = QApplication::exec();
    pad->hide();
    forms().FormFBDB->Disconnect();
    return status;
}

int RunLauncher(int argc, char** argv) {
    if (argc < 3)
        return 2;
    const std::string folder = argv[2];
    QApplication app(argc, argv);
    Platform::setScripted(true);
    Platform::setExecutablePath(folder + "/qbook2");
    CreateForms();
    TForm1* launcher = forms().Form1;
    UnreadCounts* counts = launcher->Counts;
    std::string reported;
    bool ready = false;
    const auto report = [counts, &reported, &ready] {
        if (!counts->Counted() && !counts->Failure())
            return;
        std::string text;
        if (counts->Failure()) {
            text = "?";
        } else {
            for (const UnreadCounts::Pad& pad : counts->Pads())
                text += (text.empty() ? "" : " ") + pad.pad.table + "=" + std::to_string(pad.count);
        }
        if (!ready) {
            ready = true;
            std::cout << "ready" << std::endl;
        }
        if (text == reported)
            return;
        reported = text;
        std::cout << "counts " << Now() << " " << text << std::endl;
    };
    QObject::connect(counts, &UnreadCounts::Changed, launcher, report);
    launcher->show();

    const std::vector<TMemoScreen*> screens{forms().Form2, forms().Form3, forms().Form4, forms().Form5,
                                            forms().Form6, forms().Form7, forms().Form8};
    InputLines input;
    QSocketNotifier commands(0, QSocketNotifier::Read);
    TakeCommands(commands, input, launcher, [&](const std::string& command) {
        if (command == "statements") {
            std::cout << "statements " << Now() << " "
                      << forms().FormFBDB->StatementCount() + counts->StatementCount() << std::endl;
        } else if (command.rfind("open ", 0) == 0) {
            if (const UnreadCounts::Pad* pad = counts->Find(command.substr(5)))
                OpenReadablePad(pad->pad);
        } else if (command.rfind("close ", 0) == 0) {
            for (TMemoScreen* screen : screens)
                if (screen->isVisible() && screen->TableName() == command.substr(6))
                    screen->close();
        }
    });
    const int status = QApplication::exec();
    launcher->close();
    return status;
}

Process::~Process() {
    stop();
}

bool Process::start(const QString& program, int refreshSeconds) {
    process_.start(program,
                   {QString::fromLatin1(Argument), QStringLiteral("-platform"), QStringLiteral("offscreen")});
    const std::string settings = Settings::DatabaseLocation + "\n" + Settings::DatabaseUser + "\n" +
                                 Settings::DatabasePassword + "\n" + std::to_string(refreshSeconds) + "\n";
    process_.write(settings.data(), static_cast<qint64>(settings.size()));
    return waitForReady();
}

bool Process::startLauncher(const QString& program, const QString& folder) {
    process_.start(program, {QString::fromLatin1(LauncherArgument), folder, QStringLiteral("-platform"),
                             QStringLiteral("offscreen")});
    return waitForReady();
}

bool Process::waitForReady() {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 30000 && process_.state() != QProcess::NotRunning) {
        if (process_.canReadLine() && process_.readLine().trimmed() == "ready")
            return true;
        process_.waitForReadyRead(100);
    }
    return false;
}

void Process::send(const std::string& command) {
    const std::string line = command + "\n";
    process_.write(line.data(), static_cast<qint64>(line.size()));
    process_.waitForBytesWritten(5000);
}

void Process::stop() {
    if (process_.state() == QProcess::NotRunning)
        return;
    send("quit");
    if (!process_.waitForFinished(10000))
        process_.kill();
    process_.waitForFinished(5000);
}

void Process::readReports() {
    pending_ += process_.readAllStandardOutput();
    for (qsizetype end; (end = pending_.indexOf('\n')) >= 0;) {
        const std::string line = pending_.left(end).toStdString();
        pending_.remove(0, end + 1);
        const std::vector<std::string> words = SplitAt(line, ' ');
        if (words.size() < 2)
            continue;
        const std::int64_t at = std::stoll(words[1]);
        if (words[0] == "tick") {
            ticks_.push_back(at);
        } else if (words[0] == "statements" && words.size() == 3) {
            statementCounts_.push_back(std::stoll(words[2]));
        } else if (words[0] == "counts") {
            std::map<std::string, int> counts;
            for (size_t i = 2; i < words.size(); ++i) {
                const size_t equals = words[i].find('=');
                if (equals != std::string::npos)
                    counts[words[i].substr(0, equals)] = std::stoi(words[i].substr(equals + 1));
            }
            countReports_.push_back({at, counts});
            counts_ = counts;
        } else if (words[0] == "grid") {
            const size_t textStart = words[0].size() + words[1].size() + 2;
            const std::string text = line.size() > textStart ? line.substr(textStart) : std::string();
            grids_.push_back({at, text.empty() ? std::vector<std::string>() : SplitAt(text, '\t')});
        }
    }
}

std::int64_t Process::waitFor(int timeoutMs, const std::function<std::int64_t()>& found) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        readReports();
        if (const std::int64_t value = found(); value >= 0)
            return value;
        if (clock.elapsed() >= timeoutMs)
            return -1;
        QTest::qWait(5);
    }
}

namespace {

// The moment of the first of the reports not yet waited for that passes
// test, dropping it and those before it; -1 when none does.
template <typename Reports, typename Test> std::int64_t takeFirst(Reports& reports, const Test& test) {
    while (!reports.empty()) {
        const auto report = reports.front();
        reports.erase(reports.begin());
        if (test(report))
            return report.at;
    }
    return -1;
}

} // namespace

std::int64_t Process::waitForGrid(const std::function<bool(const std::vector<std::string>&)>& test,
                                  int timeoutMs) {
    return waitFor(timeoutMs, [&] {
        return takeFirst(grids_, [&](const Report& report) { return test(report.lines); });
    });
}

std::int64_t Process::waitForCounts(const std::function<bool(const std::map<std::string, int>&)>& test,
                                    int timeoutMs) {
    return waitFor(timeoutMs, [&] {
        return takeFirst(countReports_, [&](const CountReport& report) { return test(report.counts); });
    });
}

std::int64_t Process::statements(int timeoutMs) {
    readReports();
    statementCounts_.clear();
    send("statements");
    return waitFor(timeoutMs, [&]() -> std::int64_t {
        return statementCounts_.empty() ? -1 : statementCounts_.front();
    });
}

std::int64_t Process::waitForTick(int timeoutMs) {
    readReports();
    ticksSeen_ = ticks_.size();
    return waitFor(timeoutMs,
                   [&]() -> std::int64_t { return ticks_.size() > ticksSeen_ ? ticks_[ticksSeen_++] : -1; });
}

} // namespace LiveClient

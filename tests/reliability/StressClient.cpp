#include "StressClient.h"

#include "StressLog.h"

#include "app/Forms.h"
#include "app/Settings.h"
#include "db/UnitFBDB.h"
#include "memo/Unit8.h"
#include "memo/UnitNo.h"
#include "platform/Platform.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <map>
#include <random>

namespace {

// One member at the all-members pad, acting through the screen's keys and
// buttons, and writing down what the screen said.
class Client {
public:
    Client(const StressClientOptions& options, std::FILE* log)
        : Options(options), Log(log), Random(options.seed * 1000 + options.client) {}

    bool Run() {
        Screen = forms().Form8;
        Screen->show();
        if (!Screen->Ready())
            return false;
        for (int action = 0; action < Options.actions; ++action) {
            // Other members' refreshes and timer ticks come in between.
            QTest::qWait(Pick(0, 20));
            if (!Pending.empty() && Pick(0, 9) < 8) {
                Retry();
                continue;
            }
            Pending.clear();
            const int roll = Pick(0, 99);
            if (roll < 30)
                Register();
            else if (roll < 45)
                Change();
            else if (roll < 55)
                Insert();
            else if (roll < 65)
                Paste();
            else if (roll < 75)
                Delete();
            else
                Move();
        }
        Screen->hide();
        return true;
    }

private:
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(Random); }

    std::string NewText(const char* kind) {
        return "c" + std::to_string(Options.client) + kind + std::to_string(++Counter) + Codec::sj("　メモ");
    }

    std::string Status() const { return Screen->StatusText(); }
    bool StatusIs(const char* utf8) const { return Status() == Codec::sj(utf8); }

    int RowOfNumber(int n) const {
        for (int row = 0; row < Screen->RowCount(); ++row)
            if (!Screen->Cell(0, row).empty() && ToIntOrZero(Screen->Cell(1, row)) == n)
                return row;
        return -1;
    }

    int NumberOfText(const std::string& text) const {
        for (int row = 0; row < Screen->RowCount(); ++row)
            if (!Screen->Cell(0, row).empty() && Screen->Cell(2, row) == text)
                return ToIntOrZero(Screen->Cell(1, row));
        return 0;
    }

    void Type(const std::string& text) { Screen->Edit1->setText(Codec::toQString(text)); }
    void Enter() { QTest::keyClick(Screen->Edit1, Qt::Key_Return); }

    // The jump to a registration number, through the number dialog.
    void Jump(int n) {
        QTimer::singleShot(0, [n] {
            auto* dialog = qobject_cast<TFormNo*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            dialog->Edit1->setText(QString::number(n));
            dialog->Button1->click();
        });
        Screen->ButtonG->click();
    }

    // Brings an own line onto the page and selects it; false when it is not there.
    bool SelectOwnLine(int n) {
        Jump(n);
        const int row = RowOfNumber(n);
        if (row < 0)
            return false;
        Screen->SelectRow(row);
        return true;
    }

    int RandomOwnLine() {
        if (Own.empty())
            return 0;
        auto it = Own.begin();
        std::advance(it, Pick(0, static_cast<int>(Own.size()) - 1));
        return it->first;
    }

    void Register() {
        Screen->ButtonD->click();
        if (!Screen->Cell(0, Screen->CurrentRow()).empty()) {
            StressLog::Write(Log, "K", {});
            return;
        }
        const std::string text = NewText("r");
        Type(text);
        Enter();
        if (StatusIs("登録出来ました")) {
            const int n = NumberOfText(text);
            StressLog::Write(Log, "R", {text, "ok", std::to_string(n)});
            if (n > 0)
                Own[n] = text;
        } else {
            StressLog::Write(Log, "R", {text, "fail"});
            Pending = text;
        }
    }

    // Enter pressed again, as the failure message asks, with nothing else touched.
    void Retry() {
        const std::string text = Pending;
        Pending.clear();
        const std::string at = Screen->Cell(1, Screen->CurrentRow());
        Enter();
        if (StatusIs("登録出来ました")) {
            const int n = NumberOfText(text);
            StressLog::Write(Log, "T", {text, "ok", std::to_string(n), at});
            if (n > 0)
                Own[n] = text;
        } else {
            StressLog::Write(Log, "T", {text, "fail", "0", at});
            Pending = text;
        }
    }

    void Change() {
        const int n = RandomOwnLine();
        if (n == 0 || !SelectOwnLine(n)) {
            StressLog::Write(Log, "K", {});
            return;
        }
        const std::string text = NewText("e");
        Type(text);
        Enter();
        const bool ok = StatusIs("登録出来ました");
        StressLog::Write(Log, "C", {std::to_string(n), text, ok ? "ok" : "fail"});
        if (ok)
            Own[n] = text;
    }

    void Insert() {
        Screen->SelectRow(Pick(0, Screen->RowCount() - 1));
        QTest::keyClick(Screen->SG1, Qt::Key_Insert);
        if (StatusIs("１行挿入出来ました"))
            StressLog::Write(Log, "I", {"ok"});
        else if (StatusIs("１行挿入出来ませんでした。再度行ってみて下さい"))
            StressLog::Write(Log, "I", {"fail"});
        else
            StressLog::Write(Log, "K", {});
    }

    void Paste() {
        std::vector<std::string> texts;
        std::string clipboard;
        for (int i = Pick(2, 5); i > 0; --i) {
            texts.push_back(NewText("p"));
            clipboard += texts.back() + "\r\n";
        }
        Platform::setClipboardText(clipboard);
        Screen->SelectRow(Pick(0, Screen->RowCount() - 1));
        Screen->ButtonI->click();
        int failed = 0;
        if (!StatusIs("クリップボードからペーストを行いました")) {
            // "ペーストしたk行のうちs行を登録しました。..." when some were stored,
            // "ペーストしたk行を登録出来ませんでした。..." when none.
            const std::string status = Status();
            const std::string marker = Codec::sj("行のうち");
            const size_t at = status.find(marker);
            const int stored =
                at == std::string::npos
                    ? 0
                    : ToIntOrZero(status.substr(at + marker.size(),
                                                status.find(Codec::sj("行を")) - at - marker.size()));
            failed = static_cast<int>(texts.size()) - stored;
        }
        std::vector<std::string> fields{std::to_string(failed)};
        fields.insert(fields.end(), texts.begin(), texts.end());
        StressLog::Write(Log, "P", fields);
        for (const std::string& text : texts)
            if (const int n = NumberOfText(text); n > 0) {
                StressLog::Write(Log, "L", {text, std::to_string(n)});
                Own[n] = text;
            }
    }

    void Delete() {
        const int n = RandomOwnLine();
        if (n == 0 || !SelectOwnLine(n)) {
            StressLog::Write(Log, "K", {});
            return;
        }
        Platform::setNextAnswer(Platform::Answer::Yes);
        QTest::keyClick(Screen->SG1, Qt::Key_Delete);
        const bool ok = StatusIs("現在行の削除を行いました");
        StressLog::Write(Log, "D", {std::to_string(n), ok ? "ok" : "fail"});
        if (ok)
            Own.erase(n);
    }

    // Paging and the manual refresh.
    void Move() {
        QPushButton* const moves[] = {Screen->ButtonA, Screen->ButtonB, Screen->ButtonC, Screen->ButtonD,
                                      Screen->ButtonK};
        moves[Pick(0, 4)]->click();
        StressLog::Write(Log, "K", {});
    }

    StressClientOptions Options;
    std::FILE* Log;
    std::mt19937 Random;
    TForm8* Screen = nullptr;
    std::map<int, std::string> Own; // live own lines with text: N -> text
    std::string Pending;            // a line the screen did not store, still in the entry field
    int Counter = 0;
};

} // namespace

int RunStressClient(int argc, char** argv, const StressClientOptions& options) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform's notes (no window masks) would drown the report.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type != QtDebugMsg && type != QtInfoMsg && type != QtWarningMsg)
            std::fprintf(stderr, "%s\n", qPrintable(message));
    });
    QApplication app(argc, argv);
    Platform::setScripted(true);
    std::FILE* log = std::fopen(options.logPath.c_str(), "wb");
    if (!log)
        return 2;
    Settings::SetStartValues();
    Settings::ServerName = options.server;
    Settings::ServerFolder = options.folder;
    Settings::DatabaseLocation = options.server + ":" + options.folder;
    Settings::DatabaseUser = options.user;
    Settings::DatabasePassword = options.password;
    Settings::MemberNumber = StressMemberNumber(options.client);
    Settings::MemberName = "client" + std::to_string(options.client);
    Settings::RowsPerPage = 8;
    Settings::RefreshSeconds = 1;
    CreateForms();
    const bool ran = Client(options, log).Run();
    forms().FormFBDB->Disconnect();
    std::fclose(log);
    return ran ? 0 : 3;
}

// Measures the data-access module against a floor: a minimal loop that talks
// to fbclient directly and does the same statements, converting the same
// columns to text. The floor is what no client of the server can beat; the
// ratio module/floor is the module's own cost.

#include "app/Forms.h"
#include "app/Settings.h"
#include "db/DatabaseAdmin.h"
#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "search/PadCondition.h"
#include "search/UnitGSearch.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <firebird/Interface.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace Firebird;

namespace {

constexpr unsigned Dialect = 3;
constexpr int PageRows = 100;
const char* const PageCondition = "(SN > 0.0) AND (DF = 0)";
const char* const PageOrder = "SN,N";

std::string envOr(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::string(value) : std::string(fallback);
}

std::string join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

// The direct client: one attachment, each statement in a transaction of its own.
class Floor {
public:
    Floor() : Master(fb_get_master_interface()), Status(Master->getStatus()) {
        Provider = Master->getDispatcher();
        Util = Master->getUtilInterface();
    }
    ~Floor() {
        if (Attachment) {
            try {
                Attachment->detach(&Status);
            } catch (const FbException&) {
                Attachment->release();
            }
        }
        Provider->release();
        Status.dispose();
    }

    void attach(const std::string& database, const std::string& user, const std::string& password) {
        IXpbBuilder* dpb = Util->getXpbBuilder(&Status, IXpbBuilder::DPB, nullptr, 0);
        dpb->insertString(&Status, isc_dpb_user_name, user.c_str());
        dpb->insertString(&Status, isc_dpb_password, password.c_str());
        Attachment = Provider->attachDatabase(&Status, database.c_str(), dpb->getBufferLength(&Status),
                                              dpb->getBuffer(&Status));
        dpb->dispose();
    }

    void detach() {
        Attachment->detach(&Status);
        Attachment = nullptr;
    }

    // One statement without output, committed.
    void execute(const std::string& sql) { executeAll({sql}); }

    // Statements without output in one transaction, committed.
    void executeAll(const std::vector<std::string>& statements) {
        ITransaction* transaction = Attachment->startTransaction(&Status, 0, nullptr);
        for (const std::string& sql : statements)
            Attachment->execute(&Status, transaction, static_cast<unsigned>(sql.size()), sql.c_str(), Dialect,
                                nullptr, nullptr, nullptr, nullptr);
        transaction->commit(&Status);
    }

    // Runs a select in a transaction of its own, fetches every row and turns
    // every column into text; the first pageRows rows are kept, as a screen's
    // page. Returns the row count.
    size_t select(const std::string& sql, size_t pageRows, std::vector<std::vector<std::string>>& page) {
        page.clear();
        ITransaction* transaction = Attachment->startTransaction(&Status, 0, nullptr);
        IStatement* statement =
            Attachment->prepare(&Status, transaction, static_cast<unsigned>(sql.size()), sql.c_str(), Dialect,
                                IStatement::PREPARE_PREFETCH_METADATA);
        IMessageMetadata* metadata = statement->getOutputMetadata(&Status);
        const unsigned count = metadata->getCount(&Status);
        struct Column {
            unsigned type, offset, nullOffset, length;
        };
        std::vector<Column> columns(count);
        for (unsigned i = 0; i < count; ++i)
            columns[i] = {metadata->getType(&Status, i) & ~1u, metadata->getOffset(&Status, i),
                          metadata->getNullOffset(&Status, i), metadata->getLength(&Status, i)};
        std::vector<unsigned char> message(metadata->getMessageLength(&Status));
        IResultSet* cursor = statement->openCursor(&Status, transaction, nullptr, nullptr, metadata, 0);
        std::vector<std::string> row(count);
        size_t rows = 0;
        while (cursor->fetchNext(&Status, message.data()) == IStatus::RESULT_OK) {
            for (unsigned i = 0; i < count; ++i)
                toText(message.data(), columns[i].type, columns[i].offset, columns[i].nullOffset,
                       columns[i].length, row[i]);
            if (rows < pageRows)
                page.push_back(row);
            ++rows;
        }
        cursor->close(&Status);
        statement->free(&Status);
        metadata->release();
        transaction->commit(&Status);
        return rows;
    }

private:
    static void toText(const unsigned char* message, unsigned type, unsigned offset, unsigned nullOffset,
                       unsigned length, std::string& out) {
        out.clear();
        short null;
        std::memcpy(&null, message + nullOffset, sizeof null);
        if (null)
            return;
        char digits[24];
        const unsigned char* data = message + offset;
        switch (type) {
        case SQL_SHORT: {
            std::int16_t value;
            std::memcpy(&value, data, sizeof value);
            out.assign(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
            break;
        }
        case SQL_LONG: {
            std::int32_t value;
            std::memcpy(&value, data, sizeof value);
            out.assign(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
            break;
        }
        case SQL_DOUBLE: {
            double value;
            std::memcpy(&value, data, sizeof value);
            out = FloatToText(value);
            break;
        }
        case SQL_TEXT:
            out.assign(reinterpret_cast<const char*>(data), length);
            break;
        case SQL_VARYING: {
            std::uint16_t size;
            std::memcpy(&size, data, sizeof size);
            out.assign(reinterpret_cast<const char*>(data + 2), size);
            break;
        }
        default:
            break;
        }
    }

    IMaster* Master;
    ThrowStatusWrapper Status;
    IProvider* Provider = nullptr;
    IUtil* Util = nullptr;
    IAttachment* Attachment = nullptr;
};

// The floor of TableExists: the same catalogue query, names right-trimmed and
// compared without regard to letter case.
bool floorTableExists(Floor& floor, const std::string& name) {
    static const std::string sql =
        "Select RDB$RELATION_NAME from RDB$RELATIONS  where RDB$VIEW_BLR is NULL and "
        "RDB$SYSTEM_FLAG = 0 ORDER BY RDB$RELATION_NAME\r\n";
    std::vector<std::vector<std::string>> names;
    floor.select(sql, SIZE_MAX, names);
    const std::string wanted = UpperCase932(name);
    bool found = false;
    for (std::vector<std::string>& row : names) {
        std::string& table = row[0];
        table.erase(table.find_last_not_of(' ') + 1);
        found = found || UpperCase932(table) == wanted;
    }
    return found;
}

std::string insertText(const std::string& table, const FieldList& fields) {
    std::vector<std::string> lines{"INSERT INTO " + table + " ("};
    for (size_t i = 0; i < fields.size(); ++i)
        lines.push_back("   " + fields[i].Name + (i + 1 < fields.size() ? "," : ""));
    lines.push_back("   ) ");
    lines.push_back("   VALUES (");
    for (size_t i = 0; i < fields.size(); ++i) {
        const std::string& value = fields[i].Value;
        const std::string literal =
            fields[i].Kind == 4 ? (value.empty() ? "NULL" : "'" + value + "'") : value;
        lines.push_back("   " + literal + (i + 1 < fields.size() ? "," : ""));
    }
    lines.push_back("   );");
    return join(lines);
}

double milliseconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Outcome {
    std::string name;
    double module;
    double floor;
};

double minimum(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

// One untimed run of each, then repetitions alternating which goes first.
Outcome measure(const std::string& name, int repetitions, const std::function<void()>& module,
                const std::function<void()>& floor) {
    module();
    floor();
    std::vector<double> moduleTimes, floorTimes;
    for (int r = 0; r < repetitions; ++r) {
        if (r % 2 == 0) {
            moduleTimes.push_back(milliseconds(module));
            floorTimes.push_back(milliseconds(floor));
        } else {
            floorTimes.push_back(milliseconds(floor));
            moduleTimes.push_back(milliseconds(module));
        }
    }
    Outcome outcome{name, median(moduleTimes), median(floorTimes)};
    std::printf("%-42s %11.3f %11.3f %7.3f %11.3f %11.3f %7.3f\n", name.c_str(), outcome.module,
                outcome.floor, outcome.module / outcome.floor, minimum(moduleTimes), minimum(floorTimes),
                minimum(moduleTimes) / minimum(floorTimes));
    std::fflush(stdout);
    return outcome;
}

const char* const PadLine = "来週の営業会議の資料を準備して下さい。meeting notes";

// A memo pad of lines rows filled on the server: every twentieth line is deleted.
void fillPad(Floor& floor, const std::string& table, int lines) {
    const std::string text = Codec::sj(PadLine);
    const std::string find = SearchKey(text);
    floor.execute(
        "CREATE TABLE " + table +
        " (N INTEGER NOT NULL UNIQUE, SN DOUBLE PRECISION, DF SMALLINT, MN SMALLINT, TEXT VARCHAR(120), "
        "FIND VARCHAR(240))");
    floor.execute("EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= " + std::to_string(lines) +
                  ") DO BEGIN INSERT INTO " + table +
                  " VALUES (:I, :I, IIF(MOD(:I, 20) = 0, MOD(:I, 4) + 1, 0), MOD(:I, 4) + 1, '" + text +
                  "' || :I, '" + find + "' || :I); I = I + 1; END END");
}

int run(const std::string& folder) {
    const std::string user = "SYSDBA";
    const std::string password = envOr("QBOOK_DB_PASSWORD", "quillstem");
    const std::string prefix = "localhost:" + folder + "/";
    const std::string database = prefix + Settings::DatabaseFileName;

    Floor floor;
    floor.attach(database, user, password);
    TFormFBDB db;
    if (!db.Connect(prefix, Settings::DatabaseFileName, user, password)) {
        std::fprintf(stderr, "qbook2-bench: module cannot connect: %s\n", db.LastError().c_str());
        return 1;
    }

    std::printf("setting up pads of 1 000, 10 000 and 100 000 lines and 2 000 tables...\n");
    std::fflush(stdout);
    const int padSizes[] = {1000, 10000, 100000};
    for (int lines : padSizes)
        fillPad(floor, MyMemoTable(lines), lines);
    // With the three pads and the two insert tables below, 2 000 tables.
    std::vector<std::string> creates;
    for (int i = 1; i <= 2000 - 5; ++i)
        creates.push_back("CREATE TABLE " + OgMemoTable(i) +
                          " (N INTEGER NOT NULL UNIQUE, SN DOUBLE PRECISION, DF SMALLINT, MN SMALLINT, "
                          "TEXT VARCHAR(120), FIND VARCHAR(240))");
    floor.executeAll(creates);
    FieldList memo;
    SetMemoFields(memo);
    const std::string moduleInserts = CgMemoTable(1);
    const std::string floorInserts = CgMemoTable(2);
    if (!db.CreateTable(moduleInserts, MemoColumns, memo) ||
        !db.CreateTable(floorInserts, MemoColumns, memo)) {
        std::fprintf(stderr, "qbook2-bench: cannot create the insert tables: %s\n", db.LastError().c_str());
        return 1;
    }

    std::printf("\n%-42s %11s %11s %7s %11s %11s %7s\n", "case (ms)", "module med", "floor med", "ratio",
                "module min", "floor min", "ratio");
    std::vector<Outcome> outcomes;
    const int selectRepetitions[] = {31, 15, 9};
    for (size_t k = 0; k < std::size(padSizes); ++k) {
        const std::string table = MyMemoTable(padSizes[k]);
        const std::string sql =
            join({"SELECT * ", "   FROM " + table + " ", "   WHERE " + std::string(PageCondition) + " ",
                  "   ORDER BY " + std::string(PageOrder) + " ", "   ;"});
        FieldList row;
        SetMemoFields(row);
        size_t moduleRows = 0, floorRows = 0;
        std::vector<std::vector<std::string>> page;
        outcomes.push_back(measure(
            "SelectRows + page of 100, " + std::to_string(padSizes[k]) + " lines", selectRepetitions[k],
            [&] {
                moduleRows = static_cast<size_t>(db.SelectRows("*", table, PageCondition, PageOrder));
                db.ReadFirst(row);
                for (int i = 1; i < PageRows; ++i)
                    db.ReadNext(row);
                db.CloseQuery();
            },
            [&] { floorRows = floor.select(sql, PageRows, page); }));
        if (moduleRows != floorRows || row[4].Value != page.back()[4])
            std::fprintf(stderr, "qbook2-bench: module and floor disagree (%zu and %zu rows)\n", moduleRows,
                         floorRows);
    }

    bool moduleFound = false, floorFound = false;
    outcomes.push_back(measure(
        "TableExists, 2 000 tables", 31, [&] { moduleFound = db.TableExists("ogmemo1500"); },
        [&] { floorFound = floorTableExists(floor, "ogmemo1500"); }));
    if (!moduleFound || !floorFound || db.ListBox1().size() != 2000)
        std::fprintf(stderr, "qbook2-bench: TableExists did not see the 2 000 tables (%zu)\n",
                     db.ListBox1().size());

    const std::string line = Codec::sj("新しい行を登録しました。insert benchmark line");
    memo[1].Value = "1";
    memo[2].Value = "0";
    memo[3].Value = "1";
    memo[4].Value = line;
    memo[5].Value = SearchKey(line);
    int moduleNext = 1, floorNext = 1, moduleFailures = 0;
    outcomes.push_back(measure(
        "1 000 single-line inserts", 9,
        [&] {
            for (int i = 0; i < 1000; ++i) {
                memo[0].Value = std::to_string(moduleNext++);
                moduleFailures += db.InsertRow(moduleInserts, MemoColumns, memo) ? 0 : 1;
            }
        },
        [&] {
            FieldList values = memo;
            for (int i = 0; i < 1000; ++i) {
                values[0].Value = std::to_string(floorNext++);
                floor.execute(insertText(floorInserts, values));
            }
        }));
    if (moduleFailures > 0)
        std::fprintf(stderr, "qbook2-bench: %d module inserts failed: %s\n", moduleFailures,
                     db.LastError().c_str());

    db.Disconnect();
    floor.detach();
    bool allWithin = true;
    for (const Outcome& outcome : outcomes)
        allWithin = allWithin && outcome.module / outcome.floor <= 1.10;
    std::printf("\ngoal: median module/floor <= 1.10: %s\n",
                allWithin ? "met in every case" : "missed in some case");
    return 0;
}

// The global search over 300 pads of 1 000 lines: the own pad and 99 other
// members' pads, 100 open groups, 99 closed groups with the member and the
// all-members pad. Every tenth pad has the word in every tenth line. The floor
// is what the search cannot do without: one catalogue read and the search
// statement of every pad, its rows fetched and turned into text.
int runGlobalSearch(const std::string& folder) {
    const std::string user = "SYSDBA";
    const std::string password = envOr("QBOOK_DB_PASSWORD", "quillstem");
    const std::string prefix = "localhost:" + folder + "/";
    Floor floor;
    floor.attach(prefix + Settings::DatabaseFileName, user, password);

    std::printf("setting up 300 pads of 1 000 lines...\n");
    std::fflush(stdout);
    TFormFBDB setup;
    FieldList member;
    SetMemberFields(member);
    FieldList groups;
    SetGroupFields(groups);
    if (!setup.Connect(prefix, Settings::DatabaseFileName, user, password) ||
        !setup.CreateTable("MEMBER", MemberColumns, member) ||
        !setup.CreateTable("OGROUP", GroupColumns, groups) ||
        !setup.CreateTable("CGROUP", GroupColumns, groups)) {
        std::fprintf(stderr, "qbook2-bench: cannot create the registry: %s\n", setup.LastError().c_str());
        return 1;
    }
    setup.Disconnect();
    const std::string name = Codec::sj("メンバー");
    const std::string group = Codec::sj("グループ");
    const std::string outline = Codec::sj("ベンチマーク用");
    std::vector<std::string> registry;
    std::vector<std::string> pads;
    for (int n = 1; n <= 100; ++n) {
        registry.push_back("INSERT INTO MEMBER VALUES (" + std::to_string(n) + ", '" + name +
                           std::to_string(n) + "', 'p')");
        registry.push_back("INSERT INTO OGROUP (N, ENDED, NAME, OUTLINE, P1) VALUES (" + std::to_string(n) +
                           ", 0, '" + group + std::to_string(n) + "', '" + outline + "', 2)");
        if (n < 100)
            registry.push_back("INSERT INTO CGROUP (N, ENDED, NAME, OUTLINE, P1, P15) VALUES (" +
                               std::to_string(n) + ", 1, '" + group + std::to_string(n) + "', '" + outline +
                               "', 2, 1)");
        pads.push_back(MyMemoTable(n));
    }
    floor.executeAll(registry);
    for (int n = 1; n <= 100; ++n)
        pads.push_back(OgMemoTable(n));
    for (int n = 1; n < 100; ++n)
        pads.push_back(CgMemoTable(n));
    pads.push_back(AlMemoTable());

    const std::string word = Codec::sj("かいぎしつ");
    const std::string plain = Codec::sj(PadLine);
    const std::string match = Codec::sj("第２カイギシツの予約を確認して下さい。room ");
    for (size_t i = 0; i < pads.size(); ++i) {
        const bool withMatches = i % 10 == 9;
        floor.execute("CREATE TABLE " + pads[i] +
                      " (N INTEGER NOT NULL UNIQUE, SN DOUBLE PRECISION, DF SMALLINT, MN SMALLINT, TEXT "
                      "VARCHAR(120), FIND VARCHAR(240))");
        const std::string text =
            withMatches ? "IIF(MOD(:I, 10) = 0, '" + match + "', '" + plain + "')" : "'" + plain + "'";
        const std::string find =
            withMatches ? "IIF(MOD(:I, 10) = 0, '" + SearchKey(match) + "', '" + SearchKey(plain) + "')"
                        : "'" + SearchKey(plain) + "'";
        floor.execute(
            "EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= 1000) DO BEGIN INSERT INTO " +
            pads[i] + " VALUES (:I, :I, 0, 1, " + text + " || :I, " + find + " || :I); I = I + 1; END END");
    }

    Settings::ServerName = "localhost";
    Settings::ServerFolder = folder + "/";
    Settings::DatabaseLocation = prefix;
    Settings::DatabaseUser = user;
    Settings::DatabasePassword = password;
    Settings::MemberNumber = 1;
    Settings::MemberName = name + "1";
    CreateForms();
    TFormGSearch* window = forms().FormGSearch;
    window->show();
    if (!window->Ready) {
        std::fprintf(stderr, "qbook2-bench: the global search cannot connect\n");
        DestroyForms();
        return 1;
    }
    window->Edit1->setText(Codec::toQString(word));

    const std::string key = SearchKey(word);
    const std::string condition = PadCondition("FIND", key);
    std::vector<std::string> statements;
    for (const std::string& pad : pads)
        statements.push_back(join({"SELECT * ", "   FROM " + pad + " ", "   WHERE " + condition + " ",
                                   "   ORDER BY SN,N ", "   ;"}));
    size_t floorHits = 0;
    std::vector<std::vector<std::string>> rows;
    std::printf("\n%-42s %11s %11s %7s %11s %11s %7s\n", "case (ms)", "module med", "floor med", "ratio",
                "module min", "floor min", "ratio");
    const Outcome outcome = measure(
        "global search, 300 pads of 1 000 lines", 9, [&] { window->Button1Click(); },
        [&] {
            floorHits = 0;
            floorTableExists(floor, pads.front());
            for (const std::string& statement : statements)
                floorHits += floor.select(statement, SIZE_MAX, rows);
        });
    const qsizetype moduleLines = window->RichEdit1->toPlainText().count(QLatin1Char('\n')) + 1;
    // Each pad's heading, its hits and the three separators.
    if (floorHits != 3000 || moduleLines != static_cast<qsizetype>(pads.size() + floorHits + 3))
        std::fprintf(stderr, "qbook2-bench: the search listed %lld lines for %zu hits\n",
                     static_cast<long long>(moduleLines), floorHits);
    window->hide();
    forms().FormFBDB->Disconnect();
    DestroyForms();
    floor.detach();
    std::printf("\ngoal: median global search/floor <= 1.20: %s\n",
                outcome.module / outcome.floor <= 1.20 ? "met" : "missed");
    return 0;
}

// Runs cases on a database of their own under the data folder, dropped afterwards.
int withDatabase(const std::string& name, int (*cases)(const std::string& folder)) {
    const std::string base = envOr("QBOOK2_BENCH_DATA_DIR", "/var/lib/qbook2");
    const std::string folder = base + "/" + name + "-" + std::to_string(getpid());
    if (::mkdir(folder.c_str(), 0777) != 0) {
        std::fprintf(stderr, "qbook2-bench: cannot create %s: %s\n", folder.c_str(), std::strerror(errno));
        return 1;
    }
    // The server runs as its own user and must be able to write the file.
    ::chmod(folder.c_str(), 0777);
    const std::string user = "SYSDBA";
    const std::string password = envOr("QBOOK_DB_PASSWORD", "quillstem");
    const std::string database = "localhost:" + folder + "/" + Settings::DatabaseFileName;
    std::string error;
    int status = 1;
    if (!DatabaseAdmin::CreateDatabase(database, user, password, &error)) {
        std::fprintf(stderr, "qbook2-bench: cannot create %s: %s\n", database.c_str(), error.c_str());
    } else {
        try {
            status = cases(folder);
        } catch (const FbException& e) {
            char text[1024];
            fb_get_master_interface()->getUtilInterface()->formatStatus(text, sizeof text, e.getStatus());
            std::fprintf(stderr, "qbook2-bench: %s\n", text);
        }
        if (!DatabaseAdmin::DropDatabase(database, user, password, &error))
            std::fprintf(stderr, "qbook2-bench: cannot drop %s: %s\n", database.c_str(), error.c_str());
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return status;
}

} // namespace

// Without arguments every case runs; --gsearch runs only the global search.
int main(int argc, char** argv) {
    const bool onlyGlobalSearch = argc == 2 && std::strcmp(argv[1], "--gsearch") == 0;
    if (argc > 1 && !onlyGlobalSearch) {
        std::fprintf(stderr, "usage: qbook2-bench [--gsearch]\n");
        return 2;
    }
    // The global search is a window; it needs no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    int status = 0;
    if (!onlyGlobalSearch)
        status = withDatabase("bench", run);
    if (status == 0)
        status = withDatabase("bench-gsearch", runGlobalSearch);
    return status;
}

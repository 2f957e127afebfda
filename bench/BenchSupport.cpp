#include "BenchSupport.h"

#include "app/Settings.h"
#include "db/DatabaseAdmin.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

using namespace Firebird;

namespace Bench {

namespace {

constexpr unsigned Dialect = 3;

void toText(const unsigned char* message, unsigned type, unsigned offset, unsigned nullOffset,
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

double milliseconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double minimum(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

std::string envOr(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::string(value) : std::string(fallback);
}

std::string user() {
    return "SYSDBA";
}

std::string password() {
    return envOr("QBOOK_DB_PASSWORD", "quillstem");
}

std::string join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

Floor::Floor() : Master(fb_get_master_interface()), Status(Master->getStatus()) {
    Provider = Master->getDispatcher();
    Util = Master->getUtilInterface();
}

Floor::~Floor() {
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

void Floor::attach(const std::string& database, const std::string& user, const std::string& password) {
    IXpbBuilder* dpb = Util->getXpbBuilder(&Status, IXpbBuilder::DPB, nullptr, 0);
    dpb->insertString(&Status, isc_dpb_user_name, user.c_str());
    dpb->insertString(&Status, isc_dpb_password, password.c_str());
    Attachment = Provider->attachDatabase(&Status, database.c_str(), dpb->getBufferLength(&Status),
                                          dpb->getBuffer(&Status));
    dpb->dispose();
}

void Floor::detach() {
    Attachment->detach(&Status);
    Attachment = nullptr;
}

void Floor::execute(const std::string& sql) {
    executeAll({sql});
}

void Floor::executeAll(const std::vector<std::string>& statements) {
    ITransaction* transaction = Attachment->startTransaction(&Status, 0, nullptr);
    for (const std::string& sql : statements)
        Attachment->execute(&Status, transaction, static_cast<unsigned>(sql.size()), sql.c_str(), Dialect,
                            nullptr, nullptr, nullptr, nullptr);
    transaction->commit(&Status);
}

size_t Floor::select(const std::string& sql, size_t pageRows, Rows& page) {
    page.clear();
    ITransaction* transaction = Attachment->startTransaction(&Status, 0, nullptr);
    IStatement* statement = Attachment->prepare(&Status, transaction, static_cast<unsigned>(sql.size()),
                                                sql.c_str(), Dialect, IStatement::PREPARE_PREFETCH_METADATA);
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

bool floorTableExists(Floor& floor, const std::string& name) {
    static const std::string sql =
        "Select RDB$RELATION_NAME from RDB$RELATIONS  where RDB$VIEW_BLR is NULL and "
        "RDB$SYSTEM_FLAG = 0 ORDER BY RDB$RELATION_NAME\r\n";
    Rows names;
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

void printHeader() {
    std::printf("\n%-48s %10s %10s %7s %7s %10s %10s\n", "case (ms)", "module med", "floor med", "ratio",
                "paired", "module min", "floor min");
}

Outcome summarize(const std::string& name, const std::vector<double>& moduleTimes,
                  const std::vector<double>& floorTimes) {
    std::vector<double> ratios;
    for (size_t r = 0; r < moduleTimes.size() && r < floorTimes.size(); ++r)
        ratios.push_back(moduleTimes[r] / floorTimes[r]);
    const Outcome outcome{name, median(moduleTimes), median(floorTimes), median(ratios)};
    std::printf("%-48s %10.3f %10.3f %7.3f %7.3f %10.3f %10.3f\n", outcome.name.c_str(), outcome.module,
                outcome.floor, outcome.module / outcome.floor, outcome.paired, minimum(moduleTimes),
                minimum(floorTimes));
    std::fflush(stdout);
    return outcome;
}

Outcome measure(const std::string& name, int repetitions, const std::function<void()>& module,
                const std::function<void()>& floor, const std::function<void()>& prepare) {
    const auto timedModule = [&] {
        if (prepare)
            prepare();
        return milliseconds(module);
    };
    timedModule();
    floor();
    std::vector<double> moduleTimes, floorTimes;
    for (int r = 0; r < repetitions; ++r) {
        if (r % 2 == 0) {
            moduleTimes.push_back(timedModule());
            floorTimes.push_back(milliseconds(floor));
        } else {
            floorTimes.push_back(milliseconds(floor));
            moduleTimes.push_back(timedModule());
        }
    }
    return summarize(name, moduleTimes, floorTimes);
}

int withDatabase(const std::string& name, const std::function<int(const std::string& folder)>& cases) {
    const std::string base = envOr("QBOOK2_BENCH_DATA_DIR", "/var/lib/qbook2");
    const std::string folder = base + "/" + name + "-" + std::to_string(QCoreApplication::applicationPid());
    if (const int error = DatabaseAdmin::MakeDatabaseFolder(folder); error != 0) {
        std::fprintf(stderr, "qbook2-bench: cannot create %s: %s\n", folder.c_str(), std::strerror(error));
        return 1;
    }
    const std::string database = "localhost:" + folder + "/" + Settings::DatabaseFileName;
    std::string error;
    int status = 1;
    if (!DatabaseAdmin::CreateDatabase(database, user(), password(), &error)) {
        std::fprintf(stderr, "qbook2-bench: cannot create %s: %s\n", database.c_str(), error.c_str());
    } else {
        try {
            status = cases(folder);
        } catch (const FbException& e) {
            char text[1024];
            fb_get_master_interface()->getUtilInterface()->formatStatus(text, sizeof text, e.getStatus());
            std::fprintf(stderr, "qbook2-bench: %s\n", text);
        }
        if (!DatabaseAdmin::DropDatabase(database, user(), password(), &error))
            std::fprintf(stderr, "qbook2-bench: cannot drop %s: %s\n", database.c_str(), error.c_str());
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return status;
}

bool Child::start(const std::string& program, const std::vector<std::string>& arguments) {
    QStringList args;
    for (const std::string& argument : arguments)
        args.append(QString::fromStdString(argument));
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(QString::fromStdString(program), args);
    return process.waitForStarted(-1);
}

bool Child::waitForOutput() {
    return process.bytesAvailable() > 0 || process.waitForReadyRead(-1);
}

bool Child::finish(std::string* output) {
    const bool finished = process.waitForFinished(-1);
    if (output)
        *output = process.readAllStandardOutput().toStdString();
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

void printGoals(const std::vector<Goal>& goals) {
    std::printf("\n%-64s %10s %8s\n", "goal", "measured", "limit");
    for (const Goal& goal : goals)
        std::printf("%-64s %10.3f %8.3f  %s\n", goal.what.c_str(), goal.value, goal.limit,
                    goal.value <= goal.limit ? "met" : "MISSED");
    std::fflush(stdout);
}

std::string createMemoTableText(const std::string& table) {
    return "CREATE TABLE " + table +
           " (N INTEGER NOT NULL UNIQUE, SN DOUBLE PRECISION, DF SMALLINT, MN SMALLINT, TEXT VARCHAR(120), "
           "FIND VARCHAR(240))";
}

} // namespace Bench

namespace Bench {

const char* const PadLine = "来週の営業会議の資料を準備して下さい。meeting notes";

void fillPad(Floor& floor, const std::string& table, int lines, const std::string& matchText,
             int matchEvery) {
    const std::string plain = Codec::sj(PadLine);
    std::string text = "'" + plain + "'";
    std::string find = "'" + SearchKey(plain) + "'";
    if (matchEvery > 0) {
        const std::string every = "IIF(MOD(:I, " + std::to_string(matchEvery) + ") = 0, '";
        text = every + matchText + "', " + text + ")";
        find = every + SearchKey(matchText) + "', " + find + ")";
    }
    floor.execute(createMemoTableText(table));
    floor.execute("EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= " + std::to_string(lines) +
                  ") DO BEGIN INSERT INTO " + table +
                  " VALUES (:I, :I, IIF(MOD(:I, 20) = 0, MOD(:I, 4) + 1, 0), MOD(:I, 4) + 1, " + text +
                  " || :I, " + find + " || :I); I = I + 1; END END");
}

} // namespace Bench

#include "AdminCommand.h"

#include "FirebirdTool.h"
#include "app/CommandLine.h"
#include "app/Settings.h"
#include "app/SettingsFiles.h"
#include "db/ClientRights.h"
#include "db/DatabaseAdmin.h"
#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <ostream>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kUsage[] = R"(usage: qbook2-admin [connection options] COMMAND [arguments]

Creates a qbook2 database (QBOOK.FDB) and registers its members and groups.

connection options (before COMMAND):
  --server HOST      database server (default localhost)
  --folder PATH      folder of QBOOK.FDB on the server, e.g. /var/lib/qbook2/office/ (required)
  --user NAME        database user (default SYSDBA)
  --password TEXT    database password (default quillstem)
  --password-file FILE
                     read the password, and the user unless --user is given, from FILE as
                     Debian keeps SYSDBA's (ISC_USER=..., ISC_PASSWORD="..." lines), e.g.
                     /etc/firebird/3.0/SYSDBA.password; keeps the password out of the process list
  --help             this text
  --version          the version

commands:
  create-db [--client-user NAME --client-password PASSWORD]
                                   create QBOOK.FDB with the tables MEMBER, OGROUP and CGROUP,
                                   and with the client login NAME (see client-user)
  client-user NAME PASSWORD        make NAME the database login of the clients, or give it that
                                   password, and grant it what the client needs: read MEMBER,
                                   OGROUP and CGROUP, create memo tables, read and write every
                                   memo table (also those made later, by anyone); it cannot
                                   change registry rows or any other table. Running it again
                                   changes nothing
  member-add N NAME PASSWORD       register member N (1..32767)
  member-set N [--name NAME] [--password PASSWORD]
  member-list
  member-remove N
  group-add open|closed N NAME [--outline TEXT] [--start YYYYMMDD] [--end YYYYMMDD]
                               [--ended] [--members 1,2,3]
  group-set open|closed N [--name NAME] [--outline TEXT] [--start YYYYMMDD] [--end YYYYMMDD]
                          [--ended | --running] [--members 1,2,3]
  group-list open|closed
  group-remove open|closed N
  demo                             create the database if it is missing and fill it with demo
                                   members, groups and memo lines, unless MEMBER has rows
  events-on                        give every memo table the trigger through which open clients
                                   see a change of its pad at once (running it again is harmless)
  events-off                       remove that trigger from every memo table; the clients then
                                   see changes at their next timed refresh
  add-memo-indexes                 add the indexes on the page order (SN, N) and on N to every
                                   memo table that lacks them; those it has are left as they are
  backup FILE [--replace]          copy the database into FILE in Firebird's backup format (gbak);
                                   --replace overwrites a FILE that exists
  restore FILE [--replace]         make the database from the backup FILE; a database that exists
                                   is kept unless --replace, which first checks that FILE
                                   restores, then ends the connections that use the database and
                                   replaces it
  write-settings PROGRAM [--member N --member-password TEXT]
                                   write the settings files of the client whose executable is
                                   PROGRAM, for this database, with member N identified; a
                                   settings file that exists already is kept

Texts are read as UTF-8 and stored as code page 932; they may not contain an
apostrophe, a double quote or control characters. A group has at most 15
participants, each a registered member. --members "" empties a group and
--start "" or --end "" clears a date.
Exit status: 0 done, 1 refused or failed, 2 wrong command line.
)";

constexpr int kMaxMemberNumber = 32767; // member numbers live in SMALLINT columns of the memo tables
constexpr int kFirstSlot = 6;           // entry of the first participant slot in a group row

struct ServerOptions {
    std::string server = "localhost";
    std::string folder;
    std::string user = "SYSDBA";
    std::string password = "quillstem";
};

// The user and password of a file such as Debian's SYSDBA.password: shell
// assignments ISC_USER=... and ISC_PASSWORD=..., values in quotes or bare.
bool readPasswordFile(const std::string& path, std::string& user, std::string& password, std::string& error) {
    std::ifstream file(path);
    if (!file) {
        error = "cannot read " + path;
        return false;
    }
    bool found = false;
    std::string line;
    while (std::getline(file, line)) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string name = line.substr(0, eq);
        std::string value = line.substr(eq + 1);
        while (!value.empty() && (value.back() == '\r' || value.back() == ' '))
            value.pop_back();
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        if (name == "ISC_USER")
            user = value;
        if (name == "ISC_PASSWORD") {
            password = value;
            found = true;
        }
    }
    if (!found || password.empty()) {
        error = path + " holds no ISC_PASSWORD";
        return false;
    }
    return true;
}

// The arguments of one command: positional values, options with a value and
// flags, each option given at most once.
struct CommandArgs {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
    std::set<std::string> flags;

    bool has(const std::string& option) const { return options.count(option) > 0; }
};

bool parseCommandArgs(const std::vector<std::string>& args, size_t from, const std::set<std::string>& valued,
                      const std::set<std::string>& flagNames, CommandArgs& parsed, std::string& error) {
    bool optionsEnded = false;
    for (size_t i = from; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            parsed.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = arg;
        std::string value;
        bool inlineValue = false;
        if (const size_t eq = arg.find('='); eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            inlineValue = true;
        }
        if (parsed.has(name) || parsed.flags.count(name)) {
            error = name + " is given twice";
            return false;
        }
        if (flagNames.count(name) && !inlineValue) {
            parsed.flags.insert(name);
        } else if (valued.count(name)) {
            if (!inlineValue) {
                if (i + 1 >= args.size()) {
                    error = name + " needs a value";
                    return false;
                }
                value = args[++i];
            }
            parsed.options[name] = value;
        } else {
            error = "unknown option " + arg;
            return false;
        }
    }
    return true;
}

bool isDigits(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A whole number in [1, max], written in decimal digits only.
bool parseNumber(const std::string& text, const std::string& what, long long max, std::string& number,
                 std::string& error) {
    if (!isDigits(text)) {
        error = what + " must be a whole number, not \"" + text + "\"";
        return false;
    }
    const size_t first = std::min(text.find_first_not_of('0'), text.size());
    const std::string digits = text.substr(first);
    if (digits.empty() || digits.size() > 10 || std::stoll(digits) > max) {
        error = what + " must be between 1 and " + std::to_string(max) + ", not " + text;
        return false;
    }
    number = digits;
    return true;
}

// The largest key an INTEGER (Kind 1) or SMALLINT column holds.
long long maxForKind(std::int32_t kind) {
    return kind == 1 ? 2147483647LL : 32767LL;
}

// A text argument converted to code page 932. Quotes are refused because
// statement texts carry values between apostrophes unescaped; control
// characters and characters code page 932 cannot hold are refused as well.
bool storedText(const std::string& utf8, const std::string& what, const TableField& field, bool required,
                std::string& sjis, std::string& error) {
    if (ContainsQuote(utf8)) {
        error = what + " must not contain an apostrophe or a double quote";
        return false;
    }
    if (std::any_of(utf8.begin(), utf8.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; })) {
        error = what + " must not contain control characters";
        return false;
    }
    sjis = Codec::fromUtf8(utf8);
    if (std::count(sjis.begin(), sjis.end(), '?') != std::count(utf8.begin(), utf8.end(), '?')) {
        error = what + " holds characters that code page 932 cannot store";
        return false;
    }
    if (required && RemoveSpaces(sjis).empty()) {
        error = what + " must not be empty";
        return false;
    }
    if (field.Kind == 4 && sjis.size() > static_cast<size_t>(field.Size)) {
        error = what + " is too long: " + std::to_string(sjis.size()) + " bytes in code page 932, at most " +
                std::to_string(field.Size);
        return false;
    }
    return true;
}

// YYYYMMDD, a real calendar day; an empty text clears the date.
bool parseDate(const std::string& text, const std::string& what, std::string& date, std::string& error) {
    if (text.empty()) {
        date.clear();
        return true;
    }
    if (text.size() == 8 && isDigits(text)) {
        using namespace std::chrono;
        const year_month_day day{year{std::stoi(text.substr(0, 4))},
                                 month{static_cast<unsigned>(std::stoi(text.substr(4, 2)))},
                                 std::chrono::day{static_cast<unsigned>(std::stoi(text.substr(6, 2)))}};
        if (day.ok() && std::stoi(text.substr(0, 4)) >= 1) {
            date = text;
            return true;
        }
    }
    error = what + " must be a date written YYYYMMDD, not \"" + text + "\"";
    return false;
}

// "1,2,3" to member numbers; at most 15, no number twice.
bool parseMembers(const std::string& text, std::vector<std::string>& members, std::string& error) {
    members.clear();
    if (RemoveSpaces(text).empty())
        return true;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        item.erase(0, item.find_first_not_of(' '));
        item.erase(item.find_last_not_of(' ') + 1);
        std::string number;
        if (!parseNumber(item, "a participant's member number", kMaxMemberNumber, number, error))
            return false;
        if (std::find(members.begin(), members.end(), number) != members.end()) {
            error = "member " + number + " is listed twice";
            return false;
        }
        members.push_back(number);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (members.size() > static_cast<size_t>(GroupSlots)) {
        error = "a group has at most " + std::to_string(GroupSlots) + " participants, not " +
                std::to_string(members.size());
        return false;
    }
    return true;
}

struct GroupKind {
    std::string table;                      // registry table
    std::string (*memoTable)(std::int32_t); // the memo table of one group
    std::string word;                       // for messages
};

bool parseGroupKind(const std::string& text, GroupKind& kind) {
    if (text == "open") {
        kind = {"OGROUP", OgMemoTable, "open group"};
        return true;
    }
    if (text == "closed") {
        kind = {"CGROUP", CgMemoTable, "closed group"};
        return true;
    }
    return false;
}

FieldList memberFields() {
    FieldList fields(MemberColumns);
    SetMemberFields(fields);
    return fields;
}

FieldList groupFields() {
    FieldList fields(GroupColumns);
    SetGroupFields(fields);
    return fields;
}

FieldList memoFields() {
    FieldList fields(MemoColumns);
    SetMemoFields(fields);
    return fields;
}

// Demo content: members, groups and memo lines, as UTF-8.
struct DemoMember {
    const char* number;
    const char* name;
    const char* password;
};
const DemoMember kDemoMembers[] = {{"1", "山田太郎", "yamada"},
                                   {"2", "佐藤花子", "sato"},
                                   {"3", "鈴木一郎", "suzuki"},
                                   {"4", "Tanaka", "tanaka"}};

struct DemoGroup {
    const char* kind;
    const char* number;
    bool ended;
    const char* start;
    const char* end;
    const char* name;
    const char* outline;
    std::vector<const char*> members;
};
const DemoGroup kDemoGroups[] = {
    {"open", "1", false, "20240401", "", "営業会議", "毎週月曜の営業会議の連絡", {"1", "2"}},
    {"open",
     "2",
     true,
     "20230901",
     "20231031",
     "社員旅行2023",
     "秋の社員旅行の準備（終了）",
     {"1", "2", "3", "4"}},
    {"closed", "1", false, "20240515", "", "新製品企画", "新製品の企画検討（関係者のみ）", {"1", "3"}},
    {"closed", "2", true, "20231101", "20240331", "予算検討", "来期予算の検討（終了）", {"1", "2"}},
};

struct DemoLine {
    std::string table;
    std::int32_t member;
    const char* text;
};

std::vector<DemoLine> demoLines() {
    std::vector<DemoLine> lines = {
        {AlMemoTable(), 1, "全メンバーめもへようこそ。連絡はここに書いて下さい。"},
        {AlMemoTable(), 2, "来週の会議は水曜日の10時からです。"},
        {AlMemoTable(), 3, "コピー機のトナーを交換しました。"},
        {AlMemoTable(), 4, "meeting room B is booked on friday afternoon"},
        {AlMemoTable(), 1, "かいぎしつの鍵は受付にあります。"},
        {AlMemoTable(), 2, "カイギシツの予約は前日までにお願いします。"},
        {AlMemoTable(), 3, "ｶﾀｶﾅ半角の行も検索できます。"},
        {AlMemoTable(), 4, "please check the new wifi password at the front desk"},
    };
    static const char* const kNotices[] = {
        "お知らせ：月末の締め処理をお願いします。", "お客様から電話がありました。折り返して下さい。",
        "出張予定は共有カレンダーに入れて下さい。", "備品の注文は金曜日までです。",
        "office supplies arrive on monday",         "掃除当番表を更新しました。",
    };
    // Enough lines in the all-members pad for several pages at 5 lines a page.
    for (int i = 0; i < 22; ++i)
        lines.push_back({AlMemoTable(), i % 4 + 1, kNotices[i % 6]});
    lines.insert(lines.end(), {
                                  {MyMemoTable(1), 1, "山田のメモ：見積書を明日までに作成する。"},
                                  {MyMemoTable(1), 1, "すずきさんに資料を送る。"},
                                  {MyMemoTable(1), 1, "call the printer company about the contract"},
                                  {MyMemoTable(1), 1, "ミーティングの議事録をまとめる。"},
                                  {OgMemoTable(1), 1, "今週の営業会議の議題をここに書きます。"},
                                  {OgMemoTable(1), 2, "新規のおきゃくさま訪問の報告。"},
                                  {OgMemoTable(1), 1, "オキャクサマ一覧を更新しました。"},
                                  {OgMemoTable(1), 2, "sales report for april is ready"},
                              });
    return lines;
}

class Admin {
public:
    Admin(const ServerOptions& server, std::ostream& out, std::ostream& err)
        : Server(server), Out(out), Err(err) {}

    int createDb(const CommandArgs& args);
    int clientUser(const CommandArgs& args);
    int backup(const CommandArgs& args);
    int restore(const CommandArgs& args);
    int memberAdd(const CommandArgs& args);
    int memberSet(const CommandArgs& args);
    int memberList();
    int memberRemove(const CommandArgs& args);
    int groupAdd(const CommandArgs& args);
    int groupSet(const CommandArgs& args);
    int groupList(const CommandArgs& args);
    int groupRemove(const CommandArgs& args);
    int demo();
    int changeEvents(bool on);
    int addMemoIndexes();
    int writeSettings(const CommandArgs& args);

private:
    std::string locationPrefix() const { return Server.server + ":" + Server.folder; }
    std::string connectionString() const { return locationPrefix() + Settings::DatabaseFileName; }

    int fail(const std::string& message) {
        Err << "qbook2-admin: " << message << "\n";
        return kAdminFailed;
    }
    // Reports a refusal where a bool result is wanted.
    bool refuse(const std::string& message) {
        fail(message);
        return false;
    }
    std::string lastError() const { return Codec::toUtf8(Db.LastError()); }

    bool connect();
    bool createRegistryTables(bool onlyMissing);
    bool requireTable(const std::string& table);
    // Appends the memo tables of the database; false (reported) when they cannot be listed.
    bool listMemoTables(std::vector<std::string>& tables);
    bool memberExists(const std::string& number);
    bool validateGroup(const GroupKind& kind, const FieldList& fields);
    bool applyGroupOptions(const CommandArgs& args, FieldList& fields);
    bool addMemoLine(const std::string& table, std::int32_t member, const char* text);
    std::vector<std::string> groupsNaming(const std::string& member);
    bool writeUnlessPresent(const std::string& path, const std::function<bool()>& write);
    bool validLogin(const std::string& name, const std::string& password);
    bool grantClientLogin(const std::string& name, const std::string& password);
    bool exists(const std::string& table, const std::string& column, const std::string& name);
    // What the login and the client role hold: "HOLDER OBJECT LETTER" each.
    std::set<std::string> heldPrivileges(const std::string& login);
    bool run(const std::vector<std::string>& statement, const std::string& what);
    int otherConnections();
    FirebirdToolRun runTool(const std::string& program, const std::vector<std::string>& args) const {
        return RunFirebirdTool(program, args, Server.user, Server.password);
    }
    // True (reported) when the tool could not be run or failed.
    bool toolFailed(const FirebirdToolRun& run, const std::string& program, const std::string& what);

    ServerOptions Server;
    std::ostream& Out;
    std::ostream& Err;
    TFormFBDB Db;
};

bool Admin::connect() {
    if (Db.Connect(locationPrefix(), Settings::DatabaseFileName, Server.user, Server.password))
        return true;
    return refuse("cannot connect to " + connectionString() + ": " + lastError());
}

bool Admin::requireTable(const std::string& table) {
    if (Db.TableExists(table))
        return true;
    return refuse("the database has no table " + table + "; create it with create-db");
}

bool Admin::createRegistryTables(bool onlyMissing) {
    const std::pair<const char*, FieldList> tables[] = {
        {"MEMBER", memberFields()}, {"OGROUP", groupFields()}, {"CGROUP", groupFields()}};
    for (const auto& [table, fields] : tables) {
        if (onlyMissing && Db.TableExists(table))
            continue;
        if (!Db.CreateTable(table, static_cast<int>(fields.size()), fields))
            return refuse(std::string("cannot create table ") + table + ": " + lastError());
    }
    return true;
}

int Admin::createDb(const CommandArgs& args) {
    const bool withLogin = args.has("--client-user");
    if (withLogin && !validLogin(args.options.at("--client-user"), args.options.at("--client-password")))
        return kAdminFailed;
    std::string error;
    if (!DatabaseAdmin::CreateDatabase(connectionString(), Server.user, Server.password, &error))
        return fail("cannot create " + connectionString() + ": " + Codec::toUtf8(error));
    if (!connect() || !createRegistryTables(false)) {
        // A database without its registry tables is of no use: remove it again.
        Db.Disconnect();
        DatabaseAdmin::DropDatabase(connectionString(), Server.user, Server.password, &error);
        return kAdminFailed;
    }
    Out << "created " << connectionString() << " with the tables MEMBER, OGROUP and CGROUP\n";
    if (withLogin &&
        !grantClientLogin(args.options.at("--client-user"), args.options.at("--client-password")))
        return kAdminFailed;
    return kAdminOk;
}

bool Admin::validLogin(const std::string& name, const std::string& password) {
    if (!ClientRights::IsLoginName(name))
        return refuse(
            "the login name must be a letter followed by letters, digits and underscores, at most " +
            std::to_string(ClientRights::LoginNameMax) + " in all, and not SYSDBA, PUBLIC or " +
            ClientRights::ClientRole + ", not \"" + name + "\"");
    if (!ClientRights::IsLoginPassword(password))
        return refuse("the login password must be 1 to " + std::to_string(ClientRights::LoginPasswordMax) +
                      " printable ASCII characters without blanks or quotes");
    return true;
}

bool Admin::exists(const std::string& table, const std::string& column, const std::string& name) {
    const int count = Db.SelectRows(column, table, column + " = '" + name + "'", "");
    Db.CloseQuery();
    return count > 0;
}

bool Admin::run(const std::vector<std::string>& statement, const std::string& what) {
    if (Db.RunStatement(statement))
        return true;
    return refuse("cannot " + what + ": " + lastError());
}

// The login first (its password checked by logging in with it), then the
// role that lists the client logins, the two database triggers that keep
// the memo tables usable by every client login and refuse them any other
// metadata change, and the grants, each given to the login and to the role.
// What is in place is left alone, so a second run changes nothing.
bool Admin::grantClientLogin(const std::string& name, const std::string& password) {
    using namespace ClientRights;
    const std::string login = LoginName(name);
    TFormFBDB probe;
    const bool passwordHolds = probe.Connect(locationPrefix(), Settings::DatabaseFileName, login, password);
    probe.Disconnect();
    const bool known = exists("SEC$USERS", "SEC$USER_NAME", login);
    if (!passwordHolds && !run(CreateOrAlterUser(login, password), "create the login " + login))
        return false;
    std::vector<std::string> memoTables;
    if (!listMemoTables(memoTables))
        return false;
    if (!exists("RDB$ROLES", "RDB$ROLE_NAME", ClientRole) && !run(CreateRole(), "create the role"))
        return false;
    if (!exists("RDB$EXCEPTIONS", "RDB$EXCEPTION_NAME", RefusedDdlException) &&
        !run(CreateRefusedDdlException(), "create the exception " + std::string(RefusedDdlException)))
        return false;
    for (const auto& [trigger, statement] : {std::pair{DdlGuardTrigger, CreateDdlGuardTrigger()},
                                             std::pair{MemoGrantTrigger, CreateMemoGrantTrigger()}})
        if (!exists("RDB$TRIGGERS", "RDB$TRIGGER_NAME", trigger) &&
            !run(statement, "create the trigger " + std::string(trigger)))
            return false;
    // Only what is missing: a privilege held already (from the table's owner,
    // say) is not granted a second time by another grantor.
    const std::set<std::string> held = heldPrivileges(login);
    const auto missing = [&](const std::string& holder, const std::string& object,
                             const std::string& letters) {
        std::string absent;
        for (const char letter : letters)
            if (!held.count(holder + " " + object + " " + letter))
                absent += letter;
        return absent;
    };
    if (!missing(login, ClientRole, "M").empty() && !run(GrantRole(login), "grant the role to " + login))
        return false;
    for (const auto& [holder, grantee] :
         {std::pair{login, UserGrantee(login)}, std::pair{std::string(ClientRole), RoleGrantee()}}) {
        for (const char* table : {"MEMBER", "OGROUP", "CGROUP"})
            if (const std::string absent = missing(holder, table, Read);
                !absent.empty() && !run(GrantOn(absent, table, grantee), "grant " + grantee + " " + table))
                return false;
        if (!missing(holder, "SQL$TABLES", "C").empty() &&
            !run(GrantCreateTable(grantee), "grant creating tables to " + grantee))
            return false;
        for (const std::string& table : memoTables)
            if (const std::string absent = missing(holder, table, ReadWrite);
                !absent.empty() && !run(GrantOn(absent, table, grantee), "grant " + grantee + " " + table))
                return false;
    }
    Out << "client login " << login
        << (passwordHolds ? " kept: its password is the one given"
            : known       ? " has the password given now"
                          : " created")
        << "\n"
        << login << " reads MEMBER, OGROUP and CGROUP, creates memo tables, and reads and writes every memo "
        << "table (" << memoTables.size() << " now); it changes no registry row and no other metadata\n";
    return true;
}

std::set<std::string> Admin::heldPrivileges(const std::string& login) {
    const auto trimmed = [](const std::string& name) {
        return name.substr(0, name.find_last_not_of(' ') + 1);
    };
    std::set<std::string> held;
    FieldList row(3);
    const int count = Db.SelectRows("RDB$USER,RDB$RELATION_NAME,RDB$PRIVILEGE", "RDB$USER_PRIVILEGES",
                                    "RDB$USER IN ('" + login + "', '" + ClientRights::ClientRole + "')", "");
    for (int i = 0; i < count; ++i) {
        i == 0 ? Db.ReadFirst(row) : Db.ReadNext(row);
        held.insert(trimmed(row[0].Value) + " " + trimmed(row[1].Value) + " " + trimmed(row[2].Value));
    }
    Db.CloseQuery();
    return held;
}

int Admin::clientUser(const CommandArgs& args) {
    const std::string& name = args.positional[0];
    const std::string& password = args.positional[1];
    if (!validLogin(name, password))
        return kAdminFailed;
    if (!connect() || !requireTable("MEMBER") || !requireTable("OGROUP") || !requireTable("CGROUP"))
        return kAdminFailed;
    return grantClientLogin(name, password) ? kAdminOk : kAdminFailed;
}

bool Admin::toolFailed(const FirebirdToolRun& run, const std::string& program, const std::string& what) {
    if (run.started && run.status == 0)
        return false;
    std::string output = run.output;
    while (!output.empty() && (output.back() == '\n' || output.back() == ' '))
        output.pop_back();
    fail(run.started ? what + ": " + output
                     : "cannot run " + program + " (it comes with the package firebird3.0-utils)");
    return true;
}

// The copy is written beside FILE and renamed onto it when complete, so that
// a backup that fails half-way leaves no truncated copy and keeps an older one.
int Admin::backup(const CommandArgs& args) {
    const std::string& file = args.positional[0];
    if (::access(file.c_str(), F_OK) == 0 && !args.flags.count("--replace"))
        return fail(file + " exists; backup --replace overwrites it");
    const std::string partial = file + ".part";
    std::remove(partial.c_str());
    if (toolFailed(runTool("gbak", {"-b", connectionString(), partial}), "gbak",
                   "cannot back up " + connectionString())) {
        std::remove(partial.c_str());
        return kAdminFailed;
    }
    if (std::rename(partial.c_str(), file.c_str()) != 0) {
        std::remove(partial.c_str());
        return fail("cannot rename " + partial + " to " + file);
    }
    Out << "backed up " << connectionString() << " to " << file << "\n";
    return kAdminOk;
}

int Admin::otherConnections() {
    const int count = Db.SelectRows("MON$ATTACHMENT_ID", "MON$ATTACHMENTS",
                                    "MON$ATTACHMENT_ID <> CURRENT_CONNECTION AND MON$SYSTEM_FLAG = 0", "");
    Db.CloseQuery();
    return count;
}

// The backup is first restored beside the database, under another name: a
// backup that does not restore (gbak leaves what it made of it) never takes
// the database's place. Only then are the connections to a database that
// exists ended (a single-user shutdown, which the restore ends).
int Admin::restore(const CommandArgs& args) {
    const std::string& file = args.positional[0];
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || ::access(file.c_str(), R_OK) != 0)
        return fail("cannot read the backup " + file);
    const std::string target = connectionString();
    const bool exists =
        Db.Connect(locationPrefix(), Settings::DatabaseFileName, Server.user, Server.password);
    const int users = exists ? otherConnections() : 0;
    Db.Disconnect();
    const std::string inUse = users > 0 ? " (" + std::to_string(users) +
                                              (users == 1 ? " connection uses it)" : " connections use it)")
                                        : "";
    if (exists && !args.flags.count("--replace"))
        return fail(target + " exists" + inUse + "; restore --replace replaces it");
    const std::string trial = locationPrefix() + "QBOOK-restore-trial.FDB";
    const FirebirdToolRun trialRun = runTool("gbak", {"-rep", file, trial});
    DatabaseAdmin::DropDatabase(trial, Server.user, Server.password);
    if (toolFailed(trialRun, "gbak",
                   "cannot restore " + file + (exists ? ", so " + target + " is left as it was" : "")))
        return kAdminFailed;
    if (!exists) {
        if (toolFailed(runTool("gbak", {"-c", file, target}), "gbak", "cannot restore " + file))
            return kAdminFailed;
        Out << "restored " << file << " into " << target << "\n";
        return kAdminOk;
    }
    if (toolFailed(runTool("gfix", {"-shut", "single", "-force", "0", target}), "gfix",
                   "cannot end the connections to " + target))
        return kAdminFailed;
    if (toolFailed(runTool("gbak", {"-rep", file, target}), "gbak", "cannot restore " + file)) {
        runTool("gfix", {"-online", target});
        return kAdminFailed;
    }
    Out << "restored " << file << " into " << target << ", replacing the database" << inUse << "\n";
    return kAdminOk;
}

bool Admin::memberExists(const std::string& number) {
    FieldList fields = memberFields();
    return Db.SelectRow("MEMBER", "N=" + number, fields);
}

int Admin::memberAdd(const CommandArgs& args) {
    FieldList fields = memberFields();
    std::string number, name, password, error;
    if (!parseNumber(args.positional[0], "the member number", kMaxMemberNumber, number, error) ||
        !storedText(args.positional[1], "the name", fields[1], true, name, error) ||
        !storedText(args.positional[2], "the password", fields[2], true, password, error))
        return fail(error);
    if (!connect() || !requireTable("MEMBER"))
        return kAdminFailed;
    if (Db.SelectRow("MEMBER", "N=" + number, fields))
        return fail("member " + number + " already exists (" + Codec::toUtf8(fields[1].Value) + ")");
    fields[0].Value = number;
    fields[1].Value = name;
    fields[2].Value = password;
    if (!Db.InsertRow("MEMBER", MemberColumns, fields))
        return fail("cannot add member " + number + ": " + lastError());
    Out << "member " << number << " added\n";
    return kAdminOk;
}

int Admin::memberSet(const CommandArgs& args) {
    FieldList fields = memberFields();
    std::string number, name, password, error;
    if (!parseNumber(args.positional[0], "the member number", kMaxMemberNumber, number, error) ||
        (args.has("--name") &&
         !storedText(args.options.at("--name"), "the name", fields[1], true, name, error)) ||
        (args.has("--password") &&
         !storedText(args.options.at("--password"), "the password", fields[2], true, password, error)))
        return fail(error);
    if (!connect() || !requireTable("MEMBER"))
        return kAdminFailed;
    if (!Db.SelectRow("MEMBER", "N=" + number, fields))
        return fail("there is no member " + number);
    if (args.has("--name"))
        fields[1].Value = name;
    if (args.has("--password"))
        fields[2].Value = password;
    if (!Db.UpdateRow("MEMBER", MemberColumns, fields, "N=" + number))
        return fail("cannot change member " + number + ": " + lastError());
    Out << "member " << number << " changed\n";
    return kAdminOk;
}

int Admin::memberList() {
    if (!connect() || !requireTable("MEMBER"))
        return kAdminFailed;
    FieldList fields = memberFields();
    const int count = Db.SelectRows("*", "MEMBER", "", "N");
    Db.ReadFirst(fields);
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            Db.ReadNext(fields);
        Out << Codec::toUtf8(fields[0].Value) << "\t" << Codec::toUtf8(fields[1].Value) << "\t"
            << Codec::toUtf8(fields[2].Value) << "\n";
    }
    Db.CloseQuery();
    return kAdminOk;
}

std::vector<std::string> Admin::groupsNaming(const std::string& member) {
    std::vector<std::string> groups;
    for (const char* kindName : {"open", "closed"}) {
        GroupKind kind;
        parseGroupKind(kindName, kind);
        if (!Db.TableExists(kind.table))
            continue;
        FieldList fields = groupFields();
        const int count = Db.SelectRows("*", kind.table, "", "N");
        Db.ReadFirst(fields);
        for (int i = 0; i < count; ++i) {
            if (i > 0)
                Db.ReadNext(fields);
            for (int slot = kFirstSlot; slot < GroupColumns; ++slot)
                if (ToIntOrZero(fields[slot].Value) == ToIntOrZero(member)) {
                    groups.push_back(kind.word + " " + fields[0].Value);
                    break;
                }
        }
        Db.CloseQuery();
    }
    return groups;
}

int Admin::memberRemove(const CommandArgs& args) {
    std::string number, error;
    if (!parseNumber(args.positional[0], "the member number", kMaxMemberNumber, number, error))
        return fail(error);
    if (!connect() || !requireTable("MEMBER"))
        return kAdminFailed;
    if (!memberExists(number))
        return fail("there is no member " + number);
    if (!Db.DeleteRows("MEMBER", "N=" + number))
        return fail("cannot remove member " + number + ": " + lastError());
    Out << "member " << number << " removed; its memo table " << MyMemoTable(ToIntOrZero(number))
        << " is kept\n";
    const std::vector<std::string> groups = groupsNaming(number);
    for (const std::string& group : groups)
        Err << "qbook2-admin: note: " << group << " still lists member " << number << " as a participant\n";
    return kAdminOk;
}

// Writes the group options into the row; a refused value is reported.
bool Admin::applyGroupOptions(const CommandArgs& args, FieldList& fields) {
    std::string text, error;
    if (args.has("--name")) {
        if (!storedText(args.options.at("--name"), "the group name", fields[4], true, text, error))
            return refuse(error);
        fields[4].Value = text;
    }
    if (args.has("--outline")) {
        if (!storedText(args.options.at("--outline"), "the outline", fields[5], false, text, error))
            return refuse(error);
        fields[5].Value = text;
    }
    for (const auto& [option, column] : {std::pair{"--start", 2}, std::pair{"--end", 3}}) {
        if (!args.has(option))
            continue;
        if (!parseDate(args.options.at(option), option == std::string("--start") ? "the start" : "the end",
                       text, error))
            return refuse(error);
        fields[column].Value = text;
    }
    if (args.flags.count("--ended"))
        fields[1].Value = "1";
    if (args.flags.count("--running"))
        fields[1].Value = "0";
    if (args.has("--members")) {
        std::vector<std::string> members;
        if (!parseMembers(args.options.at("--members"), members, error))
            return refuse(error);
        for (int slot = 0; slot < GroupSlots; ++slot)
            fields[kFirstSlot + slot].Value = slot < static_cast<int>(members.size()) ? members[slot] : "";
    }
    return true;
}

// Checks made against the database: participants must be registered and the
// period must not end before it starts.
bool Admin::validateGroup(const GroupKind& kind, const FieldList& fields) {
    const int start = ToIntOrZero(fields[2].Value);
    const int end = ToIntOrZero(fields[3].Value);
    if (start > 0 && end > 0 && end < start)
        return refuse("the " + kind.word + "'s period ends (" + fields[3].Value + ") before it starts (" +
                      fields[2].Value + ")");
    for (int slot = kFirstSlot; slot < GroupColumns; ++slot) {
        const int member = ToIntOrZero(fields[slot].Value);
        if (member > 0 && !memberExists(std::to_string(member)))
            return refuse("there is no member " + std::to_string(member) + " to take part in the " +
                          kind.word);
    }
    return true;
}

int Admin::groupAdd(const CommandArgs& args) {
    GroupKind kind;
    parseGroupKind(args.positional[0], kind);
    FieldList fields = groupFields();
    std::string number, name, error;
    if (!parseNumber(args.positional[1], "the group number", maxForKind(fields[0].Kind), number, error) ||
        !storedText(args.positional[2], "the group name", fields[4], true, name, error))
        return fail(error);
    fields[0].Value = number;
    fields[1].Value = "0";
    fields[4].Value = name;
    if (!applyGroupOptions(args, fields))
        return kAdminFailed;
    if (!connect() || !requireTable("MEMBER") || !requireTable(kind.table))
        return kAdminFailed;
    FieldList existing = groupFields();
    if (Db.SelectRow(kind.table, "N=" + number, existing))
        return fail(kind.word + " " + number + " already exists (" + Codec::toUtf8(existing[4].Value) + ")");
    if (!validateGroup(kind, fields))
        return kAdminFailed;
    if (!Db.InsertRow(kind.table, GroupColumns, fields))
        return fail("cannot add " + kind.word + " " + number + ": " + lastError());
    Out << kind.word << " " << number << " added\n";
    return kAdminOk;
}

int Admin::groupSet(const CommandArgs& args) {
    GroupKind kind;
    parseGroupKind(args.positional[0], kind);
    FieldList fields = groupFields();
    std::string number, error;
    if (!parseNumber(args.positional[1], "the group number", maxForKind(fields[0].Kind), number, error))
        return fail(error);
    if (!connect() || !requireTable("MEMBER") || !requireTable(kind.table))
        return kAdminFailed;
    if (!Db.SelectRow(kind.table, "N=" + number, fields))
        return fail("there is no " + kind.word + " " + number);
    if (!applyGroupOptions(args, fields) || !validateGroup(kind, fields))
        return kAdminFailed;
    if (!Db.UpdateRow(kind.table, GroupColumns, fields, "N=" + number))
        return fail("cannot change " + kind.word + " " + number + ": " + lastError());
    Out << kind.word << " " << number << " changed\n";
    return kAdminOk;
}

int Admin::groupList(const CommandArgs& args) {
    GroupKind kind;
    parseGroupKind(args.positional[0], kind);
    if (!connect() || !requireTable(kind.table))
        return kAdminFailed;
    FieldList fields = groupFields();
    const int count = Db.SelectRows("*", kind.table, "", "N");
    Db.ReadFirst(fields);
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            Db.ReadNext(fields);
        std::string members;
        for (int slot = kFirstSlot; slot < GroupColumns; ++slot)
            if (const int member = ToIntOrZero(fields[slot].Value); member > 0)
                members += (members.empty() ? "" : ",") + std::to_string(member);
        const auto date = [](const std::string& value) {
            return ToIntOrZero(value) > 0 ? std::to_string(ToIntOrZero(value)) : std::string();
        };
        Out << fields[0].Value << "\t" << (ToIntOrZero(fields[1].Value) != 0 ? "ended" : "running") << "\t"
            << date(fields[2].Value) << "\t" << date(fields[3].Value) << "\t"
            << Codec::toUtf8(fields[4].Value) << "\t" << Codec::toUtf8(fields[5].Value) << "\t" << members
            << "\n";
    }
    Db.CloseQuery();
    return kAdminOk;
}

int Admin::groupRemove(const CommandArgs& args) {
    GroupKind kind;
    parseGroupKind(args.positional[0], kind);
    FieldList fields = groupFields();
    std::string number, error;
    if (!parseNumber(args.positional[1], "the group number", maxForKind(fields[0].Kind), number, error))
        return fail(error);
    if (!connect() || !requireTable(kind.table))
        return kAdminFailed;
    if (!Db.SelectRow(kind.table, "N=" + number, fields))
        return fail("there is no " + kind.word + " " + number);
    if (!Db.DeleteRows(kind.table, "N=" + number))
        return fail("cannot remove " + kind.word + " " + number + ": " + lastError());
    Out << kind.word << " " << number << " removed; its memo table " << kind.memoTable(ToIntOrZero(number))
        << " is kept\n";
    return kAdminOk;
}

bool Admin::addMemoLine(const std::string& table, std::int32_t member, const char* text) {
    FieldList fields = memoFields();
    if (!Db.TableExists(table) && !CreateMemoTable(Db, table, fields))
        return refuse("cannot create table " + table + ": " + lastError());
    if (!InsertMemoLine(Db, table, fields, AppendSortNumber(Db, table), Codec::fromUtf8(text), member))
        return refuse("cannot add a line to " + table + ": " + lastError());
    return true;
}

int Admin::demo() {
    if (!Db.Connect(locationPrefix(), Settings::DatabaseFileName, Server.user, Server.password)) {
        const std::string connectError = lastError();
        std::string error;
        if (!DatabaseAdmin::CreateDatabase(connectionString(), Server.user, Server.password, &error))
            return fail("cannot connect to " + connectionString() + " (" + connectError +
                        ") nor create it (" + Codec::toUtf8(error) + ")");
        Out << "created " << connectionString() << "\n";
        if (!connect())
            return kAdminFailed;
    }
    if (!createRegistryTables(true))
        return kAdminFailed;
    if (!Db.SelectMax("MEMBER", "N", "").empty()) {
        Out << "MEMBER already has rows: demo data not added\n";
        return kAdminOk;
    }
    for (const DemoMember& member : kDemoMembers) {
        FieldList fields = memberFields();
        fields[0].Value = member.number;
        fields[1].Value = Codec::fromUtf8(member.name);
        fields[2].Value = Codec::fromUtf8(member.password);
        if (!Db.InsertRow("MEMBER", MemberColumns, fields))
            return fail(std::string("cannot add member ") + member.number + ": " + lastError());
    }
    for (const DemoGroup& group : kDemoGroups) {
        GroupKind kind;
        parseGroupKind(group.kind, kind);
        FieldList fields = groupFields();
        fields[0].Value = group.number;
        fields[1].Value = group.ended ? "1" : "0";
        fields[2].Value = group.start;
        fields[3].Value = group.end;
        fields[4].Value = Codec::fromUtf8(group.name);
        fields[5].Value = Codec::fromUtf8(group.outline);
        for (size_t i = 0; i < group.members.size(); ++i)
            fields[kFirstSlot + i].Value = group.members[i];
        if (!Db.InsertRow(kind.table, GroupColumns, fields))
            return fail("cannot add " + kind.word + " " + group.number + ": " + lastError());
    }
    const std::vector<DemoLine> lines = demoLines();
    for (const DemoLine& line : lines)
        if (!addMemoLine(line.table, line.member, line.text))
            return kAdminFailed;
    Out << "demo data added: " << std::size(kDemoMembers) << " members, " << std::size(kDemoGroups)
        << " groups, " << lines.size() << " memo lines\n";
    return kAdminOk;
}

bool Admin::listMemoTables(std::vector<std::string>& tables) {
    Db.TableExists(AlMemoTable());
    if (!Db.LastError().empty())
        return refuse("cannot list the tables: " + lastError());
    std::copy_if(Db.ListBox1().begin(), Db.ListBox1().end(), std::back_inserter(tables), IsMemoTableName);
    return true;
}

int Admin::addMemoIndexes() {
    std::vector<std::string> tables;
    if (!connect() || !listMemoTables(tables))
        return kAdminFailed;
    int added = 0;
    int kept = 0;
    int failed = 0;
    for (const std::string& table : tables) {
        for (const MemoIndex& index : MemoIndexes(table)) {
            const std::string what = "index " + index.name + " on " + table;
            if (IndexExists(Db, index.name)) {
                Out << "kept " << what << " (it exists)\n";
                ++kept;
            } else if (Db.CreateIndex(index.name, table, index.columns, index.descending)) {
                std::string columns;
                for (const char c : index.columns)
                    columns += c == ',' ? std::string(", ") : std::string(1, c);
                Out << "added " << what << " (" << columns << (index.descending ? ", descending" : "")
                    << ")\n";
                ++added;
            } else {
                Err << "qbook2-admin: cannot add " << what << ": " << lastError() << "\n";
                ++failed;
            }
        }
    }
    Out << tables.size() << " memo tables: " << added << " indexes added, " << kept << " kept";
    if (failed > 0)
        Out << ", " << failed << " failed";
    Out << "\n";
    return failed > 0 ? kAdminFailed : kAdminOk;
}

int Admin::changeEvents(bool on) {
    std::vector<std::string> tables;
    if (!connect() || !listMemoTables(tables))
        return kAdminFailed;
    for (const std::string& table : tables)
        if (!(on ? Db.AddChangeTrigger(table) : Db.DropChangeTrigger(table)))
            return fail("cannot " +
                        std::string(on ? "add the change trigger to " : "remove the change trigger of ") +
                        table + ": " + lastError());
    Out << (on ? "change events on for " : "change events off for ") << tables.size() << " memo table"
        << (tables.size() == 1 ? "" : "s") << "\n";
    return kAdminOk;
}

// The values a connection test and a user check in the client's settings
// dialog would leave, checked against the database the same way; then each
// settings file the client at the program path would read that is not there
// yet, with no window placed.
int Admin::writeSettings(const CommandArgs& args) {
    const std::string& program = args.positional[0];
    struct stat info {};
    if (::stat(program.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return fail("there is no program " + program);
    std::string number, password, error;
    FieldList row = memberFields();
    if (args.has("--member") &&
        (!parseNumber(args.options.at("--member"), "the member number", kMaxMemberNumber, number, error) ||
         !storedText(args.options.at("--member-password"), "the password", row[2], false, password, error)))
        return fail(error);
    Settings::SetStartValues();
    Settings::ServerName = Codec::fromUtf8(Server.server);
    Settings::ServerFolder = Codec::fromUtf8(Server.folder);
    Settings::DatabaseLocation = Settings::ServerName + ":" + Settings::ServerFolder;
    Settings::DatabaseUser = Codec::fromUtf8(Server.user);
    Settings::DatabasePassword = Codec::fromUtf8(Server.password);
    if (!Settings::ConnectCurrent(Db))
        return fail("cannot connect to " + connectionString() + ": " + lastError());
    if (!number.empty()) {
        if (!requireTable("MEMBER"))
            return kAdminFailed;
        if (!Db.SelectRow("MEMBER", "N=" + number, row))
            return fail("there is no member " + number);
        if (row[2].Value != password)
            return fail("wrong password for member " + number);
        Settings::MemberNumber = ToIntOrZero(number);
        Settings::MemberName = row[1].Value;
        Settings::MemberPassword = password;
    }
    Settings::ComputePathsFor(program);
    SettingsFiles::LayoutValues unplaced;
    unplaced.fill(SettingsFiles::UnplacedWindow);
    const bool written =
        writeUnlessPresent(Settings::LayoutFilePath,
                           [&] { return SettingsFiles::WriteLayout(Settings::LayoutFilePath, unplaced); }) &&
        writeUnlessPresent(Settings::DbSettingsFilePath,
                           [] { return SettingsFiles::WriteDbSettings(Settings::DbSettingsFilePath); });
    return written ? kAdminOk : kAdminFailed;
}

bool Admin::writeUnlessPresent(const std::string& path, const std::function<bool()>& write) {
    if (::access(path.c_str(), F_OK) == 0) {
        Out << "kept " << path << " (it exists)\n";
        return true;
    }
    if (!write())
        return refuse("cannot write " + path);
    Out << "wrote " << path << "\n";
    return true;
}

struct CommandSpec {
    const char* name;
    size_t positional;
    std::set<std::string> valued;
    std::set<std::string> flags;
    bool groupKind; // the first positional argument is open or closed
};

const CommandSpec kCommands[] = {
    {"create-db", 0, {"--client-user", "--client-password"}, {}, false},
    {"client-user", 2, {}, {}, false},
    {"backup", 1, {}, {"--replace"}, false},
    {"restore", 1, {}, {"--replace"}, false},
    {"member-add", 3, {}, {}, false},
    {"member-set", 1, {"--name", "--password"}, {}, false},
    {"member-list", 0, {}, {}, false},
    {"member-remove", 1, {}, {}, false},
    {"group-add", 3, {"--outline", "--start", "--end", "--members"}, {"--ended"}, true},
    {"group-set",
     2,
     {"--name", "--outline", "--start", "--end", "--members"},
     {"--ended", "--running"},
     true},
    {"group-list", 1, {}, {}, true},
    {"group-remove", 2, {}, {}, true},
    {"demo", 0, {}, {}, false},
    {"add-memo-indexes", 0, {}, {}, false},
    {"events-on", 0, {}, {}, false},
    {"events-off", 0, {}, {}, false},
    {"write-settings", 1, {"--member", "--member-password"}, {}, false},
};

int badUsage(std::ostream& err, const std::string& message) {
    err << "qbook2-admin: " << message << " (see qbook2-admin --help)\n";
    return kAdminBadUsage;
}

} // namespace

int RunAdmin(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (std::find(args.begin(), args.end(), "--help") != args.end()) {
        out << kUsage;
        return kAdminOk;
    }
    if (std::find(args.begin(), args.end(), "--version") != args.end()) {
        out << "qbook2-admin " << CommandLine::Version() << "\n";
        return kAdminOk;
    }
    ServerOptions server;
    std::string passwordFile;
    bool userGiven = false;
    bool passwordGiven = false;
    size_t i = 0;
    for (; i < args.size() && args[i].compare(0, 2, "--") == 0; ++i) {
        const std::string& arg = args[i];
        std::string name = arg;
        std::string value;
        if (const size_t eq = arg.find('='); eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return badUsage(err, arg + " needs a value");
        }
        if (name == "--server") {
            server.server = value;
        } else if (name == "--folder") {
            server.folder = value;
        } else if (name == "--user") {
            server.user = value;
            userGiven = true;
        } else if (name == "--password") {
            server.password = value;
            passwordGiven = true;
        } else if (name == "--password-file") {
            passwordFile = value;
        } else {
            return badUsage(err, "unknown option " + name);
        }
    }
    if (i >= args.size())
        return badUsage(err, "no command given");
    const std::string& command = args[i];
    const auto known = std::find_if(std::begin(kCommands), std::end(kCommands),
                                    [&](const CommandSpec& c) { return command == c.name; });
    if (known == std::end(kCommands))
        return badUsage(err, "unknown command " + command);
    CommandArgs parsed;
    std::string error;
    if (!parseCommandArgs(args, i + 1, known->valued, known->flags, parsed, error))
        return badUsage(err, command + ": " + error);
    if (parsed.positional.size() != known->positional)
        return badUsage(err, command + " takes " + std::to_string(known->positional) + " argument" +
                                 (known->positional == 1 ? "" : "s") + ", not " +
                                 std::to_string(parsed.positional.size()));
    GroupKind kind;
    if (known->groupKind && !parseGroupKind(parsed.positional[0], kind))
        return badUsage(err,
                        command + ": the group kind is open or closed, not \"" + parsed.positional[0] + "\"");
    if (command == "member-set" && parsed.options.empty())
        return badUsage(err, "member-set needs --name or --password");
    if (command == "group-set" && parsed.options.empty() && parsed.flags.empty())
        return badUsage(err, "group-set needs something to change");
    if (parsed.has("--member") != parsed.has("--member-password"))
        return badUsage(err, "--member and --member-password go together");
    if (parsed.has("--client-user") != parsed.has("--client-password"))
        return badUsage(err, "--client-user and --client-password go together");
    if (passwordGiven && !passwordFile.empty())
        return badUsage(err, "--password and --password-file exclude each other");
    if (parsed.flags.count("--ended") && parsed.flags.count("--running"))
        return badUsage(err, "--ended and --running exclude each other");
    if (RemoveSpaces(server.server).empty() || server.user.empty() || server.password.empty())
        return badUsage(err, "--server, --user and --password must not be empty");
    if (server.folder.empty())
        return badUsage(err, "--folder is required");
    if (server.folder.back() != '/')
        server.folder += '/';
    if (!passwordFile.empty()) {
        std::string fileUser;
        if (!readPasswordFile(passwordFile, fileUser, server.password, error)) {
            err << "qbook2-admin: " << error << "\n";
            return kAdminFailed;
        }
        if (!userGiven && !fileUser.empty())
            server.user = fileUser;
    }

    Admin admin(server, out, err);
    if (command == "create-db")
        return admin.createDb(parsed);
    if (command == "client-user")
        return admin.clientUser(parsed);
    if (command == "backup")
        return admin.backup(parsed);
    if (command == "restore")
        return admin.restore(parsed);
    if (command == "member-add")
        return admin.memberAdd(parsed);
    if (command == "member-set")
        return admin.memberSet(parsed);
    if (command == "member-list")
        return admin.memberList();
    if (command == "member-remove")
        return admin.memberRemove(parsed);
    if (command == "group-add")
        return admin.groupAdd(parsed);
    if (command == "group-set")
        return admin.groupSet(parsed);
    if (command == "group-list")
        return admin.groupList(parsed);
    if (command == "group-remove")
        return admin.groupRemove(parsed);
    if (command == "write-settings")
        return admin.writeSettings(parsed);
    if (command == "add-memo-indexes")
        return admin.addMemoIndexes();
    if (command == "events-on" || command == "events-off")
        return admin.changeEvents(command == "events-on");
    return admin.demo();
}

#include "AdminCommand.h"

#include "app/Settings.h"
#include "app/SettingsFiles.h"
#include "db/DatabaseAdmin.h"
#include "db/StatementText.h"
#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "support/TestDatabase.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <gtest/gtest.h>

#include <QScopeGuard>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <map>
#include <memory>
#include <pwd.h>
#include <sstream>
#include <sys/stat.h>

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome runAdmin(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int status = RunAdmin(args, out, err);
    return {status, out.str(), err.str()};
}

// Runs isql-fb on the database with the given input; stdout and stderr together.
std::string isql(const std::string& connectionString, const std::string& input) {
    const std::string command = "printf '" + input + "\\n' | isql-fb -q -user SYSDBA -password quillstem " +
                                connectionString + " 2>&1";
    std::string output;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe)
        return output;
    char buffer[512];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe.get()))
        output.append(buffer, n);
    return output;
}

// A folder of its own under /tmp, removed with the object.
struct TempFolder {
    TempFolder() {
        char pattern[] = "/tmp/qbook2-admin-XXXXXX";
        if (mkdtemp(pattern))
            path = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

// Whether the folder belongs to the firebird user and group with mode 0770.
bool heldByTheServer(const std::string& folder) {
    struct stat info {};
    const passwd* user = getpwnam("firebird");
    const group* group = getgrnam("firebird");
    return stat(folder.c_str(), &info) == 0 && user && group && info.st_uid == user->pw_uid &&
           info.st_gid == group->gr_gid && (info.st_mode & 07777) == 0770;
}

// The number on the last non-blank line of isql's output, or -1.
long long isqlCount(const std::string& output) {
    std::istringstream lines(output);
    std::string line, last;
    while (std::getline(lines, line))
        if (line.find_first_not_of(" \t") != std::string::npos)
            last = line;
    try {
        return std::stoll(last);
    } catch (const std::exception&) {
        return -1;
    }
}

// Every test of the suite works in one database made by create-db in the
// folder of the suite's TestDatabase (whose own empty database is dropped
// first); each test uses member and group numbers of its own.
class AdminCommand : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Database = new TestDatabase("admin");
        ASSERT_TRUE(Database->ok()) << Database->error();
        ASSERT_TRUE(DatabaseAdmin::DropDatabase(Database->connectionString(), Database->user(),
                                                Database->password()));
        CreateDb = new Outcome(admin({"create-db"}));
    }
    static void TearDownTestSuite() {
        delete CreateDb;
        delete Database;
    }

    static Outcome admin(std::vector<std::string> args) {
        args.insert(args.begin(), {"--folder", Database->folder()});
        return runAdmin(args);
    }

    static std::string memberList() { return admin({"member-list"}).out; }

    static bool readMember(const std::string& number, FieldList& fields) {
        TFormFBDB db;
        SetMemberFields(fields);
        if (!Database->connect(db))
            return false;
        const auto row = db.ReadRow(fields, "MEMBER", "N=" + number);
        if (!row || !*row)
            return false;
        fields = **row;
        return true;
    }

    static inline TestDatabase* Database = nullptr;
    static inline Outcome* CreateDb = nullptr;
};

TEST_F(AdminCommand, CreateDbMakesADatabaseThatIsqlReadsAndRefusesToOverwriteIt) {
    ASSERT_EQ(CreateDb->status, kAdminOk) << CreateDb->err;
    const std::string counted = isql(Database->connectionString(), "SELECT COUNT(*) FROM MEMBER;");
    EXPECT_NE(counted.find("COUNT"), std::string::npos) << counted;
    EXPECT_EQ(isqlCount(counted), 0) << counted;
    for (const char* table : {"OGROUP", "CGROUP"}) {
        const std::string columns = isql(Database->connectionString(),
                                         "SELECT COUNT(*) FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = "
                                         "\\047" +
                                             std::string(table) + "\\047;");
        EXPECT_EQ(isqlCount(columns), 21) << columns;
    }

    const Outcome again = admin({"create-db"});
    EXPECT_EQ(again.status, kAdminFailed);
    EXPECT_NE(again.err.find("cannot create"), std::string::npos) << again.err;
    EXPECT_EQ(admin({"member-list"}).status, kAdminOk);
}

TEST_F(AdminCommand, MemberIsAddedListedChangedAndRemovedInCodePage932) {
    ASSERT_EQ(admin({"member-add", "10", "山田太郎", "Pass10"}).status, kAdminOk);
    EXPECT_NE(memberList().find("10\t山田太郎\tPass10\n"), std::string::npos) << memberList();
    FieldList row;
    ASSERT_TRUE(readMember("10", row));
    EXPECT_EQ(row[1].Value, Codec::sj("山田太郎"));

    const Outcome changed = admin({"member-set", "10", "--name", "山田次郎", "--password=new pw"});
    ASSERT_EQ(changed.status, kAdminOk) << changed.err;
    ASSERT_TRUE(readMember("10", row));
    EXPECT_EQ(row[1].Value, Codec::sj("山田次郎"));
    EXPECT_EQ(row[2].Value, "new pw");
    ASSERT_EQ(admin({"member-set", "10", "--password", "only"}).status, kAdminOk);
    ASSERT_TRUE(readMember("10", row));
    EXPECT_EQ(row[1].Value, Codec::sj("山田次郎"));
    EXPECT_EQ(row[2].Value, "only");
    // An option's value is that value, even when it reads like an option.
    ASSERT_EQ(admin({"member-set", "10", "--password", "--help"}).status, kAdminOk);
    ASSERT_TRUE(readMember("10", row));
    EXPECT_EQ(row[2].Value, "--help");

    ASSERT_EQ(admin({"member-remove", "10"}).status, kAdminOk);
    EXPECT_FALSE(readMember("10", row));
    const Outcome gone = admin({"member-remove", "10"});
    EXPECT_EQ(gone.status, kAdminFailed);
    EXPECT_NE(gone.err.find("no member 10"), std::string::npos) << gone.err;
    EXPECT_EQ(admin({"member-set", "10", "--name", "X"}).status, kAdminFailed);
}

TEST_F(AdminCommand, RefusedMembersLeaveTheTableUnchanged) {
    ASSERT_EQ(admin({"member-add", "11", "Suzuki", "pw"}).status, kAdminOk);
    const std::string before = memberList();

    const Outcome duplicate = admin({"member-add", "11", "Other", "pw"});
    EXPECT_EQ(duplicate.status, kAdminFailed);
    EXPECT_NE(duplicate.err.find("already exists"), std::string::npos) << duplicate.err;
    for (const char* number : {"0", "32768", "-3", "12x", "99999999999"})
        EXPECT_EQ(admin({"member-add", number, "Name", "pw"}).status, kAdminFailed) << number;
    EXPECT_EQ(admin({"member-add", "32767", "Highest", "pw"}).status, kAdminOk);
    ASSERT_EQ(admin({"member-remove", "32767"}).status, kAdminOk);

    std::string sixtyOneBytes = "x";
    for (int i = 0; i < 30; ++i)
        sixtyOneBytes += "あ";
    for (const char* name : {"O'Neil", "say \"hi\"", "", "   ", "tab\there", "😀", sixtyOneBytes.c_str()})
        EXPECT_EQ(admin({"member-add", "12", name, "pw"}).status, kAdminFailed) << name;
    EXPECT_EQ(admin({"member-add", "12", "Fine", "it's"}).status, kAdminFailed);
    EXPECT_EQ(admin({"member-add", "12", "Fine", ""}).status, kAdminFailed);
    EXPECT_EQ(admin({"member-set", "11", "--name", "O'Neil"}).status, kAdminFailed);
    EXPECT_EQ(memberList(), before);
}

TEST_F(AdminCommand, GroupIsAddedListedChangedAndRemoved) {
    ASSERT_EQ(admin({"member-add", "20", "Aoki", "a"}).status, kAdminOk);
    ASSERT_EQ(admin({"member-add", "21", "Baba", "b"}).status, kAdminOk);
    const Outcome added = admin({"group-add", "closed", "5", "企画", "--outline", "新製品の検討", "--start",
                                 "20240401", "--members", "20, 21"});
    ASSERT_EQ(added.status, kAdminOk) << added.err;
    EXPECT_NE(admin({"group-list", "closed"}).out.find("5\trunning\t20240401\t\t企画\t新製品の検討\t20,21\n"),
              std::string::npos)
        << admin({"group-list", "closed"}).out;
    EXPECT_EQ(admin({"group-list", "open"}).out.find("企画"), std::string::npos);

    ASSERT_EQ(admin({"group-set", "closed", "5", "--ended", "--end", "20240930", "--members", "21"}).status,
              kAdminOk);
    FieldList shape;
    SetGroupFields(shape);
    TFormFBDB db;
    ASSERT_TRUE(Database->connect(db));
    const auto read = db.ReadRow(shape, "CGROUP", "N=5");
    ASSERT_TRUE(read && *read);
    const FieldList& row = **read;
    EXPECT_TRUE(GroupEnded(row));
    EXPECT_TRUE(GroupHasMember(row, 21));
    EXPECT_FALSE(GroupHasMember(row, 20));
    EXPECT_EQ(row[4].Value, Codec::sj("企画"));
    EXPECT_EQ(ToIntOrZero(row[3].Value), 20240930);

    ASSERT_EQ(admin({"group-set", "closed", "5", "--running", "--start", "", "--members", ""}).status,
              kAdminOk);
    EXPECT_NE(admin({"group-list", "closed"}).out.find("5\trunning\t\t20240930\t企画\t新製品の検討\t\n"),
              std::string::npos);

    ASSERT_EQ(admin({"group-remove", "closed", "5"}).status, kAdminOk);
    EXPECT_EQ(admin({"group-remove", "closed", "5"}).status, kAdminFailed);
    EXPECT_EQ(admin({"group-list", "closed"}).out.find("企画"), std::string::npos);

    // A period of one day.
    const Outcome oneDay =
        admin({"group-add", "closed", "6", "Day", "--start", "20240401", "--end", "20240401"});
    ASSERT_EQ(oneDay.status, kAdminOk) << oneDay.err;
    EXPECT_NE(admin({"group-list", "closed"}).out.find("6\trunning\t20240401\t20240401\tDay\t"),
              std::string::npos);
}

TEST_F(AdminCommand, RefusedGroupsAreNotStored) {
    for (int n = 30; n <= 45; ++n)
        ASSERT_EQ(admin({"member-add", std::to_string(n), "M" + std::to_string(n), "pw"}).status, kAdminOk);
    ASSERT_EQ(admin({"group-add", "open", "7", "Seven", "--members", "30"}).status, kAdminOk);
    const std::string before = admin({"group-list", "open"}).out;

    const std::string fifteen = "30,31,32,33,34,35,36,37,38,39,40,41,42,43,44";
    const Outcome sixteen = admin({"group-add", "open", "8", "Many", "--members", fifteen + ",45"});
    EXPECT_EQ(sixteen.status, kAdminFailed);
    EXPECT_NE(sixteen.err.find("at most 15"), std::string::npos) << sixteen.err;
    EXPECT_EQ(admin({"group-set", "open", "7", "--members", fifteen + ",45"}).status, kAdminFailed);
    const Outcome duplicate = admin({"group-add", "open", "7", "Again"});
    EXPECT_EQ(duplicate.status, kAdminFailed);
    EXPECT_NE(duplicate.err.find("already exists"), std::string::npos) << duplicate.err;
    const Outcome unknown = admin({"group-add", "open", "8", "Ghost", "--members", "30,999"});
    EXPECT_EQ(unknown.status, kAdminFailed);
    EXPECT_NE(unknown.err.find("no member 999"), std::string::npos) << unknown.err;
    EXPECT_EQ(admin({"group-add", "open", "8", "Twice", "--members", "30,30"}).status, kAdminFailed);
    EXPECT_EQ(admin({"group-add", "open", "8", "Slot", "--members", "30,0"}).status, kAdminFailed);
    EXPECT_EQ(admin({"group-add", "open", "8", "Day", "--start", "20240230"}).status, kAdminFailed);
    EXPECT_EQ(admin({"group-add", "open", "8", "Back", "--start", "20240301", "--end", "20240201"}).status,
              kAdminFailed);
    EXPECT_EQ(admin({"group-set", "open", "7", "--end", "19991231", "--start", "20000101"}).status,
              kAdminFailed);
    EXPECT_EQ(admin({"group-add", "open", "8", "Quote", "--outline", "it's"}).status, kAdminFailed);
    EXPECT_EQ(admin({"group-set", "open", "7", "--name", "a\"b"}).status, kAdminFailed);
    EXPECT_EQ(admin({"group-set", "open", "9", "--name", "Nine"}).status, kAdminFailed);
    EXPECT_EQ(admin({"group-add", "open", "0", "Zero"}).status, kAdminFailed);
    EXPECT_EQ(admin({"group-list", "open"}).out, before);

    ASSERT_EQ(admin({"group-add", "open", "8", "Full", "--members", fifteen}).status, kAdminOk);
    EXPECT_NE(admin({"group-list", "open"}).out.find("\t" + fifteen + "\n"), std::string::npos);
}

TEST_F(AdminCommand, ConnectionFailuresAreReportedWithAFailureStatus) {
    const Outcome wrongPassword =
        runAdmin({"--folder", Database->folder(), "--password", "not-the-password", "member-list"});
    EXPECT_EQ(wrongPassword.status, kAdminFailed);
    EXPECT_NE(wrongPassword.err.find("cannot connect"), std::string::npos) << wrongPassword.err;
    EXPECT_TRUE(wrongPassword.out.empty());

    // Port 1 on the local machine: no server answers there.
    const Outcome serverDown =
        runAdmin({"--server", "localhost/1", "--folder", Database->folder(), "member-list"});
    EXPECT_EQ(serverDown.status, kAdminFailed);
    EXPECT_NE(serverDown.err.find("cannot connect"), std::string::npos) << serverDown.err;

    EXPECT_EQ(runAdmin({"--folder", Database->folder() + "/missing", "member-add", "50", "X", "y"}).status,
              kAdminFailed);
    EXPECT_EQ(runAdmin({"--folder", Database->folder(), "--password", "wrong", "create-db"}).status,
              kAdminFailed);
    const Outcome helpPassword =
        runAdmin({"--folder", Database->folder(), "--password", "--help", "member-list"});
    EXPECT_EQ(helpPassword.status, kAdminFailed);
    EXPECT_NE(helpPassword.err.find("cannot connect"), std::string::npos) << helpPassword.err;

    // The password from a file as Debian keeps SYSDBA's.
    TempFolder temp;
    const std::string file = temp.path + "/SYSDBA.password";
    const auto passwordFile = [&](const char* text) {
        std::ofstream(file) << "# comment\nISC_USER=sysdba\n" << text << "\n";
        return runAdmin({"--folder", Database->folder(), "--password-file", file, "member-list"});
    };
    EXPECT_EQ(passwordFile("ISC_PASSWORD=\"quillstem\"").status, kAdminOk);
    const Outcome wrongInFile = passwordFile("ISC_PASSWORD=quillstem2");
    EXPECT_EQ(wrongInFile.status, kAdminFailed);
    EXPECT_NE(wrongInFile.err.find("cannot connect"), std::string::npos) << wrongInFile.err;
    EXPECT_EQ(passwordFile("").status, kAdminFailed);
    const Outcome missing =
        runAdmin({"--folder", Database->folder(), "--password-file", temp.path + "/none", "member-list"});
    EXPECT_EQ(missing.status, kAdminFailed);
    EXPECT_NE(missing.err.find("cannot read"), std::string::npos) << missing.err;
}

// Registry tables the tool cannot read (made by something else, without the
// columns it reads by): every command says so and fails; none lists nothing,
// finds nothing or adds as if nothing were there.
TEST(AdminFailedReads, AreErrorsNotEmptyResults) {
    TestDatabase broken("adminbroken");
    ASSERT_TRUE(broken.ok()) << broken.error();
    ASSERT_TRUE(broken.runIsql("CREATE TABLE MEMBER (X INTEGER); CREATE TABLE OGROUP (X INTEGER); CREATE "
                               "TABLE CGROUP (X INTEGER);"));
    const std::vector<std::vector<std::string>> commands = {{"member-list"},
                                                            {"group-list", "open"},
                                                            {"member-add", "1", "Name", "pw"},
                                                            {"member-remove", "1"},
                                                            {"member-set", "1", "--name", "N"},
                                                            {"group-add", "closed", "1", "G"},
                                                            {"group-remove", "open", "1"}};
    for (std::vector<std::string> args : commands) {
        const std::string command = args[0];
        args.insert(args.begin(), {"--folder", broken.folder()});
        const Outcome outcome = runAdmin(args);
        EXPECT_EQ(outcome.status, kAdminFailed) << command;
        EXPECT_EQ(outcome.out, "") << command;
        EXPECT_NE(outcome.err.find("cannot read"), std::string::npos) << command << ": " << outcome.err;
    }
}

// The settings a client needs to open the pads at once, written only where it has none.
TEST_F(AdminCommand, WriteSettingsPreparesAClientOnce) {
    ASSERT_EQ(admin({"member-add", "60", "山田太郎", "pw60"}).status, kAdminOk);
    char pattern[] = "/tmp/qbook2-admin-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string folder = std::string(pattern) + "/";
    const std::string program = folder + "qbook2";
    std::fclose(std::fopen(program.c_str(), "w"));
    const auto writeSettings = [&](const char* password) {
        return admin({"write-settings", program, "--member", "60", "--member-password", password});
    };

    const Outcome refused = writeSettings("PW60");
    EXPECT_EQ(refused.status, kAdminFailed);
    EXPECT_NE(refused.err.find("wrong password"), std::string::npos) << refused.err;
    EXPECT_FALSE(std::filesystem::exists(folder + "qbook2.dat"));

    const Outcome written = writeSettings("pw60");
    ASSERT_EQ(written.status, kAdminOk) << written.err;
    Settings::SetStartValues();
    SettingsFiles::LayoutValues windows{};
    ASSERT_TRUE(SettingsFiles::ReadLayout(folder + "qbook2.dat", windows));
    ASSERT_TRUE(SettingsFiles::ReadDbSettings(folder + "qbook2db.dat"));
    EXPECT_TRUE(Settings::DatabaseConfigured());
    EXPECT_EQ(Settings::MemberNumber, 60);
    EXPECT_EQ(Settings::MemberName, Codec::sj("山田太郎"));
    EXPECT_EQ(Settings::MemberPassword, "pw60");
    EXPECT_EQ(Settings::RefreshSeconds, 30);
    EXPECT_EQ(Settings::RowsPerPage, 100);
    EXPECT_EQ(windows[0], SettingsFiles::UnplacedWindow);
    TFormFBDB db;
    EXPECT_TRUE(Settings::ConnectCurrent(db));
    db.Disconnect();

    // What the user changed since stays.
    Settings::RowsPerPage = 5;
    ASSERT_TRUE(SettingsFiles::WriteLayout(folder + "qbook2.dat", windows));
    const Outcome again = writeSettings("pw60");
    EXPECT_EQ(again.status, kAdminOk);
    EXPECT_NE(again.out.find("kept"), std::string::npos);
    Settings::SetStartValues();
    ASSERT_TRUE(SettingsFiles::ReadLayout(folder + "qbook2.dat", windows));
    EXPECT_EQ(Settings::RowsPerPage, 5);
    Settings::SetStartValues();
    std::filesystem::remove_all(folder);
}

// The tables that have a change trigger, by name.
std::vector<std::string> changeTriggers(TFormFBDB& db) {
    const auto trimmed = [](const std::string& name) {
        return name.substr(0, name.find_last_not_of(' ') + 1);
    };
    const auto rows = db.ReadRows(FieldList(2), "RDB$RELATION_NAME,RDB$TRIGGER_NAME", "RDB$TRIGGERS",
                                  "RDB$SYSTEM_FLAG = 0", "RDB$RELATION_NAME");
    if (!rows)
        return {"failed"};
    std::vector<std::string> tables;
    for (const FieldList& row : *rows)
        if (trimmed(row[1].Value) == StatementText::ChangeTriggerName(trimmed(row[0].Value)))
            tables.push_back(trimmed(row[0].Value));
    return tables;
}

TEST_F(AdminCommand, EventsOnAndOffCoverEveryMemoTableAndMayBeRepeated) {
    TFormFBDB db;
    ASSERT_TRUE(Database->connect(db));
    FieldList fields;
    SetMemoFields(fields);
    // Memo tables as copies that know nothing of events make them, and a table of another kind.
    for (const std::string& table :
         {MyMemoTable(70), OgMemoTable(70), AlMemoTable(), std::string("MYMEMO70X")})
        ASSERT_TRUE(db.CreateTable(table, MemoColumns, fields)) << db.LastError();
    const auto triggersRemoved = qScopeGuard([] { admin({"events-off"}); });

    for (int run = 0; run < 2; ++run) {
        const Outcome on = admin({"events-on"});
        ASSERT_EQ(on.status, kAdminOk) << on.err;
        EXPECT_EQ(on.out, "change events on for 3 memo tables\n");
        EXPECT_EQ(changeTriggers(db), (std::vector<std::string>{"ALMEMO", "MYMEMO70", "OGMEMO70"}));
    }
    for (int run = 0; run < 2; ++run) {
        const Outcome off = admin({"events-off"});
        ASSERT_EQ(off.status, kAdminOk) << off.err;
        EXPECT_EQ(off.out, "change events off for 3 memo tables\n");
        EXPECT_EQ(changeTriggers(db), std::vector<std::string>{});
    }
}

TEST(AdminCommandLine, WrongCommandLinesAreUsageErrors) {
    const Outcome help = runAdmin({"--help"});
    EXPECT_EQ(help.status, kAdminOk);
    EXPECT_NE(help.out.find("member-add N NAME PASSWORD"), std::string::npos);
    const Outcome version = runAdmin({"--version"});
    EXPECT_EQ(version.status, kAdminOk);
    EXPECT_EQ(version.out.rfind("qbook2-admin ", 0), 0u) << version.out;
    EXPECT_EQ(runAdmin({"--folder", "/x/", "member-list", "--help"}).out, help.out);
    const Outcome unknown = runAdmin({"--folder", "/x/", "frobnicate"});
    EXPECT_EQ(unknown.status, kAdminBadUsage);
    EXPECT_NE(unknown.err.find("unknown command frobnicate"), std::string::npos) << unknown.err;
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {"--folder", "/x/"},
        {"member-list"},
        {"--folder", "/x/", "--password", "--help"}, // a password, so no command
        {"--folder", "/x/", "member-add", "1", "Name"},
        {"--folder", "/x/", "member-add", "1", "Name", "pw", "extra"},
        {"--folder", "/x/", "member-set", "1"},
        {"--folder", "/x/", "member-set", "1", "--colour", "red"},
        {"--folder", "/x/", "member-set", "1", "--name"},
        {"--folder", "/x/", "member-set", "1", "--name", "a", "--name", "b"},
        {"--folder", "/x/", "group-list", "private"},
        {"--folder", "/x/", "group-set", "open", "1", "--ended", "--running"},
        {"--bogus", "1", "--folder", "/x/", "member-list"},
        {"--folder"},
        {"--folder", "/x/", "write-settings"},
        {"--folder", "/x/", "write-settings", "/x/qbook2", "--member", "1"},
        {"--folder", "/x/", "client-user", "NAME"},
        {"--folder", "/x/", "create-db", "--client-user", "NAME"},
        {"--folder", "/x/", "backup"},
        {"--folder", "/x/", "restore", "a.fbk", "b.fbk"},
        {"--folder", "/x/", "restore", "a.fbk", "--force"},
        {"--password", "a", "--password-file", "/x/p", "--folder", "/x/", "member-list"},
    };
    for (const auto& args : wrong) {
        const Outcome outcome = runAdmin(args);
        std::string line;
        for (const std::string& arg : args)
            line += arg + " ";
        EXPECT_EQ(outcome.status, kAdminBadUsage) << line;
        EXPECT_FALSE(outcome.err.empty()) << line;
    }
}

TEST_F(AdminCommand, AddMemoIndexesIndexesEveryMemoTableOnce) {
    TFormFBDB db;
    ASSERT_TRUE(Database->connect(db));
    FieldList fields;
    ASSERT_EQ(OpenMemoTable(db, OgMemoTable(71), fields), OpenMemoTableResult::Created);
    for (const std::string& table : {MyMemoTable(71), CgMemoTable(71), std::string("NOTES71")})
        ASSERT_TRUE(db.CreateTable(table, MemoColumns, fields)) << table;

    const Outcome first = admin({"add-memo-indexes"});
    EXPECT_EQ(first.status, kAdminOk) << first.err;
    for (const std::string& table : {MyMemoTable(71), CgMemoTable(71)}) {
        EXPECT_NE(first.out.find("added index IX_" + table + "_SN_N on " + table + " (SN, N)\n"),
                  std::string::npos)
            << first.out;
        EXPECT_NE(
            first.out.find("added index IX_" + table + "_SN_N_DESC on " + table + " (SN, N, descending)\n"),
            std::string::npos)
            << first.out;
        EXPECT_NE(first.out.find("added index IX_" + table + "_N_DESC on " + table + " (N, descending)\n"),
                  std::string::npos)
            << first.out;
        for (const MemoIndex& index : MemoIndexes(table))
            EXPECT_TRUE(IndexExists(db, index.name)) << index.name;
    }
    EXPECT_NE(first.out.find("kept index IX_OGMEMO71_SN_N on OGMEMO71 (it exists)\n"), std::string::npos)
        << first.out;
    EXPECT_EQ(first.out.find("NOTES71"), std::string::npos) << first.out;

    // A rerun finds everything in place.
    const Outcome again = admin({"add-memo-indexes"});
    EXPECT_EQ(again.status, kAdminOk) << again.err;
    EXPECT_EQ(again.out.find("added index"), std::string::npos) << again.out;
    EXPECT_NE(again.out.find(": 0 indexes added, "), std::string::npos) << again.out;
}

// The demo database as make-demo-db.sh makes it: in a folder of the server's
// own, from nothing, filled once, left alone the second time.
TEST(AdminDemo, MakeDemoDbCreatesTheDatabaseAndFillsItOnce) {
    TestDatabase database("admindemo");
    ASSERT_TRUE(database.ok()) << database.error();
    EXPECT_TRUE(heldByTheServer(database.folder()));
    const std::string folder = database.folder() + "/demo";
    const std::string script = "QBOOK_DATA_DIR=" + database.folder() +
                               " QBOOK_BUILD_DIR=" QBOOK2_BUILD_DIR " bash " QBOOK2_SCRIPTS_DIR
                               "/make-demo-db.sh >/dev/null";
    ASSERT_EQ(std::system(script.c_str()), 0);
    EXPECT_TRUE(heldByTheServer(folder));
    const Outcome second = runAdmin({"--folder", folder, "demo"});
    ASSERT_EQ(second.status, kAdminOk) << second.err;
    EXPECT_NE(second.out.find("MEMBER already has rows"), std::string::npos) << second.out;

    const std::string members = runAdmin({"--folder", folder, "member-list"}).out;
    EXPECT_EQ(members, "1\t山田太郎\tyamada\n2\t佐藤花子\tsato\n3\t鈴木一郎\tsuzuki\n4\tTanaka\ttanaka\n");
    const std::string open = runAdmin({"--folder", folder, "group-list", "open"}).out;
    EXPECT_NE(open.find("\trunning\t"), std::string::npos);
    EXPECT_NE(open.find("\tended\t"), std::string::npos);

    TFormFBDB db;
    const std::string connection = database.server() + ":" + folder + "/";
    ASSERT_TRUE(db.Connect(connection, database.fileName(), database.user(), database.password()));
    const auto dropped = qScopeGuard([&] {
        db.Disconnect();
        DatabaseAdmin::DropDatabase(connection + database.fileName(), database.user(), database.password());
    });
    const std::vector<FieldList> rows = ReadMemoRows(db, AlMemoTable(), "(SN > 0.0) AND (DF = 0)", "SN,N");
    EXPECT_EQ(rows.size(), 30u);
    bool hiragana = false, lowerCase = false;
    for (size_t i = 0; i < rows.size(); ++i) {
        const FieldList& row = rows[i];
        EXPECT_EQ(ToIntOrZero(row[0].Value), static_cast<int>(i + 1));
        EXPECT_EQ(ToFloatOrZero(row[1].Value), static_cast<double>(i + 1));
        EXPECT_EQ(row[2].Value, "0");
        EXPECT_EQ(row[5].Value, SearchKey(row[4].Value));
        hiragana = hiragana || Codec::toUtf8(row[4].Value).find("かいぎ") != std::string::npos;
        lowerCase = lowerCase || row[4].Value.find("meeting") != std::string::npos;
    }
    EXPECT_TRUE(hiragana);
    EXPECT_TRUE(lowerCase);
    for (const std::string& table : {MyMemoTable(1), OgMemoTable(1)})
        EXPECT_FALSE(ReadMemoRows(db, table, "", "").empty()) << table;
    // The demo's pads are live.
    EXPECT_EQ(changeTriggers(db), (std::vector<std::string>{AlMemoTable(), MyMemoTable(1), OgMemoTable(1)}));
}

// Every row of every user table, by table, each table in N order.
std::map<std::string, std::vector<std::vector<std::string>>> everyRow(TFormFBDB& db) {
    std::map<std::string, std::vector<std::vector<std::string>>> tables;
    const auto names = db.ReadTableNames();
    if (!names)
        return {{"failed", {}}};
    for (const std::string& table : *names) {
        const auto rows = db.ReadRows(FieldList(GroupColumns), "*", table, "", "N"); // the widest table
        if (!rows) {
            tables[table] = {{"failed"}};
            continue;
        }
        for (const FieldList& row : *rows) {
            tables[table].emplace_back();
            for (const TableField& field : row)
                tables[table].back().push_back(field.Value);
        }
    }
    return tables;
}

TEST(AdminBackup, RestoresEveryRowElsewhereAndReplacesADatabaseOnlyWhenTold) {
    TestDatabase source("adminbackup");
    ASSERT_TRUE(source.ok()) << source.error();
    ASSERT_TRUE(DatabaseAdmin::DropDatabase(source.connectionString(), source.user(), source.password()));
    ASSERT_EQ(runAdmin({"--folder", source.folder(), "demo"}).status, kAdminOk);
    ASSERT_TRUE(source.db().UpdateSet(AlMemoTable(), "DF=2", "N=3")); // a deleted line travels too
    const auto original = everyRow(source.db());
    source.db().Disconnect();
    ASSERT_EQ(original.size(), 6u);
    ASSERT_EQ(original.at(AlMemoTable()).size(), 30u);

    TempFolder temp;
    const std::string file = temp.path + "/QBOOK.fbk";
    const Outcome backup = runAdmin({"--folder", source.folder(), "backup", file});
    ASSERT_EQ(backup.status, kAdminOk) << backup.err;
    struct stat info {};
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u); // it holds the members' passwords
    EXPECT_FALSE(std::filesystem::exists(file + ".part"));
    const Outcome again = runAdmin({"--folder", source.folder(), "backup", file});
    EXPECT_EQ(again.status, kAdminFailed);
    EXPECT_NE(again.err.find("--replace"), std::string::npos) << again.err;
    ASSERT_EQ(runAdmin({"--folder", source.folder(), "backup", file, "--replace"}).status, kAdminOk);

    // A backup that does not restore leaves nothing behind.
    const std::string broken = temp.path + "/broken.fbk";
    std::filesystem::copy_file(file, broken);
    std::filesystem::resize_file(broken, std::filesystem::file_size(file) / 2);
    TestDatabase target("adminrestore");
    ASSERT_TRUE(target.ok()) << target.error();
    ASSERT_TRUE(DatabaseAdmin::DropDatabase(target.connectionString(), target.user(), target.password()));
    EXPECT_EQ(runAdmin({"--folder", target.folder(), "restore", broken}).status, kAdminFailed);
    EXPECT_TRUE(std::filesystem::is_empty(target.folder()));

    const Outcome restored = runAdmin({"--folder", target.folder(), "restore", file});
    ASSERT_EQ(restored.status, kAdminOk) << restored.err;
    TFormFBDB user; // a client that stays connected
    ASSERT_TRUE(target.connect(user));
    EXPECT_TRUE(everyRow(user) == original);

    FieldList row;
    ASSERT_TRUE(InsertMemoLine(user, AlMemoTable(), row, 99, "after the backup", 1));
    const auto changed = everyRow(user);
    const Outcome kept = runAdmin({"--folder", target.folder(), "restore", file});
    EXPECT_EQ(kept.status, kAdminFailed);
    EXPECT_NE(kept.err.find("(1 connection uses it); restore --replace"), std::string::npos) << kept.err;
    // Nor does it take the place of a database.
    const Outcome refused = runAdmin({"--folder", target.folder(), "restore", broken, "--replace"});
    EXPECT_EQ(refused.status, kAdminFailed);
    EXPECT_NE(refused.err.find("left as it was"), std::string::npos) << refused.err;
    EXPECT_TRUE(everyRow(user) == changed);

    const Outcome replaced = runAdmin({"--folder", target.folder(), "restore", file, "--replace"});
    ASSERT_EQ(replaced.status, kAdminOk) << replaced.err;
    EXPECT_NE(replaced.out.find("replacing the database (1 connection uses it)"), std::string::npos)
        << replaced.out;
    TFormFBDB after;
    ASSERT_TRUE(target.connect(after));
    EXPECT_TRUE(everyRow(after) == original);
    after.Disconnect();
    user.Disconnect();
    // Nothing is left beside the database.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(target.folder()), {}), 1);
}

} // namespace

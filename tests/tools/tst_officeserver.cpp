// The office set-up (scripts/setup-office-server.sh) run against a Firebird
// server of the test's own, never the shared one: the server reached on a
// second loopback address, which the default binding refuses; SYSDBA's new
// password; the database folder; the client login's rights; a new pad opened
// and written through the real memo screen with that login; the daily backup.

#include "AdminCommand.h"
#include "app/Forms.h"
#include "app/Settings.h"
#include "db/DatabaseAdmin.h"
#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "memo/Unit2.h"
#include "platform/Platform.h"
#include "support/PrivateServer.h"
#include "support/TestDatabase.h"
#include "text/Codec.h"

#include <QDate>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <grp.h>
#include <memory>
#include <pwd.h>
#include <sstream>
#include <sys/stat.h>

namespace {

struct Run {
    int status = -1;
    QString output;
};

Run run(const QString& program, const QStringList& args, const QProcessEnvironment& env,
        const QByteArray& input = {}) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(180000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAll())};
}

// Whether something accepts TCP connections there.
bool reachable(const QString& address, int port) {
    return run(QStringLiteral("bash"),
               {QStringLiteral("-c"),
                QStringLiteral("(exec 3<>/dev/tcp/%1/%2) 2>/dev/null").arg(address).arg(port)},
               QProcessEnvironment::systemEnvironment())
               .status == 0;
}

// The first port from first on which nothing listens.
int freePort(int first) {
    int port = first;
    while (reachable(QStringLiteral("127.0.0.1"), port))
        ++port;
    return port;
}

// The text after "label: " on a line of the set-up's output.
QString printed(const QString& output, const QString& label) {
    const QRegularExpression line(QStringLiteral("^\\s*") + QRegularExpression::escape(label) +
                                      QStringLiteral(".*: (\\S+)$"),
                                  QRegularExpression::MultilineOption);
    return line.match(output).captured(1);
}

std::string readFile(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

struct Ownership {
    std::string user;
    std::string group;
    unsigned mode = 0;
};

Ownership ownership(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return {};
    const passwd* user = ::getpwuid(info.st_uid);
    const group* group = ::getgrgid(info.st_gid);
    return {user ? user->pw_name : "", group ? group->gr_name : "", info.st_mode & 07777u};
}

} // namespace

class TestOfficeServer : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<PrivateServer> server;
    int eventPort = 0;
    QProcessEnvironment setUpEnv;
    // As the set-up printed them.
    QString sysdbaPassword, serverName, folder, clientUser, clientPassword;

    std::string root() const { return server->root(); }
    std::string officeDir() const { return root() + "/office"; }
    std::string passwordFile() const { return root() + "/SYSDBA.password"; }
    // The database as the other PCs reach it.
    QString database() const {
        return serverName + QStringLiteral(":") + folder + QStringLiteral("QBOOK.FDB");
    }

    Run setUp() {
        return run(QStringLiteral("bash"), {QStringLiteral(QBOOK2_SCRIPTS_DIR "/setup-office-server.sh")},
                   setUpEnv);
    }

    // One statement through isql as the given login, on the second loopback address.
    Run isql(const QString& user, const QString& password, const QString& statement) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ISC_USER"), user);
        env.insert(QStringLiteral("ISC_PASSWORD"), password);
        return run(QStringLiteral("isql-fb"), {QStringLiteral("-q"), QStringLiteral("-b"), database()}, env,
                   (statement + QStringLiteral(";\nCOMMIT;\n")).toUtf8());
    }

    // qbook2-admin as SYSDBA on the private server, in-process.
    int admin(std::vector<std::string> args, std::string* out = nullptr) {
        args.insert(args.begin(),
                    {"--server", server->host(), "--folder", officeDir(), "--password-file", passwordFile()});
        std::ostringstream output, errors;
        const int status = RunAdmin(args, output, errors);
        if (out)
            *out = output.str() + errors.str();
        return status;
    }

    // Who may do what: every grant of the database, and its triggers and roles.
    std::string rights() {
        TFormFBDB db;
        if (!db.Connect(server->host() + ":" + officeDir() + "/", Settings::DatabaseFileName, "SYSDBA",
                        sysdbaPassword.toStdString()))
            return "no connection";
        // Each row as its values, blank-separated, on a line of its own.
        std::string text;
        const auto append = [&](const ReadResult<std::vector<FieldList>>& rows) {
            if (!rows)
                text += "failed\n";
            else
                for (const FieldList& row : *rows)
                    for (size_t c = 0; c < row.size(); ++c)
                        text += row[c].Value + (c + 1 < row.size() ? " " : "\n");
        };
        append(db.ReadRows(FieldList(5),
                           "RDB$USER,RDB$GRANTOR,RDB$PRIVILEGE,RDB$GRANT_OPTION,RDB$RELATION_NAME",
                           "RDB$USER_PRIVILEGES", "", "1,2,3,4,5"));
        for (const auto& [column, table] :
             {std::pair{"RDB$TRIGGER_NAME", "RDB$TRIGGERS"}, std::pair{"RDB$ROLE_NAME", "RDB$ROLES"}})
            append(db.ReadRows(FieldList(1), column, table, "RDB$SYSTEM_FLAG = 0", "1"));
        return text;
    }

private slots:
    void initTestCase() {
        // Ports of their own: the restart test's servers start at 3061.
        server = std::make_unique<PrivateServer>("office", 3091, 3110);
        QVERIFY2(server->ok(), "no private Firebird server could be started (scripts/private-firebird.sh)");
        eventPort = freePort(server->port() + 100);
        std::ofstream(passwordFile()) << "# SYSDBA's password, as Debian keeps it\nISC_USER=sysdba\n"
                                         "ISC_PASSWORD=\"quillstem\"\n";
        setUpEnv = QProcessEnvironment::systemEnvironment();
        const std::pair<const char*, std::string> targets[] = {
            {"QBOOK_OFFICE_DIR", officeDir()},
            {"QBOOK_SERVER_NAME", "127.0.0.2"},
            {"QBOOK_PORT", std::to_string(server->port())},
            {"QBOOK_EVENT_PORT", std::to_string(eventPort)},
            {"FIREBIRD_CONF", root() + "/firebird.conf"},
            {"QBOOK_SYSDBA_PASSWORD_FILE", passwordFile()},
            {"QBOOK_OFFICE_SETTINGS", root() + "/office.conf"},
            {"QBOOK_BACKUP_DIR", root() + "/backups"},
            {"QBOOK_BACKUP_SCRIPT", root() + "/qbook2-backup"},
            {"QBOOK_CRON_FILE", root() + "/cron.d/qbook2-backup"},
            {"QBOOK_SERVER_RESTART", server->command("stop") + " && " + server->command("start")},
            {"QBOOK_ADMIN", QBOOK2_ADMIN_PROGRAM},
            // Installed here; the set-up's own list adds cron.
            {"QBOOK_OFFICE_PACKAGES", "firebird3.0-server firebird3.0-utils"},
        };
        for (const auto& [name, value] : targets)
            setUpEnv.insert(QString::fromLatin1(name), QString::fromStdString(value));
        Platform::setScripted(true);
    }

    void cleanupTestCase() {
        if (forms().FormFBDB)
            forms().FormFBDB->Disconnect();
        server.reset();
    }

    void setUpOpensTheServerToTheOtherPcs() {
        QVERIFY(reachable(QStringLiteral("127.0.0.1"), server->port()));
        QVERIFY2(!reachable(QStringLiteral("127.0.0.2"), server->port()),
                 "the default binding lets 127.0.0.2 in");

        const Run first = setUp();
        QVERIFY2(first.status == 0, qPrintable(first.output));
        sysdbaPassword = printed(first.output, QStringLiteral("SYSDBA password"));
        serverName = printed(first.output, QStringLiteral("サーバー名"));
        folder = printed(first.output, QStringLiteral("データベース(DB)のファイル"));
        clientUser = printed(first.output, QStringLiteral("DBユーザー名"));
        clientPassword = printed(first.output, QStringLiteral("パスワード"));
        QCOMPARE(serverName, QStringLiteral("127.0.0.2/%1").arg(server->port()));
        QCOMPARE(folder, QString::fromStdString(officeDir() + "/"));
        QCOMPARE(clientUser, QStringLiteral("QBOOK"));
        QVERIFY2(clientPassword.size() >= 16 && sysdbaPassword.size() >= 16, qPrintable(first.output));
        QCOMPARE(first.output.count(sysdbaPassword), 1);

        QVERIFY(reachable(QStringLiteral("127.0.0.2"), server->port()));
        const std::string conf = readFile(root() + "/firebird.conf");
        QVERIFY(conf.find("\nRemoteServicePort = " + std::to_string(server->port()) + "\n") !=
                std::string::npos);
        QVERIFY(conf.find("\nRemoteAuxPort = " + std::to_string(eventPort) + "\n") != std::string::npos);
        QVERIFY(!QString::fromStdString(conf).contains(QRegularExpression(
            QStringLiteral("^\\s*RemoteBindAddress\\s*="), QRegularExpression::MultilineOption)));

        // SYSDBA: the printed password, kept for root only; the published one refused.
        const Ownership passwords = ownership(passwordFile());
        QCOMPARE(passwords.user, std::string("root"));
        QCOMPARE(passwords.mode, 0600u);
        QVERIFY(readFile(passwordFile()).find("ISC_PASSWORD=\"" + sysdbaPassword.toStdString() + "\"") !=
                std::string::npos);
        TFormFBDB db;
        const std::string prefix = serverName.toStdString() + ":" + folder.toStdString();
        QVERIFY(!db.Connect(prefix, Settings::DatabaseFileName, "SYSDBA", "quillstem"));
        QVERIFY(db.Connect(prefix, Settings::DatabaseFileName, "SYSDBA", sysdbaPassword.toStdString()));
        db.Disconnect();

        const Ownership office = ownership(officeDir());
        QCOMPARE(office.user, std::string("firebird"));
        QCOMPARE(office.group, std::string("firebird"));
        QCOMPARE(office.mode, 0770u);
        QCOMPARE(ownership(root() + "/office.conf").mode, 0600u);
        QVERIFY(readFile(root() + "/cron.d/qbook2-backup")
                    .find("\n30 2 * * * root " + root() + "/qbook2-backup") != std::string::npos);

        // Again: everything kept, SYSDBA's password neither changed nor shown.
        const std::string before = readFile(passwordFile());
        const Run again = setUp();
        QVERIFY2(again.status == 0, qPrintable(again.output));
        QVERIFY2(!again.output.contains(QStringLiteral("SYSDBA password")), qPrintable(again.output));
        QVERIFY(!again.output.contains(sysdbaPassword));
        QCOMPARE(readFile(passwordFile()), before);
        QCOMPARE(printed(again.output, QStringLiteral("パスワード")), clientPassword);
        QVERIFY(again.output.contains(QStringLiteral("client login QBOOK kept")));
    }

    void clientLoginHasTheClientsRightsOnly() {
        QVERIFY(!clientPassword.isEmpty());
        QCOMPARE(admin({"member-add", "5", "Ito", "itopass"}), kAdminOk);
        QCOMPARE(admin({"group-add", "open", "3", "Sales", "--members", "5"}), kAdminOk);
        TFormFBDB sysdba;
        QVERIFY(sysdba.Connect(server->host() + ":" + officeDir() + "/", Settings::DatabaseFileName, "SYSDBA",
                               sysdbaPassword.toStdString()));
        FieldList fields;
        SetMemoFields(fields);
        QVERIFY(CreateMemoTable(sysdba, AlMemoTable(), fields)); // made by the admin, after the login
        sysdba.Disconnect();

        const QString user = clientUser, password = clientPassword;
        const QString memo = QStringLiteral("(N INTEGER NOT NULL UNIQUE, SN DOUBLE PRECISION, DF SMALLINT, "
                                            "MN SMALLINT, TEXT VARCHAR(120), FIND VARCHAR(240))");
        for (const QString& allowed : {
                 QStringLiteral("SELECT * FROM MEMBER"),
                 QStringLiteral("SELECT * FROM OGROUP"),
                 QStringLiteral("SELECT * FROM CGROUP"),
                 QStringLiteral("CREATE TABLE OGMEMO3 ") + memo,
                 QStringLiteral("CREATE DESCENDING INDEX IX_OGMEMO3_N_DESC ON OGMEMO3 (N)"),
                 QStringLiteral("INSERT INTO OGMEMO3 (N, SN, DF, MN, TEXT) VALUES (1, 1, 0, 5, 'a')"),
                 QStringLiteral("UPDATE OGMEMO3 SET TEXT = 'b'"),
                 QStringLiteral("DELETE FROM OGMEMO3"),
                 QStringLiteral("INSERT INTO ALMEMO (N, SN, DF, MN, TEXT) VALUES (1, 1, 0, 5, 'a')"),
             }) {
            const Run result = isql(user, password, allowed);
            QVERIFY2(result.status == 0, qPrintable(allowed + QStringLiteral(": ") + result.output));
        }
        for (const QString& forbidden : {
                 QStringLiteral("INSERT INTO MEMBER VALUES (6, 'Mallory', 'x')"),
                 QStringLiteral("UPDATE MEMBER SET PASS = 'x'"),
                 QStringLiteral("DELETE FROM MEMBER"),
                 QStringLiteral("INSERT INTO OGROUP (N, ENDED) VALUES (9, 0)"),
                 QStringLiteral("UPDATE OGROUP SET P1 = 6"),
                 QStringLiteral("DELETE FROM CGROUP"),
                 QStringLiteral("ALTER TABLE MEMBER ADD X INTEGER"),
                 QStringLiteral("DROP TABLE OGROUP"),
                 QStringLiteral("DROP TABLE OGMEMO3"),
                 QStringLiteral("ALTER TABLE ALMEMO DROP FIND"),
                 QStringLiteral("DROP INDEX IX_OGMEMO3_N_DESC"),
                 QStringLiteral("CREATE TABLE NOTES (X INTEGER)"),
                 QStringLiteral("CREATE TABLE MYMEMO05 ") + memo,
                 QStringLiteral("GRANT SELECT ON MEMBER TO PUBLIC"),
                 QStringLiteral("CREATE USER MALLORY PASSWORD 'x'"),
                 QStringLiteral("ALTER USER SYSDBA PASSWORD 'x'"),
             }) {
            const Run result = isql(user, password, forbidden);
            QVERIFY2(result.status != 0, qPrintable(forbidden + QStringLiteral(" was allowed")));
        }

        // Again, with the same password: nothing changes.
        const std::string before = rights();
        std::string output;
        QCOMPARE(admin({"client-user", user.toStdString(), password.toStdString()}, &output), kAdminOk);
        QVERIFY2(output.find("kept") != std::string::npos, output.c_str());
        QVERIFY(rights() == before);
        for (const char* name : {"SYSDBA", "2nd", "a-b", "QBOOK2_CLIENT"})
            QCOMPARE(admin({"client-user", name, "pw"}), kAdminFailed);
        for (const char* pw : {"", "with blank", "it's", "\xe3\x81\x82"})
            QCOMPARE(admin({"client-user", "OTHER", pw}), kAdminFailed);
    }

    // The member's client with the printed settings: a new pad, created and
    // written with the client login; another client login, made before, writes
    // the same pad, and the screen hears of it through the event port.
    void clientWritesANewPadWithTheLogin() {
        QVERIFY(!clientPassword.isEmpty());
        QCOMPARE(admin({"client-user", "QBOOK_TWO", "second-pw"}), kAdminOk);
        Settings::SetStartValues();
        Settings::ServerName = serverName.toStdString();
        Settings::ServerFolder = folder.toStdString();
        Settings::DatabaseLocation = Settings::ServerName + ":" + Settings::ServerFolder;
        Settings::DatabaseUser = clientUser.toStdString();
        Settings::DatabasePassword = clientPassword.toStdString();
        Settings::MemberNumber = 5;
        Settings::MemberName = "Ito";
        Settings::RefreshSeconds = 600;
        CreateForms();
        TForm2* pad = forms().Form2;
        pad->show();
        QVERIFY(pad->Ready());
        pad->Edit1->setText(QStringLiteral("first line"));
        QTest::keyClick(pad->Edit1, Qt::Key_Return);
        QCOMPARE(pad->StatusText(), Codec::sj("登録出来ました"));

        TFormFBDB sysdba;
        QVERIFY(sysdba.Connect(Settings::DatabaseLocation, Settings::DatabaseFileName, "SYSDBA",
                               sysdbaPassword.toStdString()));
        const std::vector<FieldList> rows = ReadMemoRows(sysdba, MyMemoTable(5), "", "N");
        QCOMPARE(rows.size(), size_t(1));
        QCOMPARE(rows[0][MemoText].Value, std::string("first line"));
        // Made by the client login, with its indexes (its change trigger is heard below).
        const auto owner = sysdba.ReadRows(FieldList(1), "RDB$OWNER_NAME", "RDB$RELATIONS",
                                           "RDB$RELATION_NAME = 'MYMEMO5'", "");
        QVERIFY(owner);
        QCOMPARE(owner->size(), size_t(1));
        const std::string& name = owner->front()[0].Value;
        QCOMPARE(name.substr(0, name.find(' ')), clientUser.toStdString());
        for (const MemoIndex& index : MemoIndexes(MyMemoTable(5)))
            QVERIFY2(IndexExists(sysdba, index.name), index.name.c_str());
        sysdba.Disconnect();

        TFormFBDB other;
        QVERIFY(
            other.Connect(Settings::DatabaseLocation, Settings::DatabaseFileName, "QBOOK_TWO", "second-pw"));
        FieldList row;
        QVERIFY(InsertMemoLine(other, MyMemoTable(5), row, 2, "from the second login", 5));
        const auto shown = [&] {
            for (int r = 0; r < pad->RowCount(); ++r)
                if (pad->Cell(2, r) == "from the second login")
                    return true;
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(shown(), 5000);
        other.Disconnect();
        pad->hide();
        forms().FormFBDB->Disconnect();
    }

    // The nightly copy: made with the set-up's own command, the newest copies
    // kept, and one restored elsewhere gives the client login its pad again.
    void dailyBackupKeepsTheNewestCopies() {
        const std::string backups = root() + "/backups";
        QCOMPARE(ownership(backups).mode, 0700u);
        for (int day = 1; day <= 15; ++day)
            std::ofstream(backups + "/QBOOK-200001" + (day < 10 ? "0" : "") + std::to_string(day) + ".fbk");
        const Run backup = run(QString::fromStdString(root() + "/qbook2-backup"), {},
                               QProcessEnvironment::systemEnvironment());
        QVERIFY2(backup.status == 0, qPrintable(backup.output));
        const std::string today = backups + "/QBOOK-" +
                                  QDate::currentDate().toString(QStringLiteral("yyyyMMdd")).toStdString() +
                                  ".fbk";
        QVERIFY(std::filesystem::exists(today));
        QCOMPARE(ownership(today).mode, 0600u);
        QVERIFY(!std::filesystem::exists(backups + "/QBOOK-20000101.fbk"));
        QVERIFY(!std::filesystem::exists(backups + "/QBOOK-20000102.fbk"));
        QVERIFY(std::filesystem::exists(backups + "/QBOOK-20000103.fbk"));
        QCOMPARE(std::distance(std::filesystem::directory_iterator(backups),
                               std::filesystem::directory_iterator()),
                 std::ptrdiff_t(14));

        const std::string elsewhere = root() + "/restored";
        QCOMPARE(DatabaseAdmin::MakeDatabaseFolder(elsewhere), 0);
        std::ostringstream out, err;
        QCOMPARE(RunAdmin({"--server", server->host(), "--folder", elsewhere, "--password-file",
                           passwordFile(), "restore", today},
                          out, err),
                 kAdminOk);
        TFormFBDB restored;
        QVERIFY(restored.Connect(serverName.toStdString() + ":" + elsewhere + "/", Settings::DatabaseFileName,
                                 clientUser.toStdString(), clientPassword.toStdString()));
        const std::vector<FieldList> rows = ReadMemoRows(restored, MyMemoTable(5), "", "N");
        QCOMPARE(rows.size(), size_t(2));
        FieldList row;
        QVERIFY(InsertMemoLine(restored, MyMemoTable(5), row, 3, "after the restore", 5));
        restored.Disconnect();
    }
};

QTEST_MAIN(TestOfficeServer)
#include "tst_officeserver.moc"

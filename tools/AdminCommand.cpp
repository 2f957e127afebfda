#include "AdminCommand.h"

#include "AdminArguments.h"
#include "AdminCommands.h"
#include "AdminSession.h"
#include "app/CommandLine.h"

#include <algorithm>
#include <iterator>
#include <ostream>

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
  deleted-lines TABLE              list the deleted lines of the memo table TABLE (MYMEMOn,
                                   OGMEMOn, CGMEMOn or ALMEMO): number, text and the member who
                                   deleted it. Only lines deleted with their text are kept: a
                                   line deleted without text is gone
  restore-line TABLE N             make the deleted line N of TABLE live again, where it was
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

// Every command: how its arguments are written and the function that runs
// it. The function is a reference, so a command cannot be listed without one.
struct Command {
    CommandSyntax syntax;
    int (&run)(AdminSession&, const CommandArgs&);
};

using namespace AdminCommands;

const Command kCommands[] = {
    {{"create-db", 0, {"--client-user", "--client-password"}, {}}, CreateDb},
    {{"client-user", 2, {}, {}}, ClientUser},
    {{"backup", 1, {}, {"--replace"}}, Backup},
    {{"restore", 1, {}, {"--replace"}}, Restore},
    {{"member-add", 3, {}, {}}, MemberAdd},
    {{"member-set", 1, {"--name", "--password"}, {}, false, "member-set needs --name or --password"},
     MemberSet},
    {{"member-list", 0, {}, {}}, MemberList},
    {{"member-remove", 1, {}, {}}, MemberRemove},
    {{"group-add", 3, {"--outline", "--start", "--end", "--members"}, {"--ended"}, true}, GroupAdd},
    {{"group-set",
      2,
      {"--name", "--outline", "--start", "--end", "--members"},
      {"--ended", "--running"},
      true,
      "group-set needs something to change"},
     GroupSet},
    {{"group-list", 1, {}, {}, true}, GroupList},
    {{"group-remove", 2, {}, {}, true}, GroupRemove},
    {{"demo", 0, {}, {}}, Demo},
    {{"add-memo-indexes", 0, {}, {}}, AddMemoIndexes},
    {{"events-on", 0, {}, {}}, EventsOn},
    {{"events-off", 0, {}, {}}, EventsOff},
    {{"write-settings", 1, {"--member", "--member-password"}, {}}, WriteSettings},
    {{"deleted-lines", 1, {}, {}}, DeletedLines},
    {{"restore-line", 2, {}, {}}, RestoreLine},
};

int badUsage(std::ostream& err, const std::string& message) {
    err << "qbook2-admin: " << message << " (see qbook2-admin --help)\n";
    return kAdminBadUsage;
}

// Help, the version or a usage error, for a reading that is not Run.
int answer(const LineReading& reading, std::ostream& out, std::ostream& err) {
    switch (reading.request) {
    case LineReading::Help:
        out << kUsage;
        return kAdminOk;
    case LineReading::Version:
        out << "qbook2-admin " << CommandLine::Version() << "\n";
        return kAdminOk;
    default:
        return badUsage(err, reading.error);
    }
}

} // namespace

int RunAdmin(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ConnectionOptions connection = ReadConnectionOptions(args);
    if (connection.reading.request != LineReading::Run)
        return answer(connection.reading, out, err);
    const std::string& name = args[connection.next];
    const auto command = std::find_if(std::begin(kCommands), std::end(kCommands),
                                      [&](const Command& c) { return name == c.syntax.name; });
    if (command == std::end(kCommands))
        return badUsage(err, "unknown command " + name);
    CommandArgs parsed;
    if (const LineReading reading = ReadCommandArgs(args, connection.next + 1, command->syntax, parsed);
        reading.request != LineReading::Run)
        return answer(reading, out, err);
    if (const LineReading reading = CheckCommandLine(connection, parsed); reading.request != LineReading::Run)
        return answer(reading, out, err);
    ServerOptions& server = connection.server;
    if (!connection.passwordFile.empty()) {
        std::string fileUser, error;
        if (!ReadPasswordFile(connection.passwordFile, fileUser, server.password, error)) {
            err << "qbook2-admin: " << error << "\n";
            return kAdminFailed;
        }
        if (!connection.userGiven && !fileUser.empty())
            server.user = fileUser;
    }
    AdminSession session(server, out, err);
    return command->run(session, parsed);
}

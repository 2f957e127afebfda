// backup and restore, through Firebird's gbak and gfix.

#include "AdminCommand.h"
#include "AdminCommands.h"
#include "AdminSession.h"
#include "FirebirdTool.h"
#include "app/Settings.h"
#include "db/DatabaseAdmin.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>

namespace {

// A regular file this process may read.
bool readableFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) && std::ifstream(path).good();
}

// What the message about the database says of the connections that use it.
std::string otherConnections(TFormFBDB& db) {
    const ReadResult<std::vector<FieldList>> rows =
        db.ReadRows(FieldList(1), "MON$ATTACHMENT_ID", "MON$ATTACHMENTS",
                    "MON$ATTACHMENT_ID <> CURRENT_CONNECTION AND MON$SYSTEM_FLAG = 0", "");
    if (!rows)
        return " (the connections that use it could not be read)";
    const size_t users = rows->size();
    return users == 0   ? std::string()
           : users == 1 ? std::string(" (1 connection uses it)")
                        : " (" + std::to_string(users) + " connections use it)";
}

} // namespace

namespace AdminCommands {

// The copy is written beside FILE and renamed onto it when complete, so that
// a backup that fails half-way leaves no truncated copy and keeps an older one.
int Backup(AdminSession& session, const CommandArgs& args) {
    const std::string& file = args.positional[0];
    if (std::error_code ignored; std::filesystem::exists(file, ignored) && !args.flags.count("--replace"))
        return session.fail(file + " exists; backup --replace overwrites it");
    const std::string partial = file + ".part";
    std::remove(partial.c_str());
    if (FirebirdToolFailed(session,
                           RunFirebirdTool(session, "gbak", {"-b", session.connectionString(), partial}),
                           "gbak", "cannot back up " + session.connectionString())) {
        std::remove(partial.c_str());
        return kAdminFailed;
    }
    if (std::rename(partial.c_str(), file.c_str()) != 0) {
        std::remove(partial.c_str());
        return session.fail("cannot rename " + partial + " to " + file);
    }
    session.out() << "backed up " << session.connectionString() << " to " << file << "\n";
    return kAdminOk;
}

// The backup is first restored beside the database, under another name: a
// backup that does not restore (gbak leaves what it made of it) never takes
// the database's place. Only then are the connections to a database that
// exists ended (a single-user shutdown, which the restore ends).
int Restore(AdminSession& session, const CommandArgs& args) {
    const ServerOptions& server = session.server();
    const std::string& file = args.positional[0];
    if (!readableFile(file))
        return session.fail("cannot read the backup " + file);
    const std::string target = session.connectionString();
    TFormFBDB& db = session.db();
    const bool exists =
        db.Connect(session.locationPrefix(), Settings::DatabaseFileName, server.user, server.password);
    const std::string inUse = exists ? otherConnections(db) : std::string();
    db.Disconnect();
    if (exists && !args.flags.count("--replace"))
        return session.fail(target + " exists" + inUse + "; restore --replace replaces it");
    const std::string trial = session.locationPrefix() + "QBOOK-restore-trial.FDB";
    const Platform::ChildProgramRun trialRun = RunFirebirdTool(session, "gbak", {"-rep", file, trial});
    DatabaseAdmin::DropDatabase(trial, server.user, server.password);
    if (FirebirdToolFailed(session, trialRun, "gbak",
                           "cannot restore " + file +
                               (exists ? ", so " + target + " is left as it was" : "")))
        return kAdminFailed;
    if (!exists) {
        if (FirebirdToolFailed(session, RunFirebirdTool(session, "gbak", {"-c", file, target}), "gbak",
                               "cannot restore " + file))
            return kAdminFailed;
        session.out() << "restored " << file << " into " << target << "\n";
        return kAdminOk;
    }
    if (FirebirdToolFailed(session,
                           RunFirebirdTool(session, "gfix", {"-shut", "single", "-force", "0", target}),
                           "gfix", "cannot end the connections to " + target))
        return kAdminFailed;
    if (FirebirdToolFailed(session, RunFirebirdTool(session, "gbak", {"-rep", file, target}), "gbak",
                           "cannot restore " + file)) {
        RunFirebirdTool(session, "gfix", {"-online", target});
        return kAdminFailed;
    }
    session.out() << "restored " << file << " into " << target << ", replacing the database" << inUse << "\n";
    return kAdminOk;
}

} // namespace AdminCommands

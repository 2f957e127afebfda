#pragma once

class AdminSession;
struct CommandArgs;

// One function for each qbook2-admin command, given the session and the
// command's checked arguments; each returns the exit status.
namespace AdminCommands {

int CreateDb(AdminSession& session, const CommandArgs& args);
int ClientUser(AdminSession& session, const CommandArgs& args);
int Backup(AdminSession& session, const CommandArgs& args);
int Restore(AdminSession& session, const CommandArgs& args);
int MemberAdd(AdminSession& session, const CommandArgs& args);
int MemberSet(AdminSession& session, const CommandArgs& args);
int MemberList(AdminSession& session, const CommandArgs& args);
int MemberRemove(AdminSession& session, const CommandArgs& args);
int GroupAdd(AdminSession& session, const CommandArgs& args);
int GroupSet(AdminSession& session, const CommandArgs& args);
int GroupList(AdminSession& session, const CommandArgs& args);
int GroupRemove(AdminSession& session, const CommandArgs& args);
int Demo(AdminSession& session, const CommandArgs& args);
int EventsOn(AdminSession& session, const CommandArgs& args);
int EventsOff(AdminSession& session, const CommandArgs& args);
int AddMemoIndexes(AdminSession& session, const CommandArgs& args);
int WriteSettings(AdminSession& session, const CommandArgs& args);
int DeletedLines(AdminSession& session, const CommandArgs& args);
int RestoreLine(AdminSession& session, const CommandArgs& args);

} // namespace AdminCommands

#pragma once

#include "db/StatementText.h"

#include <string>

// The client login: a database user with only what the client does. It reads
// the registry tables, creates memo tables (with their indexes and change
// triggers) and reads and writes every memo table; it changes no registry row
// and no other metadata. The statement texts that give it these rights, built
// as pure functions; qbook2-admin runs them.
//
// Every client login is a grantee of the role ClientRole and holds the rights
// itself as well: Firebird 3 applies a role only to a connection that names
// it, and the client's connection names only the user and the password. The
// role keeps the list of client logins: the database trigger MemoGrantTrigger
// gives each memo table, whoever creates it (the admin tool, one client login
// or another), to the role and to every login holding it, and the trigger
// DdlGuardTrigger refuses every other metadata change to those logins.
namespace ClientRights {

inline constexpr const char* ClientRole = "QBOOK2_CLIENT";
inline constexpr const char* DdlGuardTrigger = "QBOOK2_CLIENT_DDL";
inline constexpr const char* RefusedDdlException = "QBOOK2_REFUSED_DDL";
inline constexpr const char* MemoGrantTrigger = "QBOOK2_MEMO_GRANTS";
inline constexpr int LoginNameMax = 31;
// Longer passwords could shift a byte of the client's settings file to a line break.
inline constexpr int LoginPasswordMax = 64;

// A name the client's settings dialog takes as it is: a letter, then letters,
// digits and underscores, at most LoginNameMax; not SYSDBA, PUBLIC or the role.
bool IsLoginName(const std::string& name);
// Printable ASCII without blanks or quotes, 1 to LoginPasswordMax characters.
bool IsLoginPassword(const std::string& password);

// The name as Firebird keeps it: upper case.
std::string LoginName(const std::string& name);

// "USER NAME" (upper-cased) and "ROLE QBOOK2_CLIENT": the grantees.
std::string UserGrantee(const std::string& name);
std::string RoleGrantee();

StatementText::Lines CreateOrAlterUser(const std::string& name, const std::string& password);
StatementText::Lines CreateRole();
StatementText::Lines GrantRole(const std::string& name);
// Privileges on a table by the letters RDB$USER_PRIVILEGES keeps them with:
// S select, I insert, U update, D delete.
inline constexpr const char* Read = "S";
inline constexpr const char* ReadWrite = "SIUD";
StatementText::Lines GrantOn(const std::string& privileges, const std::string& table,
                             const std::string& grantee);
StatementText::Lines GrantCreateTable(const std::string& grantee);
StatementText::Lines CreateRefusedDdlException();
StatementText::Lines CreateDdlGuardTrigger();
StatementText::Lines CreateMemoGrantTrigger();

} // namespace ClientRights

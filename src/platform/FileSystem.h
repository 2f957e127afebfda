#pragma once

#include <QString>
#include <string>

// Files and folders where the program needs more than Qt's classes give:
// a replaced file keeps its owner, a folder is handed to the server's
// account, and the user's configuration folder follows the desktop's rules.
// Paths are the system's bytes.
namespace Platform {

// A path of the system's bytes as Qt's file classes take it.
QString fileName(const std::string& path);

// Writes the file whole or not at all: data goes to a new file beside path,
// which then takes its place. A replaced file keeps its owner and permission
// bits; a new file is readable and writable by its owner only. Where the
// folder takes no new file, or the owner could not be kept, an existing file
// is rewritten in place, and given its old content back should the new one
// not fit. False on failure; the previous file then stays as it was.
bool writeFileWhole(const std::string& path, const std::string& data);

// The user's folder for configuration files, without a trailing separator:
// $XDG_CONFIG_HOME where it is an absolute path (a relative one is ignored),
// else .config in the home folder ($HOME, or the account's home without it).
std::string userConfigFolder();

// A folder owned by the account's group, and by the account too when the
// process may give it away (root), with mode 0770: the account may write
// there, other users may neither replace nor plant a file. Returns 0, or the
// errno of the step that failed (EEXIST when the folder exists, ENOENT
// without such an account); a folder that cannot be handed over is removed.
int makeFolderFor(const std::string& path, const std::string& account);

} // namespace Platform

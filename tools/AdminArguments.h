#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

// Reading a qbook2-admin command line: the connection options, then the
// command, then the command's own arguments. An option counts only where an
// option may stand: "--help" given as an option's value, or after "--", is
// that value or argument.

// The database a command works on and the login it uses.
struct ServerOptions {
    std::string server = "localhost";
    std::string folder;
    std::string user = "SYSDBA";
    std::string password = "quillstem";
};

// The arguments of one command: positional values, options with a value and
// flags, each option given at most once.
struct CommandArgs {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
    std::set<std::string> flags;

    bool has(const std::string& option) const { return options.count(option) > 0; }
};

// How a command's arguments are written.
struct CommandSyntax {
    const char* name;
    std::size_t positional;
    std::set<std::string> valued;
    std::set<std::string> flags;
    bool groupKind = false;             // the first positional argument is open or closed
    const char* nothingGiven = nullptr; // the usage error when neither an option nor a flag is given
};

// What a part of the command line asks for; for Wrong, the usage error.
struct LineReading {
    enum Request { Run, Help, Version, Wrong } request = Run;
    std::string error;
};

// The connection options up to the command: on Run, next is the command's index.
struct ConnectionOptions {
    LineReading reading;
    ServerOptions server;
    std::string passwordFile;
    bool userGiven = false;
    bool passwordGiven = false;
    std::size_t next = 0;
};
ConnectionOptions ReadConnectionOptions(const std::vector<std::string>& args);

// The command's arguments, from index from, checked against its syntax.
LineReading ReadCommandArgs(const std::vector<std::string>& args, std::size_t from,
                            const CommandSyntax& syntax, CommandArgs& parsed);

// The checks that need both parts; on Run, a folder that ends in '/'.
LineReading CheckCommandLine(ConnectionOptions& connection, const CommandArgs& parsed);

// The user and password of a file such as Debian's SYSDBA.password: shell
// assignments ISC_USER=... and ISC_PASSWORD=..., values in quotes or bare.
bool ReadPasswordFile(const std::string& path, std::string& user, std::string& password, std::string& error);

#include "AdminArguments.h"

#include "AdminValues.h"
#include "text/Func_.h"

#include <fstream>

namespace {

LineReading wrong(const std::string& error) {
    return {LineReading::Wrong, error};
}

// "--help" and "--version" where an option may stand; Run for any other argument.
LineReading::Request requestOf(const std::string& arg) {
    if (arg == "--help")
        return LineReading::Help;
    if (arg == "--version")
        return LineReading::Version;
    return LineReading::Run;
}

} // namespace

ConnectionOptions ReadConnectionOptions(const std::vector<std::string>& args) {
    ConnectionOptions read;
    size_t i = 0;
    for (; i < args.size() && args[i].compare(0, 2, "--") == 0; ++i) {
        const std::string& arg = args[i];
        if (const LineReading::Request request = requestOf(arg); request != LineReading::Run) {
            read.reading.request = request;
            return read;
        }
        std::string name = arg;
        std::string value;
        if (const size_t eq = arg.find('='); eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            read.reading = wrong(arg + " needs a value");
            return read;
        }
        if (name == "--server") {
            read.server.server = value;
        } else if (name == "--folder") {
            read.server.folder = value;
        } else if (name == "--user") {
            read.server.user = value;
            read.userGiven = true;
        } else if (name == "--password") {
            read.server.password = value;
            read.passwordGiven = true;
        } else if (name == "--password-file") {
            read.passwordFile = value;
        } else {
            read.reading = wrong("unknown option " + name);
            return read;
        }
    }
    if (i >= args.size())
        read.reading = wrong("no command given");
    read.next = i;
    return read;
}

LineReading ReadCommandArgs(const std::vector<std::string>& args, size_t from, const CommandSyntax& syntax,
                            CommandArgs& parsed) {
    const std::string command = syntax.name;
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
        if (const LineReading::Request request = requestOf(arg); request != LineReading::Run)
            return {request, {}};
        std::string name = arg;
        std::string value;
        bool inlineValue = false;
        if (const size_t eq = arg.find('='); eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            inlineValue = true;
        }
        if (parsed.has(name) || parsed.flags.count(name))
            return wrong(command + ": " + name + " is given twice");
        if (syntax.flags.count(name) && !inlineValue) {
            parsed.flags.insert(name);
        } else if (syntax.valued.count(name)) {
            if (!inlineValue) {
                if (i + 1 >= args.size())
                    return wrong(command + ": " + name + " needs a value");
                value = args[++i];
            }
            parsed.options[name] = value;
        } else {
            return wrong(command + ": unknown option " + arg);
        }
    }
    if (parsed.positional.size() != syntax.positional)
        return wrong(command + " takes " + std::to_string(syntax.positional) + " argument" +
                     (syntax.positional == 1 ? "" : "s") + ", not " +
                     std::to_string(parsed.positional.size()));
    GroupKind kind;
    if (syntax.groupKind && !ParseGroupKind(parsed.positional[0], kind))
        return wrong(command + ": the group kind is open or closed, not \"" + parsed.positional[0] + "\"");
    if (syntax.nothingGiven && parsed.options.empty() && parsed.flags.empty())
        return wrong(syntax.nothingGiven);
    if (parsed.has("--member") != parsed.has("--member-password"))
        return wrong("--member and --member-password go together");
    if (parsed.has("--client-user") != parsed.has("--client-password"))
        return wrong("--client-user and --client-password go together");
    return {};
}

LineReading CheckCommandLine(ConnectionOptions& connection, const CommandArgs& parsed) {
    ServerOptions& server = connection.server;
    if (connection.passwordGiven && !connection.passwordFile.empty())
        return wrong("--password and --password-file exclude each other");
    if (parsed.flags.count("--ended") && parsed.flags.count("--running"))
        return wrong("--ended and --running exclude each other");
    if (RemoveSpaces(server.server).empty() || server.user.empty() || server.password.empty())
        return wrong("--server, --user and --password must not be empty");
    if (server.folder.empty())
        return wrong("--folder is required");
    if (server.folder.back() != '/')
        server.folder += '/';
    return {};
}

bool ReadPasswordFile(const std::string& path, std::string& user, std::string& password, std::string& error) {
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

// write-settings: a client's settings files, made ready for this database and
// one member, for an office that installs its PCs from a script.

#include "AdminCommand.h"
#include "AdminCommands.h"
#include "AdminSession.h"
#include "AdminValues.h"
#include "app/Settings.h"
#include "app/SettingsFiles.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <utility>

namespace {

bool writeUnlessPresent(AdminSession& session, const std::string& path, const std::function<bool()>& write) {
    if (std::error_code ignored; std::filesystem::exists(path, ignored)) {
        session.out() << "kept " << path << " (it exists)\n";
        return true;
    }
    if (!write())
        return session.refuse("cannot write " + path);
    session.out() << "wrote " << path << "\n";
    return true;
}

} // namespace

namespace AdminCommands {

// The values a connection test and a user check in the client's settings
// dialog would leave, checked against the database the same way; then each
// settings file the client at the program path would read that is not there
// yet, with no window placed.
int WriteSettings(AdminSession& session, const CommandArgs& args) {
    const ServerOptions& server = session.server();
    const std::string& program = args.positional[0];
    if (std::error_code ignored; !std::filesystem::is_regular_file(program, ignored))
        return session.fail("there is no program " + program);
    std::string number, password, error;
    FieldList row = MemberFields();
    if (args.has("--member") &&
        (!ParseNumber(args.options.at("--member"), "the member number", MaxMemberNumber, number, error) ||
         !StoredText(args.options.at("--member-password"), "the password", row[2], false, password, error)))
        return session.fail(error);
    Settings::SetStartValues();
    Settings::ServerName = Codec::fromUtf8(server.server);
    Settings::ServerFolder = Codec::fromUtf8(server.folder);
    Settings::DatabaseLocation = Settings::ServerName + ":" + Settings::ServerFolder;
    Settings::DatabaseUser = Codec::fromUtf8(server.user);
    Settings::DatabasePassword = Codec::fromUtf8(server.password);
    if (!Settings::ConnectCurrent(session.db()))
        return session.fail("cannot connect to " + session.connectionString() + ": " + session.lastError());
    if (!number.empty()) {
        if (!session.requireTable("MEMBER"))
            return kAdminFailed;
        ReadResult<std::optional<FieldList>> member = session.row("MEMBER", number, row);
        if (!member)
            return kAdminFailed;
        if (!*member)
            return session.fail("there is no member " + number);
        row = std::move(**member);
        if (row[2].Value != password)
            return session.fail("wrong password for member " + number);
        Settings::MemberNumber = ToIntOrZero(number);
        Settings::MemberName = row[1].Value;
        Settings::MemberPassword = password;
    }
    Settings::ComputePathsFor(program);
    SettingsFiles::LayoutValues unplaced;
    unplaced.fill(SettingsFiles::UnplacedWindow);
    const bool written =
        writeUnlessPresent(session, Settings::LayoutFilePath,
                           [&] { return SettingsFiles::WriteLayout(Settings::LayoutFilePath, unplaced); }) &&
        writeUnlessPresent(session, Settings::DbSettingsFilePath,
                           [] { return SettingsFiles::WriteDbSettings(Settings::DbSettingsFilePath); });
    return written ? kAdminOk : kAdminFailed;
}

} // namespace AdminCommands

// The two settings files: whatever a file holds, loading it, saving what was
// loaded and loading again gives the same values; and any values saved load
// back as they were, whatever bytes they hold.

#include "FuzzCheck.h"

#include "app/Settings.h"
#include "app/SettingsFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fstream>

namespace {

// Files on a memory file system where there is one: saving syncs every file.
std::string Folder() {
    static const std::string folder = [] {
        const QString base = QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm")
                                                                                : QDir::tempPath();
        static QTemporaryDir made(base + QStringLiteral("/qbook2-fuzz-settings-XXXXXX"));
        return (made.isValid() ? made.path() : base).toStdString() + "/";
    }();
    return folder;
}

struct Values {
    SettingsFiles::LayoutValues windows{};
    std::int32_t memberNumber, refreshSeconds, rowsPerPage;
    std::string memberName, memberPassword, serverName, serverFolder, location, user, password;

    static Values Current(const SettingsFiles::LayoutValues& windows) {
        return {windows,
                Settings::MemberNumber,
                Settings::RefreshSeconds,
                Settings::RowsPerPage,
                Settings::MemberName,
                Settings::MemberPassword,
                Settings::ServerName,
                Settings::ServerFolder,
                Settings::DatabaseLocation,
                Settings::DatabaseUser,
                Settings::DatabasePassword};
    }
    bool operator==(const Values&) const = default;
};

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Saves the current values, loads them back from the saved files.
Values SaveAndLoad(const SettingsFiles::LayoutValues& windows) {
    const std::string layout = Folder() + "saved.dat";
    const std::string db = Folder() + "saved-db.dat";
    FUZZ_CHECK(SettingsFiles::WriteLayout(layout, windows));
    FUZZ_CHECK(SettingsFiles::WriteDbSettings(db));
    Settings::SetStartValues();
    SettingsFiles::LayoutValues loaded{};
    FUZZ_CHECK(SettingsFiles::ReadLayout(layout, loaded));
    FUZZ_CHECK(SettingsFiles::ReadDbSettings(db));
    return Values::Current(loaded);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    Settings::SetStartValues();
    SettingsFiles::LayoutValues windows{};
    if (input.byte() % 2 == 0) {
        // Files as they may be found beside the executable.
        const std::string layoutBytes = input.text(255) + input.text(255) + input.text(255);
        const std::string dbBytes = input.rest();
        WriteFile(Folder() + "found.dat", layoutBytes);
        WriteFile(Folder() + "found-db.dat", dbBytes);
        FUZZ_CHECK(SettingsFiles::ReadLayout(Folder() + "found.dat", windows));
        FUZZ_CHECK(SettingsFiles::ReadDbSettings(Folder() + "found-db.dat"));
        FUZZ_CHECK(Settings::RefreshSeconds >= 1 && Settings::RefreshSeconds <= 99999);
        FUZZ_CHECK(Settings::RowsPerPage >= 5 && Settings::RowsPerPage <= 10000);
    } else {
        // Values as the settings dialog may set them.
        for (std::int32_t& value : windows)
            value = input.int16();
        Settings::MemberNumber = input.int16();
        Settings::RefreshSeconds = 1 + static_cast<std::uint16_t>(input.int16()) % 99999;
        Settings::RowsPerPage = 5 + static_cast<std::uint16_t>(input.int16()) % 9996;
        Settings::MemberName = input.text(60);
        Settings::MemberPassword = input.text(60);
        Settings::ServerName = input.text(80);
        Settings::ServerFolder = input.text(80);
        Settings::DatabaseLocation = input.text(80);
        Settings::DatabaseUser = input.text(40);
        Settings::DatabasePassword = input.rest();
    }
    const Values before = Values::Current(windows);
    FUZZ_CHECK(SaveAndLoad(windows) == before);
    return 0;
}

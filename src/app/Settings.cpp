#include "app/Settings.h"

#include "db/UnitFBDB.h"
#include "platform/FileSystem.h"
#include "platform/Platform.h"
#include "text/Func_.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Settings {

namespace {

// $XDG_CONFIG_HOME/qbook2/, by default ~/.config/qbook2/.
std::string userConfigFolder() {
    return Platform::userConfigFolder() + "/qbook2/";
}

// Creates the folder and any missing parent, each accessible by the owner only.
void makeFolder(const std::string& folder) {
    for (size_t slash = folder.find('/', 1); slash != std::string::npos; slash = folder.find('/', slash + 1))
        QDir().mkdir(Platform::fileName(folder.substr(0, slash)),
                     QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// A settings file stays beside the executable where the user may write it:
// the folder takes new files, or the file is there and writable (a copy
// shared by several users). A copy in the folder the package installs it to
// keeps its settings per user, even for root.
std::string settingsFilePath(const std::string& name) {
    const std::string beside = ExeFolder + name;
    const std::string folder = ExeFolder.empty() ? std::string(".") : ExeFolder;
    const bool installed = ExeFolder == InstalledProgramFolder();
    const QFileInfo folderInfo(Platform::fileName(folder));
    if (!installed && ((folderInfo.isWritable() && folderInfo.isExecutable()) ||
                       QFileInfo(Platform::fileName(beside)).isWritable()))
        return beside;
    const std::string config = userConfigFolder();
    makeFolder(config);
    return config + name;
}

} // namespace

std::string InstalledProgramFolder() {
    return QBOOK2_INSTALL_BINDIR "/";
}

void SetStartValues() {
    MemberNumber = 0;
    MemberName.clear();
    MemberPassword.clear();
    RefreshSeconds = 30;
    RowsPerPage = 100;
    ServerName.clear();
    ServerFolder.clear();
    DatabaseLocation.clear();
    DatabaseUser.clear();
    DatabasePassword.clear();
    ViewMemberNumber = 0;
    OpenGroupEditNumber = 0;
    OpenGroupViewNumber = 0;
    ClosedGroupEditNumber = 0;
    ClosedGroupViewNumber = 0;
}

void ComputePaths() {
    ComputePathsFor(Platform::executablePath());
}

void ComputePathsFor(const std::string& exe) {
    const size_t slash = exe.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    ExeFolder = exe.substr(0, nameStart);
    // The extension is the part from the last dot of the file name; a name
    // without one (the usual case here) just gets ".dat" appended.
    const size_t dot = exe.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > nameStart;
    const std::string name = exe.substr(nameStart);
    LayoutFilePath = settingsFilePath((hasExtension ? name.substr(0, dot - nameStart) : name) + ".dat");
    DbSettingsFilePath = settingsFilePath("qbook2db.dat");
}

bool DatabaseConfigured() {
    for (const std::string* value :
         {&ServerName, &ServerFolder, &DatabaseUser, &DatabasePassword, &DatabaseLocation})
        if (RemoveSpaces(*value).empty())
            return false;
    return true;
}

bool MemberIdentified() {
    return MemberNumber != 0 && !RemoveSpaces(MemberName).empty();
}

void ClampRefreshAndPage() {
    if (RefreshSeconds < 1)
        RefreshSeconds = 1;
    if (RefreshSeconds > 99999)
        RefreshSeconds = 99999;
    if (RowsPerPage < 5)
        RowsPerPage = 5;
    if (RowsPerPage > 10000)
        RowsPerPage = 10000;
}

bool ConnectCurrent(TFormFBDB& db) {
    return db.Connect(DatabaseLocation, DatabaseFileName, DatabaseUser, DatabasePassword);
}

} // namespace Settings

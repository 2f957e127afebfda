#include "app/Settings.h"

#include "db/UnitFBDB.h"
#include "platform/Platform.h"
#include "text/Func_.h"

namespace Settings {

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
    const std::string exe = Platform::executablePath();
    const size_t slash = exe.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    ExeFolder = exe.substr(0, nameStart);
    // The extension is the part from the last dot of the file name; a name
    // without one (the usual case here) just gets ".dat" appended.
    const size_t dot = exe.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > nameStart;
    LayoutFilePath = (hasExtension ? exe.substr(0, dot) : exe) + ".dat";
    DbSettingsFilePath = ExeFolder + "qbook2db.dat";
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

#pragma once

#include <cstdint>
#include <string>

class TFormFBDB;

// The current settings: process-wide plain values that every screen reads
// (code page 932 strings). The settings dialog and the choosers write them;
// the launcher loads and saves them with the two settings files.
namespace Settings {

inline std::string ServerName;
inline std::string ServerFolder;
inline std::string DatabaseLocation;
inline std::string DatabaseUser;
inline std::string DatabasePassword;
inline std::int32_t MemberNumber = 0;
inline std::string MemberName;
inline std::string MemberPassword;
inline std::int32_t RefreshSeconds = 30;
inline std::int32_t RowsPerPage = 100;

// Chooser picks; never saved, 0 at every start.
inline std::int32_t ViewMemberNumber = 0;
inline std::int32_t OpenGroupEditNumber = 0;
inline std::int32_t OpenGroupViewNumber = 0;
inline std::int32_t ClosedGroupEditNumber = 0;
inline std::int32_t ClosedGroupViewNumber = 0;

// Computed once at start-up (ComputePaths).
inline std::string ExeFolder;
inline std::string LayoutFilePath;
inline std::string DbSettingsFilePath;

// The database file appended to DatabaseLocation on every connection.
inline constexpr const char* DatabaseFileName = "QBOOK.FDB";

// Start values of a run (all ten saved values and the five chooser picks).
void SetStartValues();

// ExeFolder, LayoutFilePath and DbSettingsFilePath from the executable's path.
// The two files lie beside the executable where the user may write them there,
// otherwise in $XDG_CONFIG_HOME/qbook2/ (by default ~/.config/qbook2/, created
// when needed), with the same names.
void ComputePaths();
// The same for the executable at exe.
void ComputePathsFor(const std::string& exe);

// The folder the package installs the program to, with its trailing separator.
std::string InstalledProgramFolder();

// ServerName, ServerFolder, DatabaseUser, DatabasePassword, DatabaseLocation
// all non-empty after RemoveSpaces.
bool DatabaseConfigured();

// MemberNumber not 0 and MemberName non-empty after RemoveSpaces.
bool MemberIdentified();

// Connects db with DatabaseLocation, DatabaseFileName, DatabaseUser and
// DatabasePassword, as every connection of the client is made.
bool ConnectCurrent(TFormFBDB& db);

// Clamps RefreshSeconds to 1..99999 and RowsPerPage to 5..10000.
void ClampRefreshAndPage();

} // namespace Settings

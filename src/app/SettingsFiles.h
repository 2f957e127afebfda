#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

// The two settings files beside the executable: one value per line, each
// ended by CR LF, code page 932, the meaning given by the line number.
//
// A value that holds CR or LF (a typed name, or a password byte that the
// position shift turned into one) would split its line and move every later
// value; such a value, and one that starts with the ESC byte, is written as
// ESC followed by its bytes in upper-case hexadecimal. Every other value is
// written byte for byte.
namespace SettingsFiles {

inline constexpr int WindowValueCount = 46;
inline constexpr int LayoutLineCount = 51;
inline constexpr int DbSettingsLineCount = 5;

// The window numbers of the layout file in file order: Left and Top of the
// launcher and the three choosers, Left, Top, Width and Height of TForm2 to
// TForm8, Left and Top of TFormSet, then the four of TFormEditor and of
// TFormGSearch.
using LayoutValues = std::array<std::int32_t, WindowValueCount>;

// Every value of a window that was never placed (never shown, never moved) is
// written as this number: such a window opens where a first run opens it.
inline constexpr std::int32_t UnplacedWindow = std::numeric_limits<std::int32_t>::min();

// Reads the layout file: every line read replaces its window number or its
// current setting (MemberNumber, MemberName, MemberPassword, RefreshSeconds,
// RowsPerPage), then the refresh interval and the page size are clamped.
// False, with nothing changed, when the file is missing or cannot be opened.
bool ReadLayout(const std::string& path, LayoutValues& windows);

// Reads the database settings file into ServerName, ServerFolder,
// DatabaseLocation, DatabaseUser and DatabasePassword; false as above.
bool ReadDbSettings(const std::string& path);

// Write the whole file or nothing: the new content goes to a temporary file
// beside the target, which then replaces the target. A replaced file keeps its
// owner and permission bits; a new file is readable and writable by its owner
// only. Where the folder takes no new file, or the owner could not be kept, an
// existing file is rewritten in place. On failure the previous file stays as
// it was. False on failure.
bool WriteLayout(const std::string& path, const LayoutValues& windows);
bool WriteDbSettings(const std::string& path);

// A value as its line (without the line end) and back.
std::string EncodeLine(const std::string& value);
std::string DecodeLine(const std::string& line);

struct ReadResult {
    bool opened = false;
    // The decoded values of up to count lines. When the file ends early the
    // missing lines are empty; when reading fails, only the lines read
    // completely before the failure are here.
    std::vector<std::string> lines;
};

// Lines end at CR LF, at a lone CR or at a lone LF.
ReadResult ReadLines(const std::string& path, size_t count);
bool WriteLines(const std::string& path, const std::vector<std::string>& values);

} // namespace SettingsFiles

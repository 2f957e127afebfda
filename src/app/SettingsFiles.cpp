#include "app/SettingsFiles.h"

#include "app/Settings.h"
#include "platform/FileSystem.h"
#include "text/Func_.h"

#include <QFile>

namespace SettingsFiles {

namespace {

constexpr char Escape = '\x1B';
constexpr char HexDigits[] = "0123456789ABCDEF";

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

std::string EncodeLine(const std::string& value) {
    const bool guarded =
        value.find_first_of("\r\n") != std::string::npos || (!value.empty() && value[0] == Escape);
    if (!guarded)
        return value;
    std::string line(1, Escape);
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        line += HexDigits[byte >> 4];
        line += HexDigits[byte & 0x0F];
    }
    return line;
}

std::string DecodeLine(const std::string& line) {
    if (line.empty() || line[0] != Escape || (line.size() - 1) % 2 != 0)
        return line;
    std::string value;
    for (size_t i = 1; i < line.size(); i += 2) {
        const int high = hexValue(line[i]);
        const int low = hexValue(line[i + 1]);
        if (high < 0 || low < 0)
            return line;
        value += static_cast<char>(high * 16 + low);
    }
    return value;
}

ReadResult ReadLines(const std::string& path, size_t count) {
    ReadResult result;
    QFile file(Platform::fileName(path));
    if (!file.open(QIODevice::ReadOnly))
        return result;
    result.opened = true;
    std::string current;
    bool afterCr = false;
    bool failed = false;
    char buffer[4096];
    while (result.lines.size() < count) {
        const qint64 n = file.read(buffer, sizeof buffer);
        if (n < 0) {
            failed = true;
            break;
        }
        if (n == 0) {
            if (!current.empty())
                result.lines.push_back(current);
            break;
        }
        for (qint64 i = 0; i < n && result.lines.size() < count; ++i) {
            const char c = buffer[i];
            if (afterCr) {
                afterCr = false;
                if (c == '\n')
                    continue;
            }
            if (c == '\r' || c == '\n') {
                result.lines.push_back(current);
                current.clear();
                afterCr = c == '\r';
            } else {
                current += c;
            }
        }
    }
    if (!failed)
        result.lines.resize(count);
    for (std::string& line : result.lines)
        line = DecodeLine(line);
    return result;
}

bool WriteLines(const std::string& path, const std::vector<std::string>& values) {
    std::string data;
    for (const std::string& value : values)
        data += EncodeLine(value) + "\r\n";
    return Platform::writeFileWhole(path, data);
}

bool ReadLayout(const std::string& path, LayoutValues& windows) {
    const ReadResult read = ReadLines(path, LayoutLineCount);
    if (!read.opened)
        return false;
    const auto& lines = read.lines;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i < WindowValueCount) {
            windows[i] = ToIntOrZero(lines[i]);
            continue;
        }
        switch (i - WindowValueCount) {
        case 0:
            Settings::MemberNumber = ToIntOrZero(lines[i]);
            break;
        case 1:
            Settings::MemberName = lines[i];
            break;
        case 2:
            Settings::MemberPassword = ShiftChars(lines[i]);
            break;
        case 3:
            Settings::RefreshSeconds = ToIntOrZero(lines[i]);
            break;
        case 4:
            Settings::RowsPerPage = ToIntOrZero(lines[i]);
            break;
        }
    }
    Settings::ClampRefreshAndPage();
    return true;
}

bool ReadDbSettings(const std::string& path) {
    const ReadResult read = ReadLines(path, DbSettingsLineCount);
    if (!read.opened)
        return false;
    std::string* const targets[] = {&Settings::ServerName, &Settings::ServerFolder,
                                    &Settings::DatabaseLocation, &Settings::DatabaseUser,
                                    &Settings::DatabasePassword};
    for (size_t i = 0; i < read.lines.size(); ++i)
        *targets[i] = read.lines[i];
    if (read.lines.size() == DbSettingsLineCount)
        Settings::DatabasePassword = UnshiftChars(Settings::DatabasePassword);
    return true;
}

bool WriteLayout(const std::string& path, const LayoutValues& windows) {
    std::vector<std::string> values;
    for (const std::int32_t value : windows)
        values.push_back(std::to_string(value));
    values.push_back(std::to_string(Settings::MemberNumber));
    values.push_back(Settings::MemberName);
    values.push_back(UnshiftChars(Settings::MemberPassword));
    values.push_back(std::to_string(Settings::RefreshSeconds));
    values.push_back(std::to_string(Settings::RowsPerPage));
    return WriteLines(path, values);
}

bool WriteDbSettings(const std::string& path) {
    return WriteLines(path, {Settings::ServerName, Settings::ServerFolder, Settings::DatabaseLocation,
                             Settings::DatabaseUser, ShiftChars(Settings::DatabasePassword)});
}

} // namespace SettingsFiles

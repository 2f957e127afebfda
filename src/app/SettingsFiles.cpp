#include "app/SettingsFiles.h"

#include "app/Settings.h"
#include "text/Func_.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

bool writeAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool writeFromStart(int fd, const std::string& data) {
    return ::lseek(fd, 0, SEEK_SET) == 0 && writeAll(fd, data) &&
           ::ftruncate(fd, static_cast<off_t>(data.size())) == 0 && ::fsync(fd) == 0;
}

bool readAll(int fd, std::string& data) {
    char buffer[4096];
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        data.append(buffer, static_cast<size_t>(n));
    }
}

// Rewrites an existing file through its own handle, for a folder that takes
// no new file or a file whose owner a replacement could not keep. Should the
// new content not fit, the old content is put back.
bool rewriteInPlace(const std::string& path, const std::string& data) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::string old;
    bool ok = readAll(fd, old);
    if (ok && !writeFromStart(fd, data)) {
        writeFromStart(fd, old);
        ok = false;
    }
    if (::close(fd) != 0)
        ok = false;
    return ok;
}

// Gives the new file the owner of the file it replaces; false when that is not allowed.
bool takeOwner(int fd, const struct stat& replaced) {
    struct stat created {};
    if (::fstat(fd, &created) != 0)
        return false;
    if (created.st_uid == replaced.st_uid && created.st_gid == replaced.st_gid)
        return true;
    return ::fchown(fd, replaced.st_uid, replaced.st_gid) == 0;
}

// Makes the rename itself durable; a failure here loses nothing already written.
void syncFolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
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
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return result;
    result.opened = true;
    std::string current;
    bool afterCr = false;
    bool failed = false;
    char buffer[4096];
    while (result.lines.size() < count) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            failed = true;
            break;
        }
        if (n == 0) {
            if (!current.empty())
                result.lines.push_back(current);
            break;
        }
        for (ssize_t i = 0; i < n && result.lines.size() < count; ++i) {
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
    ::close(fd);
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
    struct stat replaced {};
    const bool replacing = ::stat(path.c_str(), &replaced) == 0 && S_ISREG(replaced.st_mode);
    std::string temporary = path + ".XXXXXX";
    // mkostemp opens with O_CREAT | O_EXCL and mode 0600 on a name of its own.
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return replacing && rewriteInPlace(path, data);
    if (replacing && !takeOwner(fd, replaced)) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return rewriteInPlace(path, data);
    }
    // A replaced file keeps its permission bits; a new one is its owner's only.
    const mode_t mode = replacing ? replaced.st_mode & 07777 : S_IRUSR | S_IWUSR;
    bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, data) && ::fsync(fd) == 0;
    if (::close(fd) != 0)
        ok = false;
    if (ok && std::rename(temporary.c_str(), path.c_str()) != 0)
        ok = false;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    syncFolderOf(path);
    return true;
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

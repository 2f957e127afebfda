#include "platform/FileSystem.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstdlib>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Pushes what was written to the disk; a failure loses nothing already
// written, but says that the file may not survive a power cut.
bool syncToDisk([[maybe_unused]] QFileDevice& file) {
#ifdef Q_OS_UNIX
    return ::fsync(file.handle()) == 0;
#else
    return true;
#endif
}

// Makes a rename in the folder durable.
void syncFolderOf([[maybe_unused]] const QString& name) {
#ifdef Q_OS_UNIX
    const QByteArray folder = QFile::encodeName(QFileInfo(name).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
#endif
}

// Gives the new file the owner and group of the file it replaces; false when
// that is not allowed.
bool takeOwner([[maybe_unused]] QFileDevice& file, [[maybe_unused]] const QFileInfo& replaced) {
#ifdef Q_OS_UNIX
    struct stat created {};
    if (::fstat(file.handle(), &created) != 0)
        return false;
    const uid_t owner = replaced.ownerId();
    const gid_t group = replaced.groupId();
    return (created.st_uid == owner && created.st_gid == group) || ::fchown(file.handle(), owner, group) == 0;
#else
    return true;
#endif
}

bool writeFromStart(QFile& file, const QByteArray& data) {
    return file.seek(0) && file.write(data) == data.size() && file.resize(data.size()) && syncToDisk(file);
}

// Rewrites an existing file through its own handle, unbuffered, so that a
// write that fails is seen at once and the old content can go back.
bool rewriteInPlace(const QString& name, const QByteArray& data) {
    QFile file(name);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return false;
    const QByteArray old = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    if (writeFromStart(file, data))
        return true;
    writeFromStart(file, old);
    return false;
}

} // namespace

namespace Platform {

QString fileName(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

bool writeFileWhole(const std::string& path, const std::string& bytes) {
    const QString name = Platform::fileName(path);
    const QByteArray data = QByteArray::fromStdString(bytes);
    const QFileInfo existing(name);
    const bool replacing = existing.isFile();
    {
        // Unbuffered, so that a write the disk cuts short is seen: a buffered
        // one would count as written when the file is closed.
        QSaveFile file(name);
        if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            if (!replacing || takeOwner(file, existing)) {
                // The owner's, group's and others' bits of the replaced file,
                // not those the current user happens to have.
                constexpr QFileDevice::Permissions UserBits =
                    QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;
                const QFileDevice::Permissions mode = replacing
                                                          ? existing.permissions() & ~UserBits
                                                          : QFileDevice::ReadOwner | QFileDevice::WriteOwner;
                if (!file.setPermissions(mode) || file.write(data) != data.size() || !file.commit())
                    return false;
                syncFolderOf(name);
                return true;
            }
            file.cancelWriting();
        } else if (!replacing) {
            return false;
        }
    }
    return rewriteInPlace(name, data);
}

std::string userConfigFolder() {
#ifdef Q_OS_UNIX
    // QStandardPaths would take a relative XDG_CONFIG_HOME, which the
    // desktop's rules say to ignore, and the root folder for a missing HOME.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/')
        return config;
    const char* home = std::getenv("HOME");
    if (!home || !home[0]) {
        const passwd* user = ::getpwuid(::getuid());
        home = user ? user->pw_dir : "";
    }
    return std::string(home) + "/.config";
#else
    return QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .toStdString();
#endif
}

int makeFolderFor([[maybe_unused]] const std::string& path, [[maybe_unused]] const std::string& account) {
#ifdef Q_OS_UNIX
    const group* accountGroup = ::getgrnam(account.c_str());
    const passwd* accountUser = ::getpwnam(account.c_str());
    if (!accountGroup || !accountUser)
        return ENOENT;
    const gid_t gid = accountGroup->gr_gid;
    const uid_t uid = ::geteuid() == 0 ? accountUser->pw_uid : static_cast<uid_t>(-1);
    if (::mkdir(path.c_str(), 0770) != 0)
        return errno;
    // chmod after chown: the mode is not left to the umask.
    if (::chown(path.c_str(), uid, gid) != 0 || ::chmod(path.c_str(), 0770) != 0) {
        const int error = errno;
        ::rmdir(path.c_str());
        return error;
    }
    return 0;
#else
    return ENOSYS;
#endif
}

} // namespace Platform

#include "app/Settings.h"
#include "app/SettingsFiles.h"
#include "platform/Platform.h"
#include "support/FileSizeLimit.h"
#include "text/Func_.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using SettingsFiles::LayoutValues;

namespace {

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Lines as a plain reader sees them: split at every CR LF, CR or LF.
std::vector<std::string> physicalLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::string current;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            lines.push_back(current);
            current.clear();
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        } else {
            current += bytes[i];
        }
    }
    if (!current.empty())
        lines.push_back(current);
    return lines;
}

std::string layoutFile(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines)
        bytes += line + "\r\n";
    return bytes;
}

std::vector<std::string> windowLines() {
    std::vector<std::string> lines;
    for (int i = 0; i < SettingsFiles::WindowValueCount; ++i)
        lines.push_back(std::to_string(i * 10 - 7));
    return lines;
}

constexpr uid_t NobodyId = 65534;

// Runs check in a child process for which the folder takes no new file: root
// gives up its rights and runs as nobody, any other user finds the folder
// read-only. True when check returned true.
bool asUserWhoCannotWriteTo(const fs::path& folder, const std::function<bool()>& check) {
    const fs::perms kept = fs::status(folder).permissions();
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(NobodyId) != 0 || setuid(NobodyId) != 0))
            _exit(2);
        _exit(check() ? 0 : 1);
    }
    int status = 0;
    const bool waited = child > 0 && waitpid(child, &status, 0) == child;
    fs::permissions(folder, kept);
    return waited && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class SettingsFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/qbook2-settings-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        Settings::SetStartValues();
    }
    void TearDown() override {
        Platform::setExecutablePath({});
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir);
    }
    std::string path(const char* name) const { return (dir / name).string(); }
    std::vector<std::string> leftovers() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir;
};

void fillSettings() {
    Settings::ServerName = "db-server";
    Settings::ServerFolder = "/srv/qbook/";
    Settings::DatabaseLocation = "db-server:/srv/qbook/";
    Settings::DatabaseUser = "SYSDBA";
    Settings::DatabasePassword = "secret";
    Settings::MemberNumber = 12;
    Settings::MemberName = "\x8E\x52\x93\x63"; // 山田 in code page 932
    Settings::MemberPassword = "pw";
    Settings::RefreshSeconds = 45;
    Settings::RowsPerPage = 200;
}

} // namespace

TEST_F(SettingsFilesTest, FirstRunWithNeitherFileKeepsTheStartValues) {
    fillSettings();
    Settings::ViewMemberNumber = 3;
    Settings::ClosedGroupViewNumber = 4;
    Settings::SetStartValues();
    Platform::setExecutablePath((dir / "qbook2").string());
    Settings::ComputePaths();
    EXPECT_EQ(Settings::ExeFolder, dir.string() + "/");
    EXPECT_EQ(Settings::LayoutFilePath, dir.string() + "/qbook2.dat");
    EXPECT_EQ(Settings::DbSettingsFilePath, dir.string() + "/qbook2db.dat");

    LayoutValues windows{};
    windows[0] = 193;
    EXPECT_FALSE(SettingsFiles::ReadLayout(Settings::LayoutFilePath, windows));
    EXPECT_FALSE(SettingsFiles::ReadDbSettings(Settings::DbSettingsFilePath));
    EXPECT_EQ(windows[0], 193);
    EXPECT_FALSE(Settings::DatabaseConfigured());
    EXPECT_FALSE(Settings::MemberIdentified());
    EXPECT_EQ(Settings::RefreshSeconds, 30);
    EXPECT_EQ(Settings::RowsPerPage, 100);
    EXPECT_EQ(Settings::ViewMemberNumber, 0);
    EXPECT_EQ(Settings::ClosedGroupViewNumber, 0);
    EXPECT_TRUE(Settings::DatabasePassword.empty());
}

TEST_F(SettingsFilesTest, LayoutPathReplacesOnlyTheFileNameExtension) {
    fs::create_directories(dir / "q.b");
    const std::string folder = (dir / "q.b").string() + "/";
    Platform::setExecutablePath(folder + "qbook2.exe");
    Settings::ComputePaths();
    EXPECT_EQ(Settings::LayoutFilePath, folder + "qbook2.dat");
    EXPECT_EQ(Settings::DbSettingsFilePath, folder + "qbook2db.dat");
    Platform::setExecutablePath(folder + "qbook2");
    Settings::ComputePaths();
    EXPECT_EQ(Settings::LayoutFilePath, folder + "qbook2.dat");
}

// The folder's own copy keeps its files beside it; a copy in a folder the user
// cannot write, or the installed program, keeps them in the user's
// configuration folder; a writable file beside a shared copy stays there.
TEST_F(SettingsFilesTest, SettingsLieBesideTheExecutableOnlyWhereTheUserMayWriteThem) {
    const fs::path program = dir / "program";
    const fs::path config = dir / "config";
    fs::create_directories(program);
    fs::create_directories(config);
    fs::permissions(dir, fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(config, fs::perms::all);
    Platform::setExecutablePath((program / "qbook2").string());
    const std::string besideLayout = (program / "qbook2.dat").string();
    const std::string inConfig = (config / "qbook2").string() + "/";
    const auto pathsAre = [](const std::string& layout, const std::string& db) {
        Settings::ComputePaths();
        return Settings::ExeFolder.back() == '/' && Settings::LayoutFilePath == layout &&
               Settings::DbSettingsFilePath == db;
    };
    ASSERT_EQ(setenv("XDG_CONFIG_HOME", config.c_str(), 1), 0);
    EXPECT_TRUE(pathsAre(besideLayout, (program / "qbook2db.dat").string()));
    EXPECT_FALSE(fs::exists(config / "qbook2"));

    EXPECT_TRUE(asUserWhoCannotWriteTo(program, [&] {
        fillSettings();
        struct stat folder {};
        return pathsAre(inConfig + "qbook2.dat", inConfig + "qbook2db.dat") &&
               stat(inConfig.c_str(), &folder) == 0 && (folder.st_mode & 0777) == 0700 &&
               SettingsFiles::WriteDbSettings(Settings::DbSettingsFilePath);
    }));
    EXPECT_EQ(physicalLines(readBytes(config / "qbook2" / "qbook2db.dat"))[0], "db-server");

    // Without XDG_CONFIG_HOME, or with a relative one, which names no folder: ~/.config/qbook2/.
    EXPECT_TRUE(asUserWhoCannotWriteTo(program, [&] {
        setenv("HOME", (config / "home").c_str(), 1);
        const std::string home = (config / "home" / ".config" / "qbook2").string() + "/";
        unsetenv("XDG_CONFIG_HOME");
        const bool withoutIt = pathsAre(home + "qbook2.dat", home + "qbook2db.dat");
        setenv("XDG_CONFIG_HOME", "relative", 1);
        return withoutIt && pathsAre(home + "qbook2.dat", home + "qbook2db.dat");
    }));

    writeBytes(besideLayout, "");
    chmod(besideLayout.c_str(), 0666);
    EXPECT_TRUE(
        asUserWhoCannotWriteTo(program, [&] { return pathsAre(besideLayout, inConfig + "qbook2db.dat"); }));

    Platform::setExecutablePath(Settings::InstalledProgramFolder() + "qbook2");
    EXPECT_TRUE(pathsAre(inConfig + "qbook2.dat", inConfig + "qbook2db.dat"));
    unsetenv("XDG_CONFIG_HOME");
}

TEST_F(SettingsFilesTest, RefreshAndPageSizeAreClampedOnLoading) {
    struct Case {
        const char* refresh;
        const char* rows;
        int expectedRefresh;
        int expectedRows;
    };
    const Case cases[] = {
        {"0", "3", 1, 5}, {"100000", "20000", 99999, 10000}, {"abc", "", 1, 5},      {"-4", "-100", 1, 5},
        {"1", "5", 1, 5}, {"99999", "10000", 99999, 10000},  {"45", "250", 45, 250}, {"12x", "1e3", 1, 5},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines = windowLines();
        lines.insert(lines.end(), {"7", "name", "", c.refresh, c.rows});
        writeBytes(path("layout.dat"), layoutFile(lines));
        LayoutValues windows{};
        ASSERT_TRUE(SettingsFiles::ReadLayout(path("layout.dat"), windows));
        EXPECT_EQ(Settings::RefreshSeconds, c.expectedRefresh) << c.refresh;
        EXPECT_EQ(Settings::RowsPerPage, c.expectedRows) << c.rows;
    }
}

TEST_F(SettingsFilesTest, FileOfOnlyTheWindowLinesLeavesNobodyIdentified) {
    fillSettings();
    writeBytes(path("layout.dat"), layoutFile(windowLines()));
    LayoutValues windows{};
    ASSERT_TRUE(SettingsFiles::ReadLayout(path("layout.dat"), windows));
    for (int i = 0; i < SettingsFiles::WindowValueCount; ++i)
        EXPECT_EQ(windows[i], i * 10 - 7);
    EXPECT_EQ(Settings::MemberNumber, 0);
    EXPECT_EQ(Settings::MemberName, "");
    EXPECT_EQ(Settings::MemberPassword, "");
    EXPECT_EQ(Settings::RefreshSeconds, 1);
    EXPECT_EQ(Settings::RowsPerPage, 5);
    EXPECT_FALSE(Settings::MemberIdentified());
}

TEST_F(SettingsFilesTest, LinesEndAtCrLfLoneCrOrLoneLf) {
    writeBytes(path("db.dat"), "host\rfolder/\nhost:folder/\r\nuser\r\n" + ShiftChars("pass"));
    ASSERT_TRUE(SettingsFiles::ReadDbSettings(path("db.dat")));
    EXPECT_EQ(Settings::ServerName, "host");
    EXPECT_EQ(Settings::ServerFolder, "folder/");
    EXPECT_EQ(Settings::DatabaseLocation, "host:folder/");
    EXPECT_EQ(Settings::DatabaseUser, "user");
    EXPECT_EQ(Settings::DatabasePassword, "pass");
    EXPECT_TRUE(Settings::DatabaseConfigured());

    // An empty third line: configured only after the next successful connection test.
    writeBytes(path("db.dat"), "host\r\nfolder/\r\n\r\nuser\r\n" + ShiftChars("pass") + "\r\n");
    ASSERT_TRUE(SettingsFiles::ReadDbSettings(path("db.dat")));
    EXPECT_EQ(Settings::DatabaseLocation, "");
    EXPECT_FALSE(Settings::DatabaseConfigured());
}

TEST_F(SettingsFilesTest, PasswordsAreShiftedInOppositeDirections) {
    EXPECT_EQ(ShiftChars("abc"), "\x62\x64\x66");
    EXPECT_EQ(UnshiftChars("abc"), "\x60\x60\x60");
    fillSettings();
    Settings::MemberPassword = "abc";
    Settings::DatabasePassword = "abc";
    ASSERT_TRUE(SettingsFiles::WriteLayout(path("layout.dat"), LayoutValues{}));
    ASSERT_TRUE(SettingsFiles::WriteDbSettings(path("db.dat")));
    EXPECT_EQ(physicalLines(readBytes(path("layout.dat")))[48], "\x60\x60\x60");
    EXPECT_EQ(physicalLines(readBytes(path("db.dat")))[4], "\x62\x64\x66");
}

TEST_F(SettingsFilesTest, WrittenFilesHaveTheExactLineFormat) {
    fillSettings();
    LayoutValues windows{};
    for (int i = 0; i < SettingsFiles::WindowValueCount; ++i)
        windows[i] = i - 3;
    ASSERT_TRUE(SettingsFiles::WriteLayout(path("layout.dat"), windows));
    ASSERT_TRUE(SettingsFiles::WriteDbSettings(path("db.dat")));

    std::string expected;
    for (int i = 0; i < SettingsFiles::WindowValueCount; ++i)
        expected += std::to_string(i - 3) + "\r\n";
    expected += "12\r\n\x8E\x52\x93\x63\r\n" + UnshiftChars("pw") + "\r\n45\r\n200\r\n";
    EXPECT_EQ(readBytes(path("layout.dat")), expected);
    EXPECT_EQ(readBytes(path("db.dat")), "db-server\r\n/srv/qbook/\r\ndb-server:/srv/qbook/\r\nSYSDBA\r\n" +
                                             ShiftChars("secret") + "\r\n");

    for (const char* name : {"layout.dat", "db.dat"}) {
        struct stat info {};
        ASSERT_EQ(stat(path(name).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u) << name;
    }
}

TEST_F(SettingsFilesTest, ReplacingAFileKeepsItsPermissionBitsAndOwner) {
    writeBytes(path("db.dat"), "old\r\n");
    chmod(path("db.dat").c_str(), 0664);
    // Root can hand the file to another user, whose file it must stay.
    const bool otherOwner = geteuid() == 0 && chown(path("db.dat").c_str(), NobodyId, NobodyId) == 0;
    ASSERT_TRUE(SettingsFiles::WriteDbSettings(path("db.dat")));
    struct stat info {};
    ASSERT_EQ(stat(path("db.dat").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0664u);
    if (otherOwner) {
        EXPECT_EQ(info.st_uid, NobodyId);
        EXPECT_EQ(info.st_gid, NobodyId);
    }
    EXPECT_EQ(physicalLines(readBytes(path("db.dat"))).size(), 5u);
    EXPECT_EQ(leftovers(), std::vector<std::string>{"db.dat"});
}

TEST_F(SettingsFilesTest, FolderThatTakesNoNewFileHasItsFilesRewrittenInPlace) {
    fillSettings();
    writeBytes(path("db.dat"), "old\r\n");
    chmod(path("db.dat").c_str(), 0666);
    Settings::ServerName = "new-server";
    EXPECT_TRUE(asUserWhoCannotWriteTo(dir, [&] { return SettingsFiles::WriteDbSettings(path("db.dat")); }));
    EXPECT_EQ(physicalLines(readBytes(path("db.dat")))[0], "new-server");
    struct stat info {};
    ASSERT_EQ(stat(path("db.dat").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0666u);
    EXPECT_EQ(leftovers(), std::vector<std::string>{"db.dat"});

    // A new content that does not fit leaves the old one.
    const std::string previous = readBytes(path("db.dat"));
    Settings::ServerName = std::string(200, 's');
    EXPECT_FALSE(asUserWhoCannotWriteTo(dir, [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{previous.size() + 8, previous.size() + 8};
        return setrlimit(RLIMIT_FSIZE, &small) == 0 && SettingsFiles::WriteDbSettings(path("db.dat"));
    }));
    EXPECT_EQ(readBytes(path("db.dat")), previous);

    // A file that is not there cannot be made.
    EXPECT_FALSE(
        asUserWhoCannotWriteTo(dir, [&] { return SettingsFiles::WriteLayout(path("layout.dat"), {}); }));
    EXPECT_EQ(leftovers(), std::vector<std::string>{"db.dat"});
}

TEST_F(SettingsFilesTest, EveryByteValueSurvivesBothFiles) {
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        // The byte at positions 1 to 4 of the passwords, so that the position
        // shift turns some of them into CR, LF or ESC.
        const std::string password = std::string(1, byte) + "k" + std::string(2, byte) + "x" + byte;
        const std::string name = std::string(1, byte) + "n" + byte;
        Settings::SetStartValues();
        Settings::MemberNumber = b + 1;
        Settings::MemberName = name;
        Settings::MemberPassword = password;
        Settings::ServerName = name;
        Settings::ServerFolder = std::string(1, byte);
        Settings::DatabaseLocation = name + ":";
        Settings::DatabaseUser = name;
        Settings::DatabasePassword = password;
        LayoutValues windows{};
        windows[45] = b;
        ASSERT_TRUE(SettingsFiles::WriteLayout(path("layout.dat"), windows));
        ASSERT_TRUE(SettingsFiles::WriteDbSettings(path("db.dat")));
        ASSERT_EQ(physicalLines(readBytes(path("layout.dat"))).size(), 51u) << b;
        ASSERT_EQ(physicalLines(readBytes(path("db.dat"))).size(), 5u) << b;

        Settings::SetStartValues();
        LayoutValues read{};
        ASSERT_TRUE(SettingsFiles::ReadLayout(path("layout.dat"), read));
        ASSERT_TRUE(SettingsFiles::ReadDbSettings(path("db.dat")));
        EXPECT_EQ(read[45], b);
        EXPECT_EQ(Settings::MemberNumber, b + 1);
        EXPECT_EQ(Settings::MemberName, name) << b;
        EXPECT_EQ(Settings::MemberPassword, password) << b;
        EXPECT_EQ(Settings::RefreshSeconds, 30);
        EXPECT_EQ(Settings::ServerName, name) << b;
        EXPECT_EQ(Settings::ServerFolder, std::string(1, byte)) << b;
        EXPECT_EQ(Settings::DatabaseLocation, name + ":") << b;
        EXPECT_EQ(Settings::DatabaseUser, name) << b;
        EXPECT_EQ(Settings::DatabasePassword, password) << b;
    }
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    Settings::MemberPassword = all;
    Settings::DatabasePassword = all;
    ASSERT_TRUE(SettingsFiles::WriteLayout(path("layout.dat"), LayoutValues{}));
    ASSERT_TRUE(SettingsFiles::WriteDbSettings(path("db.dat")));
    Settings::SetStartValues();
    LayoutValues read{};
    ASSERT_TRUE(SettingsFiles::ReadLayout(path("layout.dat"), read));
    ASSERT_TRUE(SettingsFiles::ReadDbSettings(path("db.dat")));
    EXPECT_EQ(Settings::MemberPassword, all);
    EXPECT_EQ(Settings::DatabasePassword, all);
}

TEST(SettingsLineGuard, OnlyValuesThatWouldBreakTheLineAreHexEncoded) {
    EXPECT_EQ(SettingsFiles::EncodeLine(""), "");
    EXPECT_EQ(SettingsFiles::EncodeLine("plain \x82\xA0 text\x1B"), "plain \x82\xA0 text\x1B");
    EXPECT_EQ(SettingsFiles::EncodeLine("a\r\nb"), "\x1B"
                                                   "610D0A62");
    EXPECT_EQ(SettingsFiles::EncodeLine("\n"), "\x1B"
                                               "0A");
    EXPECT_EQ(SettingsFiles::EncodeLine("\x1B"
                                        "41"),
              "\x1B"
              "1B3431");
    EXPECT_EQ(SettingsFiles::DecodeLine("\x1B"
                                        "610d0A62"),
              "a\r\nb");
    // Anything that is not ESC and pairs of hex digits is an ordinary value.
    for (const char* line : {"\x1B"
                             "4",
                             "\x1B"
                             "4G",
                             "x\x1B"
                             "41",
                             "41"})
        EXPECT_EQ(SettingsFiles::DecodeLine(line), line);
}

TEST_F(SettingsFilesTest, FolderInPlaceOfTheFileReadsNothing) {
    fs::create_directory(dir / "layout.dat");
    LayoutValues windows{};
    windows[3] = 77;
    Settings::MemberNumber = 5;
    EXPECT_FALSE(SettingsFiles::ReadLayout(path("layout.dat"), windows));
    EXPECT_EQ(windows[3], 77);
    EXPECT_EQ(Settings::MemberNumber, 5);
    EXPECT_EQ(Settings::RefreshSeconds, 30);
}

TEST_F(SettingsFilesTest, FailedSaveKeepsThePreviousFileAndLeavesNoTemporaryFile) {
    fillSettings();
    ASSERT_TRUE(SettingsFiles::WriteDbSettings(path("db.dat")));
    const std::string previous = readBytes(path("db.dat"));
    Settings::ServerName = "another-server-with-a-much-longer-name";

    // The disk "fills up" after a few bytes of the new file.
    bool written = true;
    {
        const FileSizeLimit fullDisk(16);
        written = SettingsFiles::WriteDbSettings(path("db.dat"));
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(readBytes(path("db.dat")), previous);
    EXPECT_EQ(leftovers(), std::vector<std::string>{"db.dat"});

    // The target cannot be replaced.
    fs::create_directories(dir / "layout.dat" / "inside");
    EXPECT_FALSE(SettingsFiles::WriteLayout(path("layout.dat"), LayoutValues{}));
    EXPECT_TRUE(fs::is_directory(dir / "layout.dat" / "inside"));
    EXPECT_EQ(leftovers(), (std::vector<std::string>{"db.dat", "layout.dat"}));

    // The folder does not exist.
    EXPECT_FALSE(SettingsFiles::WriteDbSettings((dir / "missing" / "db.dat").string()));
    EXPECT_FALSE(fs::exists(dir / "missing"));
}

TEST(SettingsChecks, ConfiguredAndIdentifiedNeedEveryValueNonBlank) {
    fillSettings();
    EXPECT_TRUE(Settings::DatabaseConfigured());
    EXPECT_TRUE(Settings::MemberIdentified());
    for (std::string* value : {&Settings::ServerName, &Settings::ServerFolder, &Settings::DatabaseLocation,
                               &Settings::DatabaseUser, &Settings::DatabasePassword}) {
        const std::string kept = *value;
        *value = " \x81\x40\t"; // half-width, full-width and control blanks only
        EXPECT_FALSE(Settings::DatabaseConfigured());
        *value = kept;
    }
    Settings::MemberName = "\x81\x40 ";
    EXPECT_FALSE(Settings::MemberIdentified());
    Settings::MemberName = "x";
    Settings::MemberNumber = 0;
    EXPECT_FALSE(Settings::MemberIdentified());
    Settings::MemberNumber = -3;
    EXPECT_TRUE(Settings::MemberIdentified());
    Settings::SetStartValues();
}

#include "app/SeenMarks.h"

#include "app/SettingsFiles.h"
#include "db/UnitSchema.h"
#include "platform/FileSystem.h"
#include "text/Func_.h"

#include <QFile>

#include <vector>

namespace {

const char* const Header = "qbook2 seen 1";
constexpr char Tab = '\t';
constexpr char HexDigits[] = "0123456789ABCDEF";

// A database location as one field: control bytes, the tab and "%" as %XX.
std::string escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '%') {
            out += '%';
            out += HexDigits[byte >> 4];
            out += HexDigits[byte & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string unescaped(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '%' && i + 2 < field.size() && hexValue(field[i + 1]) >= 0 &&
            hexValue(field[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(field[i + 1]) * 16 + hexValue(field[i + 2]));
            i += 2;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out(1);
    for (const char c : line) {
        if (c == Tab)
            out.emplace_back();
        else
            out.back() += c;
    }
    return out;
}

} // namespace

std::string SeenMarks::PathBeside(const std::string& dbSettingsPath) {
    if (dbSettingsPath.empty())
        return {};
    const size_t slash = dbSettingsPath.rfind('/');
    return (slash == std::string::npos ? std::string() : dbSettingsPath.substr(0, slash + 1)) +
           "qbook2seen.dat";
}

SeenMarks::Content SeenMarks::Read(const std::string& path) {
    Content content;
    if (path.empty())
        return content;
    QFile file(Platform::fileName(path));
    if (!file.open(QIODevice::ReadOnly))
        return content;
    const QList<QByteArray> lines = file.readAll().split('\n');
    if (lines.isEmpty() || SettingsFiles::DecodeLine(lines[0].trimmed().toStdString()) != Header)
        return content;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        const std::vector<std::string> f = fields(SettingsFiles::DecodeLine(line.toStdString()));
        if (f[0] == "notices" && f.size() == 2) {
            content.notices = f[1] != "0";
        } else if (f[0] == "known" && f.size() == 3) {
            content.known.insert({unescaped(f[1]), ToIntOrZero(f[2])});
        } else if (f[0] == "seen" && f.size() == 5 && IsMemoTableName(f[3])) {
            const std::int32_t n = ToIntOrZero(f[4]);
            std::int32_t& mark = content.marks[{{unescaped(f[1]), ToIntOrZero(f[2])}, f[3]}];
            mark = std::max(mark, n);
        }
    }
    return content;
}

void SeenMarks::Load(const std::string& path) {
    Path = path;
    Marks = Read(path);
}

bool SeenMarks::Save() {
    if (Path.empty())
        return true;
    // Another copy of the program (the same settings folder) may have written meanwhile.
    const Content stored = Read(Path);
    for (const auto& [key, n] : stored.marks) {
        std::int32_t& mark = Marks.marks[key];
        mark = std::max(mark, n);
    }
    Marks.known.insert(stored.known.begin(), stored.known.end());
    std::vector<std::string> lines{Header, std::string("notices") + Tab + (Marks.notices ? "1" : "0")};
    for (const Scope& scope : Marks.known)
        lines.push_back(std::string("known") + Tab + escaped(scope.first) + Tab +
                        std::to_string(scope.second));
    for (const auto& [key, n] : Marks.marks)
        lines.push_back(std::string("seen") + Tab + escaped(key.first.first) + Tab +
                        std::to_string(key.first.second) + Tab + key.second + Tab + std::to_string(n));
    return SettingsFiles::WriteLines(Path, lines);
}

void SeenMarks::SetScope(const std::string& location, std::int32_t memberNumber) {
    Current = {location, memberNumber};
}

std::int32_t SeenMarks::Seen(const std::string& table) const {
    const auto found = Marks.marks.find({Current, table});
    return found == Marks.marks.end() ? 0 : found->second;
}

std::map<std::string, std::int32_t> SeenMarks::AllSeen() const {
    std::map<std::string, std::int32_t> seen;
    for (const auto& [key, n] : Marks.marks)
        if (key.first == Current)
            seen[key.second] = n;
    return seen;
}

bool SeenMarks::Raise(const std::string& table, std::int32_t n) {
    std::int32_t& mark = Marks.marks[{Current, table}];
    if (mark >= n)
        return false;
    mark = n;
    return true;
}

bool SeenMarks::Known() const {
    return Marks.known.count(Current) != 0;
}

void SeenMarks::SetKnown() {
    Marks.known.insert(Current);
}

#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>

// What the member's screens have shown of each pad: per database, member and
// memo table, the largest registration number a screen showed. Kept in a file
// of the client's own beside its settings files ("qbook2seen.dat"), with the
// member's choice whether new lines are announced. The file is written whole
// or not at all, merged with what another copy of the program may have
// written there meanwhile (the larger number wins).
class SeenMarks {
public:
    // The file beside the database settings file; empty: the marks live in memory only.
    static std::string PathBeside(const std::string& dbSettingsPath);

    // Forgets every mark and takes the file's.
    void Load(const std::string& path);
    // False when the file could not be written (the marks stay in memory).
    bool Save();

    // The database (DatabaseLocation) and the member the marks are for.
    void SetScope(const std::string& location, std::int32_t memberNumber);

    std::int32_t Seen(const std::string& table) const;
    // Every mark of the scope, by table.
    std::map<std::string, std::int32_t> AllSeen() const;
    // Raises the table's mark to n; false when it was n or more already.
    bool Raise(const std::string& table, std::int32_t n);

    // Whether marks were ever set for the scope: until then the lines already
    // in the pads are taken as seen, so that nobody starts with every line unread.
    bool Known() const;
    void SetKnown();

    bool NoticesOn() const { return Marks.notices; }
    void SetNoticesOn(bool on) { Marks.notices = on; }

private:
    using Scope = std::pair<std::string, std::int32_t>;
    struct Content {
        std::map<std::pair<Scope, std::string>, std::int32_t> marks;
        std::set<Scope> known;
        bool notices = true;
    };
    static Content Read(const std::string& path);

    std::string Path;
    Scope Current;
    Content Marks;
};

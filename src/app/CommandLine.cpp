#include "app/CommandLine.h"

#include <ostream>
#include <string_view>

namespace CommandLine {

namespace {

const char Usage[] = R"usage(usage: qbook2 [--help | --version]

キューブック／各PC用ツール: the desktop client of the office's shared memo pads,
kept in one Firebird database (QBOOK.FDB) on the server PC.

The program takes no options. It is set up in its settings dialog ("設　定(&5)"
in the launcher: server, folder, database user and password, and the member
who uses this PC). The settings are kept in two files, qbook2.dat and
qbook2db.dat: beside the program when its folder may be written (a copy run
from a folder of its own), otherwise in $XDG_CONFIG_HOME/qbook2/ (by default
~/.config/qbook2/).

  --help       show this text and exit
  --version    show the version and exit
)usage";

} // namespace

const char* Version() {
    return QBOOK2_VERSION;
}

std::optional<int> Answer(int argc, const char* const* argv, std::ostream& out) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help") {
            out << Usage;
            return 0;
        }
        if (arg == "--version") {
            out << "qbook2 " << Version() << "\n";
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace CommandLine

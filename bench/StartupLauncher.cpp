// The program's own start, ending once the launcher is shown; with the
// argument --until-counts, once its unread counts are read as well.

#include "ShownSignal.h"

#include "app/Program.h"
#include "app/Unit1.h"
#include "app/UnreadCounts.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    const bool untilCounts = argc > 1 && std::strcmp(argv[1], "--until-counts") == 0;
    return RunProgram(1, argv, [untilCounts](QWidget* launcher) {
        if (!untilCounts) {
            new ShownSignal(launcher);
            return;
        }
        UnreadCounts* counts = static_cast<TForm1*>(launcher)->Counts;
        QObject::connect(counts, &UnreadCounts::Changed, counts, [counts] {
            if (!counts->Counted())
                return;
            std::fputc('s', stdout);
            std::fflush(stdout);
            std::_Exit(0);
        });
    });
}

#include "Startup.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

namespace Bench {

namespace {

constexpr int Repetitions = 21;

struct Start {
    std::string program;
    const char* argument; // or nullptr
    std::vector<double> times;
};

// Milliseconds from starting the program until it reports its window shown; -1 on failure.
double startToShown(const Start& start) {
    Child child;
    const auto begin = std::chrono::steady_clock::now();
    if (!child.start(start.program,
                     start.argument ? std::vector<std::string>{start.argument} : std::vector<std::string>{}))
        return -1;
    const bool shown = child.waitForOutput();
    const auto end = std::chrono::steady_clock::now();
    child.finish();
    return shown ? std::chrono::duration<double, std::milli>(end - begin).count() : -1;
}

Outcome compare(const std::string& name, const Start& start, const Start& floor) {
    return summarize(name, start.times, floor.times);
}

} // namespace

int RunStartup(std::vector<Goal>& goals) {
    const std::filesystem::path folder = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    Start launcher{(folder / "qbook2-startup-launcher").string(), nullptr, {}};
    Start bare{(folder / "qbook2-startup-bare").string(), nullptr, {}};
    Start withText{bare.program, "--with-text", {}};
    Start* starts[] = {&launcher, &bare, &withText};
    // One start of each first, for the file cache; then in turns, each going first as often.
    for (Start* start : starts)
        if (startToShown(*start) < 0) {
            std::fprintf(stderr, "qbook2-bench: %s did not show its window\n", start->program.c_str());
            return 1;
        }
    for (int r = 0; r < Repetitions; ++r) {
        std::rotate(std::begin(starts), std::begin(starts) + 1, std::end(starts));
        for (Start* start : starts)
            start->times.push_back(startToShown(*start));
    }
    for (const Start* start : starts)
        if (minimum(start->times) < 0) {
            std::fprintf(stderr, "qbook2-bench: %s did not always show its window\n", start->program.c_str());
            return 1;
        }
    printHeader();
    const Outcome outcome = compare("start-up: launcher / bare window", launcher, bare);
    compare("start-up: launcher / window with a text", launcher, withText);
    compare("start-up: window with a text / bare window", withText, bare);
    goals.push_back({"start-up to the launcher shown / a bare Qt window", outcome.paired, 1.5});
    return 0;
}

} // namespace Bench

#pragma once

#include <string>

struct StressClientOptions {
    int client = 0; // 0-based
    int actions = 0;
    unsigned seed = 1;
    std::string server;
    std::string folder; // with its trailing separator
    std::string user;
    std::string password;
    std::string logPath;
};

// The member number with which a stress client writes.
inline int StressMemberNumber(int client) {
    return 101 + client;
}

// One client process: the all-members pad on the offscreen platform, driven
// through its handlers in an order drawn from the seed. Exit status 0 when it
// ran all its actions.
int RunStressClient(int argc, char** argv, const StressClientOptions& options);

#include "FirebirdTool.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

FirebirdToolRun RunFirebirdTool(const std::string& program, const std::vector<std::string>& args,
                                const std::string& user, const std::string& password) {
    FirebirdToolRun run;
    // Everything the child needs is made before the fork: the process may
    // have other threads (the client library's), so the child only execs.
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry)
        if (std::strncmp(*entry, "ISC_USER=", 9) != 0 && std::strncmp(*entry, "ISC_PASSWORD=", 13) != 0)
            environment.emplace_back(*entry);
    environment.push_back("ISC_USER=" + user);
    environment.push_back("ISC_PASSWORD=" + password);
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::vector<std::string> arguments{program};
    arguments.insert(arguments.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        return run;
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Asked for the next volume of a backup that ends too early, gbak reads an answer: there is none.
        const int nothing = ::open("/dev/null", O_RDONLY);
        ::dup2(nothing, STDIN_FILENO);
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::dup2(pipeEnds[1], STDERR_FILENO);
        ::umask(077);
        ::execvpe(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    if (pid < 0) {
        ::close(pipeEnds[0]);
        return run;
    }
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0)
            run.output.append(buffer, static_cast<size_t>(n));
    ::close(pipeEnds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.started = !(WIFEXITED(status) && WEXITSTATUS(status) == 127);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

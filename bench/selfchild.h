#pragma once

#include <optional>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

// Runs this program again as a fresh process with args (argv[1] on), and
// gives what it printed; nothing when it could not start or did not exit 0.
// A fresh process keeps one measurement's libraries and heap out of the next.
inline std::optional<std::string> runSelf(const std::vector<std::string> &args)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return std::nullopt;
    std::vector<char *> argv{ const_cast<char *>("self") };
    for (const std::string &arg : args)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(channel[1], STDOUT_FILENO);
        ::execv("/proc/self/exe", argv.data());
        ::_exit(127);
    }
    ::close(channel[1]);
    std::string printed;
    char text[64];
    for (ssize_t count; (count = ::read(channel[0], text, sizeof text)) > 0;)
        printed.append(text, size_t(count));
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (printed.empty() || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return printed;
}

#pragma once
// A child process for the fault tests: started with extra environment variables, its standard
// output read through a pipe, ended with a chosen signal.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

namespace endurance {

inline long long monotonicNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000000000LL + t.tv_nsec;
}

class ChildProcess {
public:
    ChildProcess(const std::string& program, const std::vector<std::pair<std::string, std::string>>& env)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(fds[1], STDOUT_FILENO);
            close(fds[0]);
            close(fds[1]);
            for (const auto& [name, value] : env)
                setenv(name.c_str(), value.c_str(), 1);
            execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        out_ = fds[0];
    }
    ~ChildProcess()
    {
        if (pid_ > 0 && !reaped_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0)
            close(out_);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Waits for a line "recording <ns>" and returns the number, or -1 on timeout or exit.
    long long waitUntilRecording(int timeoutMs)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < until) {
            pollfd p{out_, POLLIN, 0};
            if (poll(&p, 1, 50) > 0) {
                char buf[256];
                const ssize_t n = read(out_, buf, sizeof buf);
                if (n <= 0)
                    return -1;
                text_.append(buf, static_cast<std::size_t>(n));
                const auto at = text_.find("recording ");
                if (at != std::string::npos && text_.find('\n', at) != std::string::npos)
                    return std::atoll(text_.c_str() + at + 10);
            }
        }
        return -1;
    }
    // Sends the signal and waits up to `timeoutMs` for the end; the wait status, or -1 when the
    // process had to be killed after the timeout.
    int signalAndReap(int signal, int timeoutMs = 20000)
    {
        kill(pid_, signal);
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        int status = 0;
        while (std::chrono::steady_clock::now() < until) {
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                reaped_ = true;
                return status;
            }
            usleep(5000);
        }
        return -1;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    bool reaped_ = false;
    std::string text_;
};

} // namespace endurance

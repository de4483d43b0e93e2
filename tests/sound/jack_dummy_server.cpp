#include "sound/jack_dummy_server.h"

#include <fcntl.h>
#include <jack/jack.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

extern char** environ;

namespace kelvara::testing {
namespace {

constexpr auto kStartTimeout = std::chrono::seconds(10);
constexpr auto kStopTimeout = std::chrono::seconds(5);
constexpr auto kPoll = std::chrono::milliseconds(50);

bool wait_for_exit(pid_t pid, std::chrono::steady_clock::duration timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) return true;
        std::this_thread::sleep_for(kPoll);
    }
    return false;
}

}  // namespace

JackDummyServer::JackDummyServer() : name_("kelvara-test-" + std::to_string(getpid())) {
    setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
    setenv("JACK_NO_START_SERVER", "1", 1);
    std::vector<std::string> args{"jackd", "-n", name_,   "-r", "-d",
                                  "dummy", "-r", "48000", "-p", "256"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const int spawned = posix_spawnp(&pid_, "jackd", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        pid_ = -1;
        why_ = "jackd could not be started (is jackd2 installed?)";
        return;
    }
    ready_ = wait_until_ready();
    if (!ready_) why_ = "jackd started but accepted no client within 10 s";
}

bool JackDummyServer::wait_until_ready() {
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return false;  // jackd gave up
        }
        jack_status_t jack_status{};
        const auto options = jack_options_t(JackNoStartServer | JackServerName);
        if (jack_client_t* probe =
                jack_client_open("kelvara-probe", options, &jack_status, name_.c_str())) {
            jack_client_close(probe);
            return true;
        }
        std::this_thread::sleep_for(kPoll);
    }
    return false;
}

JackDummyServer::~JackDummyServer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    if (!wait_for_exit(pid_, kStopTimeout)) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

}  // namespace kelvara::testing

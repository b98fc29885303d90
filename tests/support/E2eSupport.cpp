#include "E2eSupport.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <csignal>
#include <memory>
#include <sstream>
#include <thread>

namespace e2e {

namespace {

// In the child, before it runs the program: the CPU limit (SIGXCPU at the soft
// limit, SIGKILL a second later should it ignore that) and an empty standard input.
// A lower limit that the tests were given stays.
void limitChild(unsigned cpuSeconds, bool keepInput = false) {
    rlimit limit{};
    ::getrlimit(RLIMIT_CPU, &limit);
    const rlim_t hard = std::min<rlim_t>(limit.rlim_max, rlim_t{cpuSeconds} + 1);
    limit = {std::min<rlim_t>(hard, cpuSeconds), hard};
    ::setrlimit(RLIMIT_CPU, &limit);
    if (keepInput) return;
    const int nothing = ::open("/dev/null", O_RDONLY);
    if (nothing > STDIN_FILENO) {
        ::dup2(nothing, STDIN_FILENO);
        ::close(nothing);
    }
}

// The child's standard input: nothing, or the read end of a pipe that a thread of
// the parent fills with `input` and closes.
struct ChildSetup {
    const std::string* input = nullptr;
    std::vector<std::string> environment;
};

ProcessResult runChild(const std::vector<std::string>& argv, const std::string& workingDirectory, bool mergeErrors,
                       unsigned cpuSeconds, const ChildSetup& setup) {
    std::vector<char*> pointers;
    for (const std::string& argument : argv) pointers.push_back(const_cast<char*>(argument.c_str()));
    pointers.push_back(nullptr);
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return {};
    int inputEnds[2] = {-1, -1};
    if (setup.input && ::pipe(inputEnds) != 0) return {};
    // A child that stops reading early must not end the tests with SIGPIPE.
    if (setup.input) std::signal(SIGPIPE, SIG_IGN);
    // Standard error goes to a file, read once the child has ended: two pipes would
    // need reading side by side.
    std::unique_ptr<FILE, int (*)(FILE*)> errors(mergeErrors ? nullptr : std::tmpfile(), std::fclose);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        if (mergeErrors) ::dup2(pipeEnds[1], STDERR_FILENO);
        else if (errors) ::dup2(::fileno(errors.get()), STDERR_FILENO);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        if (setup.input) {
            ::dup2(inputEnds[0], STDIN_FILENO);
            ::close(inputEnds[0]);
            ::close(inputEnds[1]);
            std::signal(SIGPIPE, SIG_DFL);  // an ignored signal would stay ignored in the program
        }
        for (const std::string& entry : setup.environment) ::putenv(const_cast<char*>(entry.c_str()));
        if (!workingDirectory.empty() && ::chdir(workingDirectory.c_str()) != 0) ::_exit(126);
        limitChild(cpuSeconds, setup.input != nullptr);
        ::execvp(pointers[0], pointers.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    std::thread writer;
    if (setup.input) {
        ::close(inputEnds[0]);
        writer = std::thread([&setup, end = inputEnds[1]] {
            for (size_t done = 0; done < setup.input->size();) {
                const ssize_t put = ::write(end, setup.input->data() + done, setup.input->size() - done);
                if (put > 0) done += static_cast<size_t>(put);
                else if (errno != EINTR) break;
            }
            ::close(end);
        });
    }
    ProcessResult result;
    char buffer[65536];
    for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) != 0;) {
        if (got > 0) result.output.append(buffer, static_cast<size_t>(got));
        else if (errno != EINTR) break;
    }
    ::close(pipeEnds[0]);
    int status = 0;
    const bool waited = child > 0 && ::waitpid(child, &status, 0) == child;
    if (writer.joinable()) writer.join();
    if (!waited) return result;
    if (errors) {
        std::rewind(errors.get());
        for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, errors.get())) > 0;)
            result.errors.append(buffer, got);
    }
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
}

}  // namespace

ProcessResult runProcess(const std::vector<std::string>& argv, const std::string& workingDirectory, bool mergeErrors,
                         unsigned cpuSeconds) {
    return runChild(argv, workingDirectory, mergeErrors, cpuSeconds, {});
}

ProcessResult runWithInput(const std::vector<std::string>& argv, const std::string& input,
                           const std::string& workingDirectory, const std::vector<std::string>& environment) {
    return runChild(argv, workingDirectory, false, defaultCpuSeconds, {&input, environment});
}

std::vector<std::string> programUnderTest(const std::string& builtProgram) {
    std::vector<std::string> command;
    if (const char* launcher = std::getenv("FOLIOTURN_LAUNCHER")) {
        std::istringstream words(launcher);
        for (std::string word; words >> word;) command.push_back(word);
    }
    const char* given = std::getenv("FOLIOTURN_PROGRAM_UNDER_TEST");
    command.push_back(given && *given ? given : builtProgram);
    return command;
}

ProcessResult runThroughLauncher(const std::vector<std::string>& command, const std::string& workingDirectory) {
    const bool launched = std::getenv("FOLIOTURN_LAUNCHER") != nullptr;
    ProcessResult result = runProcess(command, workingDirectory);
    for (int retry = 1; launched && retry <= 2 && result.output.empty() && result.exitCode != 0; ++retry) {
        std::cerr << "The launcher's run printed nothing (exit code " << result.exitCode << ", signal " << result.signal
                  << "); running it again (" << retry << " of 2)\n";
        result = runProcess(command, workingDirectory);
    }
    return result;
}

#ifdef FOLIOTURN_PROGRAM
ProcessResult runFolioturnWithInput(const std::vector<std::string>& arguments, const std::string& input,
                                    const std::string& workingDirectory, const std::vector<std::string>& environment) {
    std::vector<std::string> command = programUnderTest(FOLIOTURN_PROGRAM);
    command.insert(command.end(), arguments.begin(), arguments.end());
    const bool launched = std::getenv("FOLIOTURN_LAUNCHER") != nullptr;
    ProcessResult result = runWithInput(command, input, workingDirectory, environment);
    for (int retry = 1; launched && retry <= 2 && result.output.empty() && result.errors.empty(); ++retry) {
        std::cerr << "The launcher's run printed nothing; running it again (" << retry << " of 2)\n";
        result = runWithInput(command, input, workingDirectory, environment);
    }
    return result;
}
#endif

bool testingWindowsBuild() {
    const char* given = std::getenv("FOLIOTURN_PROGRAM_UNDER_TEST");
    const std::string program = given ? given : "";
    return program.size() >= 4 && program.compare(program.size() - 4, 4, ".exe") == 0;
}

TemporaryFolder::TemporaryFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/folioturn-e2e-XXXXXX";
    if (::mkdtemp(pattern.data())) folder = pattern;
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
}

std::vector<std::string> TemporaryFolder::entriesOf(const std::string& path) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void writeFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

bool exists(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ignored));
}

std::string jobHead(const std::string& input, const std::string& output, int degrees, const std::string& pages,
                    int dots) {
    return "Rotating file: " + input + " to " + output + ", " + std::to_string(degrees) + " Degrees, Pages: " + pages +
           "\nProcessing" + std::string(static_cast<size_t>(dots), '.');
}

}  // namespace e2e

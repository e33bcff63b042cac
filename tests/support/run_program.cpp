#include "support/run_program.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdlib>

namespace {

// A program of this build, as a path this platform opens.
std::string BuiltProgram(std::string path) {
#ifdef _WIN32
    // The build hands a Unix path; Wine shows the Unix root as drive Z:.
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
        for (char& c : path) {
            if (c == '/') {
                c = '\\';
            }
        }
    }
#endif
    return path;
}

} // namespace

std::string ProgramUnderTest() {
#ifdef PV_PROGRAM_PATH
    std::string path = PV_PROGRAM_PATH;
#else
    std::string path;
#endif
    if (const char* overridePath = std::getenv("PV_PROGRAM_PATH")) {
        path = overridePath;
    }
    return BuiltProgram(path);
}

std::string PiecetoolUnderTest() {
#ifdef PV_PIECETOOL_PATH
    return BuiltProgram(PV_PIECETOOL_PATH);
#else
    return {};
#endif
}

#ifdef _WIN32

namespace {

std::string ReadAll(HANDLE pipe) {
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        text.append(buffer, got);
    }
    return text;
}

} // namespace

ProgramResult RunProgramWithTail(const std::string& program, const std::string& tail) {
    ProgramResult result;
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0) ||
        !CreatePipe(&errRead, &errWrite, &inherit, 0)) {
        return result;
    }
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION process{};
    std::string commandLine = "\"" + program + "\"";
    if (!tail.empty()) {
        commandLine += " " + tail;
    }
    const BOOL created = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &process);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    if (created) {
        result.started = true;
        result.standardOutput = ReadAll(outRead);
        result.standardError = ReadAll(errRead);
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        result.exitCode = static_cast<int>(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(outRead);
    CloseHandle(errRead);
    return result;
}

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments) {
    std::string tail;
    for (const std::string& argument : arguments) {
        if (!tail.empty()) {
            tail += ' ';
        }
        tail += argument.find(' ') != std::string::npos ? "\"" + argument + "\"" : argument;
    }
    return RunProgramWithTail(program, tail);
}

#else

namespace {

std::string ReadAll(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t got;
    while ((got = read(fd, buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return text;
}

} // namespace

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments) {
    ProgramResult result;
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) {
        return result;
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], 1);
        dup2(err[1], 2);
        close(out[0]);
        close(err[0]);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    if (child > 0) {
        result.started = true;
        result.standardOutput = ReadAll(out[0]);
        result.standardError = ReadAll(err[0]);
        int status = 0;
        waitpid(child, &status, 0);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    close(out[0]);
    close(err[0]);
    return result;
}

#endif

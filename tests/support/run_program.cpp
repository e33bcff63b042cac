#include "support/run_program.h"

#include "support/scratch.h"
#include "support/wine_path.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdlib>

namespace {

// A program of this build, as a path this platform opens.
std::string BuiltProgram(const std::string& path) {
#ifdef _WIN32
    return !path.empty() && path[0] == '/' ? WinePath(path) : path;
#else
    return path;
#endif
}

} // namespace

std::string ProgramUnderTest() {
    const char* overridePath = std::getenv("PV_PROGRAM_PATH");
    return BuiltProgram(overridePath ? overridePath : PV_PROGRAM_PATH);
}

std::string PiecetoolUnderTest() {
    return BuiltProgram(PV_PIECETOOL_PATH);
}

// Standard output and error go to files of a scratch folder, read once the
// program has ended.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         [[maybe_unused]] long fileSizeLimit) {
    ProgramResult result;
    const ScratchFolder folder;
    const std::string out = folder.File("out"), err = folder.File("err");
#ifdef _WIN32
    std::string commandLine = "\"" + program + "\"";
    for (const std::string& argument : arguments) {
        commandLine +=
            argument.find(' ') != std::string::npos ? " \"" + argument + "\"" : " " + argument;
    }
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    auto open = [&](const std::string& path) {
        return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0,
                           nullptr);
    };
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = open(out);
    startup.hStdError = open(err);
    PROCESS_INFORMATION process{};
    result.started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                    nullptr, &startup, &process);
    CloseHandle(startup.hStdOutput);
    CloseHandle(startup.hStdError);
    if (result.started) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        result.exitCode = static_cast<int>(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
#else
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
        dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        if (fileSizeLimit >= 0) {
            const rlimit cap{static_cast<rlim_t>(fileSizeLimit),
                             static_cast<rlim_t>(fileSizeLimit)};
            setrlimit(RLIMIT_FSIZE, &cap);
        }
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    result.started = child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
                     WEXITSTATUS(status) != 127;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
#endif
    if (result.started) {
        result.standardOutput = Text(ReadBytes(out));
        result.standardError = Text(ReadBytes(err));
    }
    return result;
}

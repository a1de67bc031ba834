#include "acquire_program_run.h"

#include <vector>

ProgramRun RunProgram(const std::string& program, const std::string& arguments, DWORD timeoutMs) {
    ProgramRun run = {false, 0, ""};
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return run;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    std::string commandLine = "\"" + program + "\" " + arguments;
    std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back('\0');
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                  &startup, &process);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        run.output = "cannot start " + program;
        return run;
    }
    // Drain the pipe while waiting, so a talkative program never blocks on a full pipe.
    DWORD start = GetTickCount();
    for (;;) {
        DWORD available = 0;
        while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
            char chunk[4096];
            DWORD got = 0;
            if (!ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) || got == 0) break;
            run.output.append(chunk, got);
        }
        if (WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0) {
            run.finished = true;
            break;
        }
        if (GetTickCount() - start >= timeoutMs) {
            TerminateProcess(process.hProcess, 0xdead);
            WaitForSingleObject(process.hProcess, 5000);
            break;
        }
    }
    char chunk[4096];
    DWORD got = 0;
    DWORD available = 0;
    while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
           ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0)
        run.output.append(chunk, got);
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    CloseHandle(readEnd);
    return run;
}

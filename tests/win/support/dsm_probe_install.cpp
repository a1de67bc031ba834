#include "dsm_probe_install.h"

#include <windows.h>

const char kProbeFolder[] = "OrvelluxTestProbes";

namespace {

std::string ProbeRoot() {
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, MAX_PATH);
    return std::string(windows) + "\\twain_64\\" + kProbeFolder;
}

// Makes every folder on the way to the file.
std::string PrepareDestination(const std::string& relativePath) {
    std::string path = ProbeRoot() + "\\" + relativePath;
    for (size_t slash = path.find('\\', 3); slash != std::string::npos; slash = path.find('\\', slash + 1))
        CreateDirectoryA(path.substr(0, slash).c_str(), nullptr);
    return path;
}

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = folder + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

}  // namespace

bool InstallProbeFile(const std::string& probeFile, const std::string& relativePath) {
    return CopyFileA(probeFile.c_str(), PrepareDestination(relativePath).c_str(), FALSE) != 0;
}

bool InstallProbeText(const std::string& relativePath, const std::string& contents) {
    HANDLE file = CreateFileA(PrepareDestination(relativePath).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
    CloseHandle(file);
    return written == contents.size();
}

void RemoveProbes() { RemoveTree(ProbeRoot()); }

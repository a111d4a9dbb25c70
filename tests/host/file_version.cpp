// Prints what a player sees in a file's properties: its file version and the texts of its version
// resource, in the first language the resource lists.   file_version.exe FILE
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) return std::fprintf(stderr, "usage: file_version FILE\n"), 2;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(argv[1], &handle);
    std::string data(size, '\0');
    VS_FIXEDFILEINFO* fixed = nullptr;
    WORD* translation = nullptr;
    UINT length = 0;
    if (size == 0 || !GetFileVersionInfoA(argv[1], 0, size, data.data()) ||
        !VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) ||
        !VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                        &length) ||
        length < 2 * sizeof(WORD))
        return std::printf("no version resource\n"), 1;
    std::printf("FileVersion %u.%u.%u.%u\n", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    char block[64];
    std::snprintf(block, sizeof block, "\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
    for (const char* name : {"ProductName", "FileDescription", "ProductVersion", "OriginalFilename"}) {
        char* value = nullptr;
        if (VerQueryValueA(data.data(), (std::string(block) + name).c_str(), reinterpret_cast<void**>(&value),
                           &length) &&
            length > 0)
            std::printf("%s %s\n", name, value);
    }
    return 0;
}

// Prints what a player sees in a file's properties: its file version and the texts of its version
// resource.   file_version.exe FILE
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::wstring Wide(const char* text) {
    std::wstring wide(MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), static_cast<int>(wide.size()));
    wide.resize(wide.size() - 1);
    return wide;
}

std::string Utf8(const wchar_t* text) {
    std::string narrow(WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow.data(), static_cast<int>(narrow.size()), nullptr,
                        nullptr);
    narrow.resize(narrow.size() - 1);
    return narrow;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: file_version FILE\n");
        return 2;
    }
    const std::wstring path = Wide(argv[1]);
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    std::string data(size, '\0');
    if (size == 0 || !GetFileVersionInfoW(path.c_str(), 0, size, data.data())) {
        std::printf("no version resource\n");
        return 1;
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length)) return 1;
    std::printf("FileVersion %u.%u.%u.%u\n", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));

    // The texts are in the first language the resource lists.
    WORD* translation = nullptr;
    if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                        &length) ||
        length < 2 * sizeof(WORD))
        return 1;
    wchar_t block[64];
    std::swprintf(block, 64, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
    for (const wchar_t* name : {L"ProductName", L"FileDescription", L"ProductVersion", L"OriginalFilename"}) {
        wchar_t* value = nullptr;
        if (VerQueryValueW(data.data(), (std::wstring(block) + name).c_str(),
                           reinterpret_cast<void**>(&value), &length) &&
            length > 0)
            std::printf("%s %s\n", Utf8(name).c_str(), Utf8(value).c_str());
    }
    return 0;
}

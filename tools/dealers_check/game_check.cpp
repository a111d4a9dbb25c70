#include "game_check.h"

#include "pe_version.h"
#include "runtime/version_number.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#ifdef _WIN32
#include "runtime/host_version.h"
#include <vector>
#include <windows.h>
#endif

namespace dealers_check {
namespace {

bool ReadBytes(const std::string& path, std::string& bytes, std::string& reason) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        reason = std::strerror(errno);
        return false;
    }
    char chunk[1 << 16];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) bytes.append(chunk, got);
    const bool failed = std::ferror(file) != 0;
    if (failed) reason = std::strerror(errno);
    std::fclose(file);
    return !failed;
}

} // namespace

GameCheck CheckGame(const std::string& path) {
    GameCheck check;
    std::string bytes;
    if (!ReadBytes(path, bytes, check.reason)) return check;
    const PeVersion found = ReadPeFileVersion(bytes, check.words);
    if (found == PeVersion::NotPe) {
        check.status = GameCheck::Status::NotPe;
        return check;
    }
#ifdef _WIN32
    // The plugin's own reading, on the path as the system takes it.
    const int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    std::vector<wchar_t> widePath(static_cast<std::size_t>(length > 0 ? length : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath.data(), length);
    check.status = ReadFileVersionWords(widePath.data(), check.words) ? GameCheck::Status::Version
                                                                      : GameCheck::Status::NoVersion;
#else
    check.status = found == PeVersion::Found ? GameCheck::Status::Version : GameCheck::Status::NoVersion;
#endif
    return check;
}

int PrintGameCheck(const std::string& path, const GameCheck& check, Output& out, Output& errors) {
    switch (check.status) {
    case GameCheck::Status::Unreadable:
        errors << "dealers-check: cannot read " << path << ": " << check.reason << '\n';
        return 2;
    case GameCheck::Status::NotPe:
        errors << "dealers-check: " << path << " is not a Windows program (no PE header)\n";
        return 2;
    case GameCheck::Status::NoVersion:
        out << path << ": no file version\n  the plugin stays idle with this game\n";
        return 1;
    case GameCheck::Status::Version:
        break;
    }
    const std::uint16_t(&w)[4] = check.words;
    out << path << ": file version " << w[0] << '.' << w[1] << '.' << w[2] << '.' << w[3] << '\n';
    const auto number = VersionNumberFromWords(w[0], w[1], w[2], w[3]);
    if (number)
        out << "  number " << *number << " (the four numbers written one after another)\n";
    else
        out << "  no number: " << w[0] << w[1] << w[2] << w[3] << " is too large\n";
    switch (HostVersionFromWords(w[0], w[1], w[2], w[3])) {
    case HostVersion::V1070:
        out << "  the plugin takes it for build 1.0.7.0\n";
        return 0;
    case HostVersion::V1080:
        out << "  the plugin takes it for build 1.0.8.0\n";
        return 0;
    case HostVersion::Unknown:
        break;
    }
    out << "  the plugin stays idle with this game: it knows only 1.0.7.0 and 1.0.8.0 (numbers 1070 and "
           "1080)\n";
    return 1;
}

} // namespace dealers_check

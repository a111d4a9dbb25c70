#include "pe_version.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace dealers_check {
namespace {

constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::uint32_t kVersionType = 16; // RT_VERSION
constexpr std::uint32_t kVersionName = 1;  // VS_VERSION_INFO

// Little-endian fields at offsets of the image; empty past its end.
class Image {
  public:
    explicit Image(std::string_view bytes) : bytes_(bytes) {}
    std::size_t Size() const { return bytes_.size(); }

    std::optional<std::uint32_t> U16(std::uint64_t at) const { return Read(at, 2); }
    std::optional<std::uint32_t> U32(std::uint64_t at) const { return Read(at, 4); }
    bool Holds(std::uint64_t at, std::string_view text) const {
        return at <= bytes_.size() && bytes_.size() - at >= text.size() &&
               bytes_.compare(static_cast<std::size_t>(at), text.size(), text) == 0;
    }

  private:
    std::optional<std::uint32_t> Read(std::uint64_t at, unsigned size) const {
        if (at > bytes_.size() || bytes_.size() - at < size) return std::nullopt;
        std::uint32_t value = 0;
        for (unsigned i = size; i-- > 0;)
            value = value << 8 | static_cast<unsigned char>(bytes_[static_cast<std::size_t>(at) + i]);
        return value;
    }
    std::string_view bytes_;
};

// The file offset of a relative virtual address, through the section that maps it from the file.
std::optional<std::uint64_t> FileOffset(const Image& image, std::uint64_t sections, std::uint32_t count,
                                        std::uint32_t rva) {
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t at = sections + 40ull * i;
        const auto virtualAddress = image.U32(at + 12), rawSize = image.U32(at + 16),
                   rawAt = image.U32(at + 20);
        if (!virtualAddress || !rawSize || !rawAt) return std::nullopt;
        if (rva >= *virtualAddress && rva - *virtualAddress < *rawSize)
            return std::uint64_t{*rawAt} + (rva - *virtualAddress);
    }
    return std::nullopt;
}

// The entry of a resource directory with the given id, or its first entry when the id is absent
// and any will do; its data field (a subdirectory when the high bit is set).
std::optional<std::uint32_t> Entry(const Image& image, std::uint64_t directory, std::uint32_t id,
                                   bool anyOther) {
    const auto named = image.U16(directory + 12), numbered = image.U16(directory + 14);
    if (!named || !numbered || *named + *numbered == 0) return std::nullopt;
    const std::uint64_t entries = directory + 16;
    for (std::uint32_t i = *named; i < *named + *numbered; ++i)
        if (image.U32(entries + 8ull * i) == id) return image.U32(entries + 8ull * i + 4);
    return anyOther ? image.U32(entries + 4) : std::nullopt;
}

} // namespace

PeVersion ReadPeFileVersion(std::string_view bytes, std::uint16_t (&words)[4]) {
    const Image image(bytes);
    if (!image.Holds(0, "MZ")) return PeVersion::NotPe;
    const auto pe = image.U32(0x3C);
    if (!pe || !image.Holds(*pe, std::string_view("PE\0\0", 4))) return PeVersion::NotPe;
    const std::uint64_t coff = *pe + 4ull, optional = coff + 20;
    const auto sectionCount = image.U16(coff + 2), optionalSize = image.U16(coff + 16),
               magic = image.U16(optional);
    if (!sectionCount || !optionalSize || !magic) return PeVersion::NotPe;
    std::uint64_t directories = 0; // the data directories of PE32 and PE32+ optional headers
    if (*magic == 0x10B)
        directories = optional + 96;
    else if (*magic == 0x20B)
        directories = optional + 112;
    else
        return PeVersion::NotPe;

    // The resource directory is data directory 2.
    const auto directoryCount = image.U32(directories - 4);
    if (!directoryCount || *directoryCount < 3 || directories + 24 > optional + *optionalSize)
        return PeVersion::NoVersion;
    const auto resourceRva = image.U32(directories + 16);
    if (!resourceRva || *resourceRva == 0) return PeVersion::NoVersion;
    const std::uint64_t sections = optional + *optionalSize;
    const auto resources = FileOffset(image, sections, *sectionCount, *resourceRva);
    if (!resources) return PeVersion::NoVersion;

    // Type RT_VERSION, then the name VS_VERSION_INFO (or the first), then the first language.
    const auto type = Entry(image, *resources, kVersionType, false);
    if (!type || !(*type & kHighBit)) return PeVersion::NoVersion;
    const auto name = Entry(image, *resources + (*type & ~kHighBit), kVersionName, true);
    if (!name || !(*name & kHighBit)) return PeVersion::NoVersion;
    const auto language = Entry(image, *resources + (*name & ~kHighBit), 0, true);
    if (!language || (*language & kHighBit)) return PeVersion::NoVersion;
    const std::uint64_t leaf = *resources + *language;
    const auto dataRva = image.U32(leaf), dataSize = image.U32(leaf + 4);
    if (!dataRva || !dataSize) return PeVersion::NoVersion;
    const auto data = FileOffset(image, sections, *sectionCount, *dataRva);
    if (!data || *data > image.Size() || image.Size() - *data < *dataSize) return PeVersion::NoVersion;

    // VS_VERSIONINFO: length, value length, type, L"VS_VERSION_INFO", padding to 4 bytes, then the
    // fixed file information, whose first field is its signature.
    constexpr std::uint64_t kValue = 40, kFixedSize = 52;
    const auto valueLength = image.U16(*data + 2);
    if (!valueLength || *valueLength == 0 || *dataSize < kValue + kFixedSize) return PeVersion::NoVersion;
    if (image.U32(*data + kValue) != 0xFEEF04BDu) return PeVersion::NoVersion;
    const auto high = image.U32(*data + kValue + 8), low = image.U32(*data + kValue + 12);
    if (!high || !low) return PeVersion::NoVersion;
    words[0] = static_cast<std::uint16_t>(*high >> 16);
    words[1] = static_cast<std::uint16_t>(*high);
    words[2] = static_cast<std::uint16_t>(*low >> 16);
    words[3] = static_cast<std::uint16_t>(*low);
    return PeVersion::Found;
}

} // namespace dealers_check

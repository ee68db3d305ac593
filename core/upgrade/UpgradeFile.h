#pragma once
// The upgrade file: a 128-byte header and the firmware image behind it. The
// tool reads no length or checksum from the header; the image length is the
// file size less the header, and the device judges the header itself.
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "util/Bytes.h"

namespace aulira {

namespace upgfile {
inline constexpr std::size_t headerSize = 128;
inline constexpr std::size_t magic = 0;      // char[16], the text below and its NUL
inline constexpr std::size_t version = 32;   // char[16]
inline constexpr std::size_t buildDate = 48; // char[32]
inline constexpr std::size_t model = 80;     // char[48]
static_assert(model + 48 == headerSize);
inline constexpr char magicText[] = "KPU update file";
static_assert(sizeof magicText == 16, "the magic's NUL is part of it");

// Firmware packets carry 1024 image bytes and are counted in a 16-bit field,
// which bounds the image and so what a batch holds in memory.
inline constexpr std::size_t firmwarePacketSize = 1024;
inline constexpr std::uint64_t maxImageSize = 65535ull * firmwarePacketSize;
} // namespace upgfile

struct UpgradeFileHeader {
    std::array<std::uint8_t, upgfile::headerSize> raw{};

    // At least headerSize bytes.
    static UpgradeFileHeader read(ConstBytes bytes);
    bool magicOk() const;
    // Texts are bytes in the workstation's code page.
    std::string version() const { return readFixedText(raw, upgfile::version, 16); }
    std::string buildDate() const { return readFixedText(raw, upgfile::buildDate, 32); }
    std::string modelText() const { return readFixedText(raw, upgfile::model, 48); }
};

// The check made when a file is chosen: status, length, opening, magic. On
// failure `error` is the string table entry to show; nothing else is set.
struct UpgradeFileCheck {
    int error = 0;
    std::uint64_t size = 0;
    UpgradeFileHeader header;

    bool ok() const { return error == 0; }
    std::string text() const; // the message as stored, empty when ok
};

UpgradeFileCheck CheckUpgradeFile(const std::filesystem::path& path);

// A whole upgrade file held for one batch.
struct UpgradeImageFile {
    std::vector<std::uint8_t> bytes; // header and image

    UpgradeFileHeader header() const { return UpgradeFileHeader::read(bytes); }
    std::size_t imageSize() const { return bytes.size() - upgfile::headerSize; }
    ConstBytes image() const { return ConstBytes(bytes).subspan(upgfile::headerSize); }
};

// Reads the file whole. Nothing when its size cannot be had, it cannot be
// opened or read completely, or it holds no image or more than maxImageSize
// image bytes.
std::optional<UpgradeImageFile> LoadUpgradeFile(const std::filesystem::path& path);

} // namespace aulira

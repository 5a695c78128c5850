#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The SNES ROM image as a file holds it: an optional 512-byte copier header, then the ROM with
// its internal header (title, map mode, sizes, region, checksum) at the place its mapping puts
// it. Finds the mapping, computes and fixes the checksum, adds or removes the copier header, and
// turns SNES bus addresses into file offsets and back.
namespace Snes {

enum class Mapping { LoRom, HiRom, ExHiRom };

constexpr qint64 CopierHeaderSize = 512;
// The largest file read as a ROM: ExHiROM maps 8 MiB, and twice that leaves room for any
// expansion, with a copier header.
constexpr qint64 MaxFileSize = (qint64(16) << 20) + CopierHeaderSize;

// CopierHeaderSize when the file is 512 bytes more than a multiple of 32 KiB, else 0.
[[nodiscard]] qint64 copierHeaderSize(qint64 fileSize);

struct InternalHeader
{
    Mapping mapping = Mapping::LoRom;
    qint64 at = 0;    // file offset of its first byte, any copier header counted
    int score = 0;    // how much of it looks like a header; see findHeader
    QByteArray title; // without the spaces that pad it
    quint8 mapMode = 0;
    quint8 cartridgeType = 0;
    quint8 romSizeCode = 0; // the ROM holds 1 KiB << romSizeCode
    quint8 ramSizeCode = 0; // none when 0, else 1 KiB << ramSizeCode
    quint8 region = 0;
    quint8 version = 0;
    quint16 complement = 0;
    quint16 checksum = 0;
    quint16 resetVector = 0;
};

// The header at the place the mapping puts it, scored; nothing when the file is too short.
[[nodiscard]] std::optional<InternalHeader> headerAt(const QByteArray &file, Mapping mapping);

// The best scoring of the LoROM, HiROM and (for a ROM over 4 MiB) ExHiROM headers, LoROM first
// on a tie; nothing when none scores as a header. A header scores for a map byte that names its
// mapping, a checksum and complement that add up to FFFF hex, one that matches the ROM, and a
// reset vector into ROM that starts with a usual first instruction.
[[nodiscard]] std::optional<InternalHeader> findHeader(const QByteArray &file);

// The checksum the header should hold: the 16-bit sum of the ROM's bytes, the copier header
// left out, counted as if the stored checksum and complement were a matching pair (which adds
// the same whatever the checksum), a size that is not a power of two mirrored up to one.
[[nodiscard]] quint16 checksum(const QByteArray &file, const InternalHeader &header);

// The file with the header's checksum set to checksum() and the complement to match.
[[nodiscard]] QByteArray withChecksum(const QByteArray &file, const InternalHeader &header);

// The ROM with a copier header in front: 512 bytes, zero but for the ROM's size in 8 KiB
// blocks (bytes 0 and 1, low first) and the SWC mark AA BB 04 at byte 8.
[[nodiscard]] QByteArray withCopierHeader(const QByteArray &rom);
[[nodiscard]] QByteArray withoutCopierHeader(const QByteArray &file);

// The ROM offset (copier header not counted) that a 24-bit bus address reads under the mapping,
// or nothing when the address is not ROM there (work RAM, registers, save RAM).
[[nodiscard]] std::optional<qint64> romOffset(Mapping mapping, quint32 address);
// The bus address that reads a ROM offset, in the banks that map all of the ROM (80-FF for
// LoROM, C0-FF for HiROM and ExHiROM's first 4 MiB), or nothing beyond the mapping's reach.
[[nodiscard]] std::optional<quint32> busAddress(Mapping mapping, qint64 romOffset);

[[nodiscard]] QString mappingName(Mapping mapping);
// "North America", "Japan", ... or nothing for a code without a country.
[[nodiscard]] std::optional<QString> regionName(quint8 code);
// "$80:8000".
[[nodiscard]] QString addressText(quint32 address);

} // namespace Snes

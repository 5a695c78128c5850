#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// How a game's pointer leads to a file offset: its width and byte order, the step between the
// pointers of a table, and the mapping of its value, either a SNES bus address (LoROM, HiROM or
// ExHiROM, a copier header counted; a 2-byte pointer takes its bank from a fixed bank or from
// the bank its own place is read at) or a plain offset from a base. Reads, writes and inverts
// pointers, and says which file offsets a pointer at a given place can lead to.
class PointerFormat
{
public:
    enum class Mapping { Base, LoRom, HiRom, ExHiRom };

    // A run of file offsets, both ends included.
    struct Range
    {
        qint64 first = 0;
        qint64 last = -1;
        [[nodiscard]] bool isEmpty() const { return last < first; }
        [[nodiscard]] qint64 size() const { return last - first + 1; }
        [[nodiscard]] bool contains(qint64 offset, qint64 length) const
        {
            return offset >= first && offset + length - 1 <= last;
        }
    };

    int width = 2; // 2 or 3
    bool bigEndian = false;
    int stride = 2;
    Mapping mapping = Mapping::Base;
    std::optional<int> bank; // 2-byte bus pointers: the bank, else the pointer's own
    qint64 base = 0;         // Mapping::Base: the file offset of value 0

    // The file's size decides whether a copier header sits before the ROM; bus mappings count it.
    void setFileSize(qint64 fileSize);
    [[nodiscard]] qint64 fileSize() const { return m_fileSize; }

    // The value of the pointer whose first byte is at place; the bytes must be there.
    [[nodiscard]] quint32 read(QByteArrayView file, qint64 place) const;
    void write(QByteArray &file, qint64 place, quint32 value) const;

    // The file offset that value, read at place, leads to; nothing when it leads to no byte of
    // the file.
    [[nodiscard]] std::optional<qint64> offsetOf(quint32 value, qint64 place) const;
    // A value that, written at place, leads to offset, keeping the mirror of the bus that like
    // (the value there before) used where one leads there; nothing when none does.
    [[nodiscard]] std::optional<quint32> valueFor(qint64 offset,
                                                  qint64 place,
                                                  quint32 like = 0) const;
    // The offsets a string read through a pointer at place may occupy when it starts at
    // offset: the one bank it is read from, within the file. Empty when offset is unreachable.
    [[nodiscard]] Range reach(qint64 offset, qint64 place) const;
    // The offsets every string read through a pointer at place lies in, when that does not
    // depend on where the string starts; nothing for a 3-byte bus address, which reaches any
    // bank, a string within one.
    [[nodiscard]] std::optional<Range> fixedReach(qint64 place) const;
    // Whether a string of length bytes at offset is read whole through a pointer at place.
    [[nodiscard]] bool reaches(qint64 offset, qint64 length, qint64 place) const;
    // The banks that free space is counted in: the one that holds offset.
    [[nodiscard]] Range bankAround(qint64 offset) const;
    // "$C6": the bus bank of that block; nothing for plain offsets, whose blocks have no name.
    [[nodiscard]] QString bankName(qint64 offset) const;

    // The format as a script records it, and back; parse throws Error.
    [[nodiscard]] QString toText() const;
    [[nodiscard]] static PointerFormat fromText(const QString &text);
    // A format that cannot work (a width, stride or bank out of range) as a message; empty if
    // it can.
    [[nodiscard]] QString problem() const;

    friend bool operator==(const PointerFormat &a, const PointerFormat &b);

private:
    [[nodiscard]] qint64 copier() const;
    [[nodiscard]] std::optional<int> bankFor(qint64 place) const;
    // The file offsets that the 64 KiB of bank's addresses read, when they are one run.
    [[nodiscard]] Range bankRange(int bankNumber) const;

    qint64 m_fileSize = 0;
};

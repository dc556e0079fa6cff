// Feeds arbitrary bytes to the cabinet reader: the directory, the member-name checks and
// the decoding of every folder, through the Qt reader and, as the player without Qt reads
// a document, through its toolkit-free core alone (the last member only). Nothing may
// crash, hang, leak, reserve more than the input can hold, or hand over more bytes than a
// member declares.

#include "packaging/Cabinet.h"

#include <QBuffer>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

class CheckingSink : public cab::MemberSink {
public:
    bool begin(const cab::Member& m) override {
        m_left = m.size;
        (void)cab::SafeRelativePath(m.name);
        return true;
    }
    bool write(const char* data, qsizetype n) override {
        if (n < 0 || quint64(n) > m_left)
            __builtin_trap(); // more than the member declared
        volatile char sink = 0;
        for (qsizetype i = 0; i < n; i += 4096)
            sink = sink ^ data[i];
        m_left -= quint64(n);
        return true;
    }
    bool end(const cab::Member&, bool ok) override {
        if (ok && m_left != 0)
            __builtin_trap(); // a member reported complete without all its bytes
        return true;
    }

private:
    quint64 m_left = 0;
};

/// The input as the core reads it.
class MemorySource : public cab::ByteSource {
public:
    MemorySource(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    std::uint64_t Size() override { return m_size; }
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t n) override {
        if (offset > m_size || n > m_size - offset)
            return false;
        std::memcpy(buffer, m_data + offset, n);
        return true;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
};

/// Counts what the core hands over of the one member it extracts.
class CountingSink : public cab::StoredMemberSink {
public:
    explicit CountingSink(const cab::StoredCabinet& cabinet) : m_cabinet(cabinet) {}
    bool Begin(int index) override {
        m_left = m_cabinet.members()[size_t(index)].size;
        return true;
    }
    bool Write(const char*, std::size_t n) override {
        if (n > m_left)
            __builtin_trap(); // more than the member declared
        m_left -= n;
        return true;
    }
    bool End(int, bool ok) override {
        if (ok && m_left != 0)
            __builtin_trap();
        return true;
    }

private:
    const cab::StoredCabinet& m_cabinet;
    std::uint64_t m_left = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    cab::CabinetReader reader(in);
    if (reader.readDirectory() != cab::Status::Ok)
        return 0;
    CheckingSink sink;
    reader.extract(sink);

    MemorySource source(data, size);
    cab::StoredCabinet stored(source);
    if (stored.ReadDirectory() == cab::Status::Ok && stored.LastMemberIndex() >= 0) {
        CountingSink counting(stored);
        stored.ExtractMember(stored.LastMemberIndex(), counting);
    }
    return 0;
}

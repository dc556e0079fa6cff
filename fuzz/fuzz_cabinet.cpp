// Feeds arbitrary bytes to the cabinet reader: the directory, the member-name checks and
// the decoding of every folder. Nothing may crash, hang, leak, reserve more than the
// input can hold, or hand over more bytes than a member declares.

#include "packaging/Cabinet.h"

#include <QBuffer>
#include <cstdint>
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
    return 0;
}

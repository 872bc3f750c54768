// bof.cpp - reading and writing the BOF record.
#include "xls/bof.h"

#include "core/xlerror.h"

namespace karvo {
namespace {

// vers, dt, rupBuild and rupYear are in every version's BOF; bfh and sfo came later.
constexpr std::size_t kMinBofSize = 8;
constexpr std::size_t kBofSize = 16;

} // namespace

Bof Bof::read(const Record& record) {
    if (record.body.size() < kMinBofSize || record.body.size() > kBofSize) throw xlerror("Bof size is incorrect");
    ByteReader in = record.reader();
    Bof bof;
    bof.vers = in.u16();
    bof.dt = in.u16();
    bof.rupBuild = in.u16();
    bof.rupYear = in.u16();
    if (in.remaining() >= 4) bof.bfh = in.u32();
    if (in.remaining() >= 4) bof.sfo = in.u32();
    return bof;
}

void Bof::write(RecordWriter& out) const {
    out.header(RecordId::BOF, kBofSize);
    out.u16(vers);
    out.u16(dt);
    out.u16(rupBuild);
    out.u16(rupYear);
    out.u32(bfh);
    out.u32(sfo);
}

} // namespace karvo

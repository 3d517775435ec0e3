// Reading one stored value straight into a record's field. Past the chunk's end a read does
// nothing, so the field keeps the value it had.
#pragma once
#include <cstddef>
#include <cstdint>

#include "model/Record.h"
#include "platform/ChunkStream.h"

namespace rec {

inline void ReadWordField(CChunkStream& s, void* record, std::size_t offset) {
    std::uint16_t v = Get<std::uint16_t>(record, offset);
    s.ReadWordTo(&v);
    Put(record, offset, v);
}

// A stored coordinate (divided by 5) into a 16-bit field.
inline void ReadCoordField(CChunkStream& s, void* record, std::size_t offset) {
    std::int16_t v = Get<std::int16_t>(record, offset);
    s.ReadCoordTo(&v);
    Put(record, offset, v);
}

inline void ReadByteField(CChunkStream& s, void* record, std::size_t offset) {
    std::uint8_t v = Get<std::uint8_t>(record, offset);
    s.ReadByteTo(&v);
    Put(record, offset, v);
}

}  // namespace rec

// The item factory: revives a record in place as the class of its type code, and the table of
// type codes with their classes, record sizes and type names.
//
// Reviving writes the class slot and keeps the record's own bytes: its size (so a record longer
// than its class keeps its length) and its code (so the five MIDI data kinds keep 170-175).
// Two legacy codes are converted: 11 (jumper) becomes 48, 49 or 50 and 32 (graphic) 64-70.
// A code without a class revives as a bare score item marked removed.
//
// Packed runs: records lie back to back, the next at this one plus its size; a record of type
// 255 ends an item run. The stored (packed) form of a run is the records without their 4-byte
// class slots, the size field lowered by 4, in memory byte order (the legacy raw blocks).
#pragma once
#include <cstdint>

#include "framework/Types.h"

class CBaseItem;
class CChunkStream;
class CScoreItem;

// One row of the type table.
struct ItemTypeEntry {
    std::int16_t code;
    const char* className;
    std::int16_t recordSize;  // in memory, class slot included
    const char* typeName;
};

// The row of a code that has a class (null for codes without one, 11 and 32 included).
const ItemTypeEntry* FindItemType(int code);
// Every row of the table, in code order; *count receives the number of rows.
const ItemTypeEntry* ItemTypeTable(int* count);

// Revives the record at `record` as the class of `code` and returns it. Only the class slot,
// the type code (converted for 11 and 32) and, for a code without a class, the removed bit
// change; the size field is kept.
CScoreItem* ConstructItem(int code, void* record);
// Builds a new record of the class of `code` in place: the class slot, the code and the
// class's size; the other bytes are left as they are. Null for a code without a class.
CScoreItem* ConstructClass(int code, void* record);

// The class size for the live record's type code; graphics of code 64 by their shape
// (1: 74, 4: 80, else 72); 0 for a code without a class.
int GetItemRecordSize(CScoreItem* item);
// The class size for a type code (code 64 taken as shape 0); 0 for a code without a class.
int GetItemRecordSizeForCode(int code);
// The type name of a live record (the longest name takes 19 bytes with its terminator).
const char* GetItemTypeName(const CScoreItem* item);
inline constexpr int kTypeNameBufferSize = 19;

// The class index of the bare array element (a CArrayItem of no subclass, code 0, size 12).
std::uint32_t ArrayItemClassIndex();

// True for a record revived from a code without a class.
bool IsBareScoreItem(const CBaseItem* item);

// The version handed to the after-load step of records revived from packed blocks: those
// blocks come from files of the oldest format.
inline constexpr int kPackedBlockVersion = 512;

// Revives `count` stored records (count below 0: up to and including the first record of type
// 255) from `stored` (storedLength bytes) into `dest` (destRoom bytes) and returns the bytes
// used in dest. Each record gains its 4-byte slot and then runs its after-load step with the
// packed-block version, which may grow it to what its class holds today (bar items of that
// format gain their two colour bytes, beams their newer fields, note marks their class size).
// The walk stops at the first record it cannot take whole: a stored size of 0 or less, smaller
// than the record head, running past the stored block, or not fitting the destination once
// grown (nothing is written past destRoom). The records revived before stay; *revived
// receives how many there are.
std::int32_t UnpackItems(const void* stored, std::uint32_t storedLength, void* dest, std::uint32_t destRoom,
                         int count, int* revived = nullptr);
// Packs `count` live records (count below 0: up to and including the first record of type
// 255) of `live` (liveLength bytes) into `dest`, which has room for liveLength bytes, and
// returns the bytes written. Stops at a record that does not lie whole inside the run.
std::int32_t PackItems(const void* live, std::uint32_t liveLength, void* dest, int count);
// Reads one block of stored records from the stream (a 32-bit byte length, then the bytes) and
// revives it into the handle, leaving out removed records and records of codes without a
// class; returns the bytes of live records. Out of memory raises the out-of-memory failure,
// a length the stream does not hold or a short read the error-code failure -39, and a block
// whose records are damaged (or that lacks the records asked for) the archive failure.
std::int32_t UnpackItemsFromBlock(CChunkStream& stream, HGLOBAL& dest, int count);
inline constexpr int kErrEndOfFileRead = -39;

// The smallest stored record: size, type and scale.
inline constexpr int kStoredHeadSize = 4;

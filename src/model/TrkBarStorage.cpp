// The bar of a track in the score file: its item run as one BDAT chunk.
//
//   tag "BDAT", 32-bit length, 16-bit record count (live records + the end record), then the
//   records back to back: each in its class's stored form, exactly its size - 4 bytes long
//   (what a class's writer leaves out follows raw from the record in memory).
//
// A record's size is a signed 16-bit value, as every reader and walker of a run takes it: 0
// or below (a stored 0x8000 or more) is damage. The reader never trusts the chunk: a record
// that is damaged (such a size, a code that cannot stand in a bar, a size or a growth beyond
// the room the bar has for it, a count that does not end with the end record) ends the run
// where it stands, with a message, and the file goes on with the next chunk. A record of a
// bar code (16-175) that has no class is no damage: its size tells where it ends, and it stays
// in the run as an inert record marked removed, which is not saved again.
#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "framework/CodePage.h"
#include "framework/Exceptions.h"
#include "framework/Globals.h"
#include "framework/MessageBox.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "platform/ChunkStream.h"
#include "platform/DebugLog.h"
#include "platform/Handles.h"
#include "platform/PortLayer.h"

namespace {

constexpr std::uint32_t kTag = MakeChunkTag("BDAT");
// Room for records that grow while they are rebuilt.
constexpr std::uint32_t kReadSlack = 8196;
// The count is read back as a signed 16-bit value.
constexpr int kMaxRecords = 32767;
// The largest record a 16-bit size holds.
constexpr std::uint32_t kMaxRecordSize = 0x7FFF;
// Progress dots per line of the debug log.
constexpr int kDotsPerLine = 50;

enum : UINT { kStrTrack = 10040, kStrMeasure = 10041, kStrDamaged = 10042 };

// "Track 3 measure 12 ..." for the third track's twelfth bar.
void ReportDamagedBar(int track, int bar) {
    char word[256];
    std::string message = LoadResString(kStrTrack, word);
    message += ' ' + std::to_string(track + 1) + ' ';
    message += LoadResString(kStrMeasure, word);
    message += ' ' + std::to_string(bar + 1) + ' ';
    message += LoadResString(kStrDamaged, word);
    // The message is composed in 256 bytes.
    char text[256];
    fw::CopyText(text, sizeof text, message);
    AfxMessageBox(text, MB_OK);
    LogText("Problem", false);
}

// Where a bar of a track is read before its block takes the run: one room per thread, kept from
// bar to bar so that reading does not grow and trim a block for every bar. A room larger than
// this is let go after its bar.
constexpr std::uint32_t kKeptRoom = 1u << 20;

std::vector<std::uint8_t>& ReadRoom() {
    thread_local std::vector<std::uint8_t> room;
    return room;
}

// Where a run read beside the same bar of the track before goes (CTrkBar::ReadBeside).
struct Beside {
    HGLOBAL neighbour = 0;
    int tracksLeft = 0;  // 0: the run keeps a block of its own
    std::uint32_t expected = 0;
};

// Makes the bar's block hold the run read into `run` (`total` bytes); false, with the block
// as it was, when memory runs out.
bool TakeRun(ItemBlock* block, const std::uint8_t* run, std::uint32_t total, const Beside& beside) {
    if (beside.tracksLeft > 0) {
        // A new shared run's room stays unused past its last run until the score goes, so it
        // is sized close: with the same bar's runs of the tracks before, for the tracks still
        // to come at their average and a sixteenth over; with none, for the next few tracks at
        // this run's size. A run that does not fit only begins the next shared run.
        const std::uint64_t rest = std::uint64_t(beside.tracksLeft - 1);
        const std::uint64_t room = beside.expected ? total + beside.expected * rest * 17 / 16
                                                   : total + std::uint64_t(total) * std::min<std::uint64_t>(rest, 8);
        if (!block->ReplaceAfter(beside.neighbour, total, std::uint32_t(std::min<std::uint64_t>(room, 1u << 24))))
            return false;
    } else if (!block->Resize(total)) {
        return false;
    }
    std::memcpy(block->Address(), run, total);
    return true;
}

int DecimalDigits(int n) {
    int digits = 1;
    for (; n >= 10; n /= 10) ++digits;
    return digits;
}

}  // namespace

// --- writing ----------------------------------------------------------------------------------

void CTrkBar::Write(CChunkStream& stream, int track) {
    stream.BeginChunk(kTag, 0);
    int count = 1;
    CBarItem* item = nullptr;
    // At most 32,766 live records fit the count with the end record; a longer run (which no
    // edit makes) is written up to there, so the file stays readable.
    while (count < kMaxRecords && NextItem(&item, -1)) {
        const std::uint32_t before = stream.Written();
        item->Write(stream);
        const std::uint32_t wrote = stream.Written() - before;
        const int stored = item->RecordSizeField() - rec::kSlotBytes;
        if (std::int64_t(wrote) < stored)
            stream.WriteBytes(item->Bytes() + rec::kSlotBytes + wrote, std::uint32_t(stored) - wrote);
        ++count;
    }
    if (CBarItem* end = GetEndRecord()) {
        end->Write(stream);
    } else {
        // A run that lost its end record still ends with one on file.
        std::uint8_t fresh[kEndRecordSize];
        CBarItem::Construct(fresh)->Write(stream);
    }
    stream.EndChunk(count);
}

// --- reading ----------------------------------------------------------------------------------

void CTrkBar::Read(CChunkStream& stream, int /*unused*/) { ReadBeside(stream, 0, 0, 0); }

void CTrkBar::ReadBeside(CChunkStream& stream, HGLOBAL neighbour, int tracksLeft, std::uint32_t expected) {
    const Beside beside{neighbour, tracksLeft, expected};
    const std::uint32_t length = stream.BeginReadChunk(kTag);
    // A chunk too short for its count word holds no record (and a chunk of length 0 would
    // let the read go on into the file).
    const int count = length >= 2 ? std::int16_t(stream.ReadWord()) : 0;

    // The run is read into a zeroed room of the chunk, a class slot for every record, and the
    // slack; the bar's block takes what the run came to.
    const std::uint64_t room64 = std::uint64_t(length) + 4ull * std::uint64_t(std::max(count, 0)) + kReadSlack;
    std::vector<std::uint8_t>& scratch = ReadRoom();
    bool roomMade = room64 <= 0x7FFFFFFFull;
    if (roomMade && scratch.size() < room64) {
        try {
            scratch.resize(std::size_t(room64));
        } catch (const std::bad_alloc&) {
            roomMade = false;
        }
    }
    if (!roomMade) {
        stream.EndReadChunk();
        ThrowOutOfMemory();
    }
    const auto room = std::uint32_t(room64);
    std::uint8_t* base = scratch.data();
    std::memset(base, 0, room);
    struct LetGo {
        std::vector<std::uint8_t>& scratch;
        ~LetGo() {
            if (scratch.size() > kKeptRoom) std::vector<std::uint8_t>().swap(scratch);
        }
    } letGo{scratch};

    // The records leave the last 32 bytes of the room free: the end record that a damaged or
    // unfinished run gets, and the 16 bytes the run's total counts beyond its records.
    const std::uint32_t recordsRoom = room - 2 * kEndRecordSize;
    std::uint32_t total = kEndRecordSize;
    std::uint32_t at = 0;
    std::string progress;
    bool damaged = count <= 0;
    bool ended = false;

    const auto endRunHere = [&] {
        // Nothing of a damaged or dropped record stays behind the end record.
        std::memset(base + at, 0, room - at);
        CBarItem::Construct(base + at);
        total += kEndRecordSize;
    };

    try {
        for (int i = 0; i < count && !damaged && !ended; ++i) {
            if (i < count - 1) {
                progress += '.';
                if (int(progress.size()) == kDotsPerLine) {
                    LogText(progress.c_str(), true);
                    progress.clear();
                    LogText(std::string(std::size_t(5 + DecimalDigits(GetBarIndex() + 1) - 1), ' ').c_str(), false);
                }
            }
            CBarItem* item = CBarItem::Construct(base + at);
            // No record is larger than its 16-bit size can say, whatever room is left.
            const std::uint32_t itemRoom = std::min<std::uint32_t>(recordsRoom - at, kMaxRecordSize);
            try {
                fw::ScopedGlobal<std::int32_t> scoped(g_model.recordRoom, std::int32_t(itemRoom));
                item->Read(stream);
            } catch (const CArchiveException&) {
                damaged = true;  // a size or a growth the room cannot hold
                break;
            }
            const int size = item->RecordSizeField();
            const int type = item->TypeCode();
            if (size <= 0 || std::uint32_t(size) > itemRoom || !CTrkBar::IsRunCode(type)) {
                damaged = true;
                break;
            }
            if (type == 26) {
                // Pictures are dropped: the next record is read over it.
                std::memset(base + at, 0, std::size_t(size));
                continue;
            }
            total += std::uint32_t(size);
            at += std::uint32_t(size);
            if (type == 255) {
                // The run ends at its first end record; one before the count is used up means
                // the chunk does not hold what its count says.
                ended = true;
                damaged = i < count - 1;
                at -= std::uint32_t(size);
            }
        }
        if (!ended) {
            // A damaged record, or a count used up without an end record: the run ends here.
            damaged = true;
            endRunHere();
        }
    } catch (...) {
        // Anything else leaves a terminated run behind before it passes on.
        endRunHere();
        TakeRun(Block(), base, total, beside);
        stream.EndReadChunk();
        throw;
    }

    // The block takes the run before the damage is told: the room serves every read on this
    // thread, and a message box runs the thread's events.
    const bool taken = TakeRun(Block(), base, total, beside);
    if (damaged) ReportDamagedBar(GetTrackIndex(), GetBarIndex());
    if (!progress.empty()) LogText(progress.c_str(), true);
    stream.EndReadChunk();
    if (!taken) ThrowOutOfMemory();
}

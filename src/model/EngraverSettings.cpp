#include "model/EngraverSettings.h"

#include "model/LegacyBlock.h"
#include "model/ModelGlobals.h"
#include "platform/ChunkStream.h"

namespace {

struct Default {
    int word;
    std::int16_t value;
};

constexpr Default kDefaults[] = {
    {0, 4},     {1, 5},     {2, 720},   {3, 1080},  {4, 840},   {8, 15},    {9, 30},
    {10, 60},   {11, 12},   {12, 10},   {13, 13},   {16, 1440}, {17, 120},  {18, 150},
    {19, 600},  {20, 420},  {21, 300},  {22, 180},  {23, 240},  {24, 120},  {32, 0},
    {33, 0},    {34, 60},   {35, 65},   {36, 2},    {37, 16},   {41, 20},   {42, 20},
};

// How each run of words is stored.
enum class Form { Word, Coord };
struct Run {
    int first, last;
    Form form;
};
constexpr Run kStoredRuns[] = {
    {0, 1, Form::Word}, {2, 33, Form::Coord}, {34, 37, Form::Word}, {38, 49, Form::Coord},
};

constexpr std::int16_t kDefaultLineWidth = 20;
constexpr std::int16_t kOldFinalBarMargin = 120;
constexpr int kFinalBarMarginVersion = 0x400;

// What every read of the record repairs: zero widths and, in files older than 0x400, the
// final-bar margin.
void RepairReadSettings(EngraverSettings& record);

}  // namespace

void InitEngraverSettings(EngraverSettings& record) {
    for (const Default& d : kDefaults) record.SetWord(d.word, d.value);
}

void WriteEngraverSettings(const EngraverSettings& record, CChunkStream& s, std::uint32_t tag) {
    s.BeginChunk(tag, -1);
    for (const Run& run : kStoredRuns) {
        for (int i = run.first; i <= run.last; ++i) {
            if (run.form == Form::Word)
                s.WriteWord(record.GetWord(i));
            else
                s.WriteCoord(record.GetWord(i));
        }
    }
    s.EndChunk(-1);
}

void ReadEngraverSettings(EngraverSettings& record, CChunkStream& s, std::uint32_t tag) {
    s.BeginReadChunk(tag);
    // An empty chunk leaves the stream outside any chunk, where reads would take the next
    // chunk's bytes from the file: nothing is read then.
    if (s.InChunk()) {
        for (const Run& run : kStoredRuns) {
            for (int i = run.first; i <= run.last; ++i) {
                std::int16_t v = record.GetWord(i);
                if (run.form == Form::Word)
                    s.ReadWordTo(&v);
                else
                    s.ReadCoordTo(&v);
                record.SetWord(i, v);
            }
        }
    }
    s.EndReadChunk();
    RepairReadSettings(record);
}

void ReadLegacyEngraverSettings(EngraverSettings& record, CFile& file) {
    // The bytes land over the record as it lies in little-endian order.
    std::uint8_t image[EngraverSettings::kSize];
    for (int i = 0; i < EngraverSettings::kWords; ++i) {
        image[2 * i] = std::uint8_t(record.GetWord(i));
        image[2 * i + 1] = std::uint8_t(record.GetWord(i) >> 8);
    }
    if (ReadLegacyBlock(file, "ENGR", image, EngraverSettings::kSize) == 0) return;
    for (int i = 0; i < EngraverSettings::kWords; ++i)
        record.SetWord(i, std::int16_t(image[2 * i] | (image[2 * i + 1] << 8)));
    RepairReadSettings(record);
}

namespace {
void RepairReadSettings(EngraverSettings& record) {
    using W = EngraverSettings;
    if (record.GetWord(W::kLedgerLineWidth) == 0)
        record.SetWord(W::kLedgerLineWidth, record.GetWord(W::kStaffLineWidth));
    if (record.GetWord(W::kSlurWidth) == 0) record.SetWord(W::kSlurWidth, kDefaultLineWidth);
    if (record.GetWord(W::kTieWidth) == 0) record.SetWord(W::kTieWidth, kDefaultLineWidth);
    if (g_model.loadedFileVersion < kFinalBarMarginVersion)
        record.SetWord(W::kFinalBarMargin, kOldFinalBarMargin);
}
}  // namespace

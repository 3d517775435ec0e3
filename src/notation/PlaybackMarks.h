// The behaviour of the marks that shape playback (records in model/PlaybackMarks.h and
// model/Jumper.h): their stored forms, what older files held, their values and their fonts.
#pragma once

#include "model/BarItem.h"

class CChunkStream;

class DynamicBehaviour : public BarItemBehaviour {
public:
    static const DynamicBehaviour& Instance();
    int GetKind(CScoreItem& item) const override { return 20; }                       // slot 34
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;            // slot 52
    void ToFileOrder(CScoreItem& item) const override;                                // slot 56
    void FromFileOrder(CScoreItem& item) const override;                              // slot 57
    void AfterLoad(CScoreItem& item, int version) const override;                     // slot 58
    int GetValue(CBarItem& item) const override;                                      // slot 94
    int GetVerticalOffset(CBarItem& item) const override;                             // slot 96
    void SetValue(CBarItem& item, int value) const override;                          // slot 114
    void SetHorizontalOffset(CBarItem& item, int offset) const override;              // slot 118
    void SetVerticalOffset(CBarItem& item, int offset) const override;                // slot 119
    void AttachToTrack(CBarItem& item, CTrack* track) const override;                 // slot 144
};

class HairpinBehaviour : public BarItemBehaviour {
public:
    static const HairpinBehaviour& Instance();
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;            // slot 52
    void ToFileOrder(CScoreItem& item) const override;                                // slot 56
    void FromFileOrder(CScoreItem& item) const override;                              // slot 57
    void AfterLoad(CScoreItem& item, int version) const override;                     // slot 58
    void ResolveFonts(CScoreItem& item, CFontArray* fonts) const override;            // slot 59
    void ReadBody(CScoreItem& item, CChunkStream& stream) const override;             // slot 51
    std::int16_t GetStartStaffOffset(CBarItem& item) const override { return 0; }     // slot 95
    int GetVerticalOffset(CBarItem& item) const override;                             // slot 96
    int GetBarSpan(CBarItem& item) const override;                                    // slot 99
    int GetEndPosition(CBarItem& item) const override;                                // slot 100
    void SetEndPosition(CBarItem& item, int position) const override;                 // slot 115
    void SetHorizontalOffset(CBarItem& item, int offset) const override;              // slot 118
    void SetVerticalOffset(CBarItem& item, int offset) const override;                // slot 119
    void SetEndHorizontalOffset(CBarItem& item, int offset) const override;           // slot 120
    void SetEnd(CBarItem& item, int bars, int position) const override;               // slot 122
    // A note takes one of its ends when it carries the line flag of that end.
    bool AcceptsStartNote(CBarItem& item, CBarItem* note, int head) const override;   // slot 124
    bool AcceptsEndNote(CBarItem& item, CBarItem* note, int head) const override;     // slot 125
    void Flip(CBarItem& item, int mode) const override;                               // slot 129
    void AttachToTrack(CBarItem& item, CTrack* track) const override;                 // slot 144
};

class ExpressionBehaviour : public BarItemBehaviour {
public:
    static const ExpressionBehaviour& Instance();
    int GetWantedSize(CScoreItem& item) const override;                               // slot 33
    int GetKind(CScoreItem& item) const override;                                     // slot 34
    void ReadBody(CScoreItem& item, CChunkStream& stream) const override;             // slot 51
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;            // slot 52
    void ToFileOrder(CScoreItem& item) const override;                                // slot 56
    void FromFileOrder(CScoreItem& item) const override;                              // slot 57
    void AfterLoad(CScoreItem& item, int version) const override;                     // slot 58
    void ResolveFonts(CScoreItem& item, CFontArray* fonts) const override;            // slot 59
    int GetValue(CBarItem& item) const override;                                      // slot 94
    int GetVerticalOffset(CBarItem& item) const override;                             // slot 96
    int GetBarSpan(CBarItem& item) const override;                                    // slot 99
    int GetEndPosition(CBarItem& item) const override;                                // slot 100
    void SetValue(CBarItem& item, int value) const override;                          // slot 114
    void SetHorizontalOffset(CBarItem& item, int offset) const override;              // slot 118
    void SetVerticalOffset(CBarItem& item, int offset) const override;                // slot 119
    void SetEndHorizontalOffset(CBarItem& item, int offset) const override;           // slot 120
    void SetEnd(CBarItem& item, int bars, int position) const override;               // slot 122
    void AttachToTrack(CBarItem& item, CTrack* track) const override;                 // slot 144
};

// The plain jumper (repeat count), and the text jumper and ending after it.
class JumperBehaviour : public BarItemBehaviour {
public:
    static const JumperBehaviour& Instance();
    int GetKind(CScoreItem& item) const override;                                     // slot 34
    int GetStoredSize(CScoreItem& item) const override;                               // slot 48
    void ReadBody(CScoreItem& item, CChunkStream& stream) const override;             // slot 51
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;            // slot 52
    void ToFileOrder(CScoreItem& item) const override;                                // slot 56
    void FromFileOrder(CScoreItem& item) const override;                              // slot 57
    void ResolveFonts(CScoreItem& item, CFontArray* fonts) const override;            // slot 59
    bool IsTrackItem(CBarItem& item) const override { return false; }                 // slot 137
};

// Binds codes 19, 20, 37, 48, 49 and 50 to the behaviours above.
void RegisterPlaybackMarkClasses();

// The insert-track dialog's voice grid: a channel chosen for a voice is taken by the voices
// below it that shared its channel; a patch chooser that is dismissed gives back the channel a
// voice without a patch was lent.
#include <gtest/gtest.h>

#include <array>

#include "EditFixture.h"
#include "edit/AddTrackDlg.h"
#include "framework/UiTest.h"
#include "model/MidiChoosers.h"
#include "model/Track.h"

namespace {

using edittest::EditScore;

struct TemplateTrack {
    alignas(8) std::array<std::uint8_t, CTrack::kSize> bytes{};
    CTrack* track = nullptr;
    TemplateTrack() {
        track = CTrack::Construct(bytes.data());
        track->Init(0, 0, 1984);
    }
};

}  // namespace

TEST(AddTrackDlg, AChosenChannelIsTakenByTheVoicesBelowThatSharedIt) {
    EditScore s;
    TemplateTrack t;
    t.track->SetVoiceChannel(-1, 2);
    t.track->SetVoiceChannel(6, 4);  // voice 7 has a channel of its own
    CAddTrackDlg dlg(*s.score, *t.track);
    TheMidiChoosers().channel = [](int, int, int, int* channel) {
        *channel = 11;
        return true;
    };
    dlg.ClickCell(3, 1, 0, 0);
    const int expected[CTrack::kVoices] = {2, 2, 2, 11, 11, 11, 4, 2};
    for (int v = 0; v < CTrack::kVoices; ++v) EXPECT_EQ(t.track->GetVoiceChannel(v), expected[v]) << "voice " << v;
    EXPECT_EQ(t.track->GetTrackFlags() & 0x04, 0) << "the track keeps one channel for its voices";

    // A chooser that chooses nothing changes nothing.
    TheMidiChoosers().channel = [](int, int, int, int*) { return false; };
    dlg.ClickCell(0, 1, 0, 0);
    for (int v = 0; v < CTrack::kVoices; ++v) EXPECT_EQ(t.track->GetVoiceChannel(v), expected[v]) << "voice " << v;
    TheMidiChoosers() = MidiChoosers{};
}

TEST(AddTrackDlg, ADismissedPatchChooserGivesTheLentChannelBack) {
    EditScore s;
    TemplateTrack t;
    // Channel 0 is taken by the score's first track, so the free channel lent differs.
    s.score->GetTrack(0)->SetDevice(t.track->GetDevice());
    s.score->GetTrack(0)->SetVoiceChannel(-1, 0);
    t.track->SetVoiceChannel(-1, 0);
    CAddTrackDlg dlg(*s.score, *t.track);
    fw::uitest::Session session;
    fw::uitest::AnswerMenu(0);
    dlg.ClickCell(2, 2, 0, 0);
    EXPECT_EQ(fw::uitest::Menus().size(), 1u) << "the patch chooser was shown";
    EXPECT_EQ(t.track->GetVoiceChannel(2), 0);
    EXPECT_EQ(t.track->GetVoicePatch(2), -1);
}

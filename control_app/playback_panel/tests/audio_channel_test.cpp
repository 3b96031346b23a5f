// The audio channel: byte arithmetic of every rate and standard, the command lines of every
// transition, the rate step, loading files and lists with their queue, the rate handlers, and
// the bad inputs (tiny files, lists without entries or started past their end).
#include <gtest/gtest.h>

#include "panel_fixture.h"
#include "playback_panel/audio_channel.h"
#include "record_output/record_output.h"

namespace velmar {
namespace {

using namespace panel_testing;
using namespace panel_ids;

constexpr std::uint32_t k2000Board = 0x8120;
const std::string kLoad = "mwcmd -p 0x0 0x990301 0x1|mwcmd -p 0x0 0x9f0300|mwcmd -i3B -l0 -O 0 0x0 0 0x0 -F <a.wav>";
const std::string kStopLines = "mwcmd -p 0x0 0x990301 0x1|mwcmd -p 0x0 0x9f0300|mwcmd -i3B -l1 -F <.\\mpeg\\black1.mpg>";

TEST(AudioBytes, EveryRateAndStandardCountsWholeSecondsExactly) {
    const struct {
        AudioRate rate;
        TvStandard standard;
        std::uint32_t numerator, denominator;
        std::uint64_t sampleRate;
    } cases[] = {
        {AudioRate::k48, TvStandard::Pal, 3840, 1, 48000},      {AudioRate::k48, TvStandard::Ntsc, 16016, 5, 48000},
        {AudioRate::k44, TvStandard::Pal, 3528, 1, 44100},      {AudioRate::k44, TvStandard::Ntsc, 147147, 50, 44100},
        {AudioRate::k32, TvStandard::Pal, 2560, 1, 32000},      {AudioRate::k32, TvStandard::Ntsc, 32032, 15, 32000},
    };
    for (const auto& c : cases) {
        const AudioFraction f = BytesPerField(c.rate, c.standard);
        SCOPED_TRACE(c.numerator);
        EXPECT_EQ(f.numerator, c.numerator);
        EXPECT_EQ(f.denominator, c.denominator);
        // A minute of 625-line fields (3000), and 1001 s of 525-line fields (60000 fields at
        // 60000/1001 a second), hold exactly the samples of that time.
        const bool pal = c.standard == TvStandard::Pal;
        const std::uint64_t fields = pal ? 3000 : 60000, seconds = pal ? 60 : 1001;
        EXPECT_EQ(AudioFieldsToBytes(fields, f), 4 * c.sampleRate * seconds);
        EXPECT_EQ(AudioBytesToFields(4 * c.sampleRate * seconds, f), fields);
        // Field by field, every byte of the minute is counted once: the per-field counts add up.
        std::uint64_t sum = 0;
        for (std::uint64_t field = 0; field < 3000; ++field)
            sum += AudioFieldsToBytes(field + 1, f) - AudioFieldsToBytes(field, f);
        EXPECT_EQ(sum, AudioFieldsToBytes(3000, f));
        // Near and far beyond 4 GiB nothing overflows: compare with 128-bit arithmetic.
        for (std::uint64_t bytes : {std::uint64_t{0xFFFFFFFF}, std::uint64_t{1} << 50}) {
            const auto exact = static_cast<std::uint64_t>(static_cast<unsigned __int128>(bytes) * f.denominator / f.numerator);
            EXPECT_EQ(AudioBytesToFields(bytes, f), exact) << bytes;
            const auto back = static_cast<std::uint64_t>(static_cast<unsigned __int128>(exact) * f.numerator / f.denominator);
            EXPECT_EQ(AudioFieldsToBytes(exact, f), back) << bytes;
        }
    }
    EXPECT_EQ(AudioBytesToFields(6'406'400, BytesPerField(AudioRate::k48, TvStandard::Ntsc)), 2000u);
    EXPECT_EQ(AudioStepForPercent(100), 256u);
    EXPECT_EQ(AudioStepForPercent(50), 512u);
    EXPECT_EQ(AudioStepForPercent(200), 128u);
    EXPECT_EQ(AudioStepForPercent(0), 25600u);
    EXPECT_EQ(RecordSampleRate(0x8A), 48000u);
    EXPECT_EQ(RecordSampleRate(0x89), 44100u);
    EXPECT_EQ(RecordSampleRate(0x88), 32000u);
}

struct AudioFixture : PanelFixture {
    explicit AudioFixture(std::uint32_t boardType = 0, const std::string& path = "a.wav",
                          const std::string& rate = "")
        : PanelFixture(true, boardType) {
        files.Write("a.wav", std::string(640640, '\x11'));
        files.Write("b.wav", std::string(640640, '\x22'));
        files.Write("tiny.wav", "abc");
        files.Write("ab.apl", "; the example\n<a.wav><0><99><0>\n<*c.wav><0><9><0>\nnothing\n<b.wav><10><59><0>\n");
        files.Write("empty.apl", "; nothing\n<*a.wav><0><9><0>\n");
        SetKey("PATHAUD", path);
        SetKey("LOGFILE", "audio.log");
        if (!rate.empty()) SetKey("AUDRATE", rate);
        Make();
        InstallAudioChannel(*panel);
        audio = static_cast<CAudioChannel*>(panel->Channels().audio.get());
        StartUp();
        library.WaitDaemonRunning();
        Mark();
    }
    void Mark() { seen = LoggedLines("audio.log").size(); }
    // The board command lines since Mark() joined with '|', the audio routing left out.
    std::string NewLines() {
        const auto all = LoggedLines("audio.log");
        std::string out;
        for (std::size_t i = seen; i < all.size(); ++i) {
            if (all[i].rfind("mwcmd", 0) != 0 || all[i].find("0x01020001") != std::string::npos) continue;
            out += (out.empty() ? "" : "|") + all[i];
        }
        Mark();
        return out;
    }
    void Press(ControlId id) { panel->Command(id); }
    void Enter(ControlId id, const std::string& text) {
        view.Type(id, text);
        panel->EditLostFocus(id);
    }
    std::uint32_t Step() { return board.Word(window::kAudioRateStep); }

    CAudioChannel* audio = nullptr;
    std::size_t seen = 0;
};

// Every cell of the transition table; speed 50 % (step 512) for VAR PLY.
TEST(AudioChannel, EveryTransitionSendsItsLines) {
    const std::string play = "mwcmd -p 0x0 0x980304 0xffffffff 0x0 0x0 0x0 -L3";
    const std::string off = "mwcmd -p 0x0 0x990301 0x1";
    const std::string resume = "mwcmd -s 0x0 0x990301 0";
    const struct {
        ControlId from;  // the button that brings the channel into its state (STOP: stopped)
        ControlId press;
        std::string lines;
        AudioState state;
        std::uint32_t step;
    } cases[] = {
        {kStopAudio, kPlayAudio, kLoad + "|" + play, AudioState::Playing, 256},
        {kStopAudio, kPauseAudio, kLoad + "|" + play + "|" + off, AudioState::Paused, 256},
        {kStopAudio, kVarPlayAudio, kLoad + "|mwcmd -p 0x0 0x980304 0x0 0x0 0x0 0x0 -L3", AudioState::VarPlay, 512},
        {kStopAudio, kStopAudio, "", AudioState::Stopped, 256},
        {kPlayAudio, kPlayAudio, "", AudioState::Playing, 256},
        {kPlayAudio, kPauseAudio, off, AudioState::Paused, 256},
        {kPlayAudio, kVarPlayAudio, "", AudioState::VarPlay, 512},
        {kPlayAudio, kStopAudio, kStopLines, AudioState::Stopped, 256},
        {kPauseAudio, kPlayAudio, resume, AudioState::Playing, 256},
        {kPauseAudio, kPauseAudio, "", AudioState::Paused, 256},
        {kPauseAudio, kVarPlayAudio, resume, AudioState::VarPlay, 512},
        {kPauseAudio, kStopAudio, kStopLines, AudioState::Stopped, 256},
        {kVarPlayAudio, kPlayAudio, "", AudioState::Playing, 256},
        {kVarPlayAudio, kPauseAudio, "mwcmd -p 0x0 0x9e0100", AudioState::Paused, 256},
        {kVarPlayAudio, kVarPlayAudio, "", AudioState::VarPlay, 512},
        {kVarPlayAudio, kStopAudio, kStopLines, AudioState::Stopped, 256},
    };
    for (const auto& c : cases) {
        AudioFixture f;
        f.Enter(kSpeedAudio, "50");
        f.Press(c.from);
        f.board.SetWord(window::kAudioRateStep, 256);
        f.Mark();
        f.Press(c.press);
        SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.press));
        EXPECT_EQ(f.NewLines(), c.lines);
        EXPECT_EQ(f.audio->State(), c.state);
        EXPECT_EQ(f.Step(), c.step);
        EXPECT_TRUE(f.view.Control(c.state == AudioState::Stopped  ? kStopAudio
                                   : c.state == AudioState::Playing ? kPlayAudio
                                   : c.state == AudioState::Paused  ? kPauseAudio
                                                                    : kVarPlayAudio)
                        .flat);
    }
}

TEST(AudioChannel, SpeedInVariablePlayChangesTheStepAndWarns) {
    AudioFixture f;
    f.Press(kVarPlayAudio);
    EXPECT_EQ(f.Step(), 256u);
    f.Enter(kSpeedAudio, "25");
    EXPECT_EQ(f.Step(), 1024u);
    ASSERT_TRUE(f.host.logView);
    const int lines = f.host.logView->ItemCount(kMessageList);
    ASSERT_GE(lines, 3);
    EXPECT_EQ(f.host.logView->ItemText(kMessageList, lines - 3), " ");
    EXPECT_EQ(f.host.logView->ItemText(kMessageList, lines - 1), "Audio sync problems on older Velmar boards");
    // The same speed again changes nothing and says nothing.
    f.Enter(kSpeedAudio, "25");
    EXPECT_EQ(f.host.logView->ItemCount(kMessageList), lines);
    // The edit takes 1..200.
    for (const auto& [typed, kept] : {std::pair{"0", "1"}, std::pair{"250", "200"}}) {
        f.Enter(kSpeedAudio, typed);
        EXPECT_EQ(f.audio->SpeedText(), kept);
        EXPECT_EQ(f.view.Control(kSpeedBarAudio).position, std::atoi(kept));
    }
    f.Press(kFieldStepAudio);
    EXPECT_EQ(f.Captions(), (std::vector<std::string>{"This feature has not yet been implemented"}));
    EXPECT_EQ(f.ui.Boxes().back().caption, "Velmar Message");
}

// Start offsets through the link offset and the 4-byte rounding, the board type's -R, the
// example list with its two queued entries, and the queue going on as the board takes them.
TEST(AudioChannel, LoadsFilesAndListsWithTheirQueue) {
    {
        AudioFixture f(k2000Board);
        f.view.SetChecked(kLoopAudio, false);
        f.view.Type(kStartAudio, "00000003");  // frame 3: field 6, 19219.2 bytes
        f.panel->UpdateData(true);
        f.audio->PlayLinked(1);  // field 5: 16016 bytes
        EXPECT_EQ(f.NewLines(), "mwcmd -p 0x0 0x990301 0x1|mwcmd -p 0x0 0x9f0300|mwcmd -i3B -R -l1 -O 0 0x0 0 0x3e90 -F "
                                "<a.wav>|mwcmd -p 0x0 0x980304 0xffffffff 0x0 0x0 0x0 -L3");
        EXPECT_EQ(f.audio->StartOffset(), 0x3e90u);
    }
    AudioFixture f(0, "ab.apl");
    EXPECT_EQ(f.audio->LengthFields(), 300);
    f.view.Type(kStartAudio, "00000400");  // 4 s: frame 120 of the list, frame 30 of b.wav
    f.Press(kPlayAudio);
    EXPECT_EQ(f.NewLines(),
              "mwcmd -p 0x0 0x990301 0x1|mwcmd -p 0x0 0x9f0300|"
              "mwcmd -q14 -O 0 0x9c680 0 0x0 <a.wav>|mwcmd -q15 -O 0 0x5dd80 0 0xfa40 <b.wav>|"
              "mwcmd -i3B -l0 -O 0 0x5dd80 0 0x2eec0 -F <b.wav>|mwcmd -p 0x0 0x980304 0xffffffff 0x0 0x0 0x0 -L3");
    EXPECT_TRUE(f.audio->ListActive());
    EXPECT_EQ(f.board.Word(window::kQueueSlotFlags[3]), 1u);
    EXPECT_EQ(f.board.Word(window::kQueueSlotFlags[3] + 4), 1u);
    f.Tick();  // both slots still held: nothing queued
    EXPECT_EQ(f.NewLines(), "");
    f.board.SetWord(window::kQueueSlotFlags[3], 0);  // the service loop took a.wav
    f.Tick();
    EXPECT_EQ(f.NewLines(), "mwcmd -q14 -O 0 0x9c680 0 0x0 <a.wav>");
    f.Press(kStopAudio);
    EXPECT_FALSE(f.audio->ListActive());
}

TEST(AudioChannel, RateHandlersSendTheControlByteAndMeasureAgain) {
    AudioFixture f(0, "a.wav", "32");
    // Start-up with 32 kHz stored sends its line; 640640 bytes are 300 fields at 32 kHz.
    EXPECT_TRUE(f.view.Checked(kRate32));
    EXPECT_EQ(f.audio->LengthFields(), 300);
    const struct {
        ControlId radio;
        const char* line;
        const char* key;
        int code;
        std::int64_t fields;
    } cases[] = {
        {kRate44, "0x89000000", "44", 1, 217},  // 217.7 fields, rounded down
        {kRate48, "0x8a000000", "48", 2, 200},
        {kRate32, "0x88000000", "32", 0, 300},
    };
    for (const auto& c : cases) {
        f.view.Type(kStartAudio, "00000100");
        f.Press(c.radio);
        EXPECT_EQ(f.NewLines(), std::string("mwcmd -s 0xffffffff 0x00090004 0x01010001 0x004003E8 0x00000000 ") + c.line);
        EXPECT_EQ(f.profile.GetString("BOARD1", "AUDRATE"), c.key);
        EXPECT_EQ(f.audio->StartText(), "00000000");
        EXPECT_EQ(f.panel->BusByte40(), 0x88 | c.code);
        EXPECT_EQ(f.audio->LengthFields(), c.fields);
    }
    // With 48 kHz stored nothing is sent at start-up.
    AudioFixture plain;
    EXPECT_TRUE(plain.view.Checked(kRate48));
    EXPECT_EQ(plain.audio->LengthFields(), 200);
}

TEST(AudioChannel, BadInputsAreRefusedOrKeptInRange) {
    {   // Shorter than one sample: no field, one position, and a start at the file's start.
        AudioFixture f(0, "tiny.wav");
        EXPECT_EQ(f.audio->LengthFields(), 0);
        EXPECT_EQ(f.audio->Length(), 1u);
        f.view.Type(kStartAudio, "00000010");
        f.Press(kPlayAudio);
        EXPECT_NE(f.NewLines().find("mwcmd -i3B -l0 -O 0 0x0 0 0x0 -F <tiny.wav>"), std::string::npos);
        f.board.SetWord(window::ProgressWordOffset(window::kAudioProgressEntry, 1), 0x20000);
        f.Tick();  // the display's arithmetic divides by nothing that is 0
    }
    {   // No valid entry: a message, nothing opened; its length of 0 still gives one position.
        AudioFixture f(0, "empty.apl");
        EXPECT_EQ(f.audio->Length(), 1u);
        f.Press(kPlayAudio);
        EXPECT_EQ(f.NewLines(), "mwcmd -p 0x0 0x990301 0x1|mwcmd -p 0x0 0x9f0300");
        EXPECT_EQ(f.audio->State(), AudioState::Stopped);
        EXPECT_FALSE(f.audio->ListActive());
        EXPECT_NE(f.Captions().back().find("has no valid entry"), std::string::npos);
    }
    {   // A start past the list's total counts from the top: 150 + 120 frames is b.wav's frame 30.
        AudioFixture f(0, "ab.apl");
        f.view.Type(kStartAudio, "00000900");  // 9 s = 270 frames
        f.Press(kPlayAudio);
        EXPECT_NE(f.NewLines().find("-O 0 0x5dd80 0 0x2eec0 -F <b.wav>"), std::string::npos);
        // A rate change while the list plays keeps the list's length.
        f.Press(kRate32);
        EXPECT_EQ(f.audio->LengthFields(), 300);
        EXPECT_EQ(f.audio->State(), AudioState::Playing);
    }
    {   // A missing file: "Bad File Name" and nothing started; its length is 100 fields.
        AudioFixture f(0, "missing.wav");
        EXPECT_EQ(f.audio->LengthFields(), 100);
        f.Press(kPauseAudio);
        EXPECT_EQ(f.NewLines(), "mwcmd -p 0x0 0x990301 0x1|mwcmd -p 0x0 0x9f0300");
        EXPECT_EQ(f.Captions(), (std::vector<std::string>{"Bad File Name"}));
        EXPECT_EQ(f.audio->State(), AudioState::Stopped);
    }
}

TEST(AudioChannel, SliderStartEditAndLink) {
    AudioFixture f;
    f.Press(kPlayAudio);
    f.Mark();
    // Releasing the slider restarts the channel from the new position.
    f.panel->OnPositionSlider({velmar_ui::EventKind::SliderEvent, kSliderAudio, {}, 60, false});
    EXPECT_EQ(f.audio->StartText(), "00000100");
    EXPECT_EQ(f.NewLines(), "mwcmd -p 0x0 0x990301 0x1|mwcmd -p 0x0 0x9f0300|"
                            "mwcmd -i3B -l0 -O 0 0x0 0 0x2eec0 -F <a.wav>|"
                            "mwcmd -p 0x0 0x980304 0xffffffff 0x0 0x0 0x0 -L3");
    // The start edit is clamped into the file (200 fields: frame 99 at most).
    f.Enter(kStartAudio, "00100000");
    EXPECT_EQ(f.audio->StartText(), "00000309");
    EXPECT_EQ(f.audio->StartFields(), 199);
    f.view.SetChecked(kLinkAudio, true);
    f.Press(kLinkAudio);
    EXPECT_TRUE(f.audio->Linked());
    EXPECT_EQ(f.profile.GetString("BOARD1", "LINKAUD"), "1");
}

}  // namespace
}  // namespace velmar

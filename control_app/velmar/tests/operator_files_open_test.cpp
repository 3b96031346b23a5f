// The files the operator names or the run folder holds, as both panels open them: a FIFO or a
// device never holds the window, a file too large to be what it claims is refused, a damaged board
// data file is named in a box, and the command log never truncates what is not a log.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <mutex>

#include "alpha_stream/alpha_generators.h"
#include "alpha_stream/alpha_reader.h"
#include "board_panel/board_setup_files.h"
#include "eeprom_update/eeprom_update_dlg.h"
#include "platform/log.h"
#include "playback_panel/alpha_channel.h"
#include "playback_panel/audio_channel.h"
#include "playback_panel/dv_record.h"
#include "playback_panel/play_list_channel.h"
#include "playback_panel/tests/panel_fixture.h"
#include "playback_panel/video_channel.h"
#include "play_lists/play_list_grammar.h"
#include "record_panel/encoder_parameters.h"
#include "record_panel/tests/record_fixture.h"
#include "ruvent/ruvent.h"

namespace velmar {
namespace {

using namespace panel_testing;
using namespace panel_ids;
using record_testing::RecordFixture;
namespace fs = std::filesystem;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// What the library logged while a case ran.
struct LogCapture {
    LogCapture() {
        previous = platform::SetLogSink([this](platform::LogLevel, const std::string& text) {
            std::lock_guard lock(mutex);
            lines += text + "\n";
        });
    }
    ~LogCapture() { platform::SetLogSink(previous); }
    std::string Text() {
        std::lock_guard lock(mutex);
        return lines;
    }
    std::mutex mutex;
    std::string lines;
    platform::LogSink previous;
};

// The playback panel with its own channels, keys set before it starts.
struct PlaybackPanel : PanelFixture {
    explicit PlaybackPanel(const std::function<void(PlaybackPanel&)>& before = {}) : PanelFixture(true, 0x8120) {
        for (const char* name : {"a", "b"}) {
            files.Write(std::string(name) + ".mpg", MpegClip());
            files.Write(std::string(name) + ".mdb", MpegIndex());
        }
        library.mld = ::mld;
        library.bus.readAnswers = {{0x31, 0x00}, {0x21, 8}};  // a healthy EEPROM
        SetKey("PATHVA", Here("a.mpg"));
        SetKey("PATHVB", Here("b.mpg"));
        if (before) before(*this);
        Make();
        InstallVideoChannels(*panel);
        InstallAlphaAndPlayList(*panel);
        InstallAudioChannel(*panel);
        InstallDvRecord(*panel);
        StartUp();
    }
    static std::string Here(const std::string& name) { return (fs::current_path() / name).string(); }
};

// Runs `act` on a thread of its own and tells whether it ended within a few seconds. When it has
// not, whatever waits on the FIFO is let go (its other end opened and closed) so the test ends.
bool EndsWithoutWaiting(const std::string& fifo, const std::function<void()>& act) {
    auto done = std::async(std::launch::async, act);
    if (done.wait_for(std::chrono::seconds(10)) == std::future_status::ready) {
        done.get();
        return true;
    }
    while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        for (int flags : {O_RDONLY | O_NONBLOCK, O_WRONLY | O_NONBLOCK}) {
            const int fd = ::open(fifo.c_str(), flags);
            if (fd >= 0) ::close(fd);
        }
    }
    done.get();
    return false;
}

bool AnyBoxNames(const std::vector<velmar_ui::MessageBoxSpec>& boxes, const std::string& name) {
    for (const auto& box : boxes)
        if (box.text.find(name) != std::string::npos) return true;
    return false;
}

TEST(OperatorFiles, NoPipeOrDeviceBlocksTheWindow) {
    // A case that fails by writing into a FIFO whose reader went must not end the test.
    std::signal(SIGPIPE, SIG_IGN);
    const fs::path folder = fs::temp_directory_path() / ("velmar-special-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const std::string fifo = (folder / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    // Each case names `special` where Velmar expects a file, runs what opens it, and gives the
    // boxes shown and what the library logged. `named` is how the message names the file.
    struct Outcome {
        std::vector<velmar_ui::MessageBoxSpec> boxes;
        std::string logged;
    };
    using Run = std::function<Outcome(const std::string& special)>;
    const auto atStartUp = [](const char* key) {
        return [key](const std::string& special) {
            PlaybackPanel f([&](PlaybackPanel& p) { p.SetKey(key, special); });
            return Outcome{f.ui.Boxes(), {}};
        };
    };
    // A fixed name of the run folder made a link to the special file.
    const auto runFolderFile = [](const char* name) {
        return [name](const std::string& special) {
            LogCapture log;
            PlaybackPanel f([&](PlaybackPanel& p) {
                p.files.Remove(name);
                fs::create_symlink(special, name);
            });
            return Outcome{f.ui.Boxes(), log.Text()};
        };
    };
    const auto listEntry = [](bool alpha) {
        return [alpha](const std::string& special) {
            PlaybackPanel f;
            const std::string entry = alpha ? "<" + PlaybackPanel::Here("a.mpg") + "><0><5><0><" + special + "><3>\n"
                                            : "<" + special + "><0><5><0>\n";
            f.files.Write("list.vpl", entry);
            f.view.Type(kPathList, PlaybackPanel::Here("list.vpl"));
            f.panel->EditChanged(kPathList);
            f.panel->EditLostFocus(kPathList);
            f.panel->Command(kPlayList);
            return Outcome{f.ui.Boxes(), {}};
        };
    };
    const Run decodeOutput = [](const std::string& special) {
        PlaybackPanel f;
        f.view.Type(kDecodePath, special);
        f.view.Type(kDecodeFields, "8");
        f.ui.ScriptAnswer(velmar_ui::BoxAnswer::Yes);
        f.panel->Command(kPlayA);
        return Outcome{f.ui.Boxes(), {}};
    };
    const Run recordLog = [](const std::string& special) {
        RecordFixture f;
        f.SetKey("LOGFILER", special);
        f.StartUp();
        return Outcome{f.ui.Boxes(), {}};
    };
    const Run script = [](const std::string& special) {
        RecordFixture f;
        f.StartUp();
        f.panel->scriptPath = special;
        f.panel->ProgramEncoder();
        return Outcome{f.ui.Boxes(), {}};
    };
    // A script line naming the special file (`before` it, `after` it), through the real exports;
    // what they logged and the cause the last one kept.
    const auto scriptLine = [](const std::string& before, const std::string& after) {
        return [before, after](const std::string& special) {
            LogCapture log;
            RecordFixture f;
            f.library.mld = ::mld;
            f.library.mwrblk = ::mwrblk;
            f.StartUp();
            f.files.Write("line.scr", before + special + after + "\n");
            f.panel->scriptPath = (fs::current_path() / "line.scr").string();
            f.panel->ProgramEncoder();
            return Outcome{f.ui.Boxes(), log.Text() + ruvent_last_call().cause};
        };
    };
    // Video A started past its first picture reads the clip's index.
    const Run clipIndex = [](const std::string& special) {
        PlaybackPanel f([&](PlaybackPanel& p) {
            p.files.Remove("a.mdb");
            fs::create_symlink(special, "a.mdb");
        });
        f.view.Type(kStartA, "00000010");
        f.panel->EditLostFocus(kStartA);
        f.panel->Command(kPlayA);
        return Outcome{f.ui.Boxes(), {}};
    };
    const Run eepromImage = [](const std::string& special) {
        struct NoBus : eeprom::EepromI2c {
            void I2cWrite(const std::vector<std::uint8_t>&) override {}
            std::uint8_t I2cRead(std::uint8_t) override { return 0; }
        } bus;
        velmar_ui::testing::FakeFormView view(EepromUpdateForm());
        velmar_ui::testing::FakeUiServices ui;
        CEepromUpdateDlg dialog(view, ui, bus, special);
        dialog.OnOK();
        return Outcome{ui.Boxes(), {}};
    };
    struct Case {
        const char* what;
        Run run;
        const char* named;  // nullptr: the special file's own path
        bool inLog = false;
    };
    const Case cases[] = {
        {"PATHVA", atStartUp("PATHVA"), nullptr},
        {"PATHVB", atStartUp("PATHVB"), nullptr},
        {"PATHALP", atStartUp("PATHALP"), nullptr},
        {"LOGFILE", atStartUp("LOGFILE"), nullptr},
        {"LOGFILER", recordLog, nullptr},
        {"a list entry's clip", listEntry(false), nullptr},
        {"a list entry's alpha stream", listEntry(true), nullptr},
        {"the decode output", decodeOutput, nullptr},
        {"PATHSCR", script, nullptr},
        {"a script's mld line", scriptLine("mld -first ", ""), nullptr, true},
        {"a script's mwrblk -f line", scriptLine("mwrblk -f ", " 0x40000"), nullptr, true},
        {"a clip's index", clipIndex, "a.mdb"},
        {"the EEPROM image", eepromImage, ".hex"},
        {"the microcode", runFolderFile("ucode/ppdecMain.ux"), "ppdecMain.ux", true},
        {"the I2C table", runFolderFile("i2c/velmar2ki2c.bin"), ".bin"},
        {"the DSP code", runFolderFile("ucode/dsp.hex"), ".hex"},
    };
    for (const std::string& special : {fifo, std::string("/dev/zero")}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.what) + " as " + special);
            Outcome outcome;
            EXPECT_TRUE(EndsWithoutWaiting(fifo, [&] { outcome = c.run(special); })) << "the open waited";
            const std::string named = c.named ? c.named : special;
            if (c.inLog)
                EXPECT_NE(outcome.logged.find(named), std::string::npos) << outcome.logged;
            else
                EXPECT_TRUE(AnyBoxNames(outcome.boxes, named));
        }
    }
    fs::remove_all(folder);
}

// A script or DSP code larger than such a file can be is refused with a box, never read whole.
TEST(OperatorFiles, ScriptsAndDspCodeAreReadUpToABound) {
    RecordFixture f;
    f.StartUp();
    const std::size_t boxes = f.ui.Boxes().size();
    const std::string line = "mwr 0x40030 0x00000077";
    std::string big;
    while (big.size() <= kScriptFileMaxBytes) big += line + "\n";
    f.files.Write("big.scr", big);
    f.panel->scriptPath = (fs::current_path() / "big.scr").string();
    const std::size_t mark = f.Mark();
    f.panel->ProgramEncoder();
    const auto sent = f.Sent(mark);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), line), 0) << "the panel's own words only, not the script's";
    ASSERT_EQ(f.ui.Boxes().size(), boxes + 1);
    EXPECT_NE(f.ui.Boxes().back().text.find("big.scr"), std::string::npos);

    // Start-up tells which file it refused and goes on.
    PlaybackPanel g([](PlaybackPanel& p) { p.files.Write("ucode/dsp.hex", std::string(kDspCodeFileMaxBytes + 1, ' ')); });
    ASSERT_EQ(g.ui.Boxes().size(), 1u);
    EXPECT_NE(g.ui.Boxes()[0].text.find("dsp.hex"), std::string::npos);
    EXPECT_FALSE(g.ui.exitCode.has_value());
    EXPECT_TRUE(g.ui.TimerRunning(kPanelTimer));
}

// A video or audio list larger than any list can be (here a hole in the file) is refused with a
// box as it is named and at PLAY, never read through.
TEST(OperatorFiles, ListsAreReadUpToABound) {
    for (const bool audio : {false, true}) {
        SCOPED_TRACE(audio ? "audio list" : "video list");
        PlaybackPanel f;
        const std::string list = PlaybackPanel::Here(audio ? "big.apl" : "big.vpl");
        std::ofstream(list) << "<a.mpg><0><5><0>\n";
        fs::resize_file(list, 64 * play_lists::kMaxListBytes);
        const auto edit = audio ? kPathAudio : kPathList;
        const std::size_t boxes = f.ui.Boxes().size();
        f.view.Type(edit, list);
        f.panel->EditChanged(edit);
        f.panel->EditLostFocus(edit);
        f.panel->Command(audio ? kPlayAudio : kPlayList);
        const auto texts = f.Captions();
        ASSERT_EQ(texts.size(), boxes + 2);
        const std::string refusal = std::string("The ") + (audio ? "audio " : "") + "play list " + list +
                                    " is larger than 1048576 bytes and is not read";
        for (std::size_t i = boxes; i < texts.size(); ++i) EXPECT_EQ(texts[i], refusal);
    }
}

// A damaged I2C table, DSP code or microcode is named in one box; start-up goes on with what could be taken.
TEST(OperatorFiles, DamagedBoardDataFilesAreNamedInOneBox) {
    std::string manyNumbers;
    for (std::size_t i = 0; i <= kDspCodeMaxNumbers; ++i) manyNumbers += "1 ";
    const struct {
        const char* file;
        std::string bytes;
    } cases[] = {
        {"i2c/velmar2ki2c.bin", std::string("\0\0\0\x02\0\0\0\x40\0\x01\x11\0\x42\0\xC8\x01", 16)},
        {"ucode/dsp.hex", manyNumbers},
        {"ucode/dsp.hex", "00 11 " + std::string(kDspNumberMaxChars + 1, '2') + "\n"},
        // One section of 100 bytes with 10 left in the file.
        {"ucode/ppdecMain.ux", std::string("C3UX\x01\0\0\0\0\0\0\0", 12) + std::string("\0\0\0\0\x64\0\0\0", 8) +
                                   std::string(18, '\0')},
        {"mpeg/black1.mpg", "not a clip"},
        {"mpeg/framecut1.alp", std::string("\0\0\x01\xB3", 4)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        PlaybackPanel f([&](PlaybackPanel& p) { p.files.Write(c.file, c.bytes); });
        ASSERT_EQ(f.ui.Boxes().size(), 1u);
        EXPECT_NE(f.ui.Boxes()[0].text.find(c.file), std::string::npos) << f.ui.Boxes()[0].text;
        EXPECT_FALSE(f.ui.exitCode.has_value());
        EXPECT_TRUE(f.ui.TimerRunning(kPanelTimer));
        EXPECT_FALSE(f.board.writes.messages.empty());
    }
}

// The command log truncates only a log: a media file of the panel, someone's data, or a name the
// panels record into stays as it is; such a name fails as one that cannot be opened does, with its
// box, and the key is emptied. No log is started under another name.
TEST(OperatorFiles, LogNeverTruncatesMedia) {
    const struct {
        const char* what;
        const char* key;      // the key that names the log's file as well, or nullptr
        const char* content;  // what the file holds before, or nullptr when it does not exist
        bool refused;
    } cases[] = {
        {"video A's clip", "PATHVA", nullptr, true},
        {"the alpha stream", "PATHALP", "CCBA alpha frames", true},
        {"the audio file", "PATHAUD", "RIFF....WAVEfmt ", true},
        {"a recording not yet made", "PATHDVR", nullptr, true},
        {"someone's notes", nullptr, "notes kept for years\n", true},
        {"an earlier command log", nullptr, "00000000,00000000,00000000 mquit\n", false},
        {"a new log", nullptr, nullptr, false},
    };
    const auto refusedBox = [](const std::string& path) {
        return "Logging Disabled, Unable to initialize Log file - " + path;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string path, before;
        bool existed = false;
        PlaybackPanel f([&](PlaybackPanel& p) {
            path = PlaybackPanel::Here("named.file");
            if (c.key && std::string(c.key) == "PATHVA") path = PlaybackPanel::Here("a.mpg");
            if (c.content) p.files.Write("named.file", c.content);
            existed = fs::exists(path);
            before = ReadAll(path);
            fs::remove("Velmar.log");  // the name an earlier version logged to instead
            if (c.key) p.SetKey(c.key, path);
            p.SetKey("LOGFILE", path);
        });
        if (c.refused) {
            ASSERT_EQ(f.ui.Boxes().size(), 1u);
            EXPECT_EQ(f.ui.Boxes()[0].text, refusedBox(path));
            EXPECT_EQ(ReadAll(path), before);
            EXPECT_EQ(fs::exists(path), existed);
            EXPECT_EQ(f.profile.GetString("BOARD1", "LOGFILE"), "");
            EXPECT_FALSE(f.panel->Link()->Log().IsOpen());
            EXPECT_FALSE(fs::exists("Velmar.log")) << "a log under another name";
        } else {
            EXPECT_TRUE(f.ui.Boxes().empty());
            f.panel->Link()->Log().Close();
            const std::string log = ReadAll(path);
            EXPECT_EQ(log.find("00000000,00000000,00000000 mquit\n"), 0u) << "truncated, then written afresh";
            EXPECT_EQ(log.find("mquit", 30), std::string::npos);
        }
    }
    // Chosen from the menu: the record panel refuses its own recording's name as well.
    RecordFixture r;
    r.files.Write("take.mpg", "recorded video");
    const std::string take = (fs::current_path() / "take.mpg").string();
    r.SetKey("RPATHV", take);
    r.StartUp();
    r.ui.ScriptChoice(take);
    r.panel->OnSetLogFile();
    ASSERT_EQ(r.ui.Boxes().size(), 1u);
    EXPECT_EQ(r.ui.Boxes()[0].text, refusedBox(take));
    EXPECT_EQ(ReadAll(take), "recorded video");
    EXPECT_EQ(r.Key("LOGFILER"), "");
}

// A name the file system cannot resolve (a link loop, a folder name past the system's limit, a
// folder that may not be searched) is named with its cause in a box, and Velmar goes on: at the
// parking clips' check at start-up, at a play list's PLAY and at a clip's.
TEST(OperatorFiles, FileSystemErrorsNeverEndVelmar) {
    const struct {
        const char* cause;
        std::function<void(const std::string& name)> spoil;  // makes `name` such a link
    } troubles[] = {
        {"Too many levels of symbolic links",
         [](const std::string& name) { fs::create_symlink(fs::path(name).filename(), name); }},
        {"File name too long", [](const std::string& name) { fs::create_symlink(std::string(300, 'n') + "/x", name); }},
        {"Permission denied",
         [](const std::string& name) {
             fs::create_directory("locked");
             fs::permissions("locked", fs::perms::owner_read | fs::perms::owner_write);
             fs::create_symlink(fs::current_path() / "locked" / "x", name);
         }},
    };
    // Each case runs in a process of its own, as a user the folder's mode holds back; an ended
    // process or a box that does not name the path and cause fails it.
    const auto survives = [](const std::function<bool()>& run) {
        const pid_t child = ::fork();
        if (child == 0) {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(2);
            try {
                ::_exit(run() ? 0 : 1);
            } catch (const std::exception& e) {
                std::fprintf(stderr, "the case ended on: %s\n", e.what());
                ::_exit(3);  // uncaught, it would end Velmar
            } catch (...) {
                ::_exit(3);
            }
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    };
    const auto named = [](const std::vector<std::string>& boxes, const std::string& path, const char* cause) {
        for (const auto& box : boxes)
            if (box.find(path) != std::string::npos && box.find(cause) != std::string::npos) return true;
        return false;
    };
    for (const auto& trouble : troubles) {
        SCOPED_TRACE(trouble.cause);
        EXPECT_EQ(survives([&] {
                      PlaybackPanel f([&](PlaybackPanel& p) {
                          p.files.Remove("mpeg/black1.mpg");
                          trouble.spoil("mpeg/black1.mpg");
                      });
                      return named(f.Captions(), "mpeg/black1.mpg", trouble.cause) && !f.ui.exitCode;
                  }),
                  0)
            << "the parking clips' check";
        // A name typed into a path and played.
        const struct {
            const char* file;
            velmar_ui::ControlId path, button;
            const char* what;
        } typed[] = {{"list.vpl", kPathList, kPlayList, "a play list's PLAY"}, {"c.mpg", kPathA, kPlayA, "a clip's PLAY"}};
        for (const auto& t : typed) {
            EXPECT_EQ(survives([&] {
                          PlaybackPanel f;
                          trouble.spoil(t.file);
                          const std::string name = PlaybackPanel::Here(t.file);
                          f.view.Type(t.path, name);
                          f.panel->EditChanged(t.path);
                          f.panel->EditLostFocus(t.path);
                          f.panel->Command(t.button);
                          return named(f.Captions(), name, trouble.cause) && !f.ui.exitCode;
                      }),
                      0)
                << t.what;
        }
    }
}

// A recording's audio output is never its video output, under any spelling, whether the two
// start together or the audio is already recording; the board would write both streams into one file.
TEST(RecordOutputs, AudioAndVideoNeverOneFile) {
    const struct {
        const char* audio;
        bool existing;  // the video output is there before (a link needs its target)
    } spellings[] = {{"take.mpg", false}, {"./take.mpg", false}, {"sub/../take.mpg", false},
                     {"soft-link.mpg", true}, {"hard-link.mpg", true}};
    const auto prepare = [](bool existing) {
        fs::create_directory("sub");
        if (!existing) return;
        std::ofstream("take.mpg") << "an earlier take";
        fs::create_symlink("take.mpg", "soft-link.mpg");
        fs::create_hard_link("take.mpg", "hard-link.mpg");
    };
    const auto refused = [](const std::vector<std::string>& boxes, const std::vector<std::string>& sent,
                            const std::string& audio, const char* output) {
        EXPECT_EQ(boxes, std::vector<std::string>{audio + " is the video output as well: choose another audio output"});
        for (const auto& line : sent) EXPECT_EQ(line.find(output), std::string::npos) << line;
    };
    for (const auto& s : spellings) {
        SCOPED_TRACE(s.audio);
        for (bool audioFirst : {false, true}) {
            RecordFixture f;
            f.SetKey("RPATHV", "take.mpg");
            f.SetKey("RPATHA", s.audio);
            f.SetKey("LINKRAUD", audioFirst ? "0" : "1");
            f.StartUp();
            prepare(s.existing);
            if (audioFirst) f.panel->Command(record_ids::kRecordAudio);
            const std::size_t boxes = f.ui.Boxes().size(), mark = f.Mark();
            f.panel->Command(record_ids::kRecordVideo);
            const auto texts = f.BoxTexts();
            refused({texts.begin() + static_cast<long>(boxes), texts.end()}, f.Sent(mark), s.audio, "-o0B");
            if (s.existing) {
                EXPECT_EQ(ReadAll("take.mpg"), "an earlier take");
            }
        }
        PlaybackPanel p;
        prepare(s.existing);
        p.view.Type(kPathDv, "take.mpg");
        p.view.Type(kPathDvAudio, s.audio);
        p.view.SetChecked(kRecordAudioDv, true);
        const std::size_t mark = p.library.CommandLines().size();
        p.panel->Command(kRecordDv);
        const auto all = p.library.CommandLines();
        refused(p.Captions(), {all.begin() + static_cast<long>(mark), all.end()}, s.audio, "-o6B");
        if (s.existing) {
            EXPECT_EQ(ReadAll("take.mpg"), "an earlier take");
        }
    }
}

// Whether or not a loaded play list or audio list plays, its entries (and their indexes) are
// inputs: no output replaces them.
TEST(FilesInUse, EntriesOfALoadedListAreInputs) {
    const char* kInUse = " is a clip, index, list or data file Velmar reads: choose another output";
    // Entries of the video list (clips, an index, an alpha stream and its index) and of the audio list.
    for (const char* name : {"l1.mpg", "l2.mdb", "./l2.mpg", "key.alp", "key.adb", "song.wav", "./song.wav"}) {
        for (const char* output : {"DV video", "DV audio", "decode"}) {
            SCOPED_TRACE(std::string(name) + " as the " + output);
            PlaybackPanel f([](PlaybackPanel& p) {
                for (const char* file : {"l1.mpg", "l1.mdb", "l2.mpg", "l2.mdb", "key.alp", "key.adb", "song.wav"})
                    p.files.Write(file, std::string("kept ") + file);
                p.files.Write("list.vpl", "<l1.mpg><0><5><0>\n<l2.mpg><0><5><0><key.alp><3>\n");
                p.files.Write("list.apl", "<song.wav><0><5><0>\n");
                p.SetKey("PATHPL", PlaybackPanel::Here("list.vpl"));
                p.SetKey("PATHAUD", PlaybackPanel::Here("list.apl"));
            });
            const std::string before = ReadAll(name);
            const std::size_t boxes = f.ui.Boxes().size();
            const std::string dvVideo = std::string(output) == "DV audio" ? "take.dv" : name;
            if (std::string(output) == "decode") {
                f.view.Type(kDecodePath, name);
                f.view.Type(kDecodeFields, "8");
                f.panel->Command(kPlayA);
            } else {
                f.view.Type(kPathDv, dvVideo);
                f.view.Type(kPathDvAudio, std::string(output) == "DV audio" ? name : "take.wav");
                f.view.SetChecked(kRecordAudioDv, true);
                f.panel->Command(kRecordDv);
            }
            ASSERT_GT(f.Captions().size(), boxes);
            EXPECT_EQ(f.Captions()[boxes], name + std::string(kInUse));
            EXPECT_EQ(ReadAll(name), before);
        }
    }
}

// A name the board would cut or take otherwise (at a '<' or '>', a line break, past its slot)
// never reaches it: refused with a box before any question, and no file is touched.
TEST(OperatorNames, OnlyNamesABoardLineCarriesReachTheBoard) {
    // Each spelling names a.mpg (or its folder) to the board while the whole name is another file.
    const std::vector<std::string> names{"a.mpg>x.mpg", "x<a.mpg", "a.mpg\nx.mpg", std::string(270, 'n') + ".mpg"};
    struct Outcome {
        std::vector<std::string> boxes, sent;
        bool clipKept = false;
    };
    const auto playback = [](const std::function<void(PlaybackPanel&)>& act) {
        PlaybackPanel f;
        const std::string clip = ReadAll("a.mpg");
        const std::size_t mark = f.library.CommandLines().size();
        act(f);
        const auto all = f.library.CommandLines();
        return Outcome{f.Captions(), {all.begin() + static_cast<long>(mark), all.end()}, ReadAll("a.mpg") == clip};
    };
    const auto record = [](velmar_ui::ControlId edit, velmar_ui::ControlId button, const std::string& name) {
        RecordFixture f;
        f.files.Write("a.mpg", "an earlier take");
        f.StartUp();
        f.view.Type(edit, name);
        f.panel->EditChanged(edit);
        const std::size_t mark = f.Mark();
        f.panel->Command(button);
        return Outcome{f.BoxTexts(), f.Sent(mark), ReadAll("a.mpg") == "an earlier take"};
    };
    const struct {
        const char* what;
        std::function<Outcome(const std::string&)> run;
        bool entry = false;  // a list entry's grammar holds neither '>' nor a line break
    } targets[] = {
        {"DV record", [&](const std::string& name) {
             return playback([&](PlaybackPanel& f) {
                 f.view.Type(kPathDv, name);
                 f.panel->Command(kRecordDv);
             });
         }},
        {"decode", [&](const std::string& name) {
             return playback([&](PlaybackPanel& f) {
                 f.view.Type(kDecodePath, name);
                 f.view.Type(kDecodeFields, "8");
                 f.panel->Command(kPlayA);
             });
         }},
        {"record video", [&](const std::string& name) { return record(record_ids::kVideoPath, record_ids::kRecordVideo, name); }},
        {"record audio", [&](const std::string& name) { return record(record_ids::kAudioPath, record_ids::kRecordAudio, name); }},
        {"list entry", [&](const std::string& name) {
             return playback([&](PlaybackPanel& f) {
                 f.files.Write("list.vpl", "<" + name + "><0><5><0>\n");
                 f.view.Type(kPathList, PlaybackPanel::Here("list.vpl"));
                 f.panel->EditChanged(kPathList);
                 f.panel->EditLostFocus(kPathList);
                 f.panel->Command(kPlayList);
             });
         }, true},
    };
    for (const auto& target : targets) {
        for (const auto& name : names) {
            if (target.entry && name.find_first_of(">\n") != std::string::npos) continue;
            SCOPED_TRACE(std::string(target.what) + " to " + name.substr(0, 12));
            const Outcome outcome = target.run(name);
            EXPECT_TRUE(outcome.clipKept);
            ASSERT_FALSE(outcome.boxes.empty());
            EXPECT_NE(outcome.boxes.front().find(name), std::string::npos) << outcome.boxes.front();
            for (const auto& box : outcome.boxes) EXPECT_EQ(box.find("Overwrite"), std::string::npos);
            for (const auto& line : outcome.sent) EXPECT_EQ(line.find(name), std::string::npos) << line;
        }
    }
}

}  // namespace
}  // namespace velmar

// The user's choice of sound over the recording back end, whose table has
// the shape of Linux's (a MIDI output through a device, tones through a
// sound server or a device, silence): read from the switches and the
// environment, the rows it passes over, what is said when nothing audible
// plays, --sound-check's lines, and where a SoundFont is looked for.
#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "driver/program.h"
#include "sound/choice.h"
#include "sound/soundfont_search.h"
#include "world.h"

namespace {

using sound::recorder::script;

int run(std::vector<std::string> arguments) {
  fake::script().arguments = std::move(arguments);
  return programMain();
}

std::int64_t waited() {
  const std::vector<std::int64_t> all = sleeps();
  return std::accumulate(all.begin(), all.end(), std::int64_t{0});
}

// Which tone rows opened: "server" or "device".
std::vector<std::string> toneRowsOpened() {
  std::vector<std::string> rows;
  for (const fake::Call& call : fake::callsNamed("openTones")) rows.push_back(call.text);
  return rows;
}

const std::string silent =
    "lirkel: No audio device could be opened: the tune keeps its time in silence.\n";

}  // namespace

class SoundChoice : public FreshProcess {};

TEST_F(SoundChoice, SwitchesWinOverVariablesAndAWrongValueIsAUsageErrorBeforeAnySound) {
  fake::script().environment = {{"LIRKEL_SOUND", "tones"},
                                {"LIRKEL_SOUNDFONT", "/env.sf2"},
                                {"LIRKEL_DEVICE", "hw:2"},
                                {"LIRKEL_VOLUME", "30"}};
  EXPECT_EQ(run({"--soundfont", "/switch.sf2", "--volume=70", "C"}), 0);
  const sound::Choice& chosen = sound::choice();
  EXPECT_EQ(chosen.sound, sound::SoundKind::tones);
  EXPECT_EQ(chosen.soundFrom, "LIRKEL_SOUND");
  EXPECT_EQ(chosen.soundFont, "/switch.sf2");
  EXPECT_EQ(chosen.soundFontFrom, "--soundfont");
  EXPECT_EQ(chosen.device, "hw:2");
  EXPECT_EQ(chosen.volumePercent, 70u);

  struct Case {
    std::vector<std::string> arguments;
    std::map<std::string, std::string> environment;
    std::string says;
  };
  const std::vector<Case> wrong = {
      {{"--volume", "101", "C"}, {}, "invalid volume '101' for '--volume'"},
      {{"--volume=-1", "C"}, {}, "invalid volume '-1' for '--volume'"},
      {{"--volume", "x", "C"}, {}, "invalid volume 'x' for '--volume'"},
      {{"C"}, {{"LIRKEL_VOLUME", "50%"}}, "invalid volume '50%' for 'LIRKEL_VOLUME'"},
      {{"--sound=loud", "C"}, {}, "invalid sound 'loud' for '--sound'"},
      {{"--export", "x.wav", "C"}, {{"LIRKEL_SOUND", "SYNTH"}}, "invalid sound 'SYNTH'"},
      {{"--soundfont=", "C"}, {}, "option '--soundfont' requires an argument"},
      {{"--sound"}, {}, "option '--sound' requires an argument"},
      {{"--run", "make"}, {{"LIRKEL_VOLUME", "loud"}}, "invalid volume 'loud'"},
  };
  for (const Case& c : wrong) {
    freshProcess();
    script().midiDevices = 1;
    fake::script().environment = c.environment;
    EXPECT_EQ(run(c.arguments), 2) << c.says;
    EXPECT_EQ(fake::errors().rfind("lirkel: " + c.says, 0), 0u) << fake::errors();
    EXPECT_NE(fake::errors().find("\nTry 'lirkel --help'.\n"), std::string::npos);
    EXPECT_TRUE(fake::callsNamed("midiDevices").empty() && fake::callsNamed("tone").empty() &&
                fake::callsNamed("runCommand").empty() && fake::files().empty())
        << c.says;
  }
  // Runs that sound nothing do not read the variables.
  for (const std::vector<std::string>& quiet : {std::vector<std::string>{"--version"}, {"--titles"}}) {
    freshProcess();
    fake::script().environment = {{"LIRKEL_VOLUME", "loud"}};
    EXPECT_EQ(run(quiet), 0);
    EXPECT_EQ(fake::errors(), "");
  }
}

TEST_F(SoundChoice, TonesSilentAndOffPassOverTheSynthesizerAndKeepOrDropTheTime) {
  const std::string tune = "\"Hey\"<la.>G3EGEGE";
  script().midiDevices = 1;
  EXPECT_EQ(run({tune}), 0);
  EXPECT_FALSE(midiMessages().empty());

  freshProcess();
  script().midiDevices = 1;
  EXPECT_EQ(run({"--sound=tones", tune}), 0);
  EXPECT_TRUE(fake::callsNamed("midiDevices").empty());
  EXPECT_EQ(tones().size(), 6u);

  // Silent: every note's time, the text in time, no device opened.
  freshProcess();
  script().midiDevices = 1;
  fake::script().keys.push_back({'x', true, -1, 500});
  EXPECT_EQ(run({"--sound=silent", tune}), 0);
  EXPECT_TRUE(fake::callsNamed("midiDevices").empty());
  EXPECT_TRUE(toneRowsOpened().empty());
  EXPECT_EQ(fake::output(), "\n\"Hey\"\nla. \n");
  EXPECT_EQ(fake::nowMs(), 500);  // the key stopped it in the fourth note
  freshProcess();
  EXPECT_EQ(run({"--sound=silent", tune}), 0);
  EXPECT_EQ(waited(), 768);
  EXPECT_EQ(fake::errors(), "");

  // Off: the text at once, no wait at all, a whole library song.
  freshProcess();
  script().midiDevices = 1;
  EXPECT_EQ(run({"--sound=off", "yesterday"}), 0);
  EXPECT_TRUE(sleeps().empty());
  EXPECT_EQ(fake::nowMs(), 0);
  EXPECT_TRUE(fake::callsNamed("midiDevices").empty());
  EXPECT_NE(fake::output().find("Yesterday's Lantern"), std::string::npos);
  EXPECT_NE(fake::output().find("show us the way."), std::string::npos);
  EXPECT_EQ(fake::errors(), "");

  // Asked for, a synthesizer that cannot play says so; then tones.
  freshProcess();
  EXPECT_EQ(run({"--sound=synth", "CDE"}), 0);
  EXPECT_EQ(fake::errors(), "lirkel: The synthesizer cannot play here.\n");
  EXPECT_EQ(tones().size(), 3u);
}

TEST_F(SoundChoice, TheDevicePicksTheRowsAndSilenceNobodyAskedForIsSaidOnce) {
  // A server runs: tones go there, unless an ALSA device is named.
  // Tones through the server wait for it to open: the device is tried next.
  script().server = true;
  EXPECT_EQ(run({"C"}), 0);
  EXPECT_EQ(toneRowsOpened(), std::vector<std::string>{"server"});
  EXPECT_EQ(fake::callsNamed("waitForTones").size(), 1u);
  freshProcess();
  script().server = true;
  EXPECT_EQ(run({"--device", "hw:1", "C"}), 0);
  EXPECT_EQ(toneRowsOpened(), std::vector<std::string>{"device"});

  // The server named, and none runs: ALSA is not tried; one line names it.
  freshProcess();
  script().midiDevices = 1;
  EXPECT_EQ(run({"--device=pulse", "G3EGEGE"}), 0);
  EXPECT_TRUE(fake::callsNamed("openMidiOutput").empty());
  EXPECT_TRUE(toneRowsOpened().empty());
  EXPECT_EQ(fake::errors(),
            "lirkel: pulse: The audio device could not be opened: the tune keeps its time in "
            "silence.\n");
  EXPECT_EQ(waited(), 768);

  // No device: one line, none when silence was asked for. The last device
  // before silence is not waited for: the first tone finds it out.
  freshProcess();
  script().audioDevice = false;
  EXPECT_EQ(run({"G3EGEGE"}), 0);
  EXPECT_EQ(fake::errors(), silent);
  EXPECT_EQ(fake::nowMs(), 768);
  EXPECT_TRUE(fake::callsNamed("waitForTones").empty());
  freshProcess();
  script().audioDevice = false;
  fake::script().environment = {{"LIRKEL_SOUND", "silent"}};
  EXPECT_EQ(run({"G3EGEGE"}), 0);
  EXPECT_EQ(fake::errors(), "");

  // A synthesizer that found no device leaves its line to the tones: one
  // line when they find none either, its own when they play.
  freshProcess();
  script().midiDevices = 1;
  script().midiWithoutDevice = true;
  script().audioDevice = false;
  EXPECT_EQ(run({"C"}), 0);
  EXPECT_EQ(fake::errors(), silent);
  EXPECT_EQ(fake::callsNamed("waitForTones").size(), 1u);
  freshProcess();
  script().midiDevices = 1;
  script().midiWithoutDevice = true;
  EXPECT_EQ(run({"C"}), 0);
  EXPECT_EQ(fake::errors(), "lirkel: No audio device could be opened for MIDI output.\n");
  EXPECT_EQ(tones().size(), 1u);
}

TEST_F(SoundChoice, TheCheckSaysEachStepAndAnswersWhetherAnythingAudiblePlays) {
  script().midiDevices = 1;
  EXPECT_EQ(run({"--sound-check"}), 0);
  EXPECT_EQ(fake::output(), "Plays the recorded MIDI output.\n");
  EXPECT_TRUE(midiMessages().empty());  // opened and closed, nothing sent
  EXPECT_EQ(fake::callsNamed("closeMidiOutput").size(), 1u);

  freshProcess();
  script().midiDevices = 1;
  script().server = true;
  EXPECT_EQ(run({"--sound=tones", "--volume", "40", "--sound-check", "G3EGEGE"}), 0);
  EXPECT_EQ(fake::output(),
            "The sound chosen by --sound: tones.\n"
            "The volume chosen by --volume: 40 of 100.\n"
            "Passed over the recorded MIDI output: tones were chosen.\n"
            "Plays recorded tones through the sound server.\n");
  EXPECT_EQ(tones().size(), 6u);  // then the tune

  freshProcess();
  script().audioDevice = false;
  EXPECT_EQ(run({"--sound-check"}), 1);
  EXPECT_EQ(fake::output(),
            "Passed over the recorded MIDI output: no MIDI device.\n"
            "Passed over recorded tones through the sound server: no sound server is running.\n"
            "Tried recorded tones: it did not open.\n"
            "Plays nothing audible: silence that keeps the tune's time.\n");
  EXPECT_EQ(fake::callsNamed("setReaderGoneStatus").at(0).args, std::vector<std::int64_t>{1});

  freshProcess();
  script().midiDevices = 1;
  script().midiOpenError = 4;
  EXPECT_EQ(run({"--device", "hw:3", "--sound-check"}), 0);
  EXPECT_EQ(fake::output(),
            "The device chosen by --device: hw:3.\n"
            "Tried the recorded MIDI output: MIDI error 4.\n"
            "Passed over recorded tones through the sound server: an ALSA device was chosen.\n"
            "Plays recorded tones.\n");

  for (const std::vector<std::string>& quiet :
       {std::vector<std::string>{"--volume=0", "--sound-check"}, {"--sound=off", "--sound-check"}}) {
    freshProcess();
    EXPECT_EQ(run(quiet), 1);
    EXPECT_NE(fake::output().find("nothing audible"), std::string::npos) << fake::output();
  }
}

TEST_F(SoundChoice, ASoundFontIsTheNamedOneElseTheUsersOwnElseTheSystems) {
  auto& machine = fake::script();
  const auto font = [&](const std::string& path) {
    machine.readableFiles[path] = "";
    machine.existingFiles.insert(path);
  };
  sound::Choice chosen;

  // Named: that one, whatever else there is, or what is wrong with it.
  font("/home/u/.sounds/sf2/other.sf2");
  font("/fonts/piano.sf2");
  machine.readableFiles["/fonts/folder.sf2/x"] = "";
  machine.environment = {{"HOME", "/home/u"}};
  for (const auto& [named, problem] : {std::pair<std::string, std::string>{"/fonts/piano.sf2", ""},
                                      {"/fonts/folder.sf2", "The SoundFont is a folder, not a file."},
                                      {"/fonts/gone.sf2", "There is no such SoundFont file."}}) {
    chosen.soundFont = named;
    const sound::FontSearch search = sound::searchSoundFont(chosen, "/usr/share/sounds");
    EXPECT_EQ(search.font, named);
    EXPECT_TRUE(search.named);
    EXPECT_EQ(search.problem == nullptr ? "" : search.problem, problem);
  }
  chosen.soundFont.clear();

  // The user's folders in order, each once; in one, sf2 before sf3, then by
  // name, any letter case, and a folder named like a font is none.
  machine.environment = {{"HOME", "/home/u"}, {"XDG_DATA_HOME", "/home/u/.local/share"}};
  font("/home/u/.local/share/soundfonts/a.sf3");
  font("/home/u/.local/share/soundfonts/z.SF2");
  machine.readableFiles["/home/u/.local/share/soundfonts/b.sf2/inside"] = "";
  sound::FontSearch search = sound::searchSoundFont(chosen, "/usr/share/sounds");
  EXPECT_EQ(search.font, "/home/u/.local/share/soundfonts/z.SF2");
  ASSERT_EQ(search.tried.size(), 1u);
  EXPECT_FALSE(search.named);

  // None of the user's: the system's Debian choice, sf2 before sf3.
  freshProcess();
  machine.environment = {{"HOME", "/home/u"}, {"XDG_DATA_HOME", "/data"}};
  font("/usr/share/sounds/sf3/default-GM.sf3");
  font("/usr/share/sounds/sf2/default-GM.sf2");
  font("/usr/share/sounds/sf2/a.sf2");
  search = sound::searchSoundFont(chosen, "/usr/share/sounds");
  EXPECT_EQ(search.font, "/usr/share/sounds/sf2/default-GM.sf2");
  std::vector<std::string> places;
  for (const sound::FontPlace& place : search.tried) places.push_back(place.where);
  EXPECT_EQ(places, (std::vector<std::string>{"/data/soundfonts", "/home/u/.local/share/soundfonts",
                                              "/home/u/.sounds/sf2",
                                              "/usr/share/sounds/sf2/default-GM.sf2"}));

  // Only the system's folder of sf2 fonts, then nothing at all.
  machine.existingFiles.erase("/usr/share/sounds/sf2/default-GM.sf2");
  machine.existingFiles.erase("/usr/share/sounds/sf3/default-GM.sf3");
  EXPECT_EQ(sound::searchSoundFont(chosen, "/usr/share/sounds").font, "/usr/share/sounds/sf2/a.sf2");
  machine.existingFiles.clear();
  search = sound::searchSoundFont(chosen, "/usr/share/sounds");
  EXPECT_EQ(search.font, "");
  EXPECT_EQ(search.tried.size(), 6u);
}

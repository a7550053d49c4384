// Writing a tune to a file: the MIDI file holds exactly what the MIDI
// variant sends, read back here by a reader of its own, and every failure
// is one line on standard error, exit status 1 and no file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "driver/program.h"
#include "world.h"

namespace {

struct Event {
  std::int64_t atMs;
  std::string what;  // "on 67 127", "off 67 127", "program 16", "lyric Yes-", "name ..."
  bool operator==(const Event&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Event& e) {
  return out << e.atMs << ":" << e.what;
}

// A Standard MIDI File read independently of the program's writer: format
// 0 or 1, any division, tempo changes, running status.
std::vector<Event> readMidiFile(const std::vector<std::uint8_t>& file) {
  std::vector<Event> events;
  auto big = [&](std::size_t at, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) value = value << 8 | file.at(at + i);
    return value;
  };
  EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "MThd");
  const std::uint32_t division = big(12, 2);
  EXPECT_EQ(division & 0x8000, 0u);
  std::size_t at = 8 + big(4, 4);
  while (at + 8 <= file.size()) {
    const std::size_t end = at + 8 + big(at + 4, 4);
    const bool track = std::string(file.begin() + at, file.begin() + at + 4) == "MTrk";
    std::size_t p = at + 8;
    double ms = 0;
    double msPerTick = 500.0 / division;  // 120 beats a minute until a tempo is set
    std::uint8_t status = 0;
    while (track && p < end) {
      std::uint32_t delta = 0;
      std::uint8_t b;
      do {
        b = file.at(p++);
        delta = delta << 7 | (b & 0x7F);
      } while (b & 0x80);
      ms += delta * msPerTick;
      if (file.at(p) & 0x80) status = file.at(p++);
      const auto when = static_cast<std::int64_t>(ms + 0.5);
      if (status == 0xFF) {
        const std::uint8_t type = file.at(p++);
        const std::uint8_t length = file.at(p++);
        const std::string data(file.begin() + p, file.begin() + p + length);
        if (type == 0x51) msPerTick = big(p, 3) / 1000.0 / division;
        if (type == 0x03) events.push_back({when, "name " + data});
        if (type == 0x05) events.push_back({when, "lyric " + data});
        p += length;
      } else if ((status & 0xF0) == 0xC0) {
        events.push_back({when, "program " + std::to_string(file.at(p++))});
      } else {
        const std::string kind = (status & 0xF0) == 0x90 ? "on " : "off ";
        events.push_back({when, kind + std::to_string(file.at(p)) + " " +
                                    std::to_string(file.at(p + 1))});
        p += 2;
      }
    }
    at = end;
  }
  return events;
}

// What the MIDI variant sends for the same text on the recording machine,
// in the same words.
std::vector<Event> playedThroughMidi(const std::vector<std::string>& arguments) {
  freshProcess();
  sound::recorder::script().midiDevices = 1;
  fake::script().terminal = false;
  fake::script().arguments = arguments;
  programMain();
  std::vector<Event> events;
  std::int64_t start = -1;
  for (const fake::Call& call : fake::calls()) {
    const auto& a = call.args;
    std::string what;
    if (call.name == "noteOn") what = "on " + std::to_string(a[1]) + " " + std::to_string(a[2]);
    if (call.name == "noteOff") what = "off " + std::to_string(a[1]) + " " + std::to_string(a[2]);
    if (call.name == "programChange") what = "program " + std::to_string(a[1]);
    if (what.empty()) continue;
    if (start < 0) start = call.atMs;
    events.push_back({call.atMs - start, what});
  }
  return events;
}

std::vector<std::uint8_t> exported(const std::vector<std::string>& arguments) {
  freshProcess();
  fake::script().arguments = arguments;
  EXPECT_EQ(programMain(), 0) << fake::errors();
  EXPECT_EQ(fake::errors(), "");
  return fake::files()[arguments.at(1)];
}

std::vector<Event> only(const std::vector<Event>& events, const std::string& prefix) {
  std::vector<Event> kept;
  for (const Event& e : events) {
    if (e.what.rfind(prefix, 0) == 0) kept.push_back(e);
  }
  return kept;
}

}  // namespace

class Export : public FreshProcess {};

TEST_F(Export, TheMidiFileHoldsWhatTheMidiVariantSendsToTheMillisecond) {
  // Note text with tempo, octave, instrument, dots and rests; a library song
  // with tempo and octave changes over many lines; an instrument out of range.
  for (const std::vector<std::string>& tune :
       {std::vector<std::string>{"Z05I073XGC2.D3_2XIE1#F"}, {"yesterday"}, {"I200C9C"}}) {
    std::vector<std::string> arguments = {"--export", "tune.mid"};
    arguments.insert(arguments.end(), tune.begin(), tune.end());
    const std::vector<Event> file = readMidiFile(exported(arguments));
    std::vector<Event> sounding;
    for (const Event& e : file) {
      if (e.what.rfind("name", 0) != 0 && e.what.rfind("lyric", 0) != 0) sounding.push_back(e);
    }
    ASSERT_FALSE(sounding.empty());
    EXPECT_EQ(sounding.front(), (Event{0, "program 16"}));
    EXPECT_EQ(sounding, playedThroughMidi(tune)) << tune.front();
  }
  EXPECT_EQ(fake::output(), "");  // nothing of the tune is written by a MIDI run without echo
}

TEST_F(Export, TheTitleNamesTheTrackAndEachLyricComesAtItsNote) {
  const std::vector<Event> file = readMidiFile(exported({"--export", "y.mid", "yesterday"}));
  ASSERT_FALSE(file.empty());
  const std::vector<Event> names = only(file, "name ");
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0].atMs, 0);
  EXPECT_EQ(names[0].what.rfind("name Yesterday", 0), 0u) << names[0];
  // A lyric is shown just before the note it is sung on: at that note's time.
  const std::vector<Event> lyrics = only(file, "lyric ");
  ASSERT_GT(lyrics.size(), 20u);
  for (std::size_t i = 0; i < file.size(); ++i) {
    if (file[i].what.rfind("lyric ", 0) != 0) continue;
    std::size_t next = i + 1;
    while (next < file.size() && file[next].what.rfind("on ", 0) != 0) ++next;
    if (next < file.size()) {
      EXPECT_EQ(file[i].atMs, file[next].atMs) << file[i];
    }
  }
  // The title and the lyrics as a run writes them on the screen, each lyric
  // with its blank and the line ends where the screen's lines end.
  freshProcess();
  fake::script().terminal = false;
  fake::script().arguments = {"yesterday"};
  programMain();
  std::string written = "\n\"" + names[0].what.substr(5) + "\"\n";
  for (const Event& lyric : lyrics) written += lyric.what.substr(6);
  EXPECT_EQ(fake::output(), written);
  EXPECT_NE(written.find("lan-tern still hangs by the door, light-ing"), std::string::npos);
}

TEST_F(Export, EveryFailureIsOneLineAndNoFile) {
  struct Case {
    std::vector<std::string> arguments;
    bool writable;
    std::string says;
    int status;  // 2: the command line lacks something, and --help is pointed to
  };
  const std::vector<Case> cases = {
      {{"--export=", "C"}, true, "needs a file name", 2},
      {{"--export", "tune.mid"}, true, "needs a tune", 2},
      {{"--export", "tune.txt", "C"}, true, "tune.txt", 1},
      {{"--export", "tune.mid", "L"}, true, "needs a tune", 1},
      {{"--export", "tune.mid", "fernando"}, true, "FERNANDO", 1},
      {{"--export", "tune.mid", "C"}, false, "cannot write tune.mid: Permission denied", 1},
  };
  for (const Case& c : cases) {
    freshProcess();
    fake::script().arguments = c.arguments;
    fake::script().writableFiles = c.writable;
    EXPECT_EQ(programMain(), c.status) << c.says;
    const long lines = c.status == 2 ? 2 : 1;
    EXPECT_EQ(std::count(fake::errors().begin(), fake::errors().end(), '\n'), lines)
        << fake::errors();
    EXPECT_NE(fake::errors().find(c.says), std::string::npos) << fake::errors();
    EXPECT_EQ(fake::errors().rfind("lirkel: ", 0), 0u);
    EXPECT_TRUE(fake::files().empty());
    EXPECT_EQ(fake::output(), "");
  }
}

TEST_F(Export, OneLineNamesTheFileAndItsPlayingTime) {
  freshProcess();
  fake::script().arguments = {"--export", "six.MIDI", "G3EGEGE"};
  EXPECT_EQ(programMain(), 0);
  EXPECT_EQ(fake::output(), "Wrote six.MIDI, 0:00.8\n");  // six eighths of 128 ms
  // A key waiting at the terminal neither stops nor shortens the export.
  freshProcess();
  fake::script().keys.push_back({'q', true, 0, -1});
  fake::script().arguments = {"--export", "six.mid", "G3EGEGE"};
  EXPECT_EQ(programMain(), 0);
  EXPECT_EQ(only(readMidiFile(fake::files()["six.mid"]), "off ").size(), 6u);
}

namespace {

struct Wav {
  std::uint32_t riffBytes, rate, channels, dataBytes;
  std::vector<std::int16_t> samples;
};

Wav readWav(const std::vector<std::uint8_t>& file) {
  auto little = [&](std::size_t at, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = value << 8 | file.at(at + i);
    return value;
  };
  Wav wav{little(4, 4), little(24, 4), little(22, 2), little(40, 4), {}};
  for (std::size_t at = 44; at + 1 < file.size(); at += 2) {
    wav.samples.push_back(static_cast<std::int16_t>(little(at, 2)));
  }
  return wav;
}

}  // namespace

// The sound goes to the file as it is rendered, the header's lengths filled
// in at the end; a renderer that cannot start gives one line and the tones,
// as playing does; a disk that fills up leaves no file.
TEST_F(Export, AWavFileIsWrittenAsItIsRenderedOrAsTonesWhenTheRendererFails) {
  sound::recorder::script().renderer = true;
  fake::script().arguments = {"--export", "six.wav", "G3EGEGE"};
  EXPECT_EQ(programMain(), 0);
  EXPECT_EQ(fake::errors(), "");
  Wav wav = readWav(fake::files()["six.wav"]);
  EXPECT_EQ(fake::callsNamed("render").at(0).args, std::vector<std::int64_t>{768});
  EXPECT_EQ(std::vector<std::uint32_t>({wav.rate, wav.channels, wav.dataBytes, wav.riffBytes}),
            std::vector<std::uint32_t>({1000, 1, 768 * 2, 36 + 768 * 2}));
  EXPECT_EQ(wav.samples, std::vector<std::int16_t>(768, 1000));

  freshProcess();
  sound::recorder::script().renderer = true;
  sound::recorder::script().renderFailure = "The General MIDI SoundFont could not be loaded.";
  fake::script().arguments = {"--export", "six.wav", "G3EGEGE"};
  EXPECT_EQ(programMain(), 0);
  EXPECT_EQ(fake::errors(),
            "lirkel: six.wav: The General MIDI SoundFont could not be loaded. It gets the tones "
            "instead.\n");
  EXPECT_EQ(fake::output(), "Wrote six.wav, 0:00.8\n");
  wav = readWav(fake::files()["six.wav"]);
  EXPECT_EQ(std::vector<std::uint32_t>({wav.rate, wav.channels, wav.dataBytes}),
            std::vector<std::uint32_t>({48000, 1, 768 * 48 * 2}));
  EXPECT_GT(*std::max_element(wav.samples.begin(), wav.samples.end()), 3000);

  freshProcess();
  sound::recorder::script().renderer = true;
  fake::script().diskSpace = 1000;
  fake::script().arguments = {"--export", "six.wav", "G3EGEGE"};
  EXPECT_EQ(programMain(), 1);
  EXPECT_EQ(fake::errors(), "lirkel: cannot write six.wav: No space left on device\n");
  EXPECT_TRUE(fake::files().empty());
  EXPECT_TRUE(fake::unfinishedFiles().empty());
}

// The choice of sound holds for the file too: tones are tones, at the
// volume chosen.
TEST_F(Export, AWavFileTakesTheChosenSoundAndVolume) {
  sound::recorder::script().renderer = true;
  fake::script().arguments = {"--sound=tones", "--volume=50", "--export", "six.wav", "G3EGEGE"};
  EXPECT_EQ(programMain(), 0);
  EXPECT_TRUE(fake::callsNamed("render").empty());
  const Wav half = readWav(fake::files()["six.wav"]);
  EXPECT_EQ(half.rate, 48000u);
  freshProcess();
  fake::script().arguments = {"--export", "six.wav", "G3EGEGE"};
  EXPECT_EQ(programMain(), 0);
  const Wav full = readWav(fake::files()["six.wav"]);
  ASSERT_EQ(half.samples.size(), full.samples.size());
  for (std::size_t i = 0; i < full.samples.size(); ++i) {
    ASSERT_NEAR(half.samples[i], full.samples[i] / 2.0, 0.5) << i;
  }
}

// MIDI files on Linux: FluidSynth's player on the run's synthesizer, driven
// by the renderer, which keeps its time. The file is checked before anything
// plays; the player would take any bytes and fail later without a word.
//
// A player is created, stopped and deleted only while the renderer is
// stopped, never while it renders: the player runs inside the rendering,
// and deleting one there crashes. (A file of 200,000 notes on one tick took
// the renderer seconds to apply, and a player deleted after a second's
// wait for it crashed the program.)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <vector>

#include "platform/linux/signals.h"
#include "sound/linux/fluid_engine.h"
#include "sound/linux/fluid_file_player.h"
#include "sound/linux/system_clock.h"
#include "sound/smf_check.h"
#include "text/codepage.h"

namespace sound::fluid {
namespace {

constexpr const char* unreadable = "The MIDI file could not be read.";
constexpr const char* notStarted = "The synthesizer could not be started.";

// Reads up to `count` bytes; false on an error, and on a read that would
// block (the file was opened non-blocking).
bool readUpTo(int fd, std::uint8_t* into, std::size_t count, std::size_t& got) {
  got = 0;
  while (got < count) {
    const ssize_t n = read(fd, into + got, count - got);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR && !platform::posix::signalPending()) continue;
      return false;
    }
    got += static_cast<std::size_t>(n);
  }
  return true;
}

// Reads a MIDI file for the check, without trusting it: only a regular file
// (not a pipe or a device, whose read could block or never end), opened so
// that no read waits; the header is checked from the first bytes before the
// rest is read, and no more than the largest tune is read.
Failure readMidiFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return unreadable;
  struct Closer {
    int fd;
    ~Closer() { close(fd); }
  } closer{fd};
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return unreadable;

  bytes.resize(smf::headerBytes);
  std::size_t got = 0;
  if (!readUpTo(fd, bytes.data(), bytes.size(), got)) return unreadable;
  if (const smf::Fault fault = smf::checkHeader(bytes.data(), got); fault != smf::Fault::none) {
    return smf::faultText(fault);
  }
  if (info.st_size > static_cast<off_t>(smf::largestFileBytes)) {
    return smf::faultText(smf::Fault::fileTooLarge);
  }
  // The size may have been wrong (files under /proc say 0) or may grow: the
  // reading stops one block past the limit at the latest.
  bytes.resize(got);
  bytes.reserve(static_cast<std::size_t>(info.st_size));
  std::uint8_t block[65536];
  std::size_t count = sizeof block;
  while (count == sizeof block && bytes.size() <= smf::largestFileBytes) {
    if (!readUpTo(fd, block, sizeof block, count)) return unreadable;
    bytes.insert(bytes.end(), block, block + count);
  }
  if (bytes.size() > smf::largestFileBytes) return smf::faultText(smf::Fault::fileTooLarge);
  return {};
}

class SynthFilePlayer final : public MidiFilePlayer {
 public:
  ~SynthFilePlayer() override { stop(); }

  Failure open(const std::string& path) override {
    stop();
    std::vector<std::uint8_t> bytes;
    if (Failure failure = readMidiFile(cp1252::cp1252ToUtf8(path), bytes)) return failure;
    if (const smf::Fault fault = smf::checkMidiFile(bytes.data(), bytes.size(), &playingMs_);
        fault != smf::Fault::none) {
      return smf::faultText(fault);
    }
    Engine& e = engine();
    if (e.synth == nullptr) return notStarted;
    if (e.renderer != nullptr) e.renderer->stop();
    // A file's chords and channels want every voice FluidSynth gives.
    e.source->useFullVoices();
    // A file may use any channel: every channel gets its default instrument.
    e.fluid->synth_program_reset(e.synth);
    // A file's chords and channels add up: at the tunes' gain it would clip.
    e.fluid->synth_set_gain(e.synth, fileGain);
    player_ = e.fluid->new_player(e.synth);
    // The player keeps its own copy of the bytes.
    if (player_ == nullptr ||
        e.fluid->player_add_mem(player_, bytes.data(), bytes.size()) != FLUID_OK) {
      stop();
      return notStarted;
    }
    return {};
  }

  Failure start() override {
    if (player_ == nullptr) return notStarted;
    Engine& e = engine();
    if (e.way.open == nullptr) return notStarted;
    if (Failure failure = openAudio(e.way)) return failure;
    if (e.fluid->player_play(player_) != FLUID_OK) return notStarted;
    e.renderer->start();
    endsNs_ = systemClock().nowNs() + playingMs_ * 1'000'000;
    return {};
  }

  // Until the file's last event is due (its length is known from the
  // check); the renderer then lets the last notes fade. The player itself
  // would wait for total silence, which can take seconds or, with a note
  // that never fades, for ever.
  bool playing() override {
    return player_ != nullptr &&
           engine().fluid->player_get_status(player_) == FLUID_PLAYER_PLAYING &&
           systemClock().nowNs() < endsNs_;
  }

  // A file that played to its end sounds on while its last notes fade; one
  // stopped by a key ends at once.
  void stop() override {
    if (player_ == nullptr) return;
    Engine& e = engine();
    if (e.renderer != nullptr) {
      if (playing()) {
        e.renderer->stop();
      } else {
        e.renderer->finish(systemClock().nowNs());
      }
    }
    e.fluid->player_stop(player_);
    e.fluid->delete_player(player_);
    player_ = nullptr;
    // What the file changed (controllers, instruments) goes with it.
    e.fluid->synth_system_reset(e.synth);
    e.fluid->synth_set_gain(e.synth, static_cast<float>(tuneGain));
  }

 private:
  fluid_player_t* player_ = nullptr;
  std::int64_t playingMs_ = 0;  // the file's length
  std::int64_t endsNs_ = 0;     // when its last event is due
};

}  // namespace

std::unique_ptr<MidiFilePlayer> openFilePlayer() { return std::make_unique<SynthFilePlayer>(); }

}  // namespace sound::fluid

// MIDI files on Linux: FluidSynth's player on the run's synthesizer, playing
// in the background. The file is checked before anything plays; the player
// would take any bytes and fail later without a word.
//
// The order of starting and ending matters: a player is created and deleted
// only while no audio driver renders (deleting one under a running driver can
// crash), and it is stopped before it is deleted (which cuts its held notes).
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

#include "platform/linux/signals.h"
#include "sound/linux/fluid_engine.h"
#include "sound/linux/fluid_file_player.h"
#include "sound/smf_check.h"
#include "text/codepage.h"

namespace sound::fluid {
namespace {

// After its last event a file still sounds while its last notes fade; the
// player would wait for total silence, which can take seconds or, with a
// note that never fades, for ever.
constexpr std::int64_t fadeAfterEndMs = 1000;

constexpr const char* unreadable = "The MIDI file could not be read.";
constexpr const char* notStarted = "The synthesizer could not be started.";

bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::uint8_t block[65536];
  ssize_t count;
  while ((count = read(fd, block, sizeof block)) > 0)
    bytes.insert(bytes.end(), block, block + count);
  close(fd);
  return count == 0;
}

class SynthFilePlayer final : public MidiFilePlayer {
 public:
  ~SynthFilePlayer() override { stop(); }

  Failure open(const std::string& path) override {
    stop();
    std::vector<std::uint8_t> bytes;
    if (!readWholeFile(cp1252::cp1252ToUtf8(path), bytes)) return unreadable;
    if (const smf::Fault fault = smf::checkMidiFile(bytes.data(), bytes.size());
        fault != smf::Fault::none) {
      return smf::faultText(fault);
    }
    Engine& e = engine();
    if (e.synth == nullptr) return notStarted;
    stopAudio();
    // A file may use any channel: every channel gets its default instrument.
    e.fluid->synth_program_reset(e.synth);
    player_ = e.fluid->new_player(e.synth);
    // The player keeps its own copy of the bytes.
    if (player_ == nullptr ||
        e.fluid->player_add_mem(player_, bytes.data(), bytes.size()) != FLUID_OK) {
      stop();
      return notStarted;
    }
    lastEventPassedAtMs_ = -1;
    return {};
  }

  Failure start() override {
    if (player_ == nullptr) return notStarted;
    Engine& e = engine();
    if (e.driverName == nullptr) return notStarted;
    if (Failure failure = startEngine(e.driverName)) return failure;
    return e.fluid->player_play(player_) == FLUID_OK ? Failure{} : Failure{notStarted};
  }

  bool playing() override {
    const Library& fluid = *engine().fluid;
    if (player_ == nullptr || fluid.player_get_status(player_) != FLUID_PLAYER_PLAYING) {
      return false;
    }
    if (fluid.player_get_current_tick(player_) < fluid.player_get_total_ticks(player_)) {
      return true;
    }
    const std::int64_t now = platform::posix::monotonicNs() / 1'000'000;
    if (lastEventPassedAtMs_ < 0) lastEventPassedAtMs_ = now;
    return now - lastEventPassedAtMs_ < fadeAfterEndMs;
  }

  void stop() override {
    if (player_ == nullptr) return;
    Engine& e = engine();
    e.fluid->player_stop(player_);
    if (e.driver != nullptr) {
      e.fluid->player_join(player_);
      stopAudio();
    }
    e.fluid->delete_player(player_);
    player_ = nullptr;
    // What the file changed (controllers, instruments) goes with it.
    e.fluid->synth_system_reset(e.synth);
  }

 private:
  fluid_player_t* player_ = nullptr;
  std::int64_t lastEventPassedAtMs_ = -1;  // when the player passed the last event
};

}  // namespace

std::unique_ptr<MidiFilePlayer> openFilePlayer() { return std::make_unique<SynthFilePlayer>(); }

}  // namespace sound::fluid

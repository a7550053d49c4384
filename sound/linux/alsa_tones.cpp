// Tones on Linux, through ALSA's "default" device and one stream that stays
// open for the tune: each tone is written straight after the previous one
// (phase carried on, short fades against clicks) and a rest is silence in the
// same stream, so a tune has no gaps. Every call is paced by one absolute
// deadline, so lengths never drift.
#include <alsa/asoundlib.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <vector>

#include "platform/linux/signals.h"
#include "sound/linux/alsa_quiet.h"
#include "sound/linux/alsa_tones.h"

namespace sound::alsa {
namespace {

namespace posix = platform::posix;

constexpr unsigned sampleRate = 48000;
constexpr unsigned framesPerMs = sampleRate / 1000;
constexpr unsigned streamLatencyUs = 60'000;
// How far ahead of the ear a call returns, so the next tone is written before
// the stream runs dry.
constexpr std::int64_t leadNs = 40'000'000;
// A caller later than this behind the deadline (a pause, the start) starts a
// new timeline instead of rushing to catch up.
constexpr std::int64_t resyncNs = 60'000'000;
constexpr unsigned fadeFrames = 5 * framesPerMs;
constexpr double amplitude = 0.35 * 32767.0;

struct ToneStream {
  snd_pcm_t* pcm = nullptr;
  bool tried = false;  // opening is attempted once per run
  double phase = 0.0;  // in cycles, carried from tone to tone
  std::int64_t deadlineNs = 0;
  bool timed = false;  // deadlineNs holds a timeline
};

ToneStream stream;

// Lets the queued sound play out; a device that plays faster than the ear
// (a capture into a file) is still given the tune's full length.
void closeStream() {
  if (stream.pcm == nullptr) return;
  snd_pcm_drain(stream.pcm);
  snd_pcm_close(stream.pcm);
  stream.pcm = nullptr;
  posix::sleepUntil(stream.deadlineNs);
}

bool openStream() {
  if (stream.tried) return stream.pcm != nullptr;
  stream.tried = true;
  silenceAlsaMessages();
  snd_pcm_t* pcm = nullptr;
  if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0) return false;
  if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1, sampleRate,
                         1, streamLatencyUs) < 0) {
    snd_pcm_close(pcm);
    return false;
  }
  stream.pcm = pcm;
  return true;
}

void writeFrames(const std::int16_t* frames, std::size_t count) {
  while (count > 0 && stream.pcm != nullptr) {
    const snd_pcm_sframes_t written = snd_pcm_writei(stream.pcm, frames, count);
    if (written >= 0) {
      frames += written;
      count -= static_cast<std::size_t>(written);
      continue;
    }
    if (written == -EINTR && posix::signalPending()) posix::endBySignal();
    // An underrun (the caller paused) or a suspend: start again.
    if (snd_pcm_recover(stream.pcm, static_cast<int>(written), 1) < 0) {
      snd_pcm_close(stream.pcm);
      stream.pcm = nullptr;
    }
  }
}

void writeSilence(unsigned lengthMs) {
  const std::vector<std::int16_t> silence(lengthMs * framesPerMs);
  writeFrames(silence.data(), silence.size());
}

// One tone: a sine carrying on the phase of the last one, faded in and out
// with a raised cosine so neighbouring tones join without a click.
std::vector<std::int16_t> toneFrames(unsigned frequencyHz, unsigned count) {
  std::vector<std::int16_t> frames(count);
  const double step = static_cast<double>(frequencyHz) / sampleRate;
  const unsigned fade = std::min(fadeFrames, count / 2);
  for (unsigned i = 0; i < count; ++i) {
    double gain = 1.0;
    const unsigned edge = std::min(i, count - 1 - i);
    if (edge < fade) gain = 0.5 - 0.5 * std::cos(std::numbers::pi * (edge + 0.5) / fade);
    frames[i] = static_cast<std::int16_t>(
        std::lround(amplitude * gain * std::sin(2.0 * std::numbers::pi * stream.phase)));
    stream.phase += step;
    if (stream.phase >= 1.0) stream.phase -= 1.0;
  }
  return frames;
}

// Moves the deadline on by the length and sleeps until it (less the lead
// when sound is queued ahead of the ear).
void paceBy(unsigned lengthMs, bool queued) {
  const std::int64_t now = posix::monotonicNs();
  if (!stream.timed || now - stream.deadlineNs > resyncNs) {
    stream.deadlineNs = now;
    stream.timed = true;
  }
  stream.deadlineNs += std::int64_t{lengthMs} * 1'000'000;
  posix::sleepUntil(stream.deadlineNs - (queued ? leadNs : 0));
}

void Beep(unsigned frequencyHz, unsigned lengthMs) {
  const bool open = openStream();
  if (open) {
    // Outside what a tone can be at this rate: silence of the same length.
    if (frequencyHz == 0 || frequencyHz >= sampleRate / 2) {
      writeSilence(lengthMs);
    } else {
      const std::vector<std::int16_t> frames = toneFrames(frequencyHz, lengthMs * framesPerMs);
      writeFrames(frames.data(), frames.size());
    }
  }
  paceBy(lengthMs, open);
}

void Sleep(unsigned lengthMs) {
  // A rest between tones is silence in their stream.
  const bool queued = stream.pcm != nullptr;
  if (queued) writeSilence(lengthMs);
  paceBy(lengthMs, queued);
}

class AlsaTones final : public ToneOutput {
 public:
  // The queued tones play out before the output is gone.
  ~AlsaTones() override { closeStream(); }
  void tone(unsigned frequencyHz, unsigned lengthMs) override { Beep(frequencyHz, lengthMs); }
  void rest(unsigned lengthMs) override { Sleep(lengthMs); }
};

}  // namespace

std::unique_ptr<ToneOutput> openTones() {
  if (!openStream()) return nullptr;
  return std::make_unique<AlsaTones>();
}

}  // namespace sound::alsa

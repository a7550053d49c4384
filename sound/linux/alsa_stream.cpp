#include "sound/linux/alsa_stream.h"

#include <alsa/asoundlib.h>

#include "sound/choice.h"
#include "text/codepage.h"

namespace sound::alsa {
namespace {

class AlsaStream final : public SampleStream {
 public:
  explicit AlsaStream(snd_pcm_t* pcm, unsigned channels) : pcm_(pcm), channels_(channels) {}
  ~AlsaStream() override {
    if (pcm_ != nullptr) snd_pcm_close(pcm_);
  }
  AlsaStream(const AlsaStream&) = delete;
  AlsaStream& operator=(const AlsaStream&) = delete;

  bool write(const std::int16_t* frames, std::size_t count) override {
    while (count > 0 && pcm_ != nullptr) {
      const snd_pcm_sframes_t written = snd_pcm_writei(pcm_, frames, count);
      if (written >= 0) {
        frames += written * channels_;
        count -= static_cast<std::size_t>(written);
        continue;
      }
      // An underrun (the machine stalled) or a suspend: start the stream again.
      if (snd_pcm_recover(pcm_, static_cast<int>(written), 1) < 0) {
        snd_pcm_close(pcm_);
        pcm_ = nullptr;
      }
    }
    return pcm_ != nullptr;
  }
  // The stream takes more after: a MIDI file may follow a tune.
  void drain() override {
    if (pcm_ == nullptr) return;
    snd_pcm_drain(pcm_);
    snd_pcm_prepare(pcm_);
  }

 private:
  snd_pcm_t* pcm_;
  unsigned channels_;
};

bool configure(snd_pcm_t* pcm, const StreamShape& shape) {
  snd_pcm_hw_params_t* hw = nullptr;
  snd_pcm_hw_params_alloca(&hw);
  unsigned rate = shape.sampleRate;
  unsigned bufferUs = shape.bufferMs * 1000;
  snd_pcm_uframes_t period = shape.chunkFrames;
  if (snd_pcm_hw_params_any(pcm, hw) < 0 ||
      snd_pcm_hw_params_set_rate_resample(pcm, hw, 1) < 0 ||
      snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED) < 0 ||
      snd_pcm_hw_params_set_format(pcm, hw, SND_PCM_FORMAT_S16_LE) < 0 ||
      snd_pcm_hw_params_set_channels(pcm, hw, shape.channels) < 0 ||
      snd_pcm_hw_params_set_rate(pcm, hw, rate, 0) < 0 ||
      snd_pcm_hw_params_set_buffer_time_near(pcm, hw, &bufferUs, nullptr) < 0 ||
      snd_pcm_hw_params_set_period_size_near(pcm, hw, &period, nullptr) < 0 ||
      snd_pcm_hw_params(pcm, hw) < 0) {
    return false;
  }
  snd_pcm_sw_params_t* sw = nullptr;
  snd_pcm_sw_params_alloca(&sw);
  // Playing starts with the first chunk, and again after an underrun.
  return snd_pcm_sw_params_current(pcm, sw) >= 0 &&
         snd_pcm_sw_params_set_start_threshold(pcm, sw, shape.chunkFrames) >= 0 &&
         snd_pcm_sw_params(pcm, sw) >= 0;
}

}  // namespace

std::string deviceName() {
  const std::string& chosen = choice().device;
  return chosen.empty() || chosen == serverDevice ? "default" : chosen;
}

std::unique_ptr<SampleStream> openStream(const StreamShape& shape) {
  snd_pcm_t* pcm = nullptr;
  const std::string name = cp1252::cp1252ToUtf8(deviceName());
  if (snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_PLAYBACK, 0) < 0) return nullptr;
  if (!configure(pcm, shape)) {
    snd_pcm_close(pcm);
    return nullptr;
  }
  return std::make_unique<AlsaStream>(pcm, shape.channels);
}

}  // namespace sound::alsa

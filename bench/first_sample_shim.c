/* Preloaded into a player by bench/first_sample.py: stamps, on the
 * monotonic clock, the first call that hands ALSA an audible sample
 * (|s| > AUDIBLE of full scale, so that dither in silence does not count),
 * and writes it into the file $FIRST_SAMPLE_FILE as "<first write ns>
 * <first audible ns>". It times start-up however large the stream's buffer
 * is: a device that plays only what overflows its buffer hides that. */
#define _GNU_SOURCE
#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <math.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#define AUDIBLE (64.0 / 32768.0)

static atomic_llong first_write_ns;
static atomic_int stamped;

static long long now_ns(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1000000000LL + t.tv_nsec;
}

/* Whether n samples of the format at p hold an audible one. */
static int audible(snd_pcm_format_t format, const void* p, size_t n, size_t step) {
  for (size_t i = 0; i < n; i += step) {
    double s;
    switch (format) {
      case SND_PCM_FORMAT_S16_LE: s = ((const short*)p)[i] / 32768.0; break;
      case SND_PCM_FORMAT_S32_LE: s = ((const int*)p)[i] / 2147483648.0; break;
      case SND_PCM_FORMAT_FLOAT_LE: s = ((const float*)p)[i]; break;
      case SND_PCM_FORMAT_U8: s = (((const unsigned char*)p)[i] - 128) / 128.0; break;
      default: s = 0; if (((const unsigned char*)p)[i] != 0) return 1; break;
    }
    if (fabs(s) > AUDIBLE) return 1;
  }
  return 0;
}

static void stamp(snd_pcm_t* pcm, const void* const* bufs, int planes, size_t frames) {
  long long at = now_ns();
  long long none = 0;
  atomic_compare_exchange_strong(&first_write_ns, &none, at);
  if (atomic_load(&stamped) || bufs == NULL) return;
  snd_pcm_hw_params_t* hw;
  snd_pcm_hw_params_alloca(&hw);
  snd_pcm_format_t format = SND_PCM_FORMAT_UNKNOWN;
  unsigned channels = 1;
  if (snd_pcm_hw_params_current(pcm, hw) == 0) {
    snd_pcm_hw_params_get_format(hw, &format);
    snd_pcm_hw_params_get_channels(hw, &channels);
  }
  int loud = 0;
  if (planes == 0) {
    loud = audible(format, bufs[0], frames * channels, 1);
  } else {
    for (unsigned c = 0; c < channels && !loud; ++c) {
      if (bufs[c] != NULL) loud = audible(format, bufs[c], frames, 1);
    }
  }
  if (!loud || atomic_exchange(&stamped, 1)) return;
  const char* path = getenv("FIRST_SAMPLE_FILE");
  if (path == NULL) return;
  char line[64];
  int length = snprintf(line, sizeof line, "%lld %lld\n", atomic_load(&first_write_ns), at);
  int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return;
  if (write(fd, line, (size_t)length) < 0) {}
  close(fd);
}

snd_pcm_sframes_t snd_pcm_writei(snd_pcm_t* pcm, const void* buffer, snd_pcm_uframes_t size) {
  static snd_pcm_sframes_t (*next)(snd_pcm_t*, const void*, snd_pcm_uframes_t);
  if (next == NULL) next = dlsym(RTLD_NEXT, "snd_pcm_writei");
  stamp(pcm, &buffer, 0, size);
  return next(pcm, buffer, size);
}

snd_pcm_sframes_t snd_pcm_writen(snd_pcm_t* pcm, void** bufs, snd_pcm_uframes_t size) {
  static snd_pcm_sframes_t (*next)(snd_pcm_t*, void**, snd_pcm_uframes_t);
  if (next == NULL) next = dlsym(RTLD_NEXT, "snd_pcm_writen");
  stamp(pcm, (const void* const*)bufs, 1, size);
  return next(pcm, bufs, size);
}

#include "sound/linux/fluid_library.h"

#include <dlfcn.h>

// The runtime's file name; a test build names one that does not exist.
#ifndef LIRKEL_FLUIDSYNTH_LIBRARY
#define LIRKEL_FLUIDSYNTH_LIBRARY "libfluidsynth.so.3"
#endif

namespace sound::fluid {
namespace {

// GLib, which FluidSynth and its SoundFont reader (libinstpatch) pull in,
// writes warnings and assertion failures on a broken SoundFont straight to
// standard error. Our own line says what failed; GLib's default handler is
// replaced, through the copy FluidSynth already loaded, by one that drops
// them. (GLib's types spelled out: nothing here is built against it.)
using GlibLogHandler = void (*)(const char* domain, int level, const char* message, void* data);
void dropGlibMessage(const char*, int, const char*, void*) {}

void silenceGlib() {
  void* glib = dlopen("libglib-2.0.so.0", RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
  if (glib == nullptr) return;
  using SetDefaultHandler = GlibLogHandler (*)(GlibLogHandler handler, void* data);
  if (auto setDefault =
          reinterpret_cast<SetDefaultHandler>(dlsym(glib, "g_log_set_default_handler"))) {
    setDefault(dropGlibMessage, nullptr);
  }
  dlclose(glib);  // gives back only the reference taken here
}

// The synthesizer renders into our own streams and never opens an audio
// driver of FluidSynth's; registered, each would set up its settings in
// every new settings object, ALSA's by looking through every sound card.
void registerNoAudioDrivers(void* handle) {
  using Register = int (*)(const char** drivers);
  if (auto registerDrivers =
          reinterpret_cast<Register>(dlsym(handle, "fluid_audio_driver_register"))) {
    const char* none[] = {nullptr};
    registerDrivers(none);
  }
}

template <typename Function>
bool find(void* handle, const char* name, Function& function) {
  function = reinterpret_cast<Function>(dlsym(handle, name));
  return function != nullptr;
}

bool load(Library& l) {
  // Its 60-odd libraries bind a function when it is first called: most are
  // never called, and binding them all at once took some 2 ms more.
  void* handle = dlopen(LIRKEL_FLUIDSYNTH_LIBRARY, RTLD_LAZY | RTLD_LOCAL);
  if (handle == nullptr) return false;
  const bool complete =
      find(handle, "fluid_set_log_function", l.set_log_function) &&
      find(handle, "new_fluid_settings", l.new_settings) &&
      find(handle, "delete_fluid_settings", l.delete_settings) &&
      find(handle, "fluid_settings_setint", l.settings_setint) &&
      find(handle, "fluid_settings_setnum", l.settings_setnum) &&
      find(handle, "fluid_settings_setstr", l.settings_setstr) &&
      find(handle, "new_fluid_synth", l.new_synth) &&
      find(handle, "delete_fluid_synth", l.delete_synth) &&
      find(handle, "fluid_synth_sfload", l.synth_sfload) &&
      find(handle, "new_fluid_defsfloader", l.new_defsfloader) &&
      find(handle, "fluid_sfloader_set_callbacks", l.sfloader_set_callbacks) &&
      find(handle, "fluid_synth_add_sfloader", l.synth_add_sfloader) &&
      find(handle, "fluid_synth_noteon", l.synth_noteon) &&
      find(handle, "fluid_synth_noteoff", l.synth_noteoff) &&
      find(handle, "fluid_synth_program_change", l.synth_program_change) &&
      find(handle, "fluid_synth_program_reset", l.synth_program_reset) &&
      find(handle, "fluid_synth_system_reset", l.synth_system_reset) &&
      find(handle, "fluid_synth_set_gain", l.synth_set_gain) &&
      find(handle, "fluid_synth_set_polyphony", l.synth_set_polyphony) &&
      find(handle, "fluid_synth_get_active_voice_count", l.synth_get_active_voice_count) &&
      find(handle, "fluid_synth_all_sounds_off", l.synth_all_sounds_off) &&
      find(handle, "fluid_synth_write_s16", l.synth_write_s16) &&
      find(handle, "new_fluid_player", l.new_player) &&
      find(handle, "delete_fluid_player", l.delete_player) &&
      find(handle, "fluid_player_add_mem", l.player_add_mem) &&
      find(handle, "fluid_player_play", l.player_play) &&
      find(handle, "fluid_player_stop", l.player_stop) &&
      find(handle, "fluid_player_get_status", l.player_get_status);

  // The library stays loaded for the run: its threads may still be ending.
  if (complete) {
    silenceGlib();
    registerNoAudioDrivers(handle);
  }
  return complete;
}

}  // namespace

const Library* library() {
  static Library functions{};
  static const bool loaded = load(functions);
  return loaded ? &functions : nullptr;
}

}  // namespace sound::fluid

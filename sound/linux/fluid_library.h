// The FluidSynth runtime, opened when a tune first needs the synthesizer
// rather than linked: runs that only write text, and machines without it,
// never load it or the libraries it pulls in.
#pragma once

#include <fluidsynth.h>

namespace sound::fluid {

// The functions the program calls, by their FluidSynth names.
struct Library {
  decltype(&::fluid_set_log_function) set_log_function;
  decltype(&::new_fluid_settings) new_settings;
  decltype(&::delete_fluid_settings) delete_settings;
  decltype(&::fluid_settings_setint) settings_setint;
  decltype(&::fluid_settings_setnum) settings_setnum;
  decltype(&::fluid_settings_setstr) settings_setstr;
  decltype(&::new_fluid_synth) new_synth;
  decltype(&::delete_fluid_synth) delete_synth;
  decltype(&::fluid_synth_sfload) synth_sfload;
  decltype(&::new_fluid_defsfloader) new_defsfloader;
  decltype(&::fluid_sfloader_set_callbacks) sfloader_set_callbacks;
  decltype(&::fluid_synth_add_sfloader) synth_add_sfloader;
  decltype(&::fluid_synth_noteon) synth_noteon;
  decltype(&::fluid_synth_noteoff) synth_noteoff;
  decltype(&::fluid_synth_program_change) synth_program_change;
  decltype(&::fluid_synth_program_reset) synth_program_reset;
  decltype(&::fluid_synth_system_reset) synth_system_reset;
  decltype(&::fluid_synth_set_gain) synth_set_gain;
  decltype(&::fluid_synth_set_polyphony) synth_set_polyphony;
  decltype(&::fluid_synth_get_active_voice_count) synth_get_active_voice_count;
  decltype(&::fluid_synth_all_sounds_off) synth_all_sounds_off;
  decltype(&::fluid_synth_write_s16) synth_write_s16;
  decltype(&::new_fluid_player) new_player;
  decltype(&::delete_fluid_player) delete_player;
  decltype(&::fluid_player_add_mem) player_add_mem;
  decltype(&::fluid_player_play) player_play;
  decltype(&::fluid_player_stop) player_stop;
  decltype(&::fluid_player_get_status) player_get_status;
};

// The runtime with every function found, or null when it is not installed
// (or lacks one); opened once, on the first call, and kept for the run.
const Library* library();

}  // namespace sound::fluid

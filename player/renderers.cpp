#include "player/renderers.h"

#include "console/console.h"
#include "midi/midi_out.h"
#include "platform/platform.h"
#include "player/note_length.h"
#include "player/player_state.h"

namespace {

// C of the row above the table, for a sharp on the top row's H.
constexpr unsigned topRowCTenths = 41860;

void sendNoteMessage(std::uint32_t message) {
  const unsigned rc = platform::midiOutShortMsg(midiOutState.handle, message);
  if (rc != platform::midiNoError) writeTextLine(platform::midiOutGetErrorTextA(rc));
}

}  // namespace

unsigned speakerFrequency(int octave, int semitone) {
  if (octave >= octaveRows) return topRowCTenths / 10;
  return pitchTable[octave][semitone - 1] / 10u;
}

void playSpeakerNote(int octave, int semitone, std::uint16_t wholeNoteMs, std::uint16_t exponent,
                     bool dotted) {
  const NoteLength length = noteLength(wholeNoteMs, exponent, dotted);
  if (semitone == restSemitone) {
    platform::Sleep(length.plain);
    if (dotted) platform::Sleep(length.dotPart);
    return;
  }
  const unsigned frequency = speakerFrequency(octave, semitone);
  platform::Beep(frequency, length.plain);
  if (dotted) platform::Beep(frequency, length.dotPart);
}

void playMidiNote(std::uint16_t channel, std::uint16_t octave, std::uint16_t semitone,
                  std::uint16_t milliseconds) {
  if (!midiOutState.available) return;
  const std::uint32_t note = midiOutState.noteTable[octave][semitone - 1];
  sendNoteMessage((0x90u + channel) | (note << 8) | (127u << 16));
  platform::Sleep(milliseconds);
  sendNoteMessage((0x80u + channel) | (note << 8) | (127u << 16));
}

void sendProgramChange(std::uint16_t program) {
  platform::midiOutShortMsg(midiOutState.handle, 0xC0u + program * 256u);
}

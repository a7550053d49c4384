#include "player/renderers.h"

#include "console/console.h"
#include "midi/midi_out.h"
#include "player/note_length.h"
#include "player/player_state.h"

namespace {

// C of the row above the table, for a sharp on the top row's H.
constexpr unsigned topRowCTenths = 41860;
// Notes start and end at full strength.
constexpr int noteVelocity = 127;

// A failed note message is reported on a line of its own; play goes on.
void report(const sound::Failure& failure) {
  if (failure) writeTextLine(*failure);
}

}  // namespace

unsigned speakerFrequency(int octave, int semitone) {
  if (octave >= octaveRows) return topRowCTenths / 10;
  return pitchTable[octave][semitone - 1] / 10u;
}

void playSpeakerNote(sound::ToneOutput& speaker, int octave, int semitone,
                     std::uint16_t wholeNoteMs, std::uint16_t exponent, bool dotted) {
  const NoteLength length = noteLength(wholeNoteMs, exponent, dotted);
  if (semitone == restSemitone) {
    speaker.rest(length.plain);
    if (dotted) speaker.rest(length.dotPart);
    return;
  }
  const unsigned frequency = speakerFrequency(octave, semitone);
  speaker.tone(frequency, length.plain);
  if (dotted) speaker.tone(frequency, length.dotPart);
}

void playMidiNote(std::uint16_t channel, std::uint16_t octave, std::uint16_t semitone,
                  std::uint16_t milliseconds) {
  if (!midiOutState.available) return;
  const int note = noteTable[octave][semitone - 1];
  sound::MidiOutput* output = midiOutState.output.get();
  if (output != nullptr) report(output->noteOn(channel, note, noteVelocity));
  midiOutState.timeline.wait(milliseconds);
  if (output != nullptr) report(output->noteOff(channel, note, noteVelocity));
}

void waitMidiRest(std::uint16_t milliseconds) { midiOutState.timeline.wait(milliseconds); }

void sendProgramChange(std::uint16_t program) {
  // A failed program change is not reported.
  if (midiOutState.output != nullptr) midiOutState.output->programChange(0, program);
}

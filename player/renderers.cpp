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
  if (failure) reportProblem(*failure);
}

// The open output, told that what it is sent next is due where the music
// has reached; null while closed or lent.
sound::MidiOutput* outputAtPresent() {
  sound::MidiOutput* output = midiOutState.output.get();
  if (output != nullptr) output->dueAt(midiOutState.timeline.presentMs());
  return output;
}

// Waits out a length, less what the output queues ahead of the ear; the
// output learns first that nothing more is due before its end.
void waitMidi(std::uint16_t milliseconds) {
  const std::int64_t reached = midiOutState.timeline.advance(milliseconds);
  sound::MidiOutput* output = midiOutState.output.get();
  if (output != nullptr) output->dueAt(reached);
  midiOutState.timeline.waitUntilReached(output != nullptr ? output->leadMs() : 0);
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
  if (sound::MidiOutput* output = outputAtPresent()) {
    report(output->noteOn(channel, note, noteVelocity));
  }
  waitMidi(milliseconds);
  if (sound::MidiOutput* output = outputAtPresent()) {
    report(output->noteOff(channel, note, noteVelocity));
  }
}

void waitMidiRest(std::uint16_t milliseconds) { waitMidi(milliseconds); }

void sendProgramChange(std::uint16_t program) {
  // A failed program change is not reported.
  if (sound::MidiOutput* output = outputAtPresent()) output->programChange(0, program);
}

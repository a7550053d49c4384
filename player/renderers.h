// Turns one note or rest into sound and time: tones on the speaker, or
// note-on, wait and note-off on the MIDI connection. Every call blocks for
// the length of its note, so the renderers are also the player's clock.
#pragma once

#include <cstdint>

#include "sound/tone_output.h"

// Semitone value that stands for a rest.
constexpr int restSemitone = 0;

// The speaker frequency in whole hertz for an octave row (0..8) and a
// semitone (1..12); row 8 is reached only by a sharp before the H of row 7.
unsigned speakerFrequency(int octave, int semitone);

void playSpeakerNote(sound::ToneOutput& speaker, int octave, int semitone,
                     std::uint16_t wholeNoteMs, std::uint16_t exponent, bool dotted);
void playMidiNote(std::uint16_t channel, std::uint16_t octave, std::uint16_t semitone,
                  std::uint16_t milliseconds);
// A MIDI rest: the connection's pace waits, nothing is sent.
void waitMidiRest(std::uint16_t milliseconds);
void sendProgramChange(std::uint16_t program);

// The switches about songs: "--check [FILE...]" checks songbooks by the
// library's rules, "--titles" writes every title a search can find.
#pragma once

#include <string>
#include <vector>

// Writes every problem as "file:line: rule" and a summary; answers the exit
// status: 1 when any song, line or file breaks a rule, else 0.
int checkSongbooks(const std::vector<std::string>& named);
// Built-in titles first, then own songs, one a line; on standard error one
// line for each own song or songbook left out.
void writeTitles();

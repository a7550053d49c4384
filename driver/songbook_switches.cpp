#include "driver/songbook_switches.h"

#include "console/console.h"
#include "library/songbook.h"
#include "library/titles.h"
#include "platform/platform.h"

int checkSongbooks(const std::vector<std::string>& named) {
  const std::vector<std::string> files =
      named.empty() ? songbookFiles() : expandSongbookPaths(named);
  const Songbooks songbooks = readSongbooks(files);
  const int status = songbooks.problems.empty() ? 0 : 1;
  // The fault stands even when nobody reads the list of problems.
  platform::setReaderGoneStatus(status);
  for (const SongbookProblem& problem : songbooks.problems) {
    const std::string where =
        problem.line == 0 ? problem.file : problem.file + ":" + std::to_string(problem.line);
    writeTextLine(ShortText(where + ": " + problem.rule));
  }
  writeTextLine(ShortText(std::to_string(files.size()) + " songbook files, " +
                          std::to_string(songbooks.songs.size()) + " good songs, " +
                          std::to_string(songbooks.problems.size()) + " problems"));
  return status;
}

void writeTitles() {
  for (const ShortText& title : findableTitles(true)) writeTextLine(title);
}

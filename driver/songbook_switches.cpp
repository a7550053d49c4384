#include "driver/songbook_switches.h"

#include "console/console.h"
#include "library/songbook.h"
#include "library/titles.h"

int checkSongbooks(const std::vector<std::string>& named) {
  const std::vector<std::string> files =
      named.empty() ? songbookFiles() : expandSongbookPaths(named);
  const Songbooks songbooks = readSongbooks(files);
  for (const SongbookProblem& problem : songbooks.problems) {
    const std::string where =
        problem.line == 0 ? problem.file : problem.file + ":" + std::to_string(problem.line);
    writeTextLine(ShortText(where + ": " + problem.rule));
  }
  writeTextLine(ShortText(message("%s songbook files, %s good songs, %s problems",
                                  {std::to_string(files.size()),
                                   std::to_string(songbooks.songs.size()),
                                   std::to_string(songbooks.problems.size())})));
  return songbooks.problems.empty() ? 0 : 1;
}

void writeTitles() {
  for (const ShortText& title : findableTitles(true)) writeTextLine(title);
}

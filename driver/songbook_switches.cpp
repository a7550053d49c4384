#include "driver/songbook_switches.h"

#include "console/console.h"
#include "library/songbook.h"
#include "library/titles.h"
#include "platform/platform.h"
#include "text/text_utils.h"

namespace {

// "1 problem", "2 problems".
std::string counted(std::size_t count, const std::string& thing) {
  return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

std::string located(const SongbookProblem& problem) {
  const std::string where =
      problem.line == 0 ? problem.file : problem.file + ":" + std::to_string(problem.line);
  return withoutControls(where + ": " + problem.rule);
}

}  // namespace

int checkSongbooks(const std::vector<std::string>& named) {
  const std::vector<std::string> files =
      named.empty() ? songbookFiles() : expandSongbookPaths(named);
  const Songbooks songbooks = readSongbooks(files);
  const int status = songbooks.problems.empty() ? 0 : 1;
  // The fault stands even when nobody reads the list of problems.
  platform::setReaderGoneStatus(status);
  for (const SongbookProblem& problem : songbooks.problems) {
    writeTextLine(ShortText(located(problem)));
  }
  writeTextLine(ShortText(counted(files.size(), "songbook file") + ", " +
                          counted(songbooks.songs.size(), "good song") + ", " +
                          counted(songbooks.problems.size(), "problem")));
  return status;
}

void writeTitles() {
  for (const ShortText& title : findableTitles(true)) writeTextLine(title);
  // What a search can never find is named where the list of titles is not.
  for (const SongbookProblem& problem : ownSongs().problems) {
    if (!problem.leftOut) continue;
    platform::writeStderr("lirkel: left out " + located(problem));
    platform::writeStderr(platform::lineBreak());
  }
}

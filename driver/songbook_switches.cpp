#include "driver/songbook_switches.h"

#include "console/console.h"
#include "library/songbook.h"
#include "library/titles.h"
#include "platform/platform.h"
#include "text/text_utils.h"

namespace {

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
  // "1 problem", "2 problems", in the user's language.
  const std::size_t fileCount = files.size();
  const std::size_t songCount = songbooks.songs.size();
  const std::size_t problemCount = songbooks.problems.size();
  const std::string n[] = {std::to_string(fileCount), std::to_string(songCount),
                           std::to_string(problemCount)};
  writeTextLine(ShortText(
      (fileCount == 1 ? message("%s songbook file", {n[0]}) : message("%s songbook files", {n[0]})) +
      ", " + (songCount == 1 ? message("%s good song", {n[1]}) : message("%s good songs", {n[1]})) +
      ", " +
      (problemCount == 1 ? message("%s problem", {n[2]}) : message("%s problems", {n[2]}))));
  return status;
}

void writeTitles() {
  for (const ShortText& title : findableTitles(true)) writeTextLine(title);
  // What a search can never find is named where the list of titles is not.
  for (const SongbookProblem& problem : ownSongs().problems) {
    if (!problem.leftOut) continue;
    writeError(message("left out %s", {located(problem)}));
  }
}

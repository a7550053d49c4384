#include "library/songbook.h"

#include <algorithm>

#include "library/library_check.h"
#include "library/listing.h"
#include "library/resolve.h"
#include "platform/platform.h"
#include "text/codepage.h"
#include "text/text_utils.h"

namespace {

struct State {
  bool read = false;
  Songbooks songbooks;
  const OwnSong* playing = nullptr;
};

State& state() {
  static State s;
  return s;
}

std::string inFolder(const std::string& folder, const std::string& name) {
  const char separator = platform::pathSeparator();
  if (folder.empty() || folder.back() == separator || folder.back() == '/') return folder + name;
  return folder + separator + name;
}

bool isSongbookName(const std::string& name) {
  return name.size() > 4 && upcaseText(ShortText(name.substr(name.size() - 4))) == ".TXT";
}

// A folder gives its songbooks; a named file is itself, and must be there.
void addPath(const std::string& path, std::vector<std::string>& files) {
  if (!platform::isFolder(path)) {
    files.push_back(path);
    return;
  }
  std::vector<std::string> names = platform::folderEntries(path);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    const std::string file = inFolder(path, name);
    // Only the files of the folder itself: its subfolders are not searched.
    if (isSongbookName(name) && !platform::isFolder(file)) files.push_back(file);
  }
}

// The file's lines in Windows-1252, or why it is no songbook.
std::string textLines(const std::vector<std::uint8_t>& bytes, std::vector<std::string>& lines) {
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  std::size_t at = 0;
  while (at < text.size()) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte == 0) return "not text (it holds a zero byte)";
    if (byte < 0x80) {
      ++at;
      continue;
    }
    const cp1252::Utf8Sequence sequence = cp1252::readUtf8(text.substr(at));
    if (sequence.status != cp1252::Utf8Sequence::valid) return "not UTF-8 text";
    at += sequence.length;
  }
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(cp1252::utf8ToCp1252(line));
    start = end + 1;
  }
  return {};
}

void readSongbook(const std::string& file, Songbooks& songbooks) {
  const platform::SmallFile read = platform::readSmallFile(file, largestSongbookBytes);
  std::vector<std::string> lines;
  std::string problem = read.problem;
  if (problem.empty()) problem = textLines(read.bytes, lines);
  if (!problem.empty()) {
    songbooks.problems.push_back({file, 0, "skipped: " + problem});
    ++songbooks.leftOut;
    return;
  }
  const CheckedSongbook checked = checkSongbookLines(lines);
  for (const LibraryFault& stray : checked.stray) {
    songbooks.problems.push_back({file, stray.line, stray.rule});
  }
  bool gave = false;
  for (const CheckedSong& song : checked.songs) {
    LibraryFault fault = song.fault;
    if (!fault.found() && song.lastLine - song.firstLine + 1 > longestOwnSongLines) {
      fault = {song.firstLine, "a song has at most 636 lines"};
    }
    if (fault.found()) {
      songbooks.problems.push_back({file, fault.line, fault.rule});
      ++songbooks.leftOut;
      continue;
    }
    OwnSong own{file, song.firstLine, {}, {}};
    for (std::uint32_t n = song.firstLine; n <= song.lastLine; ++n) {
      own.lines.emplace_back(lines[n - 1]);
    }
    lineTitle(own.lines.front(), own.title);
    songbooks.songs.push_back(std::move(own));
    gave = true;
  }
  if (gave) songbooks.sources.push_back(file);
}

}  // namespace

std::vector<std::string> expandSongbookPaths(const std::vector<std::string>& paths) {
  std::vector<std::string> files;
  for (const std::string& path : paths) {
    if (!path.empty()) addPath(path, files);
  }
  return files;
}

std::vector<std::string> songbookFiles() {
  std::vector<std::string> paths;
  const std::string named = platform::environmentVariable("LIRKEL_SONGS");
  if (!named.empty()) {
    std::size_t start = 0;
    for (;;) {
      const std::size_t end = named.find(platform::pathListSeparator(), start);
      paths.push_back(named.substr(start, end - start));
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  std::vector<std::string> files = expandSongbookPaths(paths);
  // The usual folders count only where they exist.
  const char separator = platform::pathSeparator();
  std::vector<std::string> folders = {platform::programDataDirectory() + "songs"};
  if (named.empty()) {
    folders.insert(folders.begin(), platform::userDataDirectory() + "lirkel" + separator + "songs");
  }
  for (const std::string& folder : folders) {
    if (platform::isFolder(folder)) addPath(folder, files);
  }
  return files;
}

Songbooks readSongbooks(const std::vector<std::string>& files) {
  Songbooks songbooks;
  for (const std::string& file : files) readSongbook(file, songbooks);
  return songbooks;
}

const Songbooks& ownSongs() {
  State& s = state();
  if (!s.read) {
    s.songbooks = readSongbooks(songbookFiles());
    s.read = true;
  }
  return s.songbooks;
}

void forgetOwnSongs() { state() = State{}; }

const OwnSong* findOwnSong(const ShortText& text) {
  const ShortText key = upcaseText(ShortText(text.view().substr(0, titleKeyLength)));
  for (const OwnSong& song : ownSongs().songs) {
    if (upcaseText(song.title).view().starts_with(key.view())) return &song;
  }
  return nullptr;
}

void chooseOwnSong(const OwnSong& song) { state().playing = &song; }

ShortText ownSongLine(std::uint16_t number) {
  const OwnSong* song = state().playing;
  if (song == nullptr || number < 1 || number > song->lines.size()) return {};
  return song->lines[number - 1];
}

std::int32_t ownSongLineCount() {
  const OwnSong* song = state().playing;
  return song == nullptr ? 0 : static_cast<std::int32_t>(song->lines.size());
}

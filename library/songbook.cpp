#include "library/songbook.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <utility>

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

// The files found so far, each once, in the order they came.
struct FileList {
  std::vector<std::string> files;
  std::set<std::string> seen;  // the files and the folders taken
  void add(const std::string& file) {
    if (seen.insert(file).second) files.push_back(file);
  }
};

// A folder gives its songbooks; a named file is itself, and must be there.
void addPath(const std::string& path, FileList& list) {
  if (!platform::isFolder(path)) {
    list.add(path);
    return;
  }
  if (!list.seen.insert(path).second) return;  // its files are in already
  std::vector<std::string> names = platform::folderEntries(path);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    const std::string file = inFolder(path, name);
    // Only the files of the folder itself: its subfolders are not searched.
    if (isSongbookName(name) && !platform::isFolder(file)) list.add(file);
  }
}

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

bool isControl(char32_t codePoint) {
  return codePoint < 0x20 || (codePoint >= 0x7F && codePoint < 0xA0);
}

// The line in Windows-1252 with every control character shown as '?', as a
// character Windows-1252 lacks is; the first one is named in `found`.
std::string shownLine(std::string_view utf8, char32_t& found) {
  found = 0;
  for (std::size_t at = 0; at < utf8.size();) {
    const cp1252::Utf8Sequence sequence = cp1252::readUtf8(utf8.substr(at));
    // A zero byte never gets here: such a file is no text.
    if (found == 0 && isControl(sequence.codePoint)) found = sequence.codePoint;
    at += std::max<std::size_t>(sequence.length, 1);
  }
  std::string line = cp1252::utf8ToCp1252(utf8);
  for (char& c : line) {
    if (isControl(static_cast<unsigned char>(c))) c = '?';
  }
  return line;
}

std::string controlRule(char32_t codePoint) {
  char name[16];
  std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(codePoint));
  return std::string("a control character (") + name + ") stands in the text; it shows as \"?\"";
}

// The file's lines in Windows-1252, or why it is no songbook. A byte-order
// mark at its start is passed over, as editors on Windows write one.
std::string textLines(const std::vector<std::uint8_t>& bytes, std::vector<std::string>& lines,
                      std::vector<LibraryFault>& controls) {
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (text.starts_with(byteOrderMark)) text.remove_prefix(byteOrderMark.size());
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
    char32_t control = 0;
    lines.push_back(shownLine(line, control));
    if (control != 0) {
      controls.push_back({static_cast<std::uint32_t>(lines.size()), controlRule(control)});
    }
    start = end + 1;
  }
  return {};
}

// The first five characters of the titles taken, upper-cased as the title
// search compares them, with where each title stands.
using TakenKeys = std::vector<std::pair<FixedText<5>, std::string>>;

FixedText<5> titleKey(const ShortText& title) {
  return upcaseText(ShortText(title.view().substr(0, titleKeyLength)));
}

// Why a good song's title could never be found, or nothing.
std::string hiddenTitle(const ShortText& title, const TakenKeys& taken) {
  const std::string rule = "a title differs from the others in its first five characters (";
  const FixedText<5> key = titleKey(title);
  if (const std::uint16_t line = findTitle(ShortText(key), libraryLine); line != 0) {
    ShortText builtIn;
    lineTitle(libraryLine(line), builtIn);
    return rule + "the built-in \"" + builtIn.str() + "\" begins the same)";
  }
  for (const auto& [earlier, where] : taken) {
    if (earlier == key) return rule + where + " begins the same)";
  }
  return {};
}

void readSongbook(const std::string& file, Songbooks& songbooks, TakenKeys& taken) {
  const platform::SmallFile read = platform::readSmallFile(file, largestSongbookBytes);
  std::vector<std::string> lines;
  std::vector<LibraryFault> controls;
  std::string problem = read.problem;
  if (problem.empty()) problem = textLines(read.bytes, lines, controls);
  if (!problem.empty()) {
    songbooks.problems.push_back({file, 0, "skipped: " + problem, true});
    ++songbooks.leftOut;
    return;
  }
  const CheckedSongbook checked = checkSongbookLines(lines);
  for (const LibraryFault& other : controls) {
    songbooks.problems.push_back({file, other.line, other.rule});
  }
  for (const LibraryFault& other : checked.otherFaults) {
    songbooks.problems.push_back({file, other.line, other.rule});
  }
  bool gave = false;
  for (const CheckedSong& song : checked.songs) {
    LibraryFault fault = song.fault;
    if (!fault.found() && song.lastLine - song.firstLine + 1 > longestOwnSongLines) {
      fault = {song.firstLine, "a song has at most 636 lines"};
    }
    OwnSong own{file, song.firstLine, {}, {}};
    if (!fault.found()) {
      for (std::uint32_t n = song.firstLine; n <= song.lastLine; ++n) {
        own.lines.emplace_back(lines[n - 1]);
      }
      lineTitle(own.lines.front(), own.title);
      if (std::string hidden = hiddenTitle(own.title, taken); !hidden.empty()) {
        fault = {song.firstLine, std::move(hidden)};
      }
    }
    if (fault.found()) {
      songbooks.problems.push_back({file, fault.line, fault.rule, true});
      ++songbooks.leftOut;
      continue;
    }
    taken.emplace_back(titleKey(own.title), file + ":" + std::to_string(song.firstLine));
    songbooks.songs.push_back(std::move(own));
    gave = true;
  }
  if (gave) songbooks.sources.push_back(file);
}

}  // namespace

std::vector<std::string> expandSongbookPaths(const std::vector<std::string>& paths) {
  FileList list;
  for (const std::string& path : paths) {
    if (!path.empty()) addPath(path, list);
  }
  return list.files;
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
  FileList list;
  for (const std::string& path : paths) {
    if (!path.empty()) addPath(path, list);
  }
  // The usual folders count only where they exist.
  const char separator = platform::pathSeparator();
  std::vector<std::string> folders = {platform::programDataDirectory() + "songs"};
  if (named.empty()) {
    folders.insert(folders.begin(), platform::userDataDirectory() + "lirkel" + separator + "songs");
  }
  for (const std::string& folder : folders) {
    if (platform::isFolder(folder)) addPath(folder, list);
  }
  return list.files;
}

Songbooks readSongbooks(const std::vector<std::string>& files) {
  Songbooks songbooks;
  TakenKeys taken;
  for (const std::string& file : files) readSongbook(file, songbooks, taken);
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

#include "library/listing.h"

#include <algorithm>
#include <string_view>

#include "console/console.h"
#include "text/text_utils.h"
#include "driver/identity.h"
#include "library/songbook.h"
#include "platform/platform.h"
#include "player/player_state.h"

namespace {

// Two halves of a row, each padded to its width less one, must fit in one
// text: on windows wider than 257 columns the halves stay this wide.
constexpr std::int32_t widestHalf = (ShortText::capacity + 1) / 2;
constexpr std::string_view pagePrompt = "tryck <cr> ";
constexpr unsigned char enterKey = 13;
// Written after Enter so that the next row overwrites the prompt.
constexpr std::string_view carriageReturn = "\r";

// Waits for Enter and drops every other key. Without a terminal no key can
// come, and the wait ends rather than hang.
void waitForEnter() {
  for (;;) {
    const unsigned char key = waitForKey();
    if (key == enterKey || key == 0) return;
  }
}

void pause() {
  writeText(pagePrompt);
  waitForEnter();
  writeText(carriageReturn);
}

// Writes one line of the listing and pauses when the page is full.
void writeListingLine(Listing& listing, const ShortText& text) {
  ++listing.linesOnPage;
  writeTextLine(text);
  // A page shorter than the banner pauses after every row.
  if (listing.linesOnPage >= playerState.screenRows) {
    listing.linesOnPage = 0;
    // Output to a pipe or file, or input from one: nobody reads a prompt or
    // can press Enter, so no pause.
    if (pagingPossible()) pause();
  }
}

// The own songs after the library's, under a line that says where they
// come from.
void listOwnSongs(Listing& listing) {
  const Songbooks& own = ownSongs();
  if (own.songs.empty()) return;
  if (!listing.row.empty()) writeListingLine(listing, listing.row);
  listing.row = ShortText();
  ShortText heading("Egna melodier..: ");
  for (std::size_t i = 0; i < own.sources.size(); ++i) {
    if (i > 0) heading.append(", ");
    heading.append(own.sources[i]);
  }
  writeListingLine(listing, ShortText(withoutControls(heading.view())));
  for (const OwnSong& song : own.songs) listTitle(listing, song.title);
}

}  // namespace

bool lineTitle(const ShortText& line, ShortText& title) {
  const std::string_view text = line.view();
  const std::size_t open = text.find('"');
  if (open == std::string_view::npos) return false;
  const std::size_t close = text.find('"', open + 1);
  if (close == std::string_view::npos) return false;
  title = text.substr(open + 1, close - open - 1);
  return true;
}

void listLibrary(LineSource line) {
  // Into a pipe or a file nothing waits between the lines: one write.
  const bool inOnePiece = !pagingPossible();
  if (inOnePiece) platform::holdStdout(true);
  writeListingBanner();
  Listing listing;
  ShortText title;
  for (std::uint16_t i = 1; i <= libraryLineCount; ++i) {
    if (lineTitle(line(i), title)) listTitle(listing, title);
  }
  listOwnSongs(listing);
  endListing(listing);
  if (inOnePiece) platform::holdStdout(false);
}

void writeListingBanner() {
  writeTextLine(ShortText("LIRKEL ") + BuildDate + " " + IdentityText);
  writeTextLine("# grenmyrsbolag # ");
  writeTextLine("MusikBibliotek..:");
}

void listTitle(Listing& listing, const ShortText& title) {
  const std::int32_t half = std::min<std::int32_t>(playerState.screenCols / 2, widestHalf);
  listing.row.append(title.view());
  listing.row.append(repeatChar(' ', half - static_cast<std::int32_t>(title.size()) - 1).view());
  if (static_cast<std::int32_t>(listing.row.size()) <= half) return;
  const ShortText row = listing.row;
  listing.row = ShortText();
  writeListingLine(listing, row);
}

void endListing(Listing& listing) {
  if (!listing.row.empty()) writeTextLine(listing.row);
  if (listing.linesOnPage == 0 || !pagingPossible()) return;
  writeText(pagePrompt);
  // Keys pressed before the prompt do not answer it.
  while (checkKey() != 0) {
  }
  waitForEnter();
  writeText(carriageReturn);
}

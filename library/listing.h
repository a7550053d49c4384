// The title walk's pieces: finding a line's title, and the library listing,
// two titles to a row of an 80-column window, page by page.
#pragma once

#include <cstdint>

#include "text/short_text.h"
#include "library/library_store.h"

// The text between the line's first two double quotes (it may be empty);
// false when the line holds no title.
bool lineTitle(const ShortText& line, ShortText& title);

// The listing in progress: the row being filled and the lines on this page.
struct Listing {
  ShortText row;
  std::int32_t linesOnPage = 3;  // the banner's three lines
};

// The whole listing: banner, every title in line order, the last prompt.
void listLibrary(LineSource line);

// The three lines that open a listing.
void writeListingBanner();
// Adds a title to the row, writes the row once it is more than half the
// window wide, and pauses when the page is full. The window is the one in
// PlayerState's screenCols and screenRows.
void listTitle(Listing& listing, const ShortText& title);
// Writes a row still holding a title and waits for Enter at the end.
void endListing(Listing& listing);

#include <string_view>

#include "console/console.h"
#include "driver/identity.h"
#include "text/cp1252_literal.h"
#include "library/help.h"
#include "player/player_state.h"

namespace {

// The help text as it reads, converted to Windows-1252 when compiled. The
// heading comes before it, and the octave letters complete the line that
// ends the first part.
constexpr std::string_view helpBeforeOctaves = R"~(
Användes med fördel i batfiler vid kopiering/kompilering
där musikanropet sker före pause. Lirkelen avbryts vid
tangentnedslag eller radslut/notslut beroende på anrop.
Anropa genom att ange stycke ur biblioteket ex "Lirkel Yesterday"
eller direkt musik genom ex "Lirkel G3EGEGE" för egna melodier.
Notskrift:
"X" följt av någon bokstav i strängen ")~";

constexpr std::string_view helpAfterOctaves = R"~("
    väljer oktav
"Z" följt av två siffror sätter längden på helnot,
    exempelvis 10 ger en helnot på en sekund.
"#" före noten höjer tonen ett halvt steg.
"0..9" 0 helnot, 1 halvnot, 2 fjärdeles, 3 åttondels not osv..
    endast ändringarna av tonlängden behöver anges.
"_" pause.
"." punkt före noten höjer notvärdet ett halvt steg.
Parametrar:
"-" som parameter ger slumpmässig melodis första rad.
"L" visar de melodier som finns i biblioteket.)~";

constexpr auto beforeOctaves = cp1252::fromUtf8<helpBeforeOctaves.size()>(helpBeforeOctaves);
constexpr auto afterOctaves = cp1252::fromUtf8<helpAfterOctaves.size()>(helpAfterOctaves);
static_assert(beforeOctaves.valid && afterOctaves.valid);

}  // namespace

void showHelp() {
  // The texts break into lines where the source does; the octave line is
  // the last piece of the first text, the octave letters and the first piece
  // of the second.
  ShortText line = ShortText("# grenmyrsbolag # ") + ModuleName + VersionText;
  auto writeLines = [&line](std::string_view text) {
    for (;;) {
      const std::size_t end = text.find('\n');
      line.append(text.substr(0, end));
      if (end == std::string_view::npos) return;
      writeTextLine(line);
      line = ShortText();
      text.remove_prefix(end + 1);
    }
  };
  writeLines(beforeOctaves.view());
  line.append(octaveLetters);
  writeLines(afterOctaves.view());
  writeTextLine(line);
}

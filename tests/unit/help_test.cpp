// The help text, byte for byte, as the program writes it with no argument.
#include <gtest/gtest.h>

#include <string>

#include "driver/identity.h"
#include "driver/program.h"
#include "library/help.h"
#include "library/resolve.h"
#include "text/codepage.h"
#include "world.h"

namespace {

// Everything after the heading line, as UTF-8.
const std::string helpBody = R"(Användes med fördel i batfiler vid kopiering/kompilering
där musikanropet sker före pause. Lirkelen avbryts vid
tangentnedslag eller radslut/notslut beroende på anrop.
Anropa genom att ange stycke ur biblioteket ex "Lirkel Yesterday"
eller direkt musik genom ex "Lirkel G3EGEGE" för egna melodier.
Notskrift:
"X" följt av någon bokstav i strängen "DEFGHIJK"
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
"L" visar de melodier som finns i biblioteket.
)";

class Help : public FreshProcess {};

TEST_F(Help, NoArgumentWritesTheHelpTextExactly) {
  buildIdentityText();
  fake::script().arguments = {};
  EXPECT_EQ(programMain(), 0);
  const std::string heading = "# grenmyrsbolag # LIRKEL32 2010" + BuildDate.str() +
                              IdentityText.str().substr(0, 48 - 5 - BuildDate.size());
  EXPECT_EQ(fake::output(), heading + "\n" + cp1252::utf8ToCp1252(helpBody));
  // Windows-1252 inside: "ä" of "Användes" is one byte, 0xE4.
  EXPECT_EQ(static_cast<unsigned char>(fake::output()[heading.size() + 4]), 0xE4);
  EXPECT_TRUE(tones().empty());
}

TEST_F(Help, AQuestionMarkAloneWritesItAndAFurtherWordDoesNot) {
  buildIdentityText();
  fake::script().arguments = {"?"};
  programMain();
  const std::string help = fake::output();
  EXPECT_NE(help.find(cp1252::utf8ToCp1252(helpBody)), std::string::npos);

  freshProcess();
  fake::script().arguments = {"?", "x"};
  programMain();
  EXPECT_EQ(fake::output(), "");
}

TEST_F(Help, TheOctaveLineShowsTheOctaveLetters) {
  showHelp();
  EXPECT_NE(fake::output().find(cp1252::utf8ToCp1252(
                "\n\"X\" följt av någon bokstav i strängen \"DEFGHIJK\"\n    väljer oktav\n")),
            std::string::npos);
  EXPECT_EQ(std::count(fake::output().begin(), fake::output().end(), '\n'), 19);
}

}  // namespace

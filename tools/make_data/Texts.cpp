// "properties/default.xml": the string table the game shows, in plain English.
#include <stdexcept>
#include <string>

#include "make_data/DataSet.h"

namespace make_data {

namespace {

struct Text {
    const char* id;
    const char* text;
};

// Texts used as formats carry exactly the numbers their callers pass ("%d").
constexpr Text kTexts[] = {
    // The frame's own messages.
    {"FATAL_ERROR", "FATAL ERROR"},
    {"UNABLE_OPEN_PROPERTIES", "Unable to open properties file "},
    {"DIALOG_BUTTON_OK", "OK"},
    {"DIALOG_BUTTON_CANCEL", "CANCEL"},

    // Player records and the main menu.
    {"NONE", "NONE"},
    {"UNNAMED", "UNNAMED"},
    {"PLAYER", "Player"},
    {"HELLO", "HELLO,"},

    // Help bubbles.
    {"BUBBLE HELP",
     "The bubble is ready! Click its icon, then click the field: the bubble floats up and "
     "carries away the blocks it catches."},
    {"WIND HELP",
     "The whirlwind is ready! Click its icon, then click a block: the wind sweeps up every "
     "block around it and throws them at the evil force."},
    {"SLOMO HELP",
     "Slow motion is ready! Click the clock to slow everything down for a few seconds and "
     "plan your next moves."},
    {"MATCH3 HELP",
     "Swap two neighbouring blocks to make a line of three or more of the same colour. Every "
     "line gives the good force new strength."},
    {"MATCH3PLUS HELP",
     "Lines of four, five or more blocks give far more points than lines of three. Look for "
     "them!"},
    {"GAMEBAR HELP",
     "This bar is the land's colour. The evil force drains it all the time; fill it to the "
     "top to win the level. If it runs empty, you lose a life."},
    {"EFFBAR HELP",
     "Match quickly to fill the effectivity bar: the faster you play, the more every line is "
     "worth, up to ten times."},
    {"SPELLSHIELD HELP",
     "Knockdown! Your lines came so fast that the evil force is stunned. Keep going while its "
     "shield is down."},

    // Overlays. The huge font draws '~' as a wide blank: the words sit in the middle of the
    // picture the overlays zoom in from twice the board's width.
    {"LVL", "~LEVEL %d-%d~"},
    {"LAST LIFE", "~%d LIFE LEFT~"},
    {"LIVES LEFT", "~%d LIVES LEFT~"},
    {"LIVES LEFT 2", "~%d LIVES LEFT~"},

    // The guide's balloon: short lines that fit four rows of the small face.
    {"LUCHEG MESSAGE 1", "Hello again! The land needs its colours back."},
    {"LUCHEG MESSAGE 2", "Three in a row, and the evil force shrinks!"},
    {"LUCHEG MESSAGE 3", "Longer lines give far more points."},
    {"LUCHEG MESSAGE 4", "Play fast: speed fills the effectivity bar."},
    {"LUCHEG MESSAGE 5", "Do not let the colour bar run dry!"},
    {"LUCHEG MESSAGE 6", "The whirlwind throws blocks at the evil force."},
    {"LUCHEG MESSAGE 7", "Stuck? Look for blocks that almost make a line."},
    {"LUCHEG MESSAGE 8", "Slow motion gives you time to think."},
    {"LUCHEG MESSAGE 9", "The bubble carries blocks away."},
    {"LUCHEG MESSAGE 10", "Great moves! Keep it up!"},
    {"LUCHEG MESSAGE 11", "The flowers are smiling again."},
    {"LUCHEG MESSAGE 12", "Every colour you save makes the land brighter."},
    {"LUCHEG MESSAGE 13", "The good force grows with every match."},
    {"LUCHEG MESSAGE 14", "Look at the whole field, not just one corner."},
    {"LUCHEG MESSAGE 15", "You are doing well, friend!"},
    {"LUCHEG MESSAGE PANIC", "Help! Hurry, the colours are fading!"},
    {"LUCHEG MESSAGE KNOCKDOWN", "%d knockdown! Wonderful!"},
    {"LUCHEG MESSAGE KNOCKDOWNS", "%d knockdowns! Amazing!"},
    {"LUCHEG MESSAGE KNOCKDOWNS 2", "%d knockdowns! Unstoppable!"},
    // Given the whirlwind's progress, 1 to 14 of the 15 points that make one charge.
    {"LUCHEG MESSAGE WHIRLWIND", "Whirlwind: %d point of 15!"},
    {"LUCHEG MESSAGE WHIRLWINDS", "Whirlwind: %d points of 15!"},
    {"LUCHEG MESSAGE WHIRLWINDS 2", "Whirlwind: %d points of 15!"},
};

// Only text the XML reader takes literally: no markup characters.
void CheckPlain(const Text& text) {
    for (const char* c = text.text; *c != '\0'; ++c) {
        if (*c == '<' || *c == '>' || *c == '&' || static_cast<unsigned char>(*c) > 126) {
            throw std::runtime_error(std::string("the text of ") + text.id +
                                     " needs escaping or leaves ASCII");
        }
    }
}

}  // namespace

DataPart MakeTexts() {
    std::string xml = "<?xml version=\"1.0\"?>\n<Properties>\n";
    for (const Text& text : kTexts) {
        CheckPlain(text);
        xml += std::string("  <String id=\"") + text.id + "\">" + text.text + "</String>\n";
    }
    xml += "</Properties>\n";
    DataPart part;
    part.files.push_back({"properties/default.xml", std::vector<uint8_t>(xml.begin(), xml.end())});
    return part;
}

}  // namespace make_data

#include "ui/core/ui_text.h"

#include <array>

#include "core/messages.h"

namespace vinra::ui {
namespace {

// Swedish, English, Danish, Norwegian, Finnish.
using Row = std::array<const char*, 5>;

const Row& RowOf(UiText id) {
    static const Row rows[] = {
        {"Aktuella spel", "Current games", "Aktuelle spil", "Aktuelle spill", "Avoimet pelit"},
        {"Mina filer", "My files", "Mine filer", "Mine filer", "Omat tiedostot"},
        {"Resultat", "Results", "Resultater", "Resultater", "Tulokset"},
        {"Kommer i en senare version", "Comes in a later version", "Kommer i en senere version",
         "Kommer i en senere versjon", "Tulossa myöhemmässä versiossa"},
        {"Inga öppna omgångar", "No open rounds", "Ingen åbne runder", "Ingen åpne runder", "Ei avoimia kierroksia"},
        {"Dubbelklicka för att hämta aktuella spel", "Double-click to fetch the current games",
         "Dobbeltklik for at hente de aktuelle spil", "Dobbeltklikk for å hente aktuelle spill",
         "Hae avoimet pelit kaksoisnapsauttamalla"},
        {"Rätt", "Right", "Rigtige", "Rette", "Oikein"},
        {"Rader", "Rows", "Rækker", "Rekker", "Rivit"},
        {"Per rad", "Per row", "Pr. række", "Per rekke", "Per rivi"},
        {"Summa", "Total", "I alt", "Totalt", "Yhteensä"},
        {"Lämna in spel", "Place bet", "Indlever spil", "Lever inn spill", "Pelaa"},
        {"Nr", "No.", "Nr.", "Nr.", "Nro"},
        {"Välj språk", "Choose language", "Vælg sprog", "Velg språk", "Valitse kieli"},
        {"Välj språket som programmet ska använda.", "Choose the language of the program.",
         "Vælg programmets sprog.", "Velg språket programmet skal bruke.", "Valitse ohjelman kieli."},
        {"Sorteringsordning", "Sort order", "Sorteringsrækkefølge", "Sorteringsrekkefølge", "Lajittelujärjestys"},
    };
    return rows[static_cast<int>(id)];
}

int IndexOfBase(int base) {
    switch (base) {
        case 0: return 0;
        case 20000: return 2;
        case 30000: return 3;
        case 40000: return 4;
        default: return 1;
    }
}

}  // namespace

QString TIn(int base, UiText id) { return QString::fromUtf8(RowOf(id)[IndexOfBase(base)]); }

QString T(UiText id) { return TIn(core::CurrentLanguage(), id); }

}  // namespace vinra::ui
